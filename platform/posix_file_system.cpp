// The real file system on POSIX systems. Copies between two real files are left to the kernel
// (copy_file_range) where it can do them, so no bytes pass through user memory; otherwise they
// go through the caller's buffer.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "platform/file_system.h"
#include "platform/path.h"
#include "platform/unique_name.h"

namespace vornalis::platform {
namespace {

// The failure of the system call just made on path.
Status Failed(const std::string& path) { return Status::System(errno, path); }

FileInfo InfoOf(const struct stat& st) {
  FileInfo info;
  info.kind = S_ISREG(st.st_mode)   ? FileInfo::Kind::kRegular
              : S_ISDIR(st.st_mode) ? FileInfo::Kind::kDirectory
              : S_ISLNK(st.st_mode) ? FileInfo::Kind::kLink
                                    : FileInfo::Kind::kOther;
  info.size = static_cast<std::uint64_t>(st.st_size);
  info.device = static_cast<std::uint64_t>(st.st_dev);
  info.inode = static_cast<std::uint64_t>(st.st_ino);
  info.links = static_cast<std::uint64_t>(st.st_nlink);
  info.owner = static_cast<std::uint32_t>(st.st_uid);
  return info;
}

// The outcome of a stat call on path in the shape Inspect returns it.
Result<FileInfo> Inspected(int result, const struct stat& st, const std::string& path) {
  if (result != 0) return Failed(path);
  return InfoOf(st);
}

// Reads into data until it is full, the file ends or a call fails; call(at, n, done) reads up
// to n bytes to at, done bytes being read already.
template <typename Call>
Result<std::size_t> ReadFully(std::span<char> data, const std::string& path, Call call) {
  std::size_t count = 0;
  while (count < data.size()) {
    const ssize_t n = call(data.data() + count, data.size() - count, count);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Failed(path);
    }
    if (n == 0) break;
    count += static_cast<std::size_t>(n);
  }
  return count;
}

class PosixFile final : public File {
 public:
  // opened, when given, is what fstat told at opening of a file opened for reading.
  PosixFile(std::string path, int fd, bool unnamed = false, const struct stat* opened = nullptr)
      : path_(std::move(path)), fd_(fd), unnamed_(unnamed) {
    if (opened != nullptr) known_info_ = InfoOf(*opened);
  }
  ~PosixFile() override {
    if (fd_ >= 0) ::close(fd_);
  }

  const std::string& Path() const override { return path_; }
  int SystemHandle() const override { return fd_; }
  Status Sync() override { return ::fdatasync(fd_) != 0 ? Failed(path_) : Status::Ok(); }
  void StartWriteback() override { ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE); }
  // Made with O_TMPFILE: it has no name in its folder until linked into it.
  bool unnamed() const { return unnamed_; }

  Result<FileInfo> Inspect() override {
    if (known_info_.exists()) return known_info_;
    struct stat st;
    return Inspected(::fstat(fd_, &st), st, path_);
  }

  Result<std::size_t> Read(std::span<char> data) override {
    return ReadFully(data, path_,
                     [this](char* at, std::size_t n, std::size_t) { return ::read(fd_, at, n); });
  }

  Result<std::size_t> ReadAt(std::uint64_t offset, std::span<char> data) override {
    return ReadFully(data, path_, [this, offset](char* at, std::size_t n, std::size_t done) {
      return ::pread(fd_, at, n, static_cast<off_t>(offset + done));
    });
  }

  Status Write(std::span<const char> data) override {
    std::size_t count = 0;
    while (count < data.size()) {
      const ssize_t n = ::write(fd_, data.data() + count, data.size() - count);
      if (n < 0) {
        if (errno == EINTR) continue;
        return Failed(path_);
      }
      if (n == 0) return Status::System(ENOSPC, path_);
      count += static_cast<std::size_t>(n);
    }
    return Status::Ok();
  }

  Status Seek(std::uint64_t offset) override {
    return ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0 ? Failed(path_) : Status::Ok();
  }

  Result<std::uint64_t> Size() override {
    // A file opened for reading keeps the length it had then, as readers ask for it next.
    if (known_info_.exists()) return known_info_.size;
    struct stat st;
    if (::fstat(fd_, &st) != 0) return Failed(path_);
    return static_cast<std::uint64_t>(st.st_size);
  }

