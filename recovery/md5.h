// MD5 (RFC 1321), the hash that PAR 2.0 recovery files use for packets, files and blocks. Small
// and self-contained, so that the Windows build has it too. Feed bytes with Update in as many
// pieces as convenient; Final gives the 16-byte digest and leaves the object spent.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vornalis::recovery {

using Md5Digest = std::array<std::uint8_t, 16>;

// A digest's 16 bytes as text, and a digest read from 16 bytes, as files hold them.
inline std::string_view DigestBytes(const Md5Digest& digest) {
  return {reinterpret_cast<const char*>(digest.data()), digest.size()};
}
inline Md5Digest DigestAt(const char* bytes) {
  Md5Digest digest;
  for (std::size_t i = 0; i < digest.size(); ++i) digest[i] = static_cast<std::uint8_t>(bytes[i]);
  return digest;
}

class Md5 {
 public:
  Md5();
  void Update(std::span<const char> data);
  void Update(const std::string& data) { Update(std::span<const char>(data.data(), data.size())); }
  Md5Digest Final();

  static Md5Digest Of(std::span<const char> data) {
    Md5 md5;
    md5.Update(data);
    return md5.Final();
  }

 private:
  void Transform(const std::uint8_t* block);

  std::array<std::uint32_t, 4> state_;
  std::uint64_t length_ = 0;  // bytes fed so far
  std::array<std::uint8_t, 64> pending_{};
  std::size_t pending_length_ = 0;
};

}  // namespace vornalis::recovery
