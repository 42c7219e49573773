#include "tests/support/fault_file_system.h"
#include "tests/support/test_files.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>

#include "platform/path.h"

namespace vornalis::testing {
namespace {

// A fault the owner planned for op on path, as a Status; ok when there is none.
Status Planned(FaultFileSystem& owner, FaultFileSystem::Op op, const std::string& path) {
  const int error = owner.Check(op, path);
  return error == 0 ? Status::Ok() : Status::System(error, path);
}

class FaultFile final : public platform::File {
 public:
  FaultFile(FaultFileSystem& owner, std::unique_ptr<platform::File> base)
      : owner_(owner), base_(std::move(base)) {}

  const std::string& Path() const override { return base_->Path(); }

  Result<std::size_t> Read(std::span<char> data) override {
    if (Status fault = Planned(owner_, FaultFileSystem::Op::kRead, Path()); !fault.ok())
      return fault;
    return base_->Read(data);
  }

  Result<std::size_t> ReadAt(std::uint64_t offset, std::span<char> data) override {
    if (Status fault = Planned(owner_, FaultFileSystem::Op::kRead, Path()); !fault.ok())
      return fault;
    return base_->ReadAt(offset, data);
  }

  Status Write(std::span<const char> data) override {
    if (Status fault = Planned(owner_, FaultFileSystem::Op::kWrite, Path()); !fault.ok())
      return fault;
    owner_.NoteWrite(Path(), *base_);
    const auto hold = owner_.Hold();
    std::uint64_t* budget = owner_.write_budget();
    if (budget != nullptr && data.size() > *budget) {
      // A disk that fills up takes what fits, then refuses.
      const auto allowed = static_cast<std::size_t>(*budget);
      Status partial = base_->Write(data.first(allowed));
      *budget = 0;
      return partial.ok() ? Status::System(ENOSPC, Path()) : partial;
    }
    Status written = base_->Write(data);
    if (budget != nullptr && written.ok()) *budget -= data.size();
    return written;
  }

  Status Seek(std::uint64_t offset) override {
    if (Status fault = Planned(owner_, FaultFileSystem::Op::kSeek, Path()); !fault.ok())
      return fault;
    return base_->Seek(offset);
  }

  Result<std::uint64_t> Size() override {
    if (Status fault = Planned(owner_, FaultFileSystem::Op::kSize, Path()); !fault.ok())
      return fault;
    return base_->Size();
  }

  Status Sync() override {
    if (Status fault = Planned(owner_, FaultFileSystem::Op::kSync, Path()); !fault.ok())
      return fault;
    Status status = base_->Sync();
    if (status.ok()) owner_.NoteFlush(Path());
    return status;
  }

  Status Close() override {
    Status closed = base_->Close();
    if (Status fault = Planned(owner_, FaultFileSystem::Op::kClose, Path()); !fault.ok())
      return fault;
    return closed;
  }

  Result<platform::FileInfo> Inspect() override { return base_->Inspect(); }

  platform::File& base() { return *base_; }
  std::unique_ptr<platform::File> release() { return std::move(base_); }

 private:
  FaultFileSystem& owner_;
  std::unique_ptr<platform::File> base_;
};

// Wraps a file the base made, or passes its failure on.
Result<std::unique_ptr<platform::File>> Wrapped(FaultFileSystem& owner,
                                                Result<std::unique_ptr<platform::File>> made) {
  if (!made.ok()) return made;
  return std::unique_ptr<platform::File>(std::make_unique<FaultFile>(owner, made.take()));
}

class FaultDirectory final : public platform::Directory {
 public:
  FaultDirectory(FaultFileSystem& owner, std::unique_ptr<platform::Directory> base)
      : owner_(owner), base_(std::move(base)) {}

  const std::string& Path() const override { return base_->Path(); }

