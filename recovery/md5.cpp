#include "recovery/md5.h"

#include "recovery/md5_constants.h"

#include <bit>
#include <cstring>

namespace vornalis::recovery {
namespace {

using md5::kShifts;
using md5::kSines;

static_assert(std::endian::native == std::endian::little, "MD5 reads its words little-endian");

constexpr std::uint32_t RotateLeft(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

}  // namespace

Md5::Md5() : state_{md5::kInitial[0], md5::kInitial[1], md5::kInitial[2], md5::kInitial[3]} {}

void Md5::Transform(const std::uint8_t* block) {
  std::uint32_t w[16];
  std::memcpy(w, block, 64);  // little-endian words, as MD5 reads them on this processor
  std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
  // The 64 steps written out, so that every index and constant is known to the compiler.
#define VORNALIS_MD5_STEP(f, a, b, c, d, k, i) \
  a = b + RotateLeft(a + w[k] + kSines[i] + (f), kShifts[i])
#define F(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define G(x, y, z) ((y) ^ ((z) & ((x) ^ (y))))
#define H(x, y, z) ((x) ^ (y) ^ (z))
#define I(x, y, z) ((y) ^ ((x) | ~(z)))
  VORNALIS_MD5_STEP(F(b, c, d), a, b, c, d, 0, 0);
  VORNALIS_MD5_STEP(F(a, b, c), d, a, b, c, 1, 1);
  VORNALIS_MD5_STEP(F(d, a, b), c, d, a, b, 2, 2);
  VORNALIS_MD5_STEP(F(c, d, a), b, c, d, a, 3, 3);
  VORNALIS_MD5_STEP(F(b, c, d), a, b, c, d, 4, 4);
  VORNALIS_MD5_STEP(F(a, b, c), d, a, b, c, 5, 5);
  VORNALIS_MD5_STEP(F(d, a, b), c, d, a, b, 6, 6);
  VORNALIS_MD5_STEP(F(c, d, a), b, c, d, a, 7, 7);
  VORNALIS_MD5_STEP(F(b, c, d), a, b, c, d, 8, 8);
  VORNALIS_MD5_STEP(F(a, b, c), d, a, b, c, 9, 9);
  VORNALIS_MD5_STEP(F(d, a, b), c, d, a, b, 10, 10);
  VORNALIS_MD5_STEP(F(c, d, a), b, c, d, a, 11, 11);
  VORNALIS_MD5_STEP(F(b, c, d), a, b, c, d, 12, 12);
  VORNALIS_MD5_STEP(F(a, b, c), d, a, b, c, 13, 13);
  VORNALIS_MD5_STEP(F(d, a, b), c, d, a, b, 14, 14);
  VORNALIS_MD5_STEP(F(c, d, a), b, c, d, a, 15, 15);
  VORNALIS_MD5_STEP(G(b, c, d), a, b, c, d, 1, 16);
  VORNALIS_MD5_STEP(G(a, b, c), d, a, b, c, 6, 17);
  VORNALIS_MD5_STEP(G(d, a, b), c, d, a, b, 11, 18);
  VORNALIS_MD5_STEP(G(c, d, a), b, c, d, a, 0, 19);
  VORNALIS_MD5_STEP(G(b, c, d), a, b, c, d, 5, 20);
  VORNALIS_MD5_STEP(G(a, b, c), d, a, b, c, 10, 21);
  VORNALIS_MD5_STEP(G(d, a, b), c, d, a, b, 15, 22);
  VORNALIS_MD5_STEP(G(c, d, a), b, c, d, a, 4, 23);
  VORNALIS_MD5_STEP(G(b, c, d), a, b, c, d, 9, 24);
  VORNALIS_MD5_STEP(G(a, b, c), d, a, b, c, 14, 25);
  VORNALIS_MD5_STEP(G(d, a, b), c, d, a, b, 3, 26);
  VORNALIS_MD5_STEP(G(c, d, a), b, c, d, a, 8, 27);
  VORNALIS_MD5_STEP(G(b, c, d), a, b, c, d, 13, 28);
  VORNALIS_MD5_STEP(G(a, b, c), d, a, b, c, 2, 29);
  VORNALIS_MD5_STEP(G(d, a, b), c, d, a, b, 7, 30);
  VORNALIS_MD5_STEP(G(c, d, a), b, c, d, a, 12, 31);
  VORNALIS_MD5_STEP(H(b, c, d), a, b, c, d, 5, 32);
  VORNALIS_MD5_STEP(H(a, b, c), d, a, b, c, 8, 33);
  VORNALIS_MD5_STEP(H(d, a, b), c, d, a, b, 11, 34);
  VORNALIS_MD5_STEP(H(c, d, a), b, c, d, a, 14, 35);
  VORNALIS_MD5_STEP(H(b, c, d), a, b, c, d, 1, 36);
  VORNALIS_MD5_STEP(H(a, b, c), d, a, b, c, 4, 37);
  VORNALIS_MD5_STEP(H(d, a, b), c, d, a, b, 7, 38);
  VORNALIS_MD5_STEP(H(c, d, a), b, c, d, a, 10, 39);
  VORNALIS_MD5_STEP(H(b, c, d), a, b, c, d, 13, 40);
  VORNALIS_MD5_STEP(H(a, b, c), d, a, b, c, 0, 41);
  VORNALIS_MD5_STEP(H(d, a, b), c, d, a, b, 3, 42);
  VORNALIS_MD5_STEP(H(c, d, a), b, c, d, a, 6, 43);
  VORNALIS_MD5_STEP(H(b, c, d), a, b, c, d, 9, 44);
  VORNALIS_MD5_STEP(H(a, b, c), d, a, b, c, 12, 45);
  VORNALIS_MD5_STEP(H(d, a, b), c, d, a, b, 15, 46);
  VORNALIS_MD5_STEP(H(c, d, a), b, c, d, a, 2, 47);
  VORNALIS_MD5_STEP(I(b, c, d), a, b, c, d, 0, 48);
  VORNALIS_MD5_STEP(I(a, b, c), d, a, b, c, 7, 49);
  VORNALIS_MD5_STEP(I(d, a, b), c, d, a, b, 14, 50);
  VORNALIS_MD5_STEP(I(c, d, a), b, c, d, a, 5, 51);
  VORNALIS_MD5_STEP(I(b, c, d), a, b, c, d, 12, 52);
  VORNALIS_MD5_STEP(I(a, b, c), d, a, b, c, 3, 53);
  VORNALIS_MD5_STEP(I(d, a, b), c, d, a, b, 10, 54);
  VORNALIS_MD5_STEP(I(c, d, a), b, c, d, a, 1, 55);
  VORNALIS_MD5_STEP(I(b, c, d), a, b, c, d, 8, 56);
  VORNALIS_MD5_STEP(I(a, b, c), d, a, b, c, 15, 57);
  VORNALIS_MD5_STEP(I(d, a, b), c, d, a, b, 6, 58);
  VORNALIS_MD5_STEP(I(c, d, a), b, c, d, a, 13, 59);
  VORNALIS_MD5_STEP(I(b, c, d), a, b, c, d, 4, 60);
  VORNALIS_MD5_STEP(I(a, b, c), d, a, b, c, 11, 61);
  VORNALIS_MD5_STEP(I(d, a, b), c, d, a, b, 2, 62);
  VORNALIS_MD5_STEP(I(c, d, a), b, c, d, a, 9, 63);
#undef F
#undef G
#undef H
#undef I
#undef VORNALIS_MD5_STEP
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
