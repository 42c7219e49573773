// Piece sizes: a number with a unit, or one of the two floppy-disk presets. The desktop
// program's size choice and the CLI's --size both compute their byte counts here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/status.h"

namespace vornalis {

enum class SizeUnit { kBytes = 0, kKB = 1, kMB = 2 };

inline constexpr std::uint32_t kFloppy144MB = 1474560;  // 0x168000
inline constexpr std::uint32_t kFloppy720KB = 737280;   // 0xB4000
inline constexpr std::uint32_t kDefaultPieceSize = 200 * 1024;

// The typed number of a custom size, as the size choice and the CLI read it: a whole number
// from 1 to 2,147,483,647, with blanks around it and a sign allowed. Any other text fails with
// "'%s' is not a valid integer value" or "Must not be zero".
Result<std::uint32_t> CheckSizeNumber(std::string_view text);

// number × 1, 1,024 or 1,048,576 bytes. A product that does not fit in 32 bits fails ("Piece
// size 4096MB is too large..."), and so does one below the smallest piece.
Result<std::uint32_t> CustomPieceSize(std::uint64_t number, SizeUnit unit);
// Item 1 of the preset list is the 720 KB floppy; item 0 and any other the 1.44 MB one.
std::uint32_t PresetPieceSize(int item);

// Reads a size as typed on a command line: "200KB", "200 KB", "3MB", "1000 bytes", "1000",
// "1.44MB" or "720KB" (the floppy presets). Units are case-insensitive. The result is also
// checked against the smallest valid piece.
Result<std::uint32_t> ParsePieceSize(std::string_view text);

}  // namespace vornalis
