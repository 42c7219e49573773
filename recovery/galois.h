// Arithmetic in GF(2^16) with the generator 0x1100B, the field in which PAR 2.0's Reed-Solomon
// code works on 16-bit little-endian words. Addition is exclusive or.
//
// The hot path of making and using recovery data is Multiplier::AddTo: dst ^= factor * src over
// whole regions. It uses the widest of the processor's byte-shuffle instructions (AVX-512BW,
// AVX2, SSSE3; chosen once, at run time) on four 16-entry tables per result byte, one for each
// 4-bit part of a word, and a portable loop with two 256-entry tables elsewhere; all give the
// same bytes. (GFNI multiplies in GF(2^8) only, which is not this field.)
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace vornalis::recovery::gf {

std::uint16_t Multiply(std::uint16_t a, std::uint16_t b);
// a / b; b must not be 0.
std::uint16_t Divide(std::uint16_t a, std::uint16_t b);
std::uint16_t Power(std::uint16_t base, std::uint32_t exponent);
// 2 to the power n.
std::uint16_t Exp(std::uint32_t n);

// The ways AddTo can run, widest first; tests run each that the processor has.
enum class Engine { kAvx512, kAvx2, kSsse3, kPortable };
// The widest engine this processor has, and whether it has a given one.
Engine BestEngine();
bool HasEngine(Engine engine);
std::string_view EngineName(Engine engine);

// Multiplication by one factor, with its tables made once.
class Multiplier {
 public:
  Multiplier() : Multiplier(0) {}
  explicit Multiplier(std::uint16_t factor, Engine engine = BestEngine());
  std::uint16_t factor() const { return factor_; }
  // dst ^= factor * src, word by word, for bytes bytes (even) of each.
  void AddTo(const char* src, char* dst, std::size_t bytes) const;

 private:
  std::uint16_t factor_;
  Engine engine_;
  // For the shuffles: the low result bytes of the four 4-bit parts (nibble k of a word, k = 0 to
  // 3), then the high result bytes, 16 entries each.
  alignas(64) std::array<std::uint8_t, 128> nibble_tables_{};
  // For the portable loop only: the products of the low bytes (first 256) and of the high
  // bytes of a word.
  std::shared_ptr<const std::array<std::uint16_t, 512>> byte_tables_;
};

}  // namespace vornalis::recovery::gf