  Result<std::unique_ptr<platform::Directory>> OpenChild(const std::string& name,
                                                         bool create) override {
    if (Status fault = Planned(owner_, FaultFileSystem::Op::kOpenDirectory, Path() + name);
        !fault.ok())
      return fault;
    auto child = base_->OpenChild(name, create);
    if (!child.ok()) return child;
    return std::unique_ptr<platform::Directory>(
        std::make_unique<FaultDirectory>(owner_, child.take()));
  }

  Result<std::unique_ptr<platform::File>> CreateUniqueFile(const std::string& prefix) override {
    if (Status fault = Planned(owner_, FaultFileSystem::Op::kCreateUnique, Path() + prefix);
        !fault.ok())
      return fault;
    return Wrapped(owner_, base_->CreateUniqueFile(prefix));
  }

  Status Rename(const std::string& from, const std::string& to) override {
    if (Status fault = Planned(owner_, FaultFileSystem::Op::kRename, Path() + to); !fault.ok())
      return fault;
    return base_->Rename(from, to);
  }

  Status Remove(const std::string& name) override {
    if (Status fault = Planned(owner_, FaultFileSystem::Op::kRemove, Path() + name); !fault.ok())
      return fault;
    return base_->Remove(name);
  }

  Result<std::unique_ptr<platform::File>> CreateNewFile(const std::string& temp_prefix) override {
    if (Status fault = Planned(owner_, FaultFileSystem::Op::kCreateUnique, Path() + temp_prefix);
        !fault.ok())
      return fault;
    return Wrapped(owner_, base_->CreateNewFile(temp_prefix));
  }

  // Publishing is a close and a rename: either can be failed.
  Status Publish(std::unique_ptr<platform::File>& file, const std::string& name,
                 Replace replace) override {
    auto& wrapped = static_cast<FaultFile&>(*file);
    Status fault = Planned(owner_, FaultFileSystem::Op::kClose, wrapped.Path());
    if (fault.ok()) fault = Planned(owner_, FaultFileSystem::Op::kRename, Path() + name);
    if (!fault.ok()) {
      base_->Discard(wrapped.release());
      file.reset();
      return fault;
    }
    std::unique_ptr<platform::File> base = wrapped.release();
    Status status = base_->Publish(base, name, replace);
    // A name that was taken leaves the file unpublished: it stays wrapped.
    if (base)
      file = std::make_unique<FaultFile>(owner_, std::move(base));
    else
      file.reset();
    return status;
  }

  Result<platform::FileInfo> Inspect(const std::string& name) override {
    return base_->Inspect(name);
  }

  void Discard(std::unique_ptr<platform::File> file) override {
    base_->Discard(static_cast<FaultFile&>(*file).release());
  }

