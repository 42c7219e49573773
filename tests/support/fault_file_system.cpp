#include "tests/support/fault_file_system.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>

#include "platform/path.h"

namespace vornalis::testing {
namespace {

class FaultFile final : public platform::File {
 public:
  FaultFile(FaultFileSystem& owner, std::unique_ptr<platform::File> base)
      : owner_(owner), base_(std::move(base)) {}

  const std::string& Path() const override { return base_->Path(); }

  platform::IoResult Read(std::span<char> data) override {
    if (const int error = owner_.Check(FaultFileSystem::Op::kRead, Path())) return {0, error};
    return base_->Read(data);
  }

  platform::IoResult ReadAt(std::uint64_t offset, std::span<char> data) override {
    if (const int error = owner_.Check(FaultFileSystem::Op::kRead, Path())) return {0, error};
    return base_->ReadAt(offset, data);
  }

  platform::IoResult Write(std::span<const char> data) override {
    if (const int error = owner_.Check(FaultFileSystem::Op::kWrite, Path())) return {0, error};
    owner_.NoteWrite(Path(), *base_);
    std::uint64_t* budget = owner_.write_budget();
    if (budget != nullptr && data.size() > *budget) {
      const auto allowed = static_cast<std::size_t>(*budget);
      platform::IoResult partial = base_->Write(data.first(allowed));
      *budget -= partial.count;
      if (partial.error == 0) partial.error = ENOSPC;
      return partial;
    }
    platform::IoResult result = base_->Write(data);
    if (budget != nullptr) *budget -= result.count;
    return result;
  }

  int Seek(std::uint64_t offset) override {
    if (const int error = owner_.Check(FaultFileSystem::Op::kSeek, Path())) return error;
    return base_->Seek(offset);
  }

  std::int64_t Size(int* error) override {
    if (const int fault = owner_.Check(FaultFileSystem::Op::kSize, Path())) {
      *error = fault;
      return -1;
    }
    return base_->Size(error);
  }

  int Sync() override {
    if (const int error = owner_.Check(FaultFileSystem::Op::kSync, Path())) return error;
    const int error = base_->Sync();
    if (error == 0) owner_.NoteFlush(Path());
    return error;
  }

  int Close() override {
    const int base_error = base_->Close();
    if (const int error = owner_.Check(FaultFileSystem::Op::kClose, Path())) return error;
    return base_error;
  }

  int Inspect(platform::FileInfo* info) override { return base_->Inspect(info); }

  platform::File& base() { return *base_; }
  std::unique_ptr<platform::File> release() { return std::move(base_); }

 private:
  FaultFileSystem& owner_;
  std::unique_ptr<platform::File> base_;
};

class FaultDirectory final : public platform::Directory {
 public:
  FaultDirectory(FaultFileSystem& owner, std::unique_ptr<platform::Directory> base)
      : owner_(owner), base_(std::move(base)) {}

  const std::string& Path() const override { return base_->Path(); }

  std::unique_ptr<platform::Directory> OpenChild(const std::string& name, bool create,
                                                 int* error) override {
    if (const int fault = owner_.Check(FaultFileSystem::Op::kOpenDirectory, Path() + name)) {
      *error = fault;
      return nullptr;
    }
    auto child = base_->OpenChild(name, create, error);
    return child ? std::make_unique<FaultDirectory>(owner_, std::move(child)) : nullptr;
  }

  std::unique_ptr<platform::File> CreateUniqueFile(const std::string& prefix, int* error) override {
    if (const int fault = owner_.Check(FaultFileSystem::Op::kCreateUnique, Path() + prefix)) {
      *error = fault;
      return nullptr;
    }
    auto file = base_->CreateUniqueFile(prefix, error);
    return file ? std::make_unique<FaultFile>(owner_, std::move(file)) : nullptr;
  }

  int Rename(const std::string& from, const std::string& to) override {
    if (const int fault = owner_.Check(FaultFileSystem::Op::kRename, Path() + to)) return fault;
    return base_->Rename(from, to);
  }

  int Remove(const std::string& name) override {
    if (const int fault = owner_.Check(FaultFileSystem::Op::kRemove, Path() + name)) return fault;
    return base_->Remove(name);
  }

