// The size and totals texts that the desktop program and the CLI show alike.
#pragma once

#include <cstdint>
#include <string>

namespace vornalis {

// "n bytes" below 1 KB, whole KB below 1 MB, whole MB from there on; remainders dropped. Sizes
// are 64-bit, so totals of files that reach past 4 GB together are shown as they are.
std::string SizeText(std::uint64_t bytes);
// "Total 3 files, 12 KB"
std::string TotalsText(std::uint32_t count, std::uint64_t bytes);
// "Selected 2 files, 2 KB"
std::string SelectionText(std::int32_t count, std::uint64_t bytes);

}  // namespace vornalis
