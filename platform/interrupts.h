// Requests to stop, turned into a flag: while an InterruptGuard lives, Ctrl-C and the requests
// to end that the system sends (SIGTERM and SIGHUP; on Windows Ctrl-Break and a console window
// being closed) do not end the process at once but set a flag that long commands look at
// between files, so that a set is closed properly before the end. One guard at a time.
#pragma once

namespace vornalis::platform {

class InterruptGuard {
 public:
  InterruptGuard();
  ~InterruptGuard();
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;
  static bool Requested();
  // 128 + the number of the signal that asked to stop: 130 after Ctrl-C, 143 after SIGTERM,
  // 129 after SIGHUP or a closed console window.
  static int ExitStatus();
  // For a program that waits in an event loop rather than between files: a descriptor that
  // becomes readable once a request came, open while the guard lives (POSIX systems; -1 where
  // there is none).
  static int WakeDescriptor();
};

}  // namespace vornalis::platform
