// Paths on Windows: UTF-8 in the program, UTF-16 for the system.
#include "platform/win32_path.h"

#include <windows.h>

#include <utility>
#include <vector>

#include "platform/path.h"

namespace vornalis::platform {
namespace {

constexpr std::string_view kVerbatim = "\\\\?\\";

// Splits an absolute path (written with backslashes) into its root (C:\ or \\server\share\)
// and the rest; the root is empty when path is not absolute.
std::pair<std::string, std::string> SplitRoot(const std::string& path) {
  if (path.rfind("\\\\", 0) == 0) {
    const std::size_t server_end = path.find('\\', 2);
    const std::size_t share_end =
        server_end == std::string::npos ? server_end : path.find('\\', server_end + 1);
    if (share_end == std::string::npos) return {path + "\\", std::string()};
    return {path.substr(0, share_end + 1), path.substr(share_end + 1)};
  }
  if (path.size() >= 3 && path[1] == ':' && path[2] == '\\')
    return {path.substr(0, 3), path.substr(3)};
  return {std::string(), path};
}

}  // namespace

std::wstring Wide(std::string_view utf8) {
  if (utf8.empty()) return std::wstring();
  const int length =
      ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                        length);
  return wide;
}

std::string Narrow(std::wstring_view wide) {
  if (wide.empty()) return std::string();
  const int length = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), length,
                        nullptr, nullptr);
  return utf8;
}

std::string AbsolutePath(std::string_view given) {
  if (given.substr(0, kVerbatim.size()) == kVerbatim) return std::string(given);
  std::string path(given);
  for (char& c : path)
    if (c == '/') c = '\\';
  auto [root, rest] = SplitRoot(path);
  if (root.empty()) {
    const std::string current = CurrentFolder();
    const auto [current_root, current_rest] = SplitRoot(current);
    if (current_root.empty()) return std::string(given);
    if (path.size() >= 2 && path[1] == ':') {
      // "D:name" is relative to the current folder of drive D:; only this drive's is known.
      root = path.substr(0, 2) + "\\";
      rest = ((root[0] | 0x20) == (current_root[0] | 0x20) ? current_rest + "\\" : "") +
             path.substr(2);
    } else if (!path.empty() && path[0] == '\\') {
      root = current_root;  // from the root of the current drive
      rest = path.substr(1);
    } else {
      root = current_root;
      rest = current_rest + "\\" + path;
    }
  }
  // "." and ".." resolved by the letters alone, as on the other systems.
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = rest.find('\\', start);
    if (end == std::string::npos) end = rest.size();
    const std::string part = rest.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string result = root;
  for (std::size_t i = 0; i < parts.size(); ++i) result += (i == 0 ? "" : "\\") + parts[i];
  if (!parts.empty() && !given.empty() && IsSeparator(given.back())) result += '\\';
  return result;
}

std::wstring SystemPath(std::string_view path) {
  const std::string absolute = AbsolutePath(path);
  if (absolute.substr(0, kVerbatim.size()) == kVerbatim) return Wide(absolute);
  if (absolute.rfind("\\\\", 0) == 0) return Wide("\\\\?\\UNC\\" + absolute.substr(2));
  return Wide(std::string(kVerbatim) + absolute);
}

std::string ProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::string();
    if (length < path.size()) {
      path.resize(length);
      return Narrow(path);
    }
    path.resize(path.size() * 2);
  }
}

std::string CurrentFolder() {
  const DWORD length = ::GetCurrentDirectoryW(0, nullptr);
  if (length == 0) return std::string();
  std::wstring folder(length, L'\0');
  const DWORD written = ::GetCurrentDirectoryW(length, folder.data());
  folder.resize(written);
  return Narrow(folder);
}

std::string NameOnDisk(std::string_view path) {
  WIN32_FIND_DATAW found;
  const HANDLE search = ::FindFirstFileExW(SystemPath(path).c_str(), FindExInfoBasic, &found,
                                           FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return FileNameOf(path);
  ::FindClose(search);
  return Narrow(found.cFileName);
}

}  // namespace vornalis::platform
