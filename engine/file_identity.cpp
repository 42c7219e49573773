#include "engine/file_identity.h"

#include <vector>

namespace vornalis {

std::optional<FileIdentity> IdentityOf(platform::FileSystem& fs, const std::string& path) {
  auto file = fs.Open(path, platform::OpenMode::kRead);
  if (!file.ok()) return std::nullopt;
  std::vector<char> buffer(std::size_t{1} << 20);
  recovery::Md5 md5;
  FileIdentity identity;
  for (;;) {
    const Result<std::size_t> read = file->ReadAt(identity.length, buffer);
    if (!read.ok()) return std::nullopt;
    if (*read == 0) break;
    md5.Update(std::span<const char>(buffer.data(), *read));
    identity.length += *read;
  }
  identity.md5 = md5.Final();
  return identity;
}

}  // namespace vornalis
