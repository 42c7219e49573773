// The real file system on POSIX systems. Copies between two real files are left to the kernel
// (copy_file_range) where it can do them, so no bytes pass through user memory; otherwise they
// go through the caller's buffer.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "platform/file_system.h"
#include "platform/path.h"

namespace vornalis::platform {
namespace {

class PosixFile final : public File {
 public:
  // size is the length seen at opening, or -1 when unknown.
  PosixFile(std::string path, int fd, std::int64_t size = -1)
      : path_(std::move(path)), fd_(fd), known_size_(size) {}
  ~PosixFile() override {
    if (fd_ >= 0) ::close(fd_);
  }

  const std::string& Path() const override { return path_; }
  int fd() const { return fd_; }

  IoResult Read(std::span<char> data) override {
    IoResult result;
    while (result.count < data.size()) {
      const ssize_t n = ::read(fd_, data.data() + result.count, data.size() - result.count);
      if (n < 0) {
        if (errno == EINTR) continue;
        result.error = errno;
        break;
      }
      if (n == 0) break;
      result.count += static_cast<std::size_t>(n);
    }
    return result;
  }

  IoResult Write(std::span<const char> data) override {
    IoResult result;
    while (result.count < data.size()) {
      const ssize_t n = ::write(fd_, data.data() + result.count, data.size() - result.count);
      if (n < 0) {
        if (errno == EINTR) continue;
        result.error = errno;
        break;
      }
      if (n == 0) {
        result.error = ENOSPC;
        break;
      }
      result.count += static_cast<std::size_t>(n);
    }
    return result;
  }

  int Seek(std::uint64_t offset) override {
    return ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0 ? errno : 0;
  }

  std::int64_t Size(int* error) override {
    if (known_size_ >= 0) return known_size_;
    struct stat st;
    if (::fstat(fd_, &st) != 0) {
      *error = errno;
      return -1;
    }
    return st.st_size;
  }

  int Close() override {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) != 0 ? errno : 0;
  }

 private:
  std::string path_;
  int fd_;
  std::int64_t known_size_;  // files opened for reading only: their length at opening
};

class PosixFileSystem final : public FileSystem {
 public:
  std::unique_ptr<File> Open(const std::string& path, OpenMode mode, int* error) override {
    int flags = O_CLOEXEC;
    switch (mode) {
      case OpenMode::kRead:
        flags |= O_RDONLY;
        break;
      case OpenMode::kUpdate:
        flags |= O_RDWR;
        break;
      case OpenMode::kCreate:
        flags |= O_RDWR | O_CREAT | O_TRUNC;
        break;
    }
    int fd;
    do {
      fd = ::open(path.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
      *error = errno;
      return nullptr;
    }
    if (mode != OpenMode::kRead) return std::make_unique<PosixFile>(path, fd);
    // Opening a folder for reading succeeds on POSIX; callers expect a file. The length seen
    // here is kept, as readers ask for it next.
    struct stat st;
    if (::fstat(fd, &st) != 0) return std::make_unique<PosixFile>(path, fd);
    if (S_ISDIR(st.st_mode)) {
      ::close(fd);
      *error = EISDIR;
      return nullptr;
    }
    return std::make_unique<PosixFile>(path, fd, S_ISREG(st.st_mode) ? st.st_size : -1);
  }

  int Remove(const std::string& path) override { return ::unlink(path.c_str()) != 0 ? errno : 0; }

  int Rename(const std::string& from, const std::string& to) override {
    return ::rename(from.c_str(), to.c_str()) != 0 ? errno : 0;
  }

  int CreateDirectory(const std::string& path) override {
    if (::mkdir(path.c_str(), 0777) == 0) return 0;
    const int error = errno;
    return (error == EEXIST && IsDirectory(path)) ? 0 : error;
  }

  bool IsDirectory(const std::string& path) override {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }

  bool Exists(const std::string& path) override {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
  }

  int ListDirectory(const std::string& path, std::vector<DirEntry>* entries) override {
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr) return errno;
    const std::string prefix = WithSeparator(path);
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
      DirEntry item{entry->d_name, entry->d_type == DT_DIR, entry->d_type == DT_LNK};
      if (item.name == "." || item.name == "..") continue;
      if (entry->d_type == DT_UNKNOWN) {
        struct stat st;
        item.is_link = ::lstat((prefix + item.name).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
        item.is_directory = !item.is_link && S_ISDIR(st.st_mode);
      }
      if (item.is_link) item.is_directory = IsDirectory(prefix + item.name);
      entries->push_back(std::move(item));
      errno = 0;
    }
    const int error = errno;
    ::closedir(dir);
    return error;
  }