  Status Close() override {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) != 0 ? Failed(path_) : Status::Ok();
  }

 private:
  std::string path_;
  int fd_;
  bool unnamed_;
  FileInfo known_info_;  // files opened for reading only: what fstat told at opening
};

// Creates a new file named directory_path + UniqueName(prefix), relative to dir_fd. Like mkstemp,
// but with the usual permissions (0666 less the umask) rather than 0600, since such a file may
// become a file of the user's set or a rebuilt file.
Result<std::unique_ptr<File>> CreateUniqueAt(int dir_fd, const std::string& directory_path,
                                             const std::string& prefix) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = UniqueName(prefix);
    // With dir_fd AT_FDCWD the name is taken with its folder; otherwise relative to dir_fd.
    const std::string full = directory_path + name;
    const int fd = ::openat(dir_fd, dir_fd == AT_FDCWD ? full.c_str() : name.c_str(),
                            O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0) return std::unique_ptr<File>(std::make_unique<PosixFile>(full, fd));
    if (errno != EEXIST) break;
  }
  return Failed(directory_path + prefix);
}

class PosixDirectory final : public Directory {
 public:
  PosixDirectory(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}
  ~PosixDirectory() override { ::close(fd_); }

  const std::string& Path() const override { return path_; }

  Result<std::unique_ptr<Directory>> OpenChild(const std::string& name, bool create) override {
    constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    int fd = ::openat(fd_, name.c_str(), kFlags);
    if (fd < 0 && errno == ENOENT && create) {
      if (::mkdirat(fd_, name.c_str(), 0777) != 0 && errno != EEXIST) return Failed(path_ + name);
      fd = ::openat(fd_, name.c_str(), kFlags);
    }
    if (fd < 0) {
      // O_NOFOLLOW gives ELOOP for a link, O_DIRECTORY ENOTDIR for a link on some systems and
      // for any other entry: tell a link apart, as the caller names it as such.
      int error = errno;
      struct stat st;
      if (error == ENOTDIR && ::fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
          S_ISLNK(st.st_mode))
        error = ELOOP;
      return Status::System(error, path_ + name);
    }
    return std::unique_ptr<Directory>(
        std::make_unique<PosixDirectory>(path_ + name + kSeparator, fd));
  }

  Result<std::unique_ptr<File>> CreateUniqueFile(const std::string& prefix) override {
    return CreateUniqueAt(fd_, path_, prefix);
  }

  Status Rename(const std::string& from, const std::string& to) override {
    return ::renameat(fd_, from.c_str(), fd_, to.c_str()) != 0 ? Failed(path_ + to) : Status::Ok();
  }

  Status Remove(const std::string& name) override {
    return ::unlinkat(fd_, name.c_str(), 0) != 0 ? Failed(path_ + name) : Status::Ok();
  }

