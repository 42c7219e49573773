// Pace: when a long command shows where it is.
//
// Showing the file at work, moving the progress bar and the title's percentage, listing new rows
// and looking for a key or a click cost a window far more than storing or rebuilding a small
// file does: done per file, they were what a user with a fast disk waited for. So they come at a
// human rate: Due says yes at most once every kInterval (and for the first time at once); the
// session shows the last state once more when the command ends, and a large file between two
// steps keeps the window answering through the engine's byte progress.
#pragma once

#include <chrono>
#include <functional>
#include <optional>

namespace vornalis::desktop {

class Pace {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  static constexpr std::chrono::milliseconds kInterval{33};

  explicit Pace(Clock now = &std::chrono::steady_clock::now) : now_(std::move(now)) {}
  // True when kInterval has passed since it last said so, or it never has.
  bool Due();
  // The next Due says yes: a command begins.
  void Restart() { last_.reset(); }

 private:
  Clock now_;
  std::optional<std::chrono::steady_clock::time_point> last_;
};

}  // namespace vornalis::desktop
