// What the piece-size panel of the New dialog and the piece-size dialog share, as plain strings
// for every face: their lists, the number they start with, and the rule that turns the user's
// choice into a byte count. The check of a typed number is the engine's (CheckSizeNumber).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/piece_size.h"
#include "platform/status.h"

namespace vornalis::desktop {

inline constexpr std::array<std::string_view, 3> kSizeUnits = {"bytes", "KB", "MB"};
inline constexpr int kDefaultUnit = 1;  // "KB"
inline constexpr std::string_view kDefaultSizeNumber = "200";
inline constexpr std::array<std::string_view, 2> kPresetSizes = {"1.44MB Floopy disk",
                                                                 "720KB Floopy disk"};

// The controls' state: the number box and unit list, or the list of preset sizes.
struct PieceSizeChoice {
  bool custom = true;
  std::string number{kDefaultSizeNumber};
  int unit = kDefaultUnit;  // index in kSizeUnits
  int preset = 0;           // index in kPresetSizes
};

// The piece size of a choice: custom, the number times 1, 1,024 or 1,048,576 by the unit item;
// otherwise the 720 KB floppy for preset item 1 and the 1.44 MB one for any other. A size that
// does not fit in 32 bits or is below the smallest piece the engine accepts fails, saying so.
Result<std::uint32_t> PieceSizeOf(const PieceSizeChoice& choice);

}  // namespace vornalis::desktop
