// ForwardingFileSystem: a FileSystem that passes every operation to another, so that a wrapper
// overrides only the operations it changes.
#pragma once

#include "platform/file_system.h"

namespace vornalis::platform {

class ForwardingFileSystem : public FileSystem {
 public:
  explicit ForwardingFileSystem(FileSystem& base) : base_(base) {}

  Result<std::unique_ptr<File>> Open(const std::string& path, OpenMode mode) override {
    return base_.Open(path, mode);
  }
  Status Remove(const std::string& path) override { return base_.Remove(path); }
  Status Rename(const std::string& from, const std::string& to) override {
    return base_.Rename(from, to);
  }
  Status CreateDirectory(const std::string& path) override { return base_.CreateDirectory(path); }
  bool IsDirectory(const std::string& path) override { return base_.IsDirectory(path); }
  bool IsRegularFile(const std::string& path) override { return base_.IsRegularFile(path); }
  bool Exists(const std::string& path) override { return base_.Exists(path); }
  Result<FileInfo> Inspect(const std::string& path, bool follow_links) override {
    return base_.Inspect(path, follow_links);
  }
  Result<std::unique_ptr<Directory>> OpenDirectory(const std::string& path) override {
    return base_.OpenDirectory(path);
  }
  Result<std::vector<DirEntry>> ListDirectory(const std::string& path) override {
    return base_.ListDirectory(path);
  }
  Result<std::unique_ptr<File>> CreateUniqueFile(const std::string& folder,
                                                 const std::string& prefix) override {
    return base_.CreateUniqueFile(folder, prefix);
  }
  Result<std::unique_ptr<Lock>> LockFile(const std::string& path) override {
    return base_.LockFile(path);
  }
  Status SyncFolderEntries(const std::string& folder) override {
    return base_.SyncFolderEntries(folder);
  }
  std::string TempFolder() override { return base_.TempFolder(); }
  Status CopyPermissions(const std::string& from, const std::string& to) override {
    return base_.CopyPermissions(from, to);
  }
  Status SyncFiles(const std::vector<std::string>& paths) override {
    return base_.SyncFiles(paths);
  }
  Status Copy(File& src, File& dst, std::uint64_t n, std::span<char> buffer) override {
    return base_.Copy(src, dst, n, buffer);
  }

 protected:
  FileSystem& base_;
};

}  // namespace vornalis::platform
