// The progress line of long commands.
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

}  // namespace vornalis::cli
