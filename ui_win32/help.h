// The desktop program's help on Windows: the compiled help file beside the program, opened at
// its contents or at its page on using help.
#pragma once

#include <windows.h>

namespace vornalis::win32 {

void OpenHelp(HWND owner, bool how_to_use);

}  // namespace vornalis::win32
