#include "desktop/pace.h"

namespace vornalis::desktop {

bool Pace::Due() {
  const std::chrono::steady_clock::time_point now = now_();
  if (last_ && now - *last_ < kInterval) return false;
  last_ = now;
  return true;
}

}  // namespace vornalis::desktop
