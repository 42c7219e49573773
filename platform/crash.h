// What a program does when it crashes: it must never look as if it succeeded. On Windows an
// unhandled exception (a division by zero, a bad pointer) would otherwise end the process
// through whatever debugger or error reporting the system has, which under Wine can leave an
// exit status of 0; elsewhere a signal ends the process with a status of its own already.
#pragma once

namespace vornalis::platform {

// From now on, a crash ends the process at once with a failure status (on Windows, the
// exception's code). Call first thing in main.
void ExitOnCrash();

}  // namespace vornalis::platform
