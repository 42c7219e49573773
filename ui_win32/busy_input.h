// BusyInput: how a long command keeps the Win32 window alive on the program's one thread.
//
// The session asks after each file whether the user asked to break off: the window's queue is
// drained then (FlushKeyMessages throws away what was typed before the command began;
// CheckInterrupt lets painting and everything else through, and takes a key press, a character
// or a mouse-button press in the main window or its children as a request to break off; keys
// with Alt pass). During one large file the engine calls Copied, which only lets the window
// paint: the user's input waits for the next check, after the file.
#pragma once

#include <windows.h>

#include <cstdint>

#include "engine/byte_progress.h"

namespace vornalis::win32 {

class BusyInput final : public ByteProgress {
 public:
  void Watch(HWND window) { window_ = window; }
  void Flush();
  bool BreakOffRequested();
  void Copied(std::uint64_t done, std::uint64_t size) noexcept override;

 private:
  bool InWindow(HWND window) const;

  HWND window_ = nullptr;
};

}  // namespace vornalis::win32
