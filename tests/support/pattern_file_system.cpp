#include "tests/support/pattern_file_system.h"

#include <algorithm>
#include <vector>

#include "platform/endian.h"
#include "platform/path.h"

namespace vornalis::testing {
namespace {

// Word i of the pattern (bytes 8i to 8i + 7, little-endian) is i times an odd number, which
// has an inverse modulo 2^64: any eight bytes of the pattern at a word's start give i back.
constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
constexpr std::uint64_t Inverse(std::uint64_t odd) {
  std::uint64_t inverse = odd;  // right in the lowest 3 bits; each step doubles that
  for (int i = 0; i < 5; ++i) inverse *= 2 - odd * inverse;
  return inverse;
}
constexpr std::uint64_t kInverse = Inverse(kMultiplier);
static_assert(kMultiplier * kInverse == 1);

// Writes shorter than this are kept as they are.
constexpr std::size_t kMinRun = 64;
// HoldsPattern reads at most this many bytes outside runs.
constexpr std::uint64_t kMostReadOutsideRuns = 64u << 20;

std::uint64_t Word(std::uint64_t index) { return index * kMultiplier; }

// Whether data is the pattern from position start.
bool Matches(std::span<const char> data, std::uint64_t start) {
  std::size_t i = 0;
  for (; i < data.size() && (start + i) % 8 != 0; ++i)
    if (data[i] != PatternFileSystem::PatternByte(start + i)) return false;
  for (; i + 8 <= data.size(); i += 8)
    if (ReadU64(data.data() + i) != Word((start + i) / 8)) return false;
  for (; i < data.size(); ++i)
    if (data[i] != PatternFileSystem::PatternByte(start + i)) return false;
  return true;
}

// Whether data is a piece of the pattern, and the position it starts at.
bool FindInPattern(std::span<const char> data, std::uint64_t* start) {
  for (std::size_t shift = 0; shift < 8 && shift + 8 <= data.size(); ++shift) {
    const std::uint64_t index = ReadU64(data.data() + shift) * kInverse;
    if (index >= (std::uint64_t{1} << 61) || index * 8 < shift) continue;
    *start = index * 8 - shift;
    if (Matches(data, *start)) return true;
  }
  return false;
}

void Fill(std::span<char> data, std::uint64_t start) {
  std::size_t i = 0;
  for (; i < data.size() && (start + i) % 8 != 0; ++i)
    data[i] = PatternFileSystem::PatternByte(start + i);
  for (; i + 8 <= data.size(); i += 8) {
    const std::uint64_t word = Word((start + i) / 8);
    for (int b = 0; b < 8; ++b) data[i + b] = static_cast<char>(word >> (8 * b));
  }
  for (; i < data.size(); ++i) data[i] = PatternFileSystem::PatternByte(start + i);
}

Result<PatternFileSystem::FileKey> KeyOf(platform::File& file) {
  const Result<platform::FileInfo> info = file.Inspect();
  if (!info.ok()) return info.status();
  return PatternFileSystem::FileKey{info->device, info->inode};
}

class PatternFile final : public platform::File {
 public:
  PatternFile(PatternFileSystem& owner, std::unique_ptr<platform::File> base,
              PatternFileSystem::FileKey key)
      : owner_(owner), base_(std::move(base)), key_(key) {}

  const std::string& Path() const override { return base_->Path(); }

  Result<std::size_t> Read(std::span<char> data) override {
    Result<std::size_t> read = ReadAt(position_, data);
    if (read.ok()) position_ += *read;
    return read;
  }

  Result<std::size_t> ReadAt(std::uint64_t offset, std::span<char> data) override {
    // Bytes that runs give whole are not read from the disk, where they are a hole.
    if (owner_.Covered(key_, offset, data.size())) {
      const Result<std::uint64_t> size = base_->Size();
      if (!size.ok()) return size.status();
      const std::size_t count =
          offset >= *size
              ? 0
              : static_cast<std::size_t>(std::min<std::uint64_t>(data.size(), *size - offset));
      owner_.Overlay(key_, offset, data.first(count));
      return count;
    }
    Result<std::size_t> read = base_->ReadAt(offset, data);
    if (read.ok()) owner_.Overlay(key_, offset, data.first(*read));
    return read;
  }

