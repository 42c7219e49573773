// Requests to stop on Windows, through the console's control handler, which the system calls
// on a thread of its own.
#include <windows.h>

#include <atomic>

#include "platform/interrupts.h"

namespace vornalis::platform {
namespace {

std::atomic<int> interrupted{0};
// Set once the guard is gone: by then the set is closed.
HANDLE released = nullptr;

BOOL WINAPI OnControl(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      interrupted = 2;  // as SIGINT
      return TRUE;
    default:
      // The window is closing or the user logs off: the system ends the process once this
      // returns, or a few seconds later, so it waits here while the set is being closed.
      interrupted = 1;  // as SIGHUP
      ::WaitForSingleObject(released, 4000);
      return TRUE;
  }
}

}  // namespace

InterruptGuard::InterruptGuard() {
  interrupted = 0;
  if (released == nullptr) released = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ::ResetEvent(released);
  ::SetConsoleCtrlHandler(OnControl, TRUE);
}

InterruptGuard::~InterruptGuard() {
  ::SetConsoleCtrlHandler(OnControl, FALSE);
  ::SetEvent(released);
}

bool InterruptGuard::Requested() { return interrupted != 0; }

int InterruptGuard::ExitStatus() { return 128 + interrupted; }

// The console's handler runs on a thread of its own; no event loop waits on a descriptor here.
int InterruptGuard::WakeDescriptor() { return -1; }

}  // namespace vornalis::platform
