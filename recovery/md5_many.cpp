#include "recovery/md5_many.h"

#include <cstdint>
#include <cstring>
#include <utility>

#include "recovery/galois.h"
#include "recovery/md5_constants.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VORNALIS_X86 1
#endif

namespace vornalis::recovery {
namespace {

#ifdef VORNALIS_X86

// Eight MD5 states side by side: lane l of each register belongs to message l.
struct Lanes {
  __m256i v[4];
};

template <int n>
__attribute__((target("avx2"))) inline __m256i RotateLeft(__m256i x) {
  return _mm256_or_si256(_mm256_slli_epi32(x, n), _mm256_srli_epi32(x, 32 - n));
}

// Step i of the 64, on the registers in the roles that step gives them.
template <int i>
__attribute__((target("avx2"))) inline void Step(Lanes& s, const __m256i* w) {
  __m256i& a = s.v[(0 - i) & 3];
  const __m256i b = s.v[(1 - i) & 3], c = s.v[(2 - i) & 3], d = s.v[(3 - i) & 3];
  __m256i f;
  if constexpr (i < 16)
    f = _mm256_xor_si256(d, _mm256_and_si256(b, _mm256_xor_si256(c, d)));
  else if constexpr (i < 32)
    f = _mm256_xor_si256(c, _mm256_and_si256(d, _mm256_xor_si256(b, c)));
  else if constexpr (i < 48)
    f = _mm256_xor_si256(_mm256_xor_si256(b, c), d);
  else
    f = _mm256_xor_si256(c, _mm256_or_si256(b, _mm256_xor_si256(d, _mm256_set1_epi32(-1))));
  const __m256i sum = _mm256_add_epi32(
      _mm256_add_epi32(a, f),
      _mm256_add_epi32(w[md5::kWords[i]], _mm256_set1_epi32(static_cast<int>(md5::kSines[i]))));
  a = _mm256_add_epi32(b, RotateLeft<md5::kShifts[i]>(sum));
}

template <int... i>
__attribute__((target("avx2"))) inline void Steps(Lanes& s, const __m256i* w,
                                                  std::integer_sequence<int, i...>) {
  (Step<i>(s, w), ...);
}

// Runs blocks 64-byte blocks of each of the eight messages at lanes[l] through the states.
__attribute__((target("avx2"))) void Blocks8(Lanes& s, const char* const* lanes,
                                             std::size_t blocks) {
  for (std::size_t block = 0; block < blocks; ++block) {
    __m256i w[16];
    for (int k = 0; k < 16; ++k) {
      std::int32_t word[8];
      for (int l = 0; l < 8; ++l) std::memcpy(&word[l], lanes[l] + block * 64 + 4 * k, 4);
      w[k] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(word));
    }
    const Lanes before = s;
    Steps(s, w, std::make_integer_sequence<int, 64>{});
    for (int r = 0; r < 4; ++r) s.v[r] = _mm256_add_epi32(s.v[r], before.v[r]);
  }
}

__attribute__((target("avx2"))) void Md5Eight(const char* const* data, std::size_t length,
                                              Md5Digest* out) {
  Lanes s;
  for (int r = 0; r < 4; ++r) s.v[r] = _mm256_set1_epi32(static_cast<int>(md5::kInitial[r]));
  const std::size_t whole = length / 64;
  Blocks8(s, data, whole);
  // The rest of each message, its padding and its length in bits, in one or two more blocks.
  const std::size_t rest = length % 64;
  const std::size_t tail_blocks = rest < 56 ? 1 : 2;
  char tails[8][128] = {};
  const char* tail_lanes[8];
  const std::uint64_t bits = std::uint64_t{length} * 8;
  for (int l = 0; l < 8; ++l) {
    std::memcpy(tails[l], data[l] + whole * 64, rest);
    tails[l][rest] = '\x80';
    for (int k = 0; k < 8; ++k)
      tails[l][tail_blocks * 64 - 8 + k] = static_cast<char>(bits >> (8 * k));
    tail_lanes[l] = tails[l];
  }
  Blocks8(s, tail_lanes, tail_blocks);
  std::uint32_t words[4][8];
  for (int r = 0; r < 4; ++r) _mm256_storeu_si256(reinterpret_cast<__m256i*>(words[r]), s.v[r]);
  for (int l = 0; l < 8; ++l)
    for (int r = 0; r < 4; ++r)
      for (int k = 0; k < 4; ++k)
        out[l][r * 4 + k] = static_cast<std::uint8_t>(words[r][l] >> (8 * k));
}

#endif

}  // namespace

void Md5Many(const char* const* data, std::size_t count, std::size_t length, Md5Digest* out) {
  std::size_t i = 0;
#ifdef VORNALIS_X86
  if (gf::HasEngine(gf::Engine::kAvx2))
    for (; i + 8 <= count; i += 8) Md5Eight(data + i, length, out + i);
#endif
  for (; i < count; ++i) out[i] = Md5::Of(std::span<const char>(data[i], length));
}

}  // namespace vornalis::recovery
