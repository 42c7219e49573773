#include "platform/file_system.h"

#include <algorithm>

#include "platform/path.h"

namespace vornalis::platform {

Status FileSystem::Copy(File& src, File& dst, std::uint64_t n, std::span<char> buffer) {
  return CopyThroughBuffer(src, dst, n, buffer);
}

Status CopyThroughBuffer(File& src, File& dst, std::uint64_t n, std::span<char> buffer) {
  std::uint64_t copied = 0;
  while (copied < n) {
    const auto chunk = static_cast<std::size_t>(std::min<std::uint64_t>(n - copied, buffer.size()));
    const Result<std::size_t> read = src.Read(buffer.first(chunk));
    if (!read.ok()) return read.status();
    if (*read > 0) {
      if (Status written = dst.Write(buffer.first(*read)); !written.ok()) return written;
      copied += *read;
    }
    if (*read < chunk) return Status::System(kEndedEarly, src.Path());
  }
  return Status::Ok();
}

Status FileSystem::SyncFiles(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    Result<std::unique_ptr<File>> file = Open(path, OpenMode::kRead);
    if (!file.ok()) return file.status();
    if (Status synced = file->Sync(); !synced.ok()) return synced;
  }
  return Status::Ok();
}

bool FileSystem::IgnoresCase(const std::string& folder, const std::vector<DirEntry>& entries) {
  for (const DirEntry& entry : entries) {
    std::string turned = entry.name;
    for (char& c : turned)
      if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) c = static_cast<char>(c ^ 0x20);
    if (turned == entry.name) continue;
    // Both spellings listed: two files.
    for (const DirEntry& other : entries)
      if (other.name == turned) return false;
    return Inspect(folder + turned).ok();
  }
  return false;
}

Status FileSystem::CreateDirectories(const std::string& folder) {
  if (folder.empty() || IsDirectory(folder)) return Status::Ok();
  Status status;
  for (std::size_t end = 1; end <= folder.size(); ++end) {
    end = std::min(folder.find_first_of(kSeparators, end), folder.size());
    const std::string level = folder.substr(0, end);
    if (!IsDirectory(level)) status = CreateDirectory(level);
  }
  return status;
}

}  // namespace vornalis::platform
