#include "engine/windows_names.h"

#include <array>

#include "engine/format.h"

namespace vornalis {
namespace {

// The device names, in upper case; "¹", "²" and "³" in UTF-8.
constexpr std::array<std::string_view, 30> kDevices = {
    "CON",         "PRN",         "AUX",         "NUL",         "COM1",        "COM2",
    "COM3",        "COM4",        "COM5",        "COM6",        "COM7",        "COM8",
    "COM9",        "LPT1",        "LPT2",        "LPT3",        "LPT4",        "LPT5",
    "LPT6",        "LPT7",        "LPT8",        "LPT9",        "COM\xC2\xB9", "COM\xC2\xB2",
    "COM\xC2\xB3", "LPT\xC2\xB9", "LPT\xC2\xB2", "LPT\xC2\xB3", "CONIN$",      "CONOUT$"};

bool EqualsUpper(std::string_view text, std::string_view upper) {
  if (text.size() != upper.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i] >= 'a' && text[i] <= 'z' ? static_cast<char>(text[i] - 32) : text[i];
    if (c != upper[i]) return false;
  }
  return true;
}

bool EndsBadly(std::string_view name) {
  return !name.empty() && (name.back() == '.' || name.back() == ' ');
}

// Windows takes the part before the first dot, spaces at its end left out, for the device.
bool IsDevice(std::string_view name) {
  std::string_view stem = name.substr(0, name.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
  for (std::string_view device : kDevices)
    if (EqualsUpper(stem, device)) return true;
  return false;
}

}  // namespace

WindowsName JudgeWindowsName(std::string_view name) {
  if (IsDevice(name)) return WindowsName::kDevice;
  if (EndsBadly(name)) return WindowsName::kTrailing;
  return WindowsName::kKept;
}

std::string WindowsAcceptedName(std::string_view name) {
  std::string accepted(name);
  for (std::size_t i = accepted.size();
       i > 0 && (accepted[i - 1] == '.' || accepted[i - 1] == ' ');)
    accepted[--i] = '_';
  // "aux." is the device once Windows cuts the dot; "aux_" is not.
  if (IsDevice(accepted)) accepted.insert(0, 1, '_');
  return accepted;
}

std::string WindowsAcceptedFolder(std::string_view stored_folder, WindowsName* reason) {
  *reason = WindowsName::kKept;
  std::string accepted;
  std::size_t start = 0;
  while (start < stored_folder.size()) {
    std::size_t end = stored_folder.find(format::kStoredSeparator, start);
    if (end == std::string_view::npos) end = stored_folder.size();
    const std::string_view part = stored_folder.substr(start, end - start);
    const WindowsName judged = JudgeWindowsName(part);
    if (*reason == WindowsName::kKept) *reason = judged;
    accepted += judged == WindowsName::kKept ? std::string(part) : WindowsAcceptedName(part);
    accepted += format::kStoredSeparator;
    start = end + 1;
  }
  return accepted;
}

}  // namespace vornalis