  std::unique_ptr<File> CreateUniqueFile(const std::string& folder, const std::string& prefix,
                                         int* error) override {
    // Like mkstemp, but with the usual permissions (0666 less the umask) rather than 0600, since
    // such a file may become a file of the user's set.
    static constexpr char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    // Names need only be unlikely to clash, as O_EXCL makes the creation safe: a simple
    // generator seeded from the clock and the process is enough.
    static std::uint64_t state =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (static_cast<std::uint64_t>(::getpid()) << 32);
    const std::string stem = WithSeparator(folder) + prefix;
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string path = stem;
      for (int i = 0; i < 6; ++i) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        path += kLetters[(state >> 33) % (sizeof(kLetters) - 1)];
      }
      const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd >= 0) return std::make_unique<PosixFile>(std::move(path), fd);
      if (errno != EEXIST) break;
    }
    *error = errno;
    return nullptr;
  }

  int CopyPermissions(const std::string& from, const std::string& to) override {
    struct stat st;
    if (::stat(from.c_str(), &st) != 0) return errno;
    return ::chmod(to.c_str(), st.st_mode & 07777) != 0 ? errno : 0;
  }

  std::string TempFolder() override {
    const char* tmp = std::getenv("TMPDIR");
    return WithSeparator(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp");
  }

  CopyResult Copy(File& src, File& dst, std::uint64_t n, std::span<char> buffer) override {
    auto* from = dynamic_cast<PosixFile*>(&src);
    auto* to = dynamic_cast<PosixFile*>(&dst);
    if (from == nullptr || to == nullptr || !kernel_copy_works_)
      return FileSystem::Copy(src, dst, n, buffer);
    CopyResult result;
    while (result.copied < n) {
      const std::uint64_t want = n - result.copied;
      const ssize_t got =
          ::copy_file_range(from->fd(), nullptr, to->fd(), nullptr,
                            static_cast<std::size_t>(std::min<std::uint64_t>(want, 1u << 30)), 0);
      if (got > 0) {
        result.copied += static_cast<std::uint64_t>(got);
        continue;
      }
      if (got == 0) {  // the source ended
        result.failure = CopyResult::Failure::kRead;
        return result;
      }
      if (errno == EINTR) continue;
      if (errno == ENOSYS || errno == EXDEV || errno == EINVAL || errno == EOPNOTSUPP ||
          errno == EBADF || errno == EPERM) {
        // This pair of files (or this kernel) cannot copy in the kernel: go on with the buffer.
        if (errno == ENOSYS) kernel_copy_works_ = false;
        CopyResult rest = FileSystem::Copy(src, dst, n - result.copied, buffer);
        rest.copied += result.copied;
        return rest;
      }
      // Whether the source or the target failed is not told by the call: ENOSPC, EFBIG and
      // EDQUOT belong to the target, everything else is taken as the source's.
      const int error = errno;
      result.error = error;
      result.failure = (error == ENOSPC || error == EFBIG || error == EDQUOT)
                           ? CopyResult::Failure::kWrite
                           : CopyResult::Failure::kRead;
      return result;
    }
    return result;
  }

 private:
  bool kernel_copy_works_ = true;
};

}  // namespace

FileSystem& RealFileSystem() {
  static PosixFileSystem file_system;
  return file_system;
}

std::string ErrorText(int error) { return std::strerror(error); }

}  // namespace vornalis::platform