  Status Write(std::span<const char> data) override {
    if (data.empty()) return Status::Ok();
    const bool run = owner_.NoteWrite(key_, position_, data);
    const std::span<const char> written = run ? data.last(1) : data;
    if (Status seek = base_->Seek(position_ + data.size() - written.size()); !seek.ok())
      return seek;
    if (Status status = base_->Write(written); !status.ok()) return status;
    owner_.CountWritten(written.size());
    position_ += data.size();
    return Status::Ok();
  }

  Status Seek(std::uint64_t offset) override {
    position_ = offset;
    return Status::Ok();
  }
  Result<std::uint64_t> Size() override { return base_->Size(); }
  Status Close() override { return base_->Close(); }
  Status Sync() override { return base_->Sync(); }
  void StartWriteback() override { base_->StartWriteback(); }
  Result<platform::FileInfo> Inspect() override { return base_->Inspect(); }

  std::unique_ptr<platform::File> release() { return std::move(base_); }
  const PatternFileSystem::FileKey& key() const { return key_; }

 private:
  PatternFileSystem& owner_;
  std::unique_ptr<platform::File> base_;
  PatternFileSystem::FileKey key_;
  std::uint64_t position_ = 0;
};

// Wraps a file just made: what its inode held before is forgotten.
Result<std::unique_ptr<platform::File>> Made(PatternFileSystem& owner,
                                             Result<std::unique_ptr<platform::File>> made) {
  if (!made.ok()) return made;
  std::unique_ptr<platform::File> file = made.take();
  if (const Result<PatternFileSystem::FileKey> key = KeyOf(*file); key.ok()) owner.Forget(*key);
  return owner.Wrap(std::move(file));
}

class PatternDirectory final : public platform::Directory {
 public:
  PatternDirectory(PatternFileSystem& owner, std::unique_ptr<platform::Directory> base)
      : owner_(owner), base_(std::move(base)) {}

  const std::string& Path() const override { return base_->Path(); }

  Result<std::unique_ptr<platform::Directory>> OpenChild(const std::string& name,
                                                         bool create) override {
    auto child = base_->OpenChild(name, create);
    if (!child.ok()) return child;
    return std::unique_ptr<platform::Directory>(
        std::make_unique<PatternDirectory>(owner_, child.take()));
  }
  Result<std::unique_ptr<platform::File>> CreateUniqueFile(const std::string& prefix) override {
    return Made(owner_, base_->CreateUniqueFile(prefix));
  }
  Status Rename(const std::string& from, const std::string& to) override {
    ForgetEntry(to);
    return base_->Rename(from, to);
  }
  Status Remove(const std::string& name) override {
    ForgetEntry(name);
    return base_->Remove(name);
  }
  Result<platform::FileInfo> Inspect(const std::string& name) override {
    return base_->Inspect(name);
  }
  Result<std::unique_ptr<platform::File>> CreateNewFile(const std::string& temp_prefix) override {
    return Made(owner_, base_->CreateNewFile(temp_prefix));
  }
  Status Publish(std::unique_ptr<platform::File>& file, const std::string& name,
                 Replace replace) override {
    auto& wrapped = static_cast<PatternFile&>(*file);
    const PatternFileSystem::FileKey key = wrapped.key();
    if (replace == Replace::kAny) ForgetEntry(name, &key);
    std::unique_ptr<platform::File> base = wrapped.release();
    Status status = base_->Publish(base, name, replace);
    // A name that was taken leaves the file unpublished: it stays wrapped.
    file = base ? std::make_unique<PatternFile>(owner_, std::move(base), key) : nullptr;
    return status;
  }
  void Discard(std::unique_ptr<platform::File> file) override {
    auto& wrapped = static_cast<PatternFile&>(*file);
    owner_.Forget(wrapped.key());
    base_->Discard(wrapped.release());
  }

 private:
  // The file at name is about to lose its name (unless it is keep).
  void ForgetEntry(const std::string& name, const PatternFileSystem::FileKey* keep = nullptr) {
    const Result<platform::FileInfo> info = base_->Inspect(name);
    if (!info.ok() || info->links > 1) return;
    const PatternFileSystem::FileKey key{info->device, info->inode};
    if (keep == nullptr || key != *keep) owner_.Forget(key);
  }

