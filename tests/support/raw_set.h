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
  std::uint32_t size = 0;
  std::string folder;
  std::string name;
};

std::string RecordBytes(const RawRecord& record);
// One block: its length, then its records.
std::string BlockBytes(const std::vector<RawRecord>& records);
// Fixed fields, tail, the given block bytes, terminator.
std::string StreamBytes(std::uint32_t piece_size, std::uint32_t last_piece, const std::string& tail,
                        const std::string& blocks, bool terminator = true);
// "QBXR", K, then the stream.
std::string HeaderBytes(const std::string& stream, std::uint32_t overflow_count = 0);
// "QBTM", n, then the payload.
std::string PieceBytes(std::uint32_t n, const std::string& payload);

}  // namespace vornalis::testing
