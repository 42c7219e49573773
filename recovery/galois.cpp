#include "recovery/galois.h"

#include <cstring>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VORNALIS_X86 1
#endif

namespace vornalis::recovery::gf {
namespace {

constexpr std::uint32_t kGenerator = 0x1100B;
constexpr std::uint32_t kOrder = 65535;  // of the multiplicative group

// Logarithms and powers of 2, made once.
struct LogTables {
  std::vector<std::uint16_t> log = std::vector<std::uint16_t>(65536);
  std::vector<std::uint16_t> exp = std::vector<std::uint16_t>(2 * kOrder);
  LogTables() {
    std::uint32_t x = 1;
    for (std::uint32_t i = 0; i < kOrder; ++i) {
      exp[i] = exp[i + kOrder] = static_cast<std::uint16_t>(x);
      log[x] = static_cast<std::uint16_t>(i);
      x <<= 1;
      if (x & 0x10000) x ^= kGenerator;
    }
  }
};

const LogTables& Tables() {
  static const LogTables tables;
  return tables;
}

// Words of a region, read and written little-endian whatever the processor.
std::uint16_t WordAt(const char* p) {
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(p[0]) |
                                    static_cast<std::uint8_t>(p[1]) << 8);
}
void XorWordAt(char* p, std::uint16_t word) {
  p[0] = static_cast<char>(p[0] ^ static_cast<char>(word & 0xFF));
  p[1] = static_cast<char>(p[1] ^ static_cast<char>(word >> 8));
}

void AddPortable(std::uint16_t factor, const std::uint16_t* low, const std::uint16_t* high,
                 const char* src, char* dst, std::size_t bytes) {
  if (low == nullptr) {
    for (std::size_t i = 0; i + 1 < bytes; i += 2)
      XorWordAt(dst + i, Multiply(factor, WordAt(src + i)));
    return;
  }
  for (std::size_t i = 0; i + 1 < bytes; i += 2) {
    const auto lo = static_cast<std::uint8_t>(src[i]);
    const auto hi = static_cast<std::uint8_t>(src[i + 1]);
    XorWordAt(dst + i, static_cast<std::uint16_t>(low[lo] ^ high[hi]));
  }
}

#ifdef VORNALIS_X86

// The shuffle kernels work on 16 words at a time per 128-bit lane: the low and high bytes of the
// words are gathered apart, each 4-bit part looked up in its table, and the result bytes put
// back together as words.

__attribute__((target("ssse3"))) std::size_t AddSsse3(const std::uint8_t* tables, const char* src,
                                                      char* dst, std::size_t bytes) {
  const __m128i mask = _mm_set1_epi8(0x0F);
  const __m128i apart = _mm_setr_epi8(0, 2, 4, 6, 8, 10, 12, 14, 1, 3, 5, 7, 9, 11, 13, 15);
  __m128i t[8];
  for (int k = 0; k < 8; ++k)
    t[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(tables + 16 * k));
  std::size_t i = 0;
  for (; i + 32 <= bytes; i += 32) {
    const __m128i s0 =
        _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i)), apart);
    const __m128i s1 =
        _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i + 16)), apart);
    const __m128i lo = _mm_unpacklo_epi64(s0, s1), hi = _mm_unpackhi_epi64(s0, s1);
    const __m128i n0 = _mm_and_si128(lo, mask), n1 = _mm_and_si128(_mm_srli_epi16(lo, 4), mask);
    const __m128i n2 = _mm_and_si128(hi, mask), n3 = _mm_and_si128(_mm_srli_epi16(hi, 4), mask);
    const __m128i rlo =
        _mm_xor_si128(_mm_xor_si128(_mm_shuffle_epi8(t[0], n0), _mm_shuffle_epi8(t[1], n1)),
                      _mm_xor_si128(_mm_shuffle_epi8(t[2], n2), _mm_shuffle_epi8(t[3], n3)));
    const __m128i rhi =
        _mm_xor_si128(_mm_xor_si128(_mm_shuffle_epi8(t[4], n0), _mm_shuffle_epi8(t[5], n1)),
                      _mm_xor_si128(_mm_shuffle_epi8(t[6], n2), _mm_shuffle_epi8(t[7], n3)));
    auto* d = reinterpret_cast<__m128i*>(dst + i);
    _mm_storeu_si128(d, _mm_xor_si128(_mm_loadu_si128(d), _mm_unpacklo_epi8(rlo, rhi)));
    _mm_storeu_si128(d + 1, _mm_xor_si128(_mm_loadu_si128(d + 1), _mm_unpackhi_epi8(rlo, rhi)));
  }
  return i;
}

