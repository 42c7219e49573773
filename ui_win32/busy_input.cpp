#include "ui_win32/busy_input.h"

namespace vornalis::win32 {
namespace {

bool IsUserInput(const MSG& message) {
  switch (message.message) {
    case WM_KEYDOWN:
    case WM_CHAR:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_NCLBUTTONDOWN:
      return true;
    default:
      return false;
  }
}

bool IsDroppedInput(const MSG& message) {
  return (message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST &&
          message.message != WM_SYSKEYDOWN && message.message != WM_SYSKEYUP &&
          message.message != WM_SYSCHAR) ||
         (message.message >= WM_MOUSEFIRST && message.message <= WM_MOUSELAST &&
          message.message != WM_MOUSEMOVE);
}

}  // namespace

bool BusyInput::InWindow(HWND window) const {
  return window_ != nullptr && window != nullptr &&
         (window == window_ || ::IsChild(window_, window));
}

void BusyInput::Flush() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
    if (!InWindow(message.hwnd)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
}

bool BusyInput::BreakOffRequested() {
  bool requested = false;
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // The end of the program waits for the command: it is posted again for the loop.
      ::PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (InWindow(message.hwnd) && IsDroppedInput(message)) {
      requested = requested || IsUserInput(message);
      continue;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return requested;
}

}  // namespace vornalis::win32
