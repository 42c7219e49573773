// The Reed-Solomon code of PAR 2.0 over GF(2^16): input slice g has the constant 2^n_g, where
// n_g is the g-th exponent not divisible by 3, 5, 17 or 257 (so that the constant has order
// 65535), and the recovery slice with exponent e is the sum over g of constant_g^e * slice_g.
// Also the one place where work is spread over threads: the caller says how many, and with one
// no thread is started (the desktop program runs everything on its own thread).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace vornalis::recovery {

// The constant of input slice g (0-based; at most 32768 slices exist).
std::uint16_t SliceConstant(std::uint32_t g);

// The factors that give the missing input slices from the recovery slices used: with rows for
// the missing slices (their constants) and columns for the exponents used, the inverse of the
// matrix constant^exponent, row by row; nothing when that matrix cannot be inverted.
std::optional<std::vector<std::vector<std::uint16_t>>> InvertForRepair(
    const std::vector<std::uint16_t>& missing_constants,
    const std::vector<std::uint32_t>& exponents);

// Runs task(i) for i in [0, count) on threads threads (the calling one among them), each task
// once, in no given order; returns when all are done. task may not throw.
void ParallelFor(unsigned threads, std::size_t count, const std::function<void(std::size_t)>& task);

}  // namespace vornalis::recovery