  PatternFileSystem& owner_;
  std::unique_ptr<platform::Directory> base_;
};

}  // namespace

char PatternFileSystem::PatternByte(std::uint64_t position) {
  return static_cast<char>(Word(position / 8) >> (8 * (position % 8)));
}

std::unique_ptr<platform::File> PatternFileSystem::Wrap(std::unique_ptr<platform::File> file) {
  const Result<FileKey> key = KeyOf(*file);
  return std::make_unique<PatternFile>(*this, std::move(file), key.ok() ? *key : FileKey{});
}

void PatternFileSystem::Forget(const FileKey& key) {
  const std::lock_guard hold(mutex_);
  runs_.erase(key);
}

void PatternFileSystem::CountWritten(std::uint64_t bytes) {
  const std::lock_guard hold(mutex_);
  written_ += bytes;
}

std::uint64_t PatternFileSystem::BytesWritten() const {
  const std::lock_guard hold(mutex_);
  return written_;
}

bool PatternFileSystem::NoteWrite(const FileKey& key, std::uint64_t at,
                                  std::span<const char> data) {
  std::uint64_t pattern = 0;
  const bool in_pattern = data.size() >= kMinRun && FindInPattern(data, &pattern);
  const std::lock_guard hold(mutex_);
  std::map<std::uint64_t, Run>& runs = runs_[key];
  const std::uint64_t end = at + data.size();
  // Runs the write covers lose what it covers.
  auto it = runs.lower_bound(at);
  if (it != runs.begin() && std::prev(it)->first + std::prev(it)->second.length > at) --it;
  while (it != runs.end() && it->first < end) {
    const std::uint64_t start = it->first;
    const Run run = it->second;
    it = runs.erase(it);
    if (start < at) runs[start] = {at - start, run.pattern};
    if (start + run.length > end)
      runs[end] = {start + run.length - end, run.pattern + (end - start)};
  }
  if (!in_pattern) return false;
  Run run{data.size(), pattern};
  std::uint64_t start = at;
  // A run that goes on where the one before ended joins it, so a file copied chunk by chunk is
  // one run.
  it = runs.lower_bound(at);
  if (it != runs.begin()) {
    auto before = std::prev(it);
    if (before->first + before->second.length == at &&
        before->second.pattern + before->second.length == pattern) {
      start = before->first;
      run = {before->second.length + run.length, before->second.pattern};
      runs.erase(before);
    }
  }
  runs[start] = run;
  return true;
}

bool PatternFileSystem::Covered(const FileKey& key, std::uint64_t offset, std::uint64_t length) {
  const std::lock_guard hold(mutex_);
  const auto found = runs_.find(key);
  if (found == runs_.end()) return false;
  auto it = found->second.upper_bound(offset);
  if (it == found->second.begin()) return false;
  --it;
  return it->first + it->second.length >= offset + length;
}

void PatternFileSystem::Overlay(const FileKey& key, std::uint64_t offset, std::span<char> data) {
  const std::lock_guard hold(mutex_);
  const auto found = runs_.find(key);
  if (found == runs_.end() || data.empty()) return;
  const std::map<std::uint64_t, Run>& runs = found->second;
  const std::uint64_t end = offset + data.size();
  auto it = runs.upper_bound(offset);
  if (it != runs.begin()) --it;
  for (; it != runs.end() && it->first < end; ++it) {
    const std::uint64_t from = std::max(offset, it->first);
    const std::uint64_t to = std::min(end, it->first + it->second.length);
    if (from >= to) continue;
    Fill(data.subspan(from - offset, to - from), it->second.pattern + (from - it->first));
  }
}

Status PatternFileSystem::MakePatternFile(const std::string& path, std::uint64_t size) {
  // The file on disk gets its length from its last byte; the run gives it every byte.
  if (Status folder = base_.CreateDirectories(platform::FolderOf(path)); !folder.ok())
    return folder;
  auto made = base_.Open(path, platform::OpenMode::kCreate);
  if (!made.ok()) return made.status();
  std::unique_ptr<platform::File> file = made.take();
  if (size > 0) {
    const char last = PatternByte(size - 1);
    if (Status seek = file->Seek(size - 1); !seek.ok()) return seek;
    if (Status written = file->Write(std::span<const char>(&last, 1)); !written.ok())
      return written;
  }
  const Result<FileKey> key = KeyOf(*file);
  if (!key.ok()) return key.status();
  {
    const std::lock_guard hold(mutex_);
    runs_[*key] = {{0, Run{size, 0}}};
  }
  return file->Close();
}

Status PatternFileSystem::HoldsPattern(const std::string& path) {
  auto opened = base_.Open(path, platform::OpenMode::kRead);
  if (!opened.ok()) return opened.status();
  const std::unique_ptr<platform::File> file = opened.take();
  const Result<FileKey> key = KeyOf(*file);
  const Result<std::uint64_t> size = file->Size();
  if (!key.ok() || !size.ok()) return key.ok() ? size.status() : key.status();
  std::map<std::uint64_t, Run> runs;
  {
    const std::lock_guard hold(mutex_);
    if (const auto found = runs_.find(*key); found != runs_.end()) runs = found->second;
  }
  const auto differs = [&](std::uint64_t at) {
    return Status::Error(Status::Code::kFormat, path,
                         path + ": byte " + std::to_string(at) + " is not the pattern's");
  };
  std::uint64_t at = 0, read_outside = 0;
  std::vector<char> buffer;
  for (auto it = runs.begin(); at < *size; ++it) {
    const std::uint64_t gap_end = it == runs.end() ? *size : std::min(it->first, *size);
    if (gap_end > at) {
      read_outside += gap_end - at;
      if (read_outside > kMostReadOutsideRuns)
        return Status::Error(Status::Code::kFormat, path, path + ": too much is not in runs");
      buffer.resize(static_cast<std::size_t>(gap_end - at));
      const Result<std::size_t> read = file->ReadAt(at, buffer);
      if (!read.ok()) return read.status();
      for (std::size_t i = 0; i < buffer.size(); ++i)
        if (i >= *read || buffer[i] != PatternByte(at + i)) return differs(at + i);
      at = gap_end;
    }
    if (it == runs.end()) break;
    if (it->second.pattern != it->first) return differs(it->first);
    at = std::max(at, std::min(it->first + it->second.length, *size));
  }
  return Status::Ok();
}

Result<std::unique_ptr<platform::File>> PatternFileSystem::Open(const std::string& path,
                                                                platform::OpenMode mode) {
  auto opened = base_.Open(path, mode);
  if (!opened.ok()) return opened;
  if (mode == platform::OpenMode::kCreate || mode == platform::OpenMode::kCreateNew)
    return Made(*this, std::move(opened));
  return Wrap(opened.take());
}

Status PatternFileSystem::Rename(const std::string& from, const std::string& to) {
  const Result<platform::FileInfo> moved = base_.Inspect(from);
  if (const Result<platform::FileInfo> info = base_.Inspect(to);
      info.ok() && info->links <= 1 && !(moved.ok() && moved->SameFile(*info)))
    Forget({info->device, info->inode});
  return base_.Rename(from, to);
}

Status PatternFileSystem::Remove(const std::string& path) {
  if (const Result<platform::FileInfo> info = base_.Inspect(path); info.ok() && info->links <= 1)
    Forget({info->device, info->inode});
  return base_.Remove(path);
}

Result<std::unique_ptr<platform::Directory>> PatternFileSystem::OpenDirectory(
    const std::string& path) {
  auto opened = base_.OpenDirectory(path);
  if (!opened.ok()) return opened;
  return std::unique_ptr<platform::Directory>(
      std::make_unique<PatternDirectory>(*this, opened.take()));
}

Result<std::unique_ptr<platform::File>> PatternFileSystem::CreateUniqueFile(
    const std::string& folder, const std::string& prefix) {
  return Made(*this, base_.CreateUniqueFile(folder, prefix));
}

Status PatternFileSystem::Copy(platform::File& src, platform::File& dst, std::uint64_t n,
                               std::span<char> buffer) {
  return platform::CopyThroughBuffer(src, dst, n, buffer);
}

}  // namespace vornalis::testing
