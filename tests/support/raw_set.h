// Builds the bytes of set files by hand, so tests can state expected bytes and make damaged
// sets that the engine would never write.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vornalis::testing {

std::string U32(std::uint32_t v);
std::string U16(std::uint16_t v);

struct RawRecord {
  std::uint32_t piece = 1;
  std::uint32_t offset = 8;
  std::uint64_t size = 0;  // a u32 in the standard form, a u64 in the large form
  std::string folder;
  std::string name;
};

// large: the record layout of a set of the large form ("QBXL"), whose sizes are u64.
std::string RecordBytes(const RawRecord& record, bool large = false);
// One block: its length, then its records.
std::string BlockBytes(const std::vector<RawRecord>& records, bool large = false);
// Fixed fields, tail, the given block bytes, terminator.
std::string StreamBytes(std::uint32_t piece_size, std::uint32_t last_piece, const std::string& tail,
                        const std::string& blocks, bool terminator = true);
// "QBXR" ("QBXL" when large), K, then the stream.
std::string HeaderBytes(const std::string& stream, std::uint32_t overflow_count = 0,
                        bool large = false);
// "QBTM", n, then the payload.
std::string PieceBytes(std::uint32_t n, const std::string& payload);

}  // namespace vornalis::testing
