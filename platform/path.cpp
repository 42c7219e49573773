#include "platform/path.h"

namespace vornalis::platform {

std::string FolderOf(std::string_view path) {
  const auto pos = path.find_last_of(kSeparators);
  return pos == std::string_view::npos ? std::string() : std::string(path.substr(0, pos + 1));
}

std::string FileNameOf(std::string_view path) {
  const auto pos = path.find_last_of(kSeparators);
  return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

std::string WithSeparator(std::string_view path) {
  std::string result(path);
  if (!result.empty() && !IsSeparator(result.back())) result += kSeparator;
  return result;
}

std::string WithoutTrailingSeparators(std::string_view path) {
  std::string result(path);
  // A root is a separator alone, or a drive with its separator ("C:\").
  const auto is_root = [](const std::string& p) {
    return p.size() == 1 || (p.size() == 3 && p[1] == ':');
  };
  while (result.size() > 1 && IsSeparator(result.back()) && !is_root(result)) result.pop_back();
  return result;
}

}  // namespace vornalis::platform
