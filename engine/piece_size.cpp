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

}  // namespace

std::optional<std::uint32_t> CustomPieceSize(std::uint64_t number, SizeUnit unit) {
  const int shift = unit == SizeUnit::kKB ? 10 : unit == SizeUnit::kMB ? 20 : 0;
  if (number > (0xFFFFFFFFull >> shift)) return std::nullopt;
  return static_cast<std::uint32_t>(number << shift);
}

std::uint32_t PresetPieceSize(int item) { return item == 1 ? kFloppy720KB : kFloppy144MB; }

std::optional<std::uint32_t> ParsePieceSize(std::string_view text, std::string* error) {
  const std::string lower = Lower(text);
  std::optional<std::uint32_t> size;
  if (lower == "1.44mb") {
    size = kFloppy144MB;
  } else if (lower == "720kb") {
    size = kFloppy720KB;
  } else {
    std::size_t digits = 0;
    while (digits < lower.size() && std::isdigit(static_cast<unsigned char>(lower[digits])))
      ++digits;
    std::string unit = lower.substr(digits);
    unit.erase(0, unit.find_first_not_of(' '));
    SizeUnit parsed_unit;
    if (unit.empty() || unit == "bytes" || unit == "b")
      parsed_unit = SizeUnit::kBytes;
    else if (unit == "kb" || unit == "k")
      parsed_unit = SizeUnit::kKB;
    else if (unit == "mb" || unit == "m")
      parsed_unit = SizeUnit::kMB;
    else
      digits = 0;
    if (digits == 0 || digits > 10) {
      *error = "Invalid piece size '" + std::string(text) +
               "': give a number with bytes, KB or MB, or 1.44MB or 720KB";
      return std::nullopt;
    }
    size = CustomPieceSize(std::stoull(lower.substr(0, digits)), parsed_unit);
    if (!size) {
      *error = messages::PieceSizeTooLarge(text);
      return std::nullopt;
    }
  }
  if (std::string refusal = PieceSet::CheckPieceSize(*size); !refusal.empty()) {
    *error = refusal;
    return std::nullopt;
  }
  return size;
}

}  // namespace vornalis
