// The desktop program's message boxes on Windows, titled by their kind ("Error", "Warning",
// "Information"), over owner. Texts are UTF-8.
#pragma once

#include <windows.h>

#include <string_view>

namespace vornalis::win32 {

void ShowError(HWND owner, std::string_view text);
// A question with "&Yes" and "&No"; true for yes.
bool AskWarning(HWND owner, std::string_view text);
void ShowInformation(HWND owner, std::string_view text);

}  // namespace vornalis::win32