__attribute__((target("avx2"))) std::size_t AddAvx2(const std::uint8_t* tables, const char* src,
                                                    char* dst, std::size_t bytes) {
  const __m256i mask = _mm256_set1_epi8(0x0F);
  const __m256i apart = _mm256_setr_epi8(0, 2, 4, 6, 8, 10, 12, 14, 1, 3, 5, 7, 9, 11, 13, 15, 0, 2,
                                         4, 6, 8, 10, 12, 14, 1, 3, 5, 7, 9, 11, 13, 15);
  __m256i t[8];
  for (int k = 0; k < 8; ++k)
    t[k] = _mm256_broadcastsi128_si256(
        _mm_load_si128(reinterpret_cast<const __m128i*>(tables + 16 * k)));
  std::size_t i = 0;
  for (; i + 64 <= bytes; i += 64) {
    const __m256i s0 =
        _mm256_shuffle_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i)), apart);
    const __m256i s1 = _mm256_shuffle_epi8(
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i + 32)), apart);
    const __m256i lo = _mm256_unpacklo_epi64(s0, s1), hi = _mm256_unpackhi_epi64(s0, s1);
    const __m256i n0 = _mm256_and_si256(lo, mask);
    const __m256i n1 = _mm256_and_si256(_mm256_srli_epi16(lo, 4), mask);
    const __m256i n2 = _mm256_and_si256(hi, mask);
    const __m256i n3 = _mm256_and_si256(_mm256_srli_epi16(hi, 4), mask);
    const __m256i rlo = _mm256_xor_si256(
        _mm256_xor_si256(_mm256_shuffle_epi8(t[0], n0), _mm256_shuffle_epi8(t[1], n1)),
        _mm256_xor_si256(_mm256_shuffle_epi8(t[2], n2), _mm256_shuffle_epi8(t[3], n3)));
    const __m256i rhi = _mm256_xor_si256(
        _mm256_xor_si256(_mm256_shuffle_epi8(t[4], n0), _mm256_shuffle_epi8(t[5], n1)),
        _mm256_xor_si256(_mm256_shuffle_epi8(t[6], n2), _mm256_shuffle_epi8(t[7], n3)));
    auto* d = reinterpret_cast<__m256i*>(dst + i);
    _mm256_storeu_si256(d, _mm256_xor_si256(_mm256_loadu_si256(d), _mm256_unpacklo_epi8(rlo, rhi)));
    _mm256_storeu_si256(
        d + 1, _mm256_xor_si256(_mm256_loadu_si256(d + 1), _mm256_unpackhi_epi8(rlo, rhi)));
  }
  return i;
}

// GCC 12 warns of uninitialised values inside its own AVX-512 headers (its bug 105593); the
// warnings are about the compiler's code, not this.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
__attribute__((target("avx512f,avx512bw"))) std::size_t AddAvx512(const std::uint8_t* tables,
                                                                  const char* src, char* dst,
                                                                  std::size_t bytes) {
  const __m512i mask = _mm512_set1_epi8(0x0F);
  const __m512i apart =
      _mm512_broadcast_i32x4(_mm_setr_epi8(0, 2, 4, 6, 8, 10, 12, 14, 1, 3, 5, 7, 9, 11, 13, 15));
  __m512i t[8];
  for (int k = 0; k < 8; ++k)
    t[k] =
        _mm512_broadcast_i32x4(_mm_load_si128(reinterpret_cast<const __m128i*>(tables + 16 * k)));
  std::size_t i = 0;
  for (; i + 128 <= bytes; i += 128) {
    const __m512i s0 = _mm512_shuffle_epi8(_mm512_loadu_si512(src + i), apart);
    const __m512i s1 = _mm512_shuffle_epi8(_mm512_loadu_si512(src + i + 64), apart);
    const __m512i lo = _mm512_unpacklo_epi64(s0, s1), hi = _mm512_unpackhi_epi64(s0, s1);
    const __m512i n0 = _mm512_and_si512(lo, mask);
    const __m512i n1 = _mm512_and_si512(_mm512_srli_epi16(lo, 4), mask);
    const __m512i n2 = _mm512_and_si512(hi, mask);
    const __m512i n3 = _mm512_and_si512(_mm512_srli_epi16(hi, 4), mask);
    // Four tables joined by exclusive or at once (truth table 0x96 is a ^ b ^ c).
    const __m512i rlo = _mm512_xor_si512(
        _mm512_ternarylogic_epi64(_mm512_shuffle_epi8(t[0], n0), _mm512_shuffle_epi8(t[1], n1),
                                  _mm512_shuffle_epi8(t[2], n2), 0x96),
        _mm512_shuffle_epi8(t[3], n3));
    const __m512i rhi = _mm512_xor_si512(
        _mm512_ternarylogic_epi64(_mm512_shuffle_epi8(t[4], n0), _mm512_shuffle_epi8(t[5], n1),
                                  _mm512_shuffle_epi8(t[6], n2), 0x96),
        _mm512_shuffle_epi8(t[7], n3));
    char* d = dst + i;
    _mm512_storeu_si512(d, _mm512_xor_si512(_mm512_loadu_si512(d), _mm512_unpacklo_epi8(rlo, rhi)));
    _mm512_storeu_si512(
        d + 64, _mm512_xor_si512(_mm512_loadu_si512(d + 64), _mm512_unpackhi_epi8(rlo, rhi)));
  }
  return i;
}
#pragma GCC diagnostic pop

