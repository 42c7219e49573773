#include "ui_win32/message_boxes.h"

#include "desktop/texts.h"
#include "platform/win32_path.h"

namespace vornalis::win32 {
namespace {

int Box(HWND owner, std::string_view text, std::string_view title, UINT style) {
  return ::MessageBoxW(owner, platform::Wide(text).c_str(), platform::Wide(title).c_str(),
                       style | MB_SETFOREGROUND);
}

}  // namespace

void ShowError(HWND owner, std::string_view text) {
  Box(owner, text, desktop::texts::kErrorTitle, MB_OK | MB_ICONERROR);
}

bool AskWarning(HWND owner, std::string_view text) {
  return Box(owner, text, desktop::texts::kWarningTitle, MB_YESNO | MB_ICONWARNING) == IDYES;
}

void ShowInformation(HWND owner, std::string_view text) {
  Box(owner, text, desktop::texts::kInformationTitle, MB_OK | MB_ICONINFORMATION);
}

}  // namespace vornalis::win32
