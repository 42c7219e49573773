// Paths on POSIX systems: the current folder and the program's own file.
#include <unistd.h>

#include <array>
#include <filesystem>
#include <system_error>

#include "platform/path.h"

namespace vornalis::platform {

std::string AbsolutePath(std::string_view path) {
  std::error_code ec;
  auto absolute = std::filesystem::absolute(std::filesystem::path(path), ec);
  if (ec) return std::string(path);
  std::string result = absolute.lexically_normal().string();
  // lexically_normal keeps a trailing separator for "dir/"; keep the caller's choice.
  if (!path.empty() && path.back() != kSeparator && result.size() > 1 &&
      result.back() == kSeparator)
    result.pop_back();
  return result;
}

std::string ProgramPath() {
  std::array<char, 4096> path{};
  const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
  return length > 0 ? std::string(path.data(), static_cast<std::size_t>(length)) : std::string();
}

std::string CurrentFolder() {
  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::current_path(ec);
  return ec ? std::string() : folder.string();
}

std::string NameOnDisk(std::string_view path) { return FileNameOf(path); }

}  // namespace vornalis::platform
