// FaultFileSystem: wraps another FileSystem and makes chosen operations fail, the way a full
// disk, a lost medium or a refused rename would. Files it opens are wrapped too, so reads,
// writes, seeks, sizes and closes can be failed as well, and so can folders opened through it
// (their sub-folders, unique files, renames and removals). Copies go through the buffer so that
// every chunk passes the wrapped reads and writes, unless UseKernelCopy() lets them reach the
// wrapped file system's own copy (the kernel's, for the real one), failed as a whole by kCopy.
// Its bookkeeping is kept under a lock, so threads may work through it at once.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace vornalis::testing {

class FaultFileSystem : public platform::FileSystem {
 public:
  enum class Op {
    kOpen,
    kRead,
    kWrite,
    kSeek,
    kClose,
    kRename,
    kRemove,
    kCreateDirectory,
    kCreateUnique,
    kSize,
    kListDirectory,
    kOpenDirectory,
    kCopy,
    kLock,
    kSync,
  };

  explicit FaultFileSystem(platform::FileSystem& base) : base_(base) {}

  // The nth operation of this kind from now on (1 = the next one) fails with error.
  void FailNth(Op op, int n, int error);
  // Every operation of this kind on a path that contains fragment fails with error.
  void FailPath(Op op, std::string fragment, int error);
  // Lets `bytes` more bytes be written in all, then fails writes with ENOSPC after a short
  // write, as a disk that fills up does.
  void LimitWrites(std::uint64_t bytes);
  // Copies are handed to the wrapped file system whole (each checked once as kCopy), so the
  // kernel copy path is taken and can be failed.
  void UseKernelCopy(bool on) { kernel_copy_ = on; }
  // Plays a process that dies: the first `mutations` operations that change the disk go
  // through, and from then on every operation fails with EIO, so nothing more reaches the disk
  // whatever the caller goes on to do. Mutations are opens for writing, writes, copies,
  // renames, removals and creations of files and folders. At the death, what the system had not
  // yet put on the medium is lost, as a power cut loses the page cache (LevelDB's
  // FaultInjectionTestEnv): files written since they were last flushed shrink back to the
  // length they had then, and the files made, renamed and removed in a folder since it was
  // last flushed are unmade, renamed back and put back.
  void DieAfter(int mutations);
  bool Dead() const { return dead_; }
  int Mutations() const { return mutations_; }
  // How many operations of this kind ran (failed ones included).
  int Count(Op op) const;
  // Runs action once, just before the first open of a path that contains fragment: another
  // program's work (a writer's commit) put between two steps of the caller.
  void OnOpen(std::string fragment, std::function<void()> action);
  // Forgets every planned fault and count.
  void Reset();

  // Called by the wrapped files and by the wrappers below: the error to report, or 0.
  int Check(Op op, const std::string& path);
  // Called before an operation that changes the disk: EIO once the process played has died.
  int Mutate();
  // Called by the wrapped files: a write to path is about to happen (file is the real file),
  // and path was flushed.
  void NoteWrite(const std::string& path, platform::File& file);
  void NoteFlush(const std::string& path);
  std::uint64_t* write_budget() { return limit_writes_ ? &write_budget_ : nullptr; }
  // Held by a wrapped file while it spends the write budget.
  std::unique_lock<std::recursive_mutex> Hold() { return std::unique_lock(mutex_); }

  Result<std::unique_ptr<platform::File>> Open(const std::string& path,
                                               platform::OpenMode mode) override;
  Status Remove(const std::string& path) override;
  Status Rename(const std::string& from, const std::string& to) override;
  Status CreateDirectory(const std::string& path) override;
  bool IsDirectory(const std::string& path) override { return base_.IsDirectory(path); }
  bool IsRegularFile(const std::string& path) override { return base_.IsRegularFile(path); }
  bool Exists(const std::string& path) override { return base_.Exists(path); }
  Result<platform::FileInfo> Inspect(const std::string& path, bool follow_links) override {
    return base_.Inspect(path, follow_links);
  }
  Result<std::vector<platform::DirEntry>> ListDirectory(const std::string& path) override;
  Result<std::unique_ptr<platform::Directory>> OpenDirectory(const std::string& path) override;
  Status Copy(platform::File& src, platform::File& dst, std::uint64_t n,
              std::span<char> buffer) override;
  Result<std::unique_ptr<platform::File>> CreateUniqueFile(const std::string& folder,
                                                           const std::string& prefix) override;
  std::string TempFolder() override { return base_.TempFolder(); }
  Result<std::unique_ptr<platform::Lock>> LockFile(const std::string& path) override;
  Status SyncFolderEntries(const std::string& folder) override;
  Status CopyPermissions(const std::string& from, const std::string& to) override {
    return base_.CopyPermissions(from, to);
  }

 private:
  struct PathFault {
    Op op;
    std::string fragment;
    int error;
  };
  struct CountFault {
    Op op;
    int at;  // value of the count at which to fail
    int error;
  };

  // A change to a folder's entries that is lost unless the folder is flushed after it.
  struct FolderChange {
    enum class Kind { kMade, kRenamed, kRemoved };
    Kind kind;
    std::string path;       // made, removed, or the new name
    std::string from;       // the old name, for kRenamed
    bool replaced = false;  // kRenamed: path had a file, whose bytes are in saved
    std::string saved;      // kRemoved and replaced files: their bytes
  };
  void NoteMade(const std::string& path);
  void LoseUnflushed();

  platform::FileSystem& base_;
  mutable std::recursive_mutex mutex_;
  std::map<std::string, std::uint64_t> flushed_length_;  // files written since last flushed
  std::vector<FolderChange> folder_changes_;             // oldest first
  std::map<Op, int> counts_;
  std::vector<PathFault> path_faults_;
  std::vector<CountFault> count_faults_;
  std::vector<std::pair<std::string, std::function<void()>>> open_actions_;
  bool limit_writes_ = false;
  bool kernel_copy_ = false;
  int mutations_ = 0;
  int die_after_ = -1;
  bool dead_ = false;
  std::uint64_t write_budget_ = 0;
};

}  // namespace vornalis::testing
