#include "desktop/piece_size_choice.h"

namespace vornalis::desktop {

Result<std::uint32_t> PieceSizeOf(const PieceSizeChoice& choice) {
  if (!choice.custom) return PresetPieceSize(choice.preset);
  const Result<std::uint32_t> value = CheckSizeNumber(choice.number);
  if (!value.ok()) return value;
  const int item = choice.unit == 1 || choice.unit == 2 ? choice.unit : 0;
  return CustomPieceSize(*value, static_cast<SizeUnit>(item));
}

}  // namespace vornalis::desktop
