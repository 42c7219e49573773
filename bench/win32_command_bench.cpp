// Times one long command of vornalis.exe's face, in its own window, from the command's start to
// its end (the window's queue drained as the user's would be): Add Folder of SOURCE into the set
// SET, or Assemble of every file of SET into the folder TARGET. Prints the seconds; the same work
// from the command line is `vornalis-cli.exe add SET SOURCE` and `vornalis-cli.exe extract SET
// TARGET` (bench/face_compare.sh pairs the two under Wine).
//
// usage: win32_command_bench add SET.pec SOURCE | assemble SET.pec TARGET
#include <windows.h>

#include <objbase.h>

#include <cstdio>
#include <string>

#include "platform/path.h"
#include "platform/win32_path.h"
#include "ui_win32/main_window.h"

int wmain(int argc, wchar_t** argv) {
  const std::wstring kind = argc == 4 ? argv[1] : L"";
  if (kind != L"add" && kind != L"assemble") {
    std::fprintf(stderr,
                 "usage: win32_command_bench add SET.pec SOURCE | assemble SET.pec TARGET\n");
    return 2;
  }
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  int status = 0;
  {
    vornalis::win32::MainWindow window(::GetModuleHandleW(nullptr), {});
    if (!window.Create(SW_SHOW)) return 1;
    vornalis::desktop::Session& session = window.Session();
    session.OpenPieceFile(vornalis::platform::Narrow(argv[2]));
    if (!session.SetOpen()) {
      status = 1;
    } else {
      const std::string path =
          vornalis::platform::AbsolutePath(vornalis::platform::Narrow(argv[3]));
      LARGE_INTEGER frequency, start, end;
      ::QueryPerformanceFrequency(&frequency);
      ::QueryPerformanceCounter(&start);
      if (kind == L"add")
        session.AddPaths({path});
      else
        session.AssembleInto(vornalis::platform::WithSeparator(path));
      ::QueryPerformanceCounter(&end);
      std::printf("%.3f\n",
                  static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart);
    }
    session.CloseForExit();
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
  return status;
}
