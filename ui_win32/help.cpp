#include "ui_win32/help.h"

namespace vornalis::win32 {

void OpenHelp(HWND, bool) {}

}  // namespace vornalis::win32
