// Little-endian reading and writing of u16, u32 and u64 fields, as the set format and PAR 2.0
// recovery files store them.
#pragma once

#include <cstdint>
#include <string>

namespace vornalis {

inline void AppendU32(std::string* out, std::uint32_t v) {
  const char bytes[4] = {static_cast<char>(v), static_cast<char>(v >> 8),
                         static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
  out->append(bytes, 4);
}

inline void AppendU16(std::string* out, std::uint16_t v) {
  const char bytes[2] = {static_cast<char>(v), static_cast<char>(v >> 8)};
  out->append(bytes, 2);
}

inline std::uint32_t ReadU32(const char* p) {
  const auto* b = reinterpret_cast<const unsigned char*>(p);
  return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
         static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

inline void AppendU64(std::string* out, std::uint64_t v) {
  AppendU32(out, static_cast<std::uint32_t>(v));
  AppendU32(out, static_cast<std::uint32_t>(v >> 32));
}

inline std::uint64_t ReadU64(const char* p) {
  return ReadU32(p) | std::uint64_t{ReadU32(p + 4)} << 32;
}

inline std::uint16_t ReadU16(const char* p) {
  const auto* b = reinterpret_cast<const unsigned char*>(p);
  return static_cast<std::uint16_t>(b[0] | b[1] << 8);
}

}  // namespace vornalis