  std::unique_ptr<platform::File> CreateNewFile(const std::string& temp_prefix,
                                                int* error) override {
    if (const int fault = owner_.Check(FaultFileSystem::Op::kCreateUnique, Path() + temp_prefix)) {
      *error = fault;
      return nullptr;
    }
    auto file = base_->CreateNewFile(temp_prefix, error);
    return file ? std::make_unique<FaultFile>(owner_, std::move(file)) : nullptr;
  }

  // Publishing is a close and a rename: either can be failed.
  int Publish(std::unique_ptr<platform::File>& file, const std::string& name,
              Replace replace) override {
    auto& wrapped = static_cast<FaultFile&>(*file);
    int fault = owner_.Check(FaultFileSystem::Op::kClose, wrapped.Path());
    if (fault == 0) fault = owner_.Check(FaultFileSystem::Op::kRename, Path() + name);
    if (fault != 0) {
      base_->Discard(wrapped.release());
      file.reset();
      return fault;
    }
    std::unique_ptr<platform::File> base = wrapped.release();
    const int error = base_->Publish(base, name, replace);
    // A name that was taken leaves the file unpublished: it stays wrapped.
    if (base)
      file = std::make_unique<FaultFile>(owner_, std::move(base));
    else
      file.reset();
    return error;
  }

