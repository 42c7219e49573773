#include "desktop/about_link.h"

namespace vornalis::desktop {

AboutLink::Capture AboutLink::Moved(int x, int y, int width, int height) {
  if (!hot_) {
    // No bounds test on the way in: the first move the label sees is over it.
    hot_ = true;
    return Capture::kTake;
  }
  if (x >= 0 && x < width && y >= 0 && y < height) return Capture::kNone;
  hot_ = false;
  return Capture::kRelease;
}

void AboutLink::Clicked() {
  visited_ = true;
  hot_ = false;
}

bool AboutLink::Closed() {
  const bool was_hot = hot_;
  hot_ = false;
  return was_hot;
}

}  // namespace vornalis::desktop
