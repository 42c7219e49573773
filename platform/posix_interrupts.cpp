// Requests to stop on POSIX systems: SIGINT, SIGTERM and SIGHUP.
#include <csignal>

#include "platform/interrupts.h"

namespace vornalis::platform {
namespace {

volatile std::sig_atomic_t interrupted = 0;
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction previous_actions[3];

void OnInterrupt(int signal) { interrupted = signal; }

}  // namespace

InterruptGuard::InterruptGuard() {
  interrupted = 0;
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &action, &previous_actions[i]);
}

InterruptGuard::~InterruptGuard() {
  for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &previous_actions[i], nullptr);
}

bool InterruptGuard::Requested() { return interrupted != 0; }

int InterruptGuard::ExitStatus() { return 128 + interrupted; }

}  // namespace vornalis::platform
