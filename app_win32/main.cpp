// vornalis.exe: the desktop program on Windows. Makes the main window, which reads the command
// line, and runs until the window closes. The questions for help and the version ("--help",
// "-h", "-?", "/?", "--version", "-v") are answered in a message box, since the program has no
// console. An exception that escapes is shown in an error box;
// the exit code is 0 either way, and a crash never passes for success.
#include <windows.h>

#include <objbase.h>
#include <shellapi.h>

#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "desktop/command_line.h"
#include "desktop/texts.h"
#include "platform/crash.h"
#include "platform/win32_path.h"
#include "ui_win32/help.h"
#include "ui_win32/main_window.h"
#include "ui_win32/message_boxes.h"

namespace {

// The arguments after the program's own path, as the system splits its command line.
std::vector<std::string> Arguments() {
  std::vector<std::string> arguments;
  int count = 0;
  LPWSTR* each = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (each == nullptr) return arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(vornalis::platform::Narrow(each[i]));
  ::LocalFree(each);
  return arguments;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  vornalis::platform::ExitOnCrash();
  const std::vector<std::string> arguments = Arguments();
  if (const std::optional<std::string> text = vornalis::desktop::OptionText(arguments)) {
    ::MessageBoxW(nullptr, vornalis::platform::Wide(*text).c_str(), L"Vornalis",
                  MB_OK | MB_ICONINFORMATION);
    return 0;
  }
  // The folder browser and the shell's file information want a single-threaded apartment.
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  try {
    vornalis::win32::MainWindow window(instance, arguments);
    window.Run(show);
  } catch (const std::exception& e) {
    vornalis::win32::ShowError(nullptr, e.what());
  } catch (...) {
    vornalis::win32::ShowError(nullptr, "Unknown failure");
  }
  vornalis::win32::CloseHelp();  // a help window left open goes with the program
  if (SUCCEEDED(com)) ::CoUninitialize();
  return 0;
}
