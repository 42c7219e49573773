// The desktop program's help on Windows: the compiled help file beside the program, opened at
// its contents or at its page on using help, in the system's help viewer; an error box says when
// the file or the viewer is missing. Help windows stay open until CloseHelp, which the program
// calls as it ends.
#pragma once

#include <windows.h>

namespace vornalis::win32 {

void OpenHelp(HWND owner, bool how_to_use);
void CloseHelp();

}  // namespace vornalis::win32
