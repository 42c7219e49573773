#include <windows.h>

#include <string>

#include "platform/win32_path.h"
#include "tests/support/run_process.h"
#include "tests/support/test_files.h"

namespace vornalis::testing {
namespace {

// One argument as the C runtime's parser reads it back: quoted when it holds a space, a tab or
// a quote, with the backslashes before a quote (and before the closing quote) doubled.
std::wstring Quoted(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

// A file the child writes its output into, inherited by it.
HANDLE OutputFile(const std::wstring& path) {
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                     FILE_ATTRIBUTE_TEMPORARY, nullptr);
}

std::string WithoutCarriageReturns(std::string text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
  return out;
}

}  // namespace

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& cwd) {
  wchar_t folder[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH, folder);
  wchar_t out_path[MAX_PATH + 1] = {}, err_path[MAX_PATH + 1] = {};
  GetTempFileNameW(folder, L"out", 0, out_path);
  GetTempFileNameW(folder, L"err", 0, err_path);

  ProcessResult result;
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  HANDLE in = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                          OPEN_EXISTING, 0, nullptr);
  HANDLE out = OutputFile(out_path), err = OutputFile(err_path);
  std::wstring line = Quoted(platform::Wide(program));
  for (const std::string& arg : args) line += L" " + Quoted(platform::Wide(arg));
  STARTUPINFOW start{};
  start.cb = sizeof(start);
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdInput = in;
  start.hStdOutput = out;
  start.hStdError = err;
  PROCESS_INFORMATION process{};
  const std::wstring wide_cwd = platform::Wide(cwd);
  if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                     cwd.empty() ? nullptr : wide_cwd.c_str(), &start, &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    result.status = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(in);
  CloseHandle(out);
  CloseHandle(err);
  result.out = WithoutCarriageReturns(ReadFile(platform::Narrow(out_path)));
  result.err = WithoutCarriageReturns(ReadFile(platform::Narrow(err_path)));
  DeleteFileW(out_path);
  DeleteFileW(err_path);
  return result;
}

}  // namespace vornalis::testing
