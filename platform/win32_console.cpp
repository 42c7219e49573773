// The console on Windows. Text is UTF-8 throughout the program: the console is told so, and
// typed lines and the arguments are read in UTF-16 and turned into UTF-8.
#include <windows.h>
// CommandLineToArgvW.
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>

#include "platform/console.h"
#include "platform/win32_path.h"

namespace vornalis::platform {
namespace {

HANDLE HandleOf(Stream stream) {
  return ::GetStdHandle(stream == Stream::kInput    ? STD_INPUT_HANDLE
                        : stream == Stream::kOutput ? STD_OUTPUT_HANDLE
                                                    : STD_ERROR_HANDLE);
}

// The console's code pages before the program changed them: the console belongs to the command
// prompt the program was started from as well, which gets them back when the program ends.
UINT previous_output_code_page = 0;
UINT previous_input_code_page = 0;

void RestoreCodePages() {
  ::SetConsoleOutputCP(previous_output_code_page);
  ::SetConsoleCP(previous_input_code_page);
}

}  // namespace

bool IsTerminal(Stream stream) {
  DWORD mode = 0;
  return ::GetConsoleMode(HandleOf(stream), &mode) != 0;
}

std::vector<std::string> Arguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) return {argv, argv + argc};
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(Narrow(wide[i]));
  ::LocalFree(wide);
  return arguments;
}

void PrepareConsole() {
  previous_output_code_page = ::GetConsoleOutputCP();
  previous_input_code_page = ::GetConsoleCP();
  if (previous_output_code_page == 0) return;  // no console
  ::SetConsoleOutputCP(CP_UTF8);
  ::SetConsoleCP(CP_UTF8);
  std::atexit(RestoreCodePages);
}

bool ConsoleIsOwn() {
  DWORD processes[2];
  return ::GetConsoleProcessList(processes, 2) == 1;
}

std::optional<std::string> ReadLine() {
  const HANDLE input = HandleOf(Stream::kInput);
  DWORD mode = 0;
  if (::GetConsoleMode(input, &mode) == 0) {
    // Not a console: bytes, as on other systems.
    std::string line;
    for (int c = std::fgetc(stdin); c != EOF; c = std::fgetc(stdin)) {
      if (c == '\n') break;
      if (c != '\r') line += static_cast<char>(c);
    }
    if (std::feof(stdin) && line.empty()) return std::nullopt;
    return line;
  }
  std::wstring line;
  wchar_t buffer[256];
  for (;;) {
    DWORD read = 0;
    if (::ReadConsoleW(input, buffer, 256, &read, nullptr) == 0 || read == 0)
      return line.empty() ? std::nullopt : std::optional<std::string>(Narrow(line));
    line.append(buffer, read);
    if (const auto end = line.find(L'\n'); end != std::wstring::npos) {
      line.resize(end);
      if (!line.empty() && line.back() == L'\r') line.pop_back();
      return Narrow(line);
    }
  }
}

}  // namespace vornalis::platform
