// Two symbols that the mingw-w64 start-up code (crt2.o, which is public domain) asks of the
// runtime library, defined here so that the linker takes them from the stub and not from runtime
// files under the mingw-w64 project's licence (ZPL 2.1), whose notice every made program would
// then have to carry. So all of the runtime in ext.dll is public domain or under the GCC Runtime
// Library Exception; check_stub_runtime.sh checks that at every link.
#include <cstdint>

using InvalidParameterHandler = void(__cdecl*)(const wchar_t*, const wchar_t*, const wchar_t*,
                                               unsigned, std::uintptr_t);

extern "C" {

// 1 would have the start-up code install the runtime's own handler of maths errors, which
// prints to the console; the stub keeps the C library's.
int _MINGW_INSTALL_DEBUG_MATHERR = 0;

// The start-up code offers its handler of invalid parameters here. The runtime's own version
// only keeps it for _get_invalid_parameter_handler, which nothing in the stub calls (msvcrt.dll
// never sees it), so the stub keeps none; there was none before either.
InvalidParameterHandler __cdecl _set_invalid_parameter_handler(InvalidParameterHandler) {
  return nullptr;
}
}
