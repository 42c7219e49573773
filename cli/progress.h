// The progress line of long commands, and Ctrl-C as a request to stop after the current file.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace vornalis::cli {

// One line on standard error, rewritten in place: percentage, current file, bytes per second.
// Shown only when standard error is a terminal and the user did not ask for quiet.
class ProgressLine {
 public:
  explicit ProgressLine(bool quiet);
  ~ProgressLine();
  // Called after each file; bytes counts all the bytes handled so far.
  void Update(int percent, const std::string& name, std::uint64_t bytes);
  // Clears the line, so messages that follow start on a clean line.
  void Finish();

 private:
  bool enabled_;
  bool shown_ = false;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point last_;
};

// While one lives, Ctrl-C (SIGINT), SIGTERM and SIGHUP do not end the process but set a flag
// that the commands look at between files, so the set is closed properly before the end.
class InterruptGuard {
 public:
  InterruptGuard();
  ~InterruptGuard();
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;
  static bool Requested();
  // 128 + the number of the signal that asked to stop: 130 after Ctrl-C, 143 after SIGTERM.
  static int ExitStatus();
};

}  // namespace vornalis::cli