#endif

}  // namespace

std::uint16_t Multiply(std::uint16_t a, std::uint16_t b) {
  if (a == 0 || b == 0) return 0;
  const LogTables& t = Tables();
  return t.exp[t.log[a] + t.log[b]];
}

std::uint16_t Divide(std::uint16_t a, std::uint16_t b) {
  if (a == 0) return 0;
  const LogTables& t = Tables();
  return t.exp[t.log[a] + kOrder - t.log[b]];
}

std::uint16_t Power(std::uint16_t base, std::uint32_t exponent) {
  if (exponent == 0) return 1;
  if (base == 0) return 0;
  const LogTables& t = Tables();
  return t.exp[(std::uint64_t{t.log[base]} * exponent) % kOrder];
}

std::uint16_t Exp(std::uint32_t n) { return Tables().exp[n % kOrder]; }

bool HasEngine(Engine engine) {
#ifdef VORNALIS_X86
  switch (engine) {
    case Engine::kAvx512:
      return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
    case Engine::kAvx2:
      return __builtin_cpu_supports("avx2");
    case Engine::kSsse3:
      return __builtin_cpu_supports("ssse3");
    case Engine::kPortable:
      return true;
  }
#endif
  return engine == Engine::kPortable;
}

Engine BestEngine() {
  static const Engine best = [] {
    for (Engine engine : {Engine::kAvx512, Engine::kAvx2, Engine::kSsse3})
      if (HasEngine(engine)) return engine;
    return Engine::kPortable;
  }();
  return best;
}

std::string_view EngineName(Engine engine) {
  switch (engine) {
    case Engine::kAvx512:
      return "AVX-512";
    case Engine::kAvx2:
      return "AVX2";
    case Engine::kSsse3:
      return "SSSE3";
    case Engine::kPortable:
      break;
  }
  return "portable";
}

Multiplier::Multiplier(std::uint16_t factor, Engine engine) : factor_(factor), engine_(engine) {
  // The product of each value of each 4-bit part; a word's product is the exclusive or of its
  // four parts' products.
  std::uint16_t parts[4][16];
  for (int k = 0; k < 4; ++k)
    for (int v = 0; v < 16; ++v) {
      parts[k][v] = Multiply(factor, static_cast<std::uint16_t>(v << (4 * k)));
      nibble_tables_[16 * k + v] = static_cast<std::uint8_t>(parts[k][v] & 0xFF);
      nibble_tables_[64 + 16 * k + v] = static_cast<std::uint8_t>(parts[k][v] >> 8);
    }
  if (engine_ != Engine::kPortable) return;
  auto tables = std::make_shared<std::array<std::uint16_t, 512>>();
  for (int b = 0; b < 256; ++b) {
    (*tables)[b] = static_cast<std::uint16_t>(parts[0][b & 15] ^ parts[1][b >> 4]);
    (*tables)[256 + b] = static_cast<std::uint16_t>(parts[2][b & 15] ^ parts[3][b >> 4]);
  }
  byte_tables_ = std::move(tables);
}

void Multiplier::AddTo(const char* src, char* dst, std::size_t bytes) const {
  std::size_t done = 0;
#ifdef VORNALIS_X86
  switch (engine_) {
    case Engine::kAvx512:
      done = AddAvx512(nibble_tables_.data(), src, dst, bytes);
      break;
    case Engine::kAvx2:
      done = AddAvx2(nibble_tables_.data(), src, dst, bytes);
      break;
    case Engine::kSsse3:
      done = AddSsse3(nibble_tables_.data(), src, dst, bytes);
      break;
    case Engine::kPortable:
      break;
  }
#endif
  AddPortable(factor_, byte_tables_ ? byte_tables_->data() : nullptr,
              byte_tables_ ? byte_tables_->data() + 256 : nullptr, src + done, dst + done,
              bytes - done);
}

}  // namespace vornalis::recovery::gf
