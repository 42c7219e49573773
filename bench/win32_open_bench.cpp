// Times how long vornalis.exe takes, under Wine or on Windows, from its start with a set on the
// command line to a window whose list holds all of the set's rows: what a user waits for after
// double-clicking a piece. Prints each run and the median in seconds.
//
// usage: win32_open_bench SET.pec ROWS [RUNS]   (vornalis.exe beside this program)
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/ui_win32/remote_window.h"
#include "ui_win32/resource.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: win32_open_bench SET.pec ROWS [RUNS]\n");
    return 2;
  }
  const std::filesystem::path set = std::filesystem::absolute(argv[1]);
  const std::size_t rows = std::wcstoul(argv[2], nullptr, 10);
  const int runs = argc > 3 ? std::max(1, _wtoi(argv[3])) : 5;
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring program =
      (std::filesystem::path(self).parent_path() / L"vornalis.exe").wstring();
  const std::wstring title = set.stem().wstring() + L"-Dorvelin";
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  std::vector<double> seconds;
  for (int run = 0; run < runs; ++run) {
    LARGE_INTEGER start, end;
    ::QueryPerformanceCounter(&start);
    vornalis::testing::RemoteProgram remote(program, L"\"" + set.wstring() + L"\"",
                                            set.parent_path().wstring());
    HWND main = remote.WaitWindow(title, 60000);
    HWND list = main != nullptr ? vornalis::testing::Child(main, IDC_LIST) : nullptr;
    while (list != nullptr &&
           static_cast<std::size_t>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) < rows)
      ::Sleep(5);
    ::QueryPerformanceCounter(&end);
    if (list == nullptr) {
      std::fprintf(stderr, "no window listed the set\n");
      return 1;
    }
    seconds.push_back(static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart);
    std::printf("run %d: %.3f s\n", run + 1, seconds.back());
  }
  std::sort(seconds.begin(), seconds.end());
  std::printf("median %.3f s, range %.3f-%.3f s over %d runs\n", seconds[seconds.size() / 2],
              seconds.front(), seconds.back(), runs);
  return 0;
}