 private:
  FaultFileSystem& owner_;
  std::unique_ptr<platform::Directory> base_;
};

}  // namespace

void FaultFileSystem::FailNth(Op op, int n, int error) {
  const std::lock_guard hold(mutex_);
  count_faults_.push_back({op, counts_[op] + n, error});
}

namespace {

// A fragment of a path that tests write with "/", as the system writes it.
std::string Native(std::string fragment) {
  std::replace(fragment.begin(), fragment.end(), '/', platform::kSeparator);
  return fragment;
}

}  // namespace

void FaultFileSystem::FailPath(Op op, std::string fragment, int error) {
  const std::lock_guard hold(mutex_);
  path_faults_.push_back({op, Native(std::move(fragment)), error});
}

void FaultFileSystem::OnOpen(std::string fragment, std::function<void()> action) {
  open_actions_.emplace_back(Native(std::move(fragment)), std::move(action));
}

void FaultFileSystem::LimitWrites(std::uint64_t bytes) {
  limit_writes_ = true;
  write_budget_ = bytes;
}

int FaultFileSystem::Count(Op op) const {
  const std::lock_guard hold(mutex_);
  const auto it = counts_.find(op);
  return it == counts_.end() ? 0 : it->second;
}

void FaultFileSystem::Reset() {
  const std::lock_guard hold(mutex_);
  counts_.clear();
  path_faults_.clear();
  count_faults_.clear();
  open_actions_.clear();
  limit_writes_ = false;
}

void FaultFileSystem::DieAfter(int mutations) {
  die_after_ = mutations;
  mutations_ = 0;
  dead_ = false;
  flushed_length_.clear();
  folder_changes_.clear();
}

int FaultFileSystem::Mutate() {
  const std::lock_guard hold(mutex_);
  if (dead_) return EIO;
  if (die_after_ >= 0 && mutations_ >= die_after_) {
    dead_ = true;
    LoseUnflushed();
    return EIO;
  }
  ++mutations_;
  return 0;
}

namespace {

std::string Saved(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void PutBack(const std::string& path, const std::string& bytes) {
  std::ofstream(FsPath(path), std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool InFolder(const std::string& path, const std::string& folder) {
  return platform::FolderOf(path) == platform::WithSeparator(folder);
}

}  // namespace

void FaultFileSystem::NoteWrite(const std::string& path, platform::File& file) {
  const std::lock_guard hold(mutex_);
  if (die_after_ < 0 || flushed_length_.count(path) != 0) return;
  const Result<std::uint64_t> length = file.Size();
  flushed_length_[path] = length.ok() ? *length : 0;
}

void FaultFileSystem::NoteFlush(const std::string& path) {
  const std::lock_guard hold(mutex_);
  flushed_length_.erase(path);
}

void FaultFileSystem::NoteMade(const std::string& path) {
  const std::lock_guard hold(mutex_);
  if (die_after_ >= 0) folder_changes_.push_back({FolderChange::Kind::kMade, path, "", false, ""});
}

void FaultFileSystem::LoseUnflushed() {
  std::error_code ignored;
  for (const auto& [path, length] : flushed_length_)
    std::filesystem::resize_file(FsPath(path), static_cast<std::uintmax_t>(length), ignored);
  flushed_length_.clear();
  for (auto change = folder_changes_.rbegin(); change != folder_changes_.rend(); ++change) {
    switch (change->kind) {
      case FolderChange::Kind::kMade:
        std::filesystem::remove(FsPath(change->path), ignored);
        break;
      case FolderChange::Kind::kRenamed:
        std::filesystem::rename(FsPath(change->path), FsPath(change->from), ignored);
        if (change->replaced) PutBack(change->path, change->saved);
        break;
      case FolderChange::Kind::kRemoved:
        PutBack(change->path, change->saved);
        break;
    }
  }
  folder_changes_.clear();
}

int FaultFileSystem::Check(Op op, const std::string& path) {
  const std::lock_guard hold(mutex_);
  if (dead_) return EIO;
  switch (op) {
    case Op::kWrite:
    case Op::kRename:
    case Op::kRemove:
    case Op::kCreateDirectory:
    case Op::kCreateUnique:
    case Op::kCopy:
    case Op::kLock:
      if (const int error = Mutate()) return error;
      break;
    default:
      break;
  }
  const int count = ++counts_[op];
  for (const CountFault& fault : count_faults_)
    if (fault.op == op && fault.at == count) return fault.error;
  for (const PathFault& fault : path_faults_)
    if (fault.op == op && path.find(fault.fragment) != std::string::npos) return fault.error;
  return 0;
}

Result<std::unique_ptr<platform::File>> FaultFileSystem::Open(const std::string& path,
                                                              platform::OpenMode mode) {
  for (auto it = open_actions_.begin(); it != open_actions_.end(); ++it) {
    if (path.find(it->first) == std::string::npos) continue;
    const std::function<void()> action = std::move(it->second);
    open_actions_.erase(it);
    action();
    break;
  }
  if (Status fault = Planned(*this, Op::kOpen, path); !fault.ok()) return fault;
  if (mode != platform::OpenMode::kRead) {
    if (const int fault = Mutate()) return Status::System(fault, path);
  }
  const bool made = mode != platform::OpenMode::kRead && mode != platform::OpenMode::kUpdate &&
                    !base_.Exists(path);
  auto file = Wrapped(*this, base_.Open(path, mode));
  if (file.ok() && made) NoteMade(path);
  return file;
}

Status FaultFileSystem::Remove(const std::string& path) {
  if (Status fault = Planned(*this, Op::kRemove, path); !fault.ok()) return fault;
  const std::string saved = die_after_ >= 0 ? Saved(path) : std::string();
  Status status = base_.Remove(path);
  if (status.ok() && die_after_ >= 0)
    folder_changes_.push_back({FolderChange::Kind::kRemoved, path, "", false, saved});
  return status;
}

Status FaultFileSystem::Rename(const std::string& from, const std::string& to) {
  if (Status fault = Planned(*this, Op::kRename, to); !fault.ok()) return fault;
  const bool replaced = die_after_ >= 0 && base_.Exists(to);
  const std::string saved = replaced ? Saved(to) : std::string();
  Status status = base_.Rename(from, to);
  if (!status.ok() || die_after_ < 0) return status;
  folder_changes_.push_back({FolderChange::Kind::kRenamed, to, from, replaced, saved});
  if (auto written = flushed_length_.find(from); written != flushed_length_.end()) {
    const std::uint64_t length = written->second;
    flushed_length_.erase(written);
    flushed_length_[to] = length;
  }
  return status;
}

Status FaultFileSystem::CreateDirectory(const std::string& path) {
  if (Status fault = Planned(*this, Op::kCreateDirectory, path); !fault.ok()) return fault;
  return base_.CreateDirectory(path);
}

Result<std::vector<platform::DirEntry>> FaultFileSystem::ListDirectory(const std::string& path) {
  if (Status fault = Planned(*this, Op::kListDirectory, path); !fault.ok()) return fault;
  return base_.ListDirectory(path);
}

Result<std::unique_ptr<platform::Directory>> FaultFileSystem::OpenDirectory(
    const std::string& path) {
  if (Status fault = Planned(*this, Op::kOpenDirectory, path); !fault.ok()) return fault;
  auto directory = base_.OpenDirectory(path);
  if (!directory.ok()) return directory;
  return std::unique_ptr<platform::Directory>(
      std::make_unique<FaultDirectory>(*this, directory.take()));
}

Status FaultFileSystem::Copy(platform::File& src, platform::File& dst, std::uint64_t n,
                             std::span<char> buffer) {
  auto* from = dynamic_cast<FaultFile*>(&src);
  auto* to = dynamic_cast<FaultFile*>(&dst);
  if (!kernel_copy_ || from == nullptr || to == nullptr)
    return platform::FileSystem::Copy(src, dst, n, buffer);
  if (const int fault = Check(Op::kCopy, dst.Path()))
    return Status::System(fault, fault == ENOSPC ? dst.Path() : src.Path());
  return base_.Copy(from->base(), to->base(), n, buffer);
}

Result<std::unique_ptr<platform::Lock>> FaultFileSystem::LockFile(const std::string& path) {
  if (Status fault = Planned(*this, Op::kLock, path); !fault.ok()) return fault;
  return base_.LockFile(path);
}

Status FaultFileSystem::SyncFolderEntries(const std::string& folder) {
  if (Status fault = Planned(*this, Op::kSync, folder); !fault.ok()) return fault;
  Status status = base_.SyncFolderEntries(folder);
  if (status.ok())
    std::erase_if(folder_changes_, [&](const FolderChange& change) {
      return InFolder(change.path, folder) &&
             (change.from.empty() || InFolder(change.from, folder));
    });
  return status;
}

Result<std::unique_ptr<platform::File>> FaultFileSystem::CreateUniqueFile(
    const std::string& folder, const std::string& prefix) {
  if (Status fault = Planned(*this, Op::kCreateUnique, folder + prefix); !fault.ok()) return fault;
  auto file = Wrapped(*this, base_.CreateUniqueFile(folder, prefix));
  if (file.ok()) NoteMade(file->Path());
  return file;
}

}  // namespace vornalis::testing
