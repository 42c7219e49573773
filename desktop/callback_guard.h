// CallbackGuard: exceptions inside the engine's callbacks.
//
// The engine promises that nothing passes through it, and its callbacks are declared noexcept,
// so a callback that lets an exception out ends the program. The desktop program's callbacks
// run their bodies through Run instead: what is thrown is kept and the engine is told to stop;
// once the engine has returned, the command rethrows it, and the command's guard reports it as
// the application's standard display of failures.
#pragma once

#include <exception>
#include <utility>

namespace vornalis::desktop {

class CallbackGuard {
 public:
  // body's result, or stop when body throws (or threw before).
  template <typename Body, typename Result>
  Result Run(Body&& body, Result stop) noexcept {
    if (caught_) return stop;
    try {
      return std::forward<Body>(body)();
    } catch (...) {
      caught_ = std::current_exception();
      return stop;
    }
  }
  // Whether a callback threw (and the engine was told to stop).
  bool Caught() const { return caught_ != nullptr; }
  // Rethrows what a callback threw, once; does nothing when none did.
  void RethrowCaught() {
    if (!caught_) return;
    std::exception_ptr caught = std::move(caught_);
    caught_ = nullptr;
    std::rethrow_exception(caught);
  }

 private:
  std::exception_ptr caught_;
};

}  // namespace vornalis::desktop
