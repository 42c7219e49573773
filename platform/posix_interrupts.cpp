// Requests to stop on POSIX systems: SIGINT, SIGTERM and SIGHUP. The handler sets the flag and
// writes a byte into a pipe, the one thing a handler may do to wake an event loop.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "platform/interrupts.h"

namespace vornalis::platform {
namespace {

volatile std::sig_atomic_t interrupted = 0;
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction previous_actions[3];
int wake_pipe[2] = {-1, -1};

void OnInterrupt(int signal) {
  interrupted = signal;
  if (wake_pipe[1] < 0) return;
  const int saved = errno;
  const char byte = 1;
  if (write(wake_pipe[1], &byte, 1) < 0) {
    // A full pipe has woken its reader already.
  }
  errno = saved;
}

}  // namespace

InterruptGuard::InterruptGuard() {
  interrupted = 0;
  if (pipe2(wake_pipe, O_CLOEXEC | O_NONBLOCK) != 0) wake_pipe[0] = wake_pipe[1] = -1;
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &action, &previous_actions[i]);
}

InterruptGuard::~InterruptGuard() {
  for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &previous_actions[i], nullptr);
  for (int& end : wake_pipe) {
    if (end >= 0) close(end);
    end = -1;
  }
}

bool InterruptGuard::Requested() { return interrupted != 0; }

int InterruptGuard::ExitStatus() { return 128 + interrupted; }

int InterruptGuard::WakeDescriptor() { return wake_pipe[0]; }

}  // namespace vornalis::platform