  Result<FileInfo> Inspect(const std::string& name) override {
    struct stat st;
    return Inspected(::fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW), st, path_ + name);
  }

  Result<std::unique_ptr<File>> CreateNewFile(const std::string& temp_prefix) override {
    temp_prefix_ = temp_prefix;
    if (unnamed_files_) {
      const int fd = ::openat(fd_, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
      if (fd >= 0) return std::unique_ptr<File>(std::make_unique<PosixFile>(path_, fd, true));
      // Folders on file systems without unnamed files say so in one of these ways.
      if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return Failed(path_);
      unnamed_files_ = false;
    }
    return CreateUniqueAt(fd_, path_, temp_prefix);
  }

  Status Publish(std::unique_ptr<File>& file, const std::string& name, Replace replace) override {
    auto& posix = static_cast<PosixFile&>(*file);
    const std::string path = path_ + name;
    if (!posix.unnamed()) {
      // A named temporary file: renamed, or with kNever linked under the name (which fails on a
      // taken name) and then removed under its temporary name.
      const std::string temp = FileNameOf(posix.Path());
      Status status;
      if (replace == Replace::kNever) {
        if (::linkat(fd_, temp.c_str(), fd_, name.c_str(), 0) != 0) {
          if (errno == EEXIST) return Failed(path);
          status = Failed(path);
        } else {
          (void)Remove(temp);
          if (!(status = posix.Close()).ok()) (void)Remove(name);
          file.reset();
          return status;
        }
      } else {
        status = posix.Close();
        if (status.ok()) status = Rename(temp, name);
      }
      if (!status.ok()) (void)Remove(temp);
      file.reset();
      return status;
    }
    // An unnamed file is linked in by its /proc path, which needs no privileges. When the name
    // is taken, it is linked under a temporary name first and renamed over the old entry.
    const std::string proc = "/proc/self/fd/" + std::to_string(posix.SystemHandle());
    if (::linkat(AT_FDCWD, proc.c_str(), fd_, name.c_str(), AT_SYMLINK_FOLLOW) != 0) {
      if (errno == EEXIST && replace == Replace::kNever) return Failed(path);
      Status status = errno == EEXIST ? LinkUnderTemporaryName(proc, name) : Failed(path);
      if (!status.ok()) {
        file.reset();
        return status;
      }
    }
    Status status = posix.Close();
    if (!status.ok()) (void)Remove(name);
    file.reset();
    return status;
  }

  void Discard(std::unique_ptr<File> file) override {
    auto& posix = static_cast<PosixFile&>(*file);
    const std::string temp = posix.unnamed() ? std::string() : FileNameOf(posix.Path());
    file.reset();
    if (!temp.empty()) (void)Remove(temp);
  }

 private:
  Status LinkUnderTemporaryName(const std::string& proc, const std::string& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::string temp = UniqueName(temp_prefix_);
      if (::linkat(AT_FDCWD, proc.c_str(), fd_, temp.c_str(), AT_SYMLINK_FOLLOW) != 0) {
        if (errno == EEXIST) continue;
        return Failed(path_ + name);
      }
      Status status = Rename(temp, name);
      if (!status.ok()) (void)Remove(temp);
      return status;
    }
    return Status::System(EEXIST, path_ + name);
  }

  bool unnamed_files_ = true;
  std::string temp_prefix_;
  std::string path_;
  int fd_;
};

// Holds the lock of a lock file; removes the file before letting the lock go, so a process that
// opens the name afterwards locks a new file.
class PosixLock final : public Lock {
 public:
  PosixLock(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}
  ~PosixLock() override {
    // Removed only while the name still leads to the file locked.
    struct stat held, named;
    if (::fstat(fd_, &held) == 0 && ::lstat(path_.c_str(), &named) == 0 &&
        held.st_dev == named.st_dev && held.st_ino == named.st_ino)
      ::unlink(path_.c_str());
    ::close(fd_);
  }

 private:
  std::string path_;
  int fd_;
};