  int Inspect(const std::string& name, platform::FileInfo* info) override {
    return base_->Inspect(name, info);
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
  count_faults_.push_back({op, counts_[op] + n, error});
}

void FaultFileSystem::FailPath(Op op, std::string fragment, int error) {
  path_faults_.push_back({op, std::move(fragment), error});
}

void FaultFileSystem::OnOpen(std::string fragment, std::function<void()> action) {
  open_actions_.emplace_back(std::move(fragment), std::move(action));
}

void FaultFileSystem::LimitWrites(std::uint64_t bytes) {
  limit_writes_ = true;
  write_budget_ = bytes;
}

int FaultFileSystem::Count(Op op) const {
  const auto it = counts_.find(op);
  return it == counts_.end() ? 0 : it->second;
}

void FaultFileSystem::Reset() {
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
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool InFolder(const std::string& path, const std::string& folder) {
  return platform::FolderOf(path) == platform::WithSeparator(folder);
}

}  // namespace

void FaultFileSystem::NoteWrite(const std::string& path, platform::File& file) {
  if (die_after_ < 0 || flushed_length_.count(path) != 0) return;
  int error = 0;
  const std::int64_t length = file.Size(&error);
  flushed_length_[path] = length < 0 ? 0 : static_cast<std::uint64_t>(length);
}

void FaultFileSystem::NoteFlush(const std::string& path) { flushed_length_.erase(path); }

void FaultFileSystem::NoteMade(const std::string& path) {
  if (die_after_ >= 0) folder_changes_.push_back({FolderChange::Kind::kMade, path, "", false, ""});
}

void FaultFileSystem::LoseUnflushed() {
  for (const auto& [path, length] : flushed_length_) ::truncate(path.c_str(), length);
  flushed_length_.clear();
  for (auto change = folder_changes_.rbegin(); change != folder_changes_.rend(); ++change) {
    switch (change->kind) {
      case FolderChange::Kind::kMade:
        ::unlink(change->path.c_str());
        break;
      case FolderChange::Kind::kRenamed:
        ::rename(change->path.c_str(), change->from.c_str());
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

std::unique_ptr<platform::File> FaultFileSystem::Open(const std::string& path,
                                                      platform::OpenMode mode, int* error) {
  for (auto it = open_actions_.begin(); it != open_actions_.end(); ++it) {
    if (path.find(it->first) == std::string::npos) continue;
    const std::function<void()> action = std::move(it->second);
    open_actions_.erase(it);
    action();
    break;
  }
  if (const int fault = Check(Op::kOpen, path)) {
    *error = fault;
    return nullptr;
  }
  if (mode != platform::OpenMode::kRead) {
    if (const int fault = Mutate()) {
      *error = fault;
      return nullptr;
    }
  }
  const bool made = mode != platform::OpenMode::kRead && mode != platform::OpenMode::kUpdate &&
                    !base_.Exists(path);
  auto file = base_.Open(path, mode, error);
  if (file && made) NoteMade(path);
  return file ? std::make_unique<FaultFile>(*this, std::move(file)) : nullptr;
}

int FaultFileSystem::Remove(const std::string& path) {
  if (const int fault = Check(Op::kRemove, path)) return fault;
  const std::string saved = die_after_ >= 0 ? Saved(path) : std::string();
  const int error = base_.Remove(path);
  if (error == 0 && die_after_ >= 0)
    folder_changes_.push_back({FolderChange::Kind::kRemoved, path, "", false, saved});
  return error;
}

int FaultFileSystem::Rename(const std::string& from, const std::string& to) {
  if (const int fault = Check(Op::kRename, to)) return fault;
  const bool replaced = die_after_ >= 0 && base_.Exists(to);
  const std::string saved = replaced ? Saved(to) : std::string();
  const int error = base_.Rename(from, to);
  if (error != 0 || die_after_ < 0) return error;
  folder_changes_.push_back({FolderChange::Kind::kRenamed, to, from, replaced, saved});
  if (auto written = flushed_length_.find(from); written != flushed_length_.end()) {
    const std::uint64_t length = written->second;
    flushed_length_.erase(written);
    flushed_length_[to] = length;
  }
  return error;
}

int FaultFileSystem::CreateDirectory(const std::string& path) {
  if (const int fault = Check(Op::kCreateDirectory, path)) return fault;
  return base_.CreateDirectory(path);
}

int FaultFileSystem::ListDirectory(const std::string& path,
                                   std::vector<platform::DirEntry>* entries) {
  if (const int fault = Check(Op::kListDirectory, path)) return fault;
  return base_.ListDirectory(path, entries);
}

std::unique_ptr<platform::Directory> FaultFileSystem::OpenDirectory(const std::string& path,
                                                                    int* error) {
  if (const int fault = Check(Op::kOpenDirectory, path)) {
    *error = fault;
    return nullptr;
  }
  auto directory = base_.OpenDirectory(path, error);
  return directory ? std::make_unique<FaultDirectory>(*this, std::move(directory)) : nullptr;
}

platform::CopyResult FaultFileSystem::Copy(platform::File& src, platform::File& dst,
                                           std::uint64_t n, std::span<char> buffer) {
  auto* from = dynamic_cast<FaultFile*>(&src);
  auto* to = dynamic_cast<FaultFile*>(&dst);
  if (!kernel_copy_ || from == nullptr || to == nullptr)
    return platform::FileSystem::Copy(src, dst, n, buffer);
  if (const int fault = Check(Op::kCopy, dst.Path())) {
    platform::CopyResult failed;
    failed.failure = fault == ENOSPC ? platform::CopyResult::Failure::kWrite
                                     : platform::CopyResult::Failure::kRead;
    failed.error = fault;
    return failed;
  }
  return base_.Copy(from->base(), to->base(), n, buffer);
}

std::unique_ptr<platform::Lock> FaultFileSystem::LockFile(const std::string& path, int* error) {
  if (const int fault = Check(Op::kLock, path)) {
    *error = fault;
    return nullptr;
  }
  return base_.LockFile(path, error);
}

int FaultFileSystem::SyncFolderEntries(const std::string& folder) {
  if (const int fault = Check(Op::kSync, folder)) return fault;
  const int error = base_.SyncFolderEntries(folder);
  if (error == 0)
    std::erase_if(folder_changes_, [&](const FolderChange& change) {
      return InFolder(change.path, folder) &&
             (change.from.empty() || InFolder(change.from, folder));
    });
  return error;
}

std::unique_ptr<platform::File> FaultFileSystem::CreateUniqueFile(const std::string& folder,
                                                                  const std::string& prefix,
                                                                  int* error) {
  if (const int fault = Check(Op::kCreateUnique, folder + prefix)) {
    *error = fault;
    return nullptr;
  }
  auto file = base_.CreateUniqueFile(folder, prefix, error);
  if (file) NoteMade(file->Path());
  return file ? std::make_unique<FaultFile>(*this, std::move(file)) : nullptr;
}

}  // namespace vornalis::testing
