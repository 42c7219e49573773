#include "recovery/md5.h"

#include <bit>
#include <cstring>

namespace vornalis::recovery {
namespace {

static_assert(std::endian::native == std::endian::little, "MD5 reads its words little-endian");

constexpr std::uint32_t kSines[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};
constexpr int kShifts[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                             5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                             4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                             6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

constexpr std::uint32_t RotateLeft(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

}  // namespace

Md5::Md5() : state_{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476} {}

// One step of a round: a = b + ((a + f(b, c, d) + word + sine) <<< shift).
template <typename F>
inline void Step(F f, std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                 std::uint32_t word, int i) {
  a = b + RotateLeft(a + f(b, c, d) + word + kSines[i], kShifts[i]);
}

void Md5::Transform(const std::uint8_t* block) {
  std::uint32_t w[16];
  std::memcpy(w, block, 64);  // little-endian words, as MD5 reads them on this processor
  const auto f = [](std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return z ^ (x & (y ^ z));
  };
  const auto g = [](std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return y ^ (z & (x ^ y));
  };
  const auto h = [](std::uint32_t x, std::uint32_t y, std::uint32_t z) { return x ^ y ^ z; };
  const auto k = [](std::uint32_t x, std::uint32_t y, std::uint32_t z) { return y ^ (x | ~z); };
  std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
  // The rounds written out, four steps at a time, so that the compiler keeps all in registers.
  for (int i = 0; i < 16; i += 4) {
    Step(f, a, b, c, d, w[i], i);
    Step(f, d, a, b, c, w[i + 1], i + 1);
    Step(f, c, d, a, b, w[i + 2], i + 2);
    Step(f, b, c, d, a, w[i + 3], i + 3);
  }
  for (int i = 16; i < 32; i += 4) {
    Step(g, a, b, c, d, w[(5 * i + 1) % 16], i);
    Step(g, d, a, b, c, w[(5 * i + 6) % 16], i + 1);
    Step(g, c, d, a, b, w[(5 * i + 11) % 16], i + 2);
    Step(g, b, c, d, a, w[(5 * i) % 16], i + 3);
  }
  for (int i = 32; i < 48; i += 4) {
    Step(h, a, b, c, d, w[(3 * i + 5) % 16], i);
    Step(h, d, a, b, c, w[(3 * i + 8) % 16], i + 1);
    Step(h, c, d, a, b, w[(3 * i + 11) % 16], i + 2);
    Step(h, b, c, d, a, w[(3 * i + 14) % 16], i + 3);
  }
  for (int i = 48; i < 64; i += 4) {
    Step(k, a, b, c, d, w[(7 * i) % 16], i);
    Step(k, d, a, b, c, w[(7 * i + 7) % 16], i + 1);
    Step(k, c, d, a, b, w[(7 * i + 14) % 16], i + 2);
    Step(k, b, c, d, a, w[(7 * i + 21) % 16], i + 3);
  }
  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
}

void Md5::Update(std::span<const char> data) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.data());
  std::size_t size = data.size();
  length_ += size;
  if (pending_length_ > 0) {
    const std::size_t take = std::min(size, 64 - pending_length_);
    std::memcpy(pending_.data() + pending_length_, bytes, take);
    pending_length_ += take;
    bytes += take;
    size -= take;
    if (pending_length_ < 64) return;
    Transform(pending_.data());
    pending_length_ = 0;
  }
  for (; size >= 64; bytes += 64, size -= 64) Transform(bytes);
  std::memcpy(pending_.data(), bytes, size);
  pending_length_ = size;
}

Md5Digest Md5::Final() {
  const std::uint64_t bits = length_ * 8;
  static constexpr char kPad[64] = {'\x80'};
  const std::size_t pad = pending_length_ < 56 ? 56 - pending_length_ : 120 - pending_length_;
  Update(std::span<const char>(kPad, pad));
  char length_bytes[8];
  for (int i = 0; i < 8; ++i) length_bytes[i] = static_cast<char>(bits >> (8 * i));
  Update(std::span<const char>(length_bytes, 8));
  Md5Digest digest;
  for (int i = 0; i < 4; ++i)
    for (int k = 0; k < 4; ++k) digest[i * 4 + k] = static_cast<std::uint8_t>(state_[i] >> (8 * k));
  return digest;
}

}  // namespace vornalis::recovery