class PosixFileSystem final : public FileSystem {
 public:
  Result<std::unique_ptr<File>> Open(const std::string& path, OpenMode mode) override {
    // O_NONBLOCK keeps a FIFO at this path from blocking the open; it is refused below, as is
    // every other entry that is not a regular file. Regular files ignore the flag. Files that
    // are written are never reached through a link, and are truncated only once they are known
    // to be regular files.
    int flags = O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    switch (mode) {
      case OpenMode::kRead:
        flags |= O_RDONLY;
        break;
      case OpenMode::kUpdate:
        flags |= O_RDWR | O_NOFOLLOW;
        break;
      case OpenMode::kCreate:
        flags |= O_RDWR | O_CREAT | O_NOFOLLOW;
        break;
      case OpenMode::kCreateNew:
        flags |= O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW;
        break;
    }
    int fd;
    do {
      fd = ::open(path.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return Failed(path);
    struct stat st;
    if (::fstat(fd, &st) != 0) {
      Status status = Failed(path);
      ::close(fd);
      return status;
    }
    if (!S_ISREG(st.st_mode)) {
      ::close(fd);
      return Status::System(S_ISDIR(st.st_mode) ? EISDIR : kNotRegularFile, path);
    }
    if (mode == OpenMode::kCreate && st.st_size > 0 && ::ftruncate(fd, 0) != 0) {
      Status status = Failed(path);
      ::close(fd);
      return status;
    }
    // What fstat told is kept for files opened for reading, as readers ask for it next.
    if (mode == OpenMode::kRead)
      return std::unique_ptr<File>(std::make_unique<PosixFile>(path, fd, false, &st));
    return std::unique_ptr<File>(std::make_unique<PosixFile>(path, fd));
  }

  Result<std::unique_ptr<Lock>> LockFile(const std::string& path) override {
    // The lock file may be removed by a holder that releases it just as it is opened here, so
    // the lock counts only when the name still leads to the file that was locked.
    for (int attempt = 0; attempt < 100; ++attempt) {
      const int fd =
          ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
      if (fd < 0) return Failed(path);
      // Windows programs under Wine lock with record locks, which flock does not see: the first
      // byte is locked that way too, as a lock of the open file (like flock's, not the process's).
      struct flock record {};
      record.l_type = F_WRLCK;
      record.l_whence = SEEK_SET;
      record.l_len = 1;
      if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::fcntl(fd, F_OFD_SETLK, &record) != 0) {
        const int error =
            errno == EINTR || errno == EAGAIN || errno == EACCES ? EWOULDBLOCK : errno;
        ::close(fd);
        return Status::System(error, path);
      }
      struct stat held, named;
      if (::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
          held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
        // A lock file is empty, this user's and has this one name; anything else is someone's
        // file that happens to have the name.
        if (!S_ISREG(held.st_mode) || held.st_size != 0 || held.st_nlink != 1 ||
            held.st_uid != ::geteuid()) {
          ::close(fd);
          return Status::System(kNotALockFile, path);
        }
        return std::unique_ptr<Lock>(std::make_unique<PosixLock>(path, fd));
      }
      ::close(fd);
    }
    return Status::System(EWOULDBLOCK, path);
  }

  Status SyncFiles(const std::vector<std::string>& paths) override {
    // The files' data went on its way as each was finished (File::StartWriteback); one syncfs
    // per file system waits for all of it and flushes the device's cache once, where fdatasync
    // on each file would flush that cache once per file. Which file system holds a file is told
    // by lstat, so only one file of each is opened. It waits for other programs' data on
    // that file system as well, as sync does. Like fdatasync on a newly opened descriptor, it
    // reports a writeback error that nobody has seen yet.
    std::vector<dev_t> synced;
    for (const std::string& path : paths) {
      struct stat info {};
      if (::lstat(path.c_str(), &info) != 0) return Failed(path);
      // Whatever took a file's name since it was written is not flushed in its place: a link is
      // never taken for the file it points to, and a FIFO is never opened (it would block).
      if (S_ISLNK(info.st_mode)) return Status::System(ELOOP, path);
      if (!S_ISREG(info.st_mode)) return Status::System(kNotRegularFile, path);
      if (std::find(synced.begin(), synced.end(), info.st_dev) != synced.end()) continue;
      const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
      if (fd < 0) return Failed(path);
      const Status status = ::syncfs(fd) != 0 ? Failed(path) : Status::Ok();
      ::close(fd);
      if (!status.ok()) return status;
      synced.push_back(info.st_dev);
    }
    return Status::Ok();
  }

  Status SyncFolderEntries(const std::string& folder) override {
    const std::string path = folder.empty() ? "." : folder;
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return Failed(path);
    Status status = ::fsync(fd) != 0 && errno != EINVAL ? Failed(path) : Status::Ok();
    ::close(fd);
    return status;
  }

  Result<std::unique_ptr<Directory>> OpenDirectory(const std::string& path) override {
    int fd;
    do {
      fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return Failed(path);
    return std::unique_ptr<Directory>(std::make_unique<PosixDirectory>(WithSeparator(path), fd));
  }

  Status Remove(const std::string& path) override {
    return ::unlink(path.c_str()) != 0 ? Failed(path) : Status::Ok();
  }

  Status Rename(const std::string& from, const std::string& to) override {
    return ::rename(from.c_str(), to.c_str()) != 0 ? Failed(to) : Status::Ok();
  }

  Status CreateDirectory(const std::string& path) override {
    if (::mkdir(path.c_str(), 0777) == 0) return Status::Ok();
    Status status = Failed(path);
    return (status.error == EEXIST && IsDirectory(path)) ? Status::Ok() : status;
  }

  bool IsDirectory(const std::string& path) override {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }

  bool IsRegularFile(const std::string& path) override {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  }

  bool Exists(const std::string& path) override {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
  }

  Result<FileInfo> Inspect(const std::string& path, bool follow_links) override {
    struct stat st;
    const int result = follow_links ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
    return Inspected(result, st, path);
  }

  Result<std::vector<DirEntry>> ListDirectory(const std::string& path) override {
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr) return Failed(path);
    const std::string prefix = WithSeparator(path);
    std::vector<DirEntry> entries;
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
      DirEntry item{entry->d_name, entry->d_type == DT_DIR, entry->d_type == DT_LNK,
                    entry->d_type == DT_REG};
      if (item.name == "." || item.name == "..") continue;
      if (entry->d_type == DT_UNKNOWN) {
        struct stat st;
        if (::lstat((prefix + item.name).c_str(), &st) == 0) {
          item.is_link = S_ISLNK(st.st_mode);
          item.is_directory = S_ISDIR(st.st_mode);
          item.is_regular = S_ISREG(st.st_mode);
        }
      }
      if (item.is_link) {
        // A link stands for what it leads to.
        struct stat st;
        const bool found = ::stat((prefix + item.name).c_str(), &st) == 0;
        item.is_directory = found && S_ISDIR(st.st_mode);
        item.is_regular = found && S_ISREG(st.st_mode);
      }
      entries.push_back(std::move(item));
      errno = 0;
    }
    const int error = errno;
    ::closedir(dir);
    if (error != 0) return Status::System(error, path);
    return entries;
  }

