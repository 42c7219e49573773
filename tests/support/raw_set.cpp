#include "tests/support/raw_set.h"

#include "platform/endian.h"

namespace vornalis::testing {

std::string U32(std::uint32_t v) {
  std::string s;
  AppendU32(&s, v);
  return s;
}

std::string U16(std::uint16_t v) {
  std::string s;
  AppendU16(&s, v);
  return s;
}

std::string RecordBytes(const RawRecord& r, bool large) {
  std::string size;
  if (large)
    AppendU64(&size, r.size);
  else
    AppendU32(&size, static_cast<std::uint32_t>(r.size));
  return U32(r.piece) + U32(r.offset) + size + U16(static_cast<std::uint16_t>(r.folder.size())) +
         r.folder + U16(static_cast<std::uint16_t>(r.name.size())) + r.name;
}

std::string BlockBytes(const std::vector<RawRecord>& records, bool large) {
  std::string body;
  for (const RawRecord& r : records) body += RecordBytes(r, large);
  return U32(static_cast<std::uint32_t>(body.size())) + body;
}

std::string StreamBytes(std::uint32_t piece_size, std::uint32_t last_piece, const std::string& tail,
                        const std::string& blocks, bool terminator) {
  return U32(piece_size) + U32(last_piece) + U32(static_cast<std::uint32_t>(tail.size())) + tail +
         blocks + (terminator ? U32(0xFFFFFFFFu) : "");
}

std::string HeaderBytes(const std::string& stream, std::uint32_t overflow_count, bool large) {
  return (large ? "QBXL" : "QBXR") + U32(overflow_count) + stream;
}

std::string PieceBytes(std::uint32_t n, const std::string& payload) {
  return "QBTM" + U32(n) + payload;
}

}  // namespace vornalis::testing
