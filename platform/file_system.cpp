#include "platform/file_system.h"

#include <algorithm>

#include "platform/path.h"

namespace vornalis::platform {

CopyResult FileSystem::Copy(File& src, File& dst, std::uint64_t n, std::span<char> buffer) {
  CopyResult result;
  while (result.copied < n) {
    const auto chunk =
        static_cast<std::size_t>(std::min<std::uint64_t>(n - result.copied, buffer.size()));
    const IoResult read = src.Read(buffer.first(chunk));
    if (read.count > 0) {
      const IoResult written = dst.Write(buffer.first(read.count));
      result.copied += written.count;
      if (written.error != 0) {
        result.failure = CopyResult::Failure::kWrite;
        result.error = written.error;
        return result;
      }
    }
    if (read.error != 0 || read.count < chunk) {
      result.failure = CopyResult::Failure::kRead;
      result.error = read.error;
      return result;
    }
  }
  return result;
}

int FileSystem::CreateDirectories(const std::string& folder) {
  if (folder.empty() || IsDirectory(folder)) return 0;
  int error = 0;
  for (std::size_t end = 1; end <= folder.size(); ++end) {
    end = std::min(folder.find(kSeparator, end), folder.size());
    const std::string level = folder.substr(0, end);
    if (!IsDirectory(level)) error = CreateDirectory(level);
  }
  return error;
}

}  // namespace vornalis::platform