  Result<std::unique_ptr<File>> CreateUniqueFile(const std::string& folder,
                                                 const std::string& prefix) override {
    return CreateUniqueAt(AT_FDCWD, WithSeparator(folder), prefix);
  }

  Status CopyPermissions(const std::string& from, const std::string& to) override {
    struct stat st;
    if (::stat(from.c_str(), &st) != 0) return Failed(from);
    return ::chmod(to.c_str(), st.st_mode & 07777) != 0 ? Failed(to) : Status::Ok();
  }

  std::string TempFolder() override {
    const char* tmp = std::getenv("TMPDIR");
    return WithSeparator(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp");
  }

  Status Copy(File& src, File& dst, std::uint64_t n, std::span<char> buffer) override {
    const int from = src.SystemHandle();
    const int to = dst.SystemHandle();
    // A short copy costs less as one read and one write than as the kernel's copy, which sets
    // up a pipe for every call on file systems that have no copy of their own (ext4).
    if (from < 0 || to < 0 || n < kKernelCopyMin ||
        !kernel_copy_works_.load(std::memory_order_relaxed))
      return FileSystem::Copy(src, dst, n, buffer);
    std::uint64_t copied = 0;
    while (copied < n) {
      const std::uint64_t want = n - copied;
      const ssize_t got =
          ::copy_file_range(from, nullptr, to, nullptr,
                            static_cast<std::size_t>(std::min<std::uint64_t>(want, 1u << 30)), 0);
      if (got > 0) {
        copied += static_cast<std::uint64_t>(got);
        continue;
      }
      if (got == 0) return Status::System(kEndedEarly, src.Path());
      if (errno == EINTR) continue;
      if (errno == ENOSYS || errno == EXDEV || errno == EINVAL || errno == EOPNOTSUPP ||
          errno == EBADF || errno == EPERM) {
        // This pair of files (or this kernel) cannot copy in the kernel: go on with the buffer.
        if (errno == ENOSYS) kernel_copy_works_.store(false, std::memory_order_relaxed);
        return FileSystem::Copy(src, dst, n - copied, buffer);
      }
      // Whether the source or the target failed is not told by the call: ENOSPC, EFBIG and
      // EDQUOT belong to the target, everything else is taken as the source's.
      const int error = errno;
      const bool target = error == ENOSPC || error == EFBIG || error == EDQUOT;
      return Status::System(error, target ? dst.Path() : src.Path());
    }
    return Status::Ok();
  }

 private:
  static constexpr std::uint64_t kKernelCopyMin = 64 * 1024;
  // Shared by every thread that copies through the process's file system.
  std::atomic<bool> kernel_copy_works_{true};
};

}  // namespace

std::uint32_t CurrentUser() { return static_cast<std::uint32_t>(::geteuid()); }

FileSystem& RealFileSystem() {
  static PosixFileSystem file_system;
  return file_system;
}

std::string ErrorText(int error) {
  if (error == kNotRegularFile) return "Not a regular file";
  if (error == kNotALockFile) return "Not a lock file of this program";
  if (error == kEndedEarly) return "The file ended early";
  // strerror's text may live in a buffer that another thread's call overwrites; strerror_r
  // writes into ours. GNU's form returns the text (maybe not in buf), the POSIX one fills buf.
  char buf[256] = "";
  const auto text = [&buf](auto result) -> std::string {
    if constexpr (std::is_same_v<decltype(result), char*>) {
      return result;
    } else {
      return result == 0 ? buf : "Unknown error";
    }
  };
  return text(strerror_r(error, buf, sizeof buf));
}

}  // namespace vornalis::platform
