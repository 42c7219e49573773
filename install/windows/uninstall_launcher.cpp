// uninstall.exe: what the list of installed programs and scripts start to remove Vornalis
// ("uninstall.exe /S" silently). It copies the uninstaller proper (uninstall.dat, which the
// setup wrote beside it) into a temporary folder of its own, runs it there on this program folder
// and waits for it, so that it returns, with the uninstaller's exit status, only once the files
// are gone. An NSIS uninstaller started by itself copies itself away and returns at once, while
// the files go seconds later.
//
// A running program's file cannot be deleted, but it can be moved on its drive: this one moves
// itself into its temporary folder while the uninstaller empties the program folder, and moves
// back when the uninstaller fails or is cancelled; otherwise Windows deletes it, with the folder,
// at its next start. Where the temporary folder lies on another drive, uninstall.exe stays until
// that start, and the program folder with it.
#include <windows.h>

#include <shellapi.h>

#include <string>

namespace {

constexpr wchar_t kUninstaller[] = L"uninstall.dat";
constexpr wchar_t kRunningCopy[] = L"Un.exe";

std::wstring OwnPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

// A new folder below the user's temporary folder; "" when none could be made.
std::wstring NewTemporaryFolder() {
  wchar_t base[MAX_PATH + 1];
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, base);
  if (length == 0 || length > MAX_PATH) return std::wstring();
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    const std::wstring folder = std::wstring(base) + L"vornalis-uninstall-" +
                                std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                std::to_wstring(attempt);
    if (::CreateDirectoryW(folder.c_str(), nullptr)) return folder;
  }
  return std::wstring();
}

bool Silent() {
  int count = 0;
  LPWSTR* arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  bool silent = false;
  for (int i = 1; arguments != nullptr && i < count; ++i)
    silent = silent || std::wstring(arguments[i]) == L"/S";
  ::LocalFree(arguments);
  return silent;
}

int Fail(bool silent, const std::wstring& text) {
  if (!silent) ::MessageBoxW(nullptr, text.c_str(), L"Vornalis Uninstall", MB_OK | MB_ICONERROR);
  return 2;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const bool silent = Silent();
  const std::wstring self = OwnPath();
  const std::wstring folder = self.substr(0, self.find_last_of(L'\\'));
  const std::wstring temporary = NewTemporaryFolder();
  if (temporary.empty()) return Fail(silent, L"No temporary folder could be made.");
  const std::wstring uninstaller = folder + L"\\" + kUninstaller;
  const std::wstring copy = temporary + L"\\" + kRunningCopy;
  if (!::CopyFileW(uninstaller.c_str(), copy.c_str(), TRUE)) {
    ::RemoveDirectoryW(temporary.c_str());
    return Fail(silent, uninstaller + L" cannot be read: Vornalis cannot be removed.");
  }

  const std::wstring moved = temporary + L"\\uninstall.exe";
  const bool away = ::MoveFileExW(self.c_str(), moved.c_str(), 0) != 0;
  // The uninstaller works on the folder given after "_?=" (last, unquoted), where it stands,
  // with the temporary folder as its current one, so that the program folder is nobody's.
  std::wstring command = L"\"" + copy + L"\" " + (silent ? L"/S " : L"") + L"_?=" + folder;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  DWORD status = 2;
  if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       temporary.c_str(), &startup, &process)) {
    ::WaitForSingleObject(process.hProcess, INFINITE);
    if (!::GetExitCodeProcess(process.hProcess, &status)) status = 2;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
  }
  ::DeleteFileW(copy.c_str());

  if (status != 0 && away) {
    ::MoveFileExW(moved.c_str(), self.c_str(), 0);  // for another try
    ::RemoveDirectoryW(temporary.c_str());
  } else {
    // This program's file, wherever it lies now, and the folders it leaves, at the next start.
    const std::wstring& file = away ? moved : self;
    ::MoveFileExW(file.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    ::MoveFileExW(temporary.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    if (!away) ::MoveFileExW(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  }
  return static_cast<int>(status);
}
