#include "recovery/reed_solomon.h"

#include <atomic>
#include <thread>
#include <utility>

#include "recovery/galois.h"

namespace vornalis::recovery {
namespace {

bool HasFullOrder(std::uint32_t n) {
  return n % 3 != 0 && n % 5 != 0 && n % 17 != 0 && n % 257 != 0;
}

}  // namespace

std::uint16_t SliceConstant(std::uint32_t g) {
  // The exponents with full order, made once: 32768 of them.
  static const std::vector<std::uint16_t> constants = [] {
    std::vector<std::uint16_t> all;
    for (std::uint32_t n = 1; n < 65535; ++n)
      if (HasFullOrder(n)) all.push_back(gf::Exp(n));
    return all;
  }();
  return constants[g];
}

std::optional<std::vector<std::vector<std::uint16_t>>> InvertForRepair(
    const std::vector<std::uint16_t>& missing_constants,
    const std::vector<std::uint32_t>& exponents) {
  const std::size_t k = missing_constants.size();
  // The system: row j says that recovery slice j is the sum over l of c_l^e_j * missing_l.
  // Gauss-Jordan elimination on [A | I] leaves [I | A^-1].
  std::vector<std::vector<std::uint16_t>> a(k, std::vector<std::uint16_t>(k));
  std::vector<std::vector<std::uint16_t>> inverse(k, std::vector<std::uint16_t>(k, 0));
  for (std::size_t j = 0; j < k; ++j) {
    for (std::size_t l = 0; l < k; ++l) a[j][l] = gf::Power(missing_constants[l], exponents[j]);
    inverse[j][j] = 1;
  }
  for (std::size_t column = 0; column < k; ++column) {
    std::size_t pivot = column;
    while (pivot < k && a[pivot][column] == 0) ++pivot;
    if (pivot == k) return std::nullopt;
    std::swap(a[pivot], a[column]);
    std::swap(inverse[pivot], inverse[column]);
    const std::uint16_t scale = gf::Divide(1, a[column][column]);
    for (std::size_t c = 0; c < k; ++c) {
      a[column][c] = gf::Multiply(a[column][c], scale);
      inverse[column][c] = gf::Multiply(inverse[column][c], scale);
    }
    for (std::size_t row = 0; row < k; ++row) {
      const std::uint16_t factor = a[row][column];
      if (row == column || factor == 0) continue;
      for (std::size_t c = 0; c < k; ++c) {
        a[row][c] ^= gf::Multiply(factor, a[column][c]);
        inverse[row][c] ^= gf::Multiply(factor, inverse[column][c]);
      }
    }
  }
  // inverse now gives missing = inverse * recovery: row l of it belongs to missing slice l.
  return inverse;
}

void ParallelFor(unsigned threads, std::size_t count,
                 const std::function<void(std::size_t)>& task) {
  if (threads <= 1 || count <= 1) {
    for (std::size_t i = 0; i < count; ++i) task(i);
    return;
  }
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (std::size_t i = next++; i < count; i = next++) task(i);
  };
  std::vector<std::thread> helpers;
  const std::size_t extra = std::min<std::size_t>(threads, count) - 1;
  helpers.reserve(extra);
  for (std::size_t t = 0; t < extra; ++t) helpers.emplace_back(work);
  work();
  for (std::thread& helper : helpers) helper.join();
}

}  // namespace vornalis::recovery
