#include "engine/stored_path.h"

#include <algorithm>

#include "engine/format.h"
#include "platform/path.h"

namespace vornalis {
namespace {

bool IsDriveLetter(std::string_view part) {
  const auto c = static_cast<unsigned char>(part[0]);
  return part.size() >= 2 && part[1] == ':' && ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
}

bool IsSafeComponent(std::string_view part) {
  if (part.empty() || part == "." || part == ".." || IsDriveLetter(part)) return false;
  return part.find_first_of(std::string{'\\', '/', platform::kSeparator, '\0'}) ==
         std::string_view::npos;
}

}  // namespace

std::string NativeFolder(std::string_view stored_folder) {
  std::string native(stored_folder);
  std::replace(native.begin(), native.end(), format::kStoredSeparator, platform::kSeparator);
  return native;
}

std::string NativePath(std::string_view root, std::string_view folder, std::string_view name) {
  std::string path(root);
  path += NativeFolder(folder);
  path += name;
  return path;
}

std::string StoredFolder(std::string_view native_folder) {
  std::string stored(native_folder);
  std::replace_if(stored.begin(), stored.end(), platform::IsSeparator, format::kStoredSeparator);
  if (!stored.empty() && stored.back() != format::kStoredSeparator)
    stored += format::kStoredSeparator;
  return stored;
}

bool IsSafeStoredPath(std::string_view folder, std::string_view name) {
  if (!IsSafeComponent(name)) return false;
  if (folder.empty()) return true;
  if (folder.back() != format::kStoredSeparator) return false;
  folder.remove_suffix(1);
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = folder.find(format::kStoredSeparator, start);
    if (!IsSafeComponent(folder.substr(start, end == std::string_view::npos ? end : end - start)))
      return false;
    if (end == std::string_view::npos) return true;
    start = end + 1;
  }
}

bool IsStorableName(std::string_view folder, std::string_view name) {
  return folder.size() <= format::kMaxTextLength && name.size() <= format::kMaxTextLength &&
         IsSafeStoredPath(folder, name);
}

}  // namespace vornalis
