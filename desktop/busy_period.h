// BusyPeriod: holds the session busy for one long command and ends that when it leaves, also by
// an exception: the caption, the progress display and the commands come back. The session's
// long commands hold one; a face's test may, to see its busy display.
#pragma once

#include "desktop/session.h"

namespace vornalis::desktop {

class BusyPeriod {
 public:
  explicit BusyPeriod(Session& session) : session_(session) { session_.StartBusy(); }
  ~BusyPeriod() { session_.EndBusy(); }
  BusyPeriod(const BusyPeriod&) = delete;
  BusyPeriod& operator=(const BusyPeriod&) = delete;

 private:
  Session& session_;
};

}  // namespace vornalis::desktop
