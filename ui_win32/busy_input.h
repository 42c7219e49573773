// BusyInput: how a long command keeps the Win32 window alive on the program's one thread.
//
// The session asks at its pace (about 30 times a second, also inside a large file) whether the
// user asked to break off: the window's queue is drained then (Flush throws away what was typed
// before the command began; BreakOffRequested lets painting and everything else through, and
// takes a key press, a character or a mouse-button press in the main window or its children as
// a request to break off; keys with Alt pass).
#pragma once

#include <windows.h>

namespace vornalis::win32 {

class BusyInput final {
 public:
  void Watch(HWND window) { window_ = window; }
  void Flush();
  bool BreakOffRequested();

 private:
  bool InWindow(HWND window) const;

  HWND window_ = nullptr;
};

}  // namespace vornalis::win32
