#include "ui_win32/web_link.h"

#include <windows.h>

#include <shellapi.h>

#include <optional>
#include <string>

#include "platform/web_link_command.h"
#include "platform/win32_path.h"

namespace vornalis::win32 {
namespace {

// The default value of a key under HKEY_CLASSES_ROOT; nothing when the key cannot be opened,
// "" when it has no default value.
std::optional<std::wstring> ClassesDefault(const std::wstring& key_path) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, key_path.c_str(), 0, KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS)
    return std::nullopt;
  std::wstring value(1024, L'\0');
  DWORD bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
  DWORD type = 0;
  const LONG read = ::RegQueryValueExW(key, nullptr, nullptr, &type,
                                       reinterpret_cast<BYTE*>(value.data()), &bytes);
  ::RegCloseKey(key);
  if (read != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::wstring();
  value.resize(bytes / sizeof(wchar_t));
  while (!value.empty() && value.back() == L'\0') value.pop_back();
  if (type == REG_EXPAND_SZ) {
    std::wstring expanded(32768, L'\0');
    const DWORD length = ::ExpandEnvironmentStringsW(value.c_str(), expanded.data(),
                                                     static_cast<DWORD>(expanded.size()));
    if (length > 0 && length <= expanded.size()) {
      expanded.resize(length - 1);
      value = expanded;
    }
  }
  return value;
}

bool Start(const std::wstring& command_line) {
  std::wstring writable = command_line;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOW;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
    return false;
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return true;
}

}  // namespace

bool OpenWebLink(std::string_view address) {
  const std::wstring wide = platform::Wide(address);
  const auto shell = reinterpret_cast<INT_PTR>(
      ::ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOW));
  if (shell > 32) return true;
  const std::optional<std::wstring> page_class = ClassesDefault(L".htm");
  if (!page_class || page_class->empty()) return false;
  const std::optional<std::wstring> command =
      ClassesDefault(*page_class + L"\\shell\\open\\command");
  if (!command || command->empty()) return false;
  return Start(platform::Wide(platform::CutCommandTemplate(platform::Narrow(*command), address,
                                                           platform::WindowsPlaceholders())));
}

}  // namespace vornalis::win32
