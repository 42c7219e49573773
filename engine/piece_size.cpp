#include "engine/piece_size.h"

#include <algorithm>
#include <cctype>

#include "engine/messages.h"
#include "engine/piece_set.h"

namespace vornalis {
namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

Status SizeRefused(std::string message) {
  return Status::Error(Status::Code::kRefused, "", std::move(message));
}

}  // namespace

Result<std::uint32_t> CheckSizeNumber(std::string_view text) {
  const Status invalid = SizeRefused("'" + std::string(text) + "' is not a valid integer value");
  std::size_t at = text.find_first_not_of(" \t");
  const std::size_t end = text.find_last_not_of(" \t");
  if (at == std::string_view::npos) return invalid;
  bool negative = false;
  if (text[at] == '+' || text[at] == '-') negative = text[at++] == '-';
  if (at > end) return invalid;
  std::uint64_t value = 0;
  for (; at <= end; ++at) {
    if (text[at] < '0' || text[at] > '9') return invalid;
    value = value * 10 + static_cast<std::uint64_t>(text[at] - '0');
    if (value > (negative ? 0x80000000ull : 0x7FFFFFFFull)) return invalid;
  }
  if (negative || value == 0) return SizeRefused("Must not be zero");
  return static_cast<std::uint32_t>(value);
}

Result<std::uint32_t> CustomPieceSize(std::uint64_t number, SizeUnit unit) {
  const int shift = unit == SizeUnit::kKB ? 10 : unit == SizeUnit::kMB ? 20 : 0;
  if (number > (0xFFFFFFFFull >> shift)) {
    const char* unit_name = unit == SizeUnit::kKB ? "KB" : unit == SizeUnit::kMB ? "MB" : " bytes";
    return SizeRefused(messages::PieceSizeTooLarge(std::to_string(number) + unit_name));
  }
  const auto size = static_cast<std::uint32_t>(number << shift);
  if (Status refusal = PieceSet::CheckPieceSize(size); !refusal.ok()) return refusal;
  return size;
}

std::uint32_t PresetPieceSize(int item) { return item == 1 ? kFloppy720KB : kFloppy144MB; }

Result<std::uint32_t> ParsePieceSize(std::string_view text) {
  const std::string lower = Lower(text);
  if (lower == "1.44mb") return kFloppy144MB;
  if (lower == "720kb") return kFloppy720KB;
  {
    // The number is read by the size choice's rule; the unit follows it.
    const std::size_t last_other = lower.find_last_not_of("abcdefghijklmnopqrstuvwxyz");
    const std::size_t unit_at = last_other == std::string::npos ? 0 : last_other + 1;
    const std::string unit = lower.substr(unit_at);
    SizeUnit parsed_unit = SizeUnit::kBytes;
    const bool known_unit = unit.empty() || unit == "bytes" || unit == "b" || unit == "kb" ||
                            unit == "k" || unit == "mb" || unit == "m";
    if (unit == "kb" || unit == "k") parsed_unit = SizeUnit::kKB;
    if (unit == "mb" || unit == "m") parsed_unit = SizeUnit::kMB;
    std::string_view typed = text.substr(0, unit_at);
    while (!typed.empty() && typed.back() == ' ') typed.remove_suffix(1);
    const Result<std::uint32_t> number = CheckSizeNumber(typed);
    if (!known_unit || !number.ok()) {
      const std::string why = known_unit ? number.status().message + "; " : "";
      return SizeRefused(messages::InvalidPieceSize(text, why));
    }
    return CustomPieceSize(*number, parsed_unit);
  }
}

}  // namespace vornalis
