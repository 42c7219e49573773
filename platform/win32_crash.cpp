#include "platform/crash.h"

#include <windows.h>

namespace vornalis::platform {
namespace {

LONG WINAPI EndWithFailure(EXCEPTION_POINTERS* exception) {
  const DWORD code = exception != nullptr && exception->ExceptionRecord != nullptr
                         ? exception->ExceptionRecord->ExceptionCode
                         : 0;
  ::ExitProcess(code != 0 ? static_cast<UINT>(code) : 3);
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

void ExitOnCrash() {
  // No dialog of the system's own either: the status is the report.
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  ::SetUnhandledExceptionFilter(EndWithFailure);
}

}  // namespace vornalis::platform
