#include "platform/crash.h"

namespace vornalis::platform {

// A signal that ends the process gives it a status of 128 plus the signal's number.
void ExitOnCrash() {}

}  // namespace vornalis::platform
