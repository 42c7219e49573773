#include "platform/read_ahead_file_system.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vornalis::platform {
namespace {

// Files read ahead are held back beyond this many, so a list of empty files cannot grow the
// queue without bound.
constexpr std::size_t kAheadFiles = 512;
// Where the caller has caught up with the thread, the thread starts again this many files
// beyond it, leaving those to the caller, so the two do not take turns at every file.
constexpr std::size_t kLeap = 32;

// A file read ahead, open for reading from memory.
class ReadAheadFile final : public File {
 public:
  ReadAheadFile(std::string path, std::unique_ptr<char[]> bytes, std::size_t size,
                const FileInfo& info)
      : path_(std::move(path)), bytes_(std::move(bytes)), size_(size), info_(info) {}

  const std::string& Path() const override { return path_; }
  Result<std::size_t> Read(std::span<char> data) override {
    const std::size_t n = CopyOut(position_, data);
    position_ += n;
    return n;
  }
  Result<std::size_t> ReadAt(std::uint64_t offset, std::span<char> data) override {
    return CopyOut(offset, data);
  }
  Status Write(std::span<const char>) override { return Status::System(EBADF, path_); }
  Status Seek(std::uint64_t offset) override {
    position_ = offset;
    return Status::Ok();
  }
  Result<std::uint64_t> Size() override { return std::uint64_t{size_}; }
  Status Close() override { return Status::Ok(); }
  Status Sync() override { return Status::Ok(); }
  Result<FileInfo> Inspect() override { return info_; }

 private:
  std::size_t CopyOut(std::uint64_t offset, std::span<char> data) const {
    if (offset >= size_) return 0;
    const std::size_t n = std::min<std::uint64_t>(data.size(), size_ - offset);
    std::memcpy(data.data(), bytes_.get() + offset, n);
    return n;
  }

  std::string path_;
  std::unique_ptr<char[]> bytes_;
  std::size_t size_;
  FileInfo info_;
  std::uint64_t position_ = 0;
};

}  // namespace

ReadAheadFileSystem::Reading ReadAheadFileSystem::Expect(
    std::size_t count, std::function<std::string(std::size_t)> path_at) {
  Stop();
  path_at_ = std::move(path_at);
  count_ = count;
  next_ = 0;
  caller_at_ = 0;
  stopping_ = false;
  thread_ = std::thread([this, count] { Run(count); });
  return Reading(*this);
}

void ReadAheadFileSystem::Stop() {
  if (!thread_.joinable()) return;
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
  ready_.clear();
  held_ = 0;
  count_ = 0;
  path_at_ = nullptr;
}

void ReadAheadFileSystem::Run(std::size_t count) {
  std::size_t i = 0;
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      thread_waiting_ = true;
      changed_.wait(lock, [this] {
        return stopping_ || (held_ < kAheadBytes && ready_.size() < kAheadFiles);
      });
      thread_waiting_ = false;
      // Without a lead over the caller (it opened the file before this one, or a later one),
      // both would read the same files: go on further ahead.
      if (caller_at_ > 0 && i <= caller_at_) i = caller_at_ + kLeap;
      if (stopping_ || i >= count) break;
    }
    Ahead ahead = ReadWhole(path_at_(i));
    ahead.index = i++;
    const std::lock_guard lock(mutex_);
    held_ += ahead.size;
    ready_.push_back(std::move(ahead));
  }
}

ReadAheadFileSystem::Ahead ReadAheadFileSystem::ReadWhole(const std::string& path) {
  Ahead ahead;
  Result<std::unique_ptr<File>> opened = base_.Open(path, OpenMode::kRead);
  if (!opened.ok()) return ahead;
  File& file = *opened;
  const Result<FileInfo> info = file.Inspect();
  if (!info.ok() || info->kind != FileInfo::Kind::kRegular || info->size > kSmallFile) return ahead;
  // As many bytes as the file had when opened, as the caller would read; a file that has
  // shrunk since is left to the caller, who then says it ended early.
  const std::size_t size = info->size;
  std::unique_ptr<char[]> bytes = std::make_unique_for_overwrite<char[]>(size);
  const Result<std::size_t> got = file.Read({bytes.get(), size});
  if (!got.ok() || *got != size || !file.Close().ok()) return ahead;
  ahead.read = true;
  ahead.bytes = std::move(bytes);
  ahead.size = size;
  ahead.info = *info;
  return ahead;
}

Result<std::unique_ptr<File>> ReadAheadFileSystem::Open(const std::string& path, OpenMode mode) {
  if (mode != OpenMode::kRead || !thread_.joinable()) return base_.Open(path, mode);
  const std::size_t end = std::min(count_, next_ + kLookAhead);
  std::size_t index = next_;
  while (index < end && path_at_(index) != path) ++index;
  if (index == end) return base_.Open(path, mode);

  // Files expected before this one were left out by the caller: their bytes are dropped. One
  // that the thread has not read (or is reading now) is opened here, and the thread leaps ahead:
  // waiting for it would make the two threads take turns.
  Ahead taken;
  bool wake = false;
  {
    const std::lock_guard lock(mutex_);
    caller_at_ = index + 1;
    while (!ready_.empty() && ready_.front().index < index) {
      held_ -= ready_.front().size;
      ready_.pop_front();
    }
    if (!ready_.empty() && ready_.front().index == index) {
      taken = std::move(ready_.front());
      held_ -= taken.size;
      ready_.pop_front();
    }
    // A thread held back by a full queue goes on once half of it is taken, not at every file.
    wake = thread_waiting_ && held_ <= kAheadBytes / 2 && ready_.size() <= kAheadFiles / 2;
  }
  if (wake) changed_.notify_one();
  next_ = index + 1;
  if (!taken.read) return base_.Open(path, mode);
  return std::unique_ptr<File>(
      std::make_unique<ReadAheadFile>(path, std::move(taken.bytes), taken.size, taken.info));
}

}  // namespace vornalis::platform
