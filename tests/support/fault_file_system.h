// FaultFileSystem: wraps another FileSystem and makes chosen operations fail, the way a full
// disk, a lost medium or a refused rename would. Files it opens are wrapped too, so reads,
// writes, seeks and closes can be failed as well; copies go through the buffer so that every
// chunk passes the wrapped reads and writes.
#pragma once

#include <cstdint>
#include <map>
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
    kCreateUnique
  };

  explicit FaultFileSystem(platform::FileSystem& base) : base_(base) {}

  // The nth operation of this kind from now on (1 = the next one) fails with error.
  void FailNth(Op op, int n, int error);
  // Every operation of this kind on a path that contains fragment fails with error.
  void FailPath(Op op, std::string fragment, int error);
  // Lets `bytes` more bytes be written in all, then fails writes with ENOSPC after a short
  // write, as a disk that fills up does.
  void LimitWrites(std::uint64_t bytes);
  // How many operations of this kind ran (failed ones included).
  int Count(Op op) const;
  // Forgets every planned fault and count.
  void Reset();

  // Called by the wrapped files and by the wrappers below: the error to report, or 0.
  int Check(Op op, const std::string& path);
  std::uint64_t* write_budget() { return limit_writes_ ? &write_budget_ : nullptr; }

  std::unique_ptr<platform::File> Open(const std::string& path, platform::OpenMode mode,
                                       int* error) override;
  int Remove(const std::string& path) override;
  int Rename(const std::string& from, const std::string& to) override;
  int CreateDirectory(const std::string& path) override;
  bool IsDirectory(const std::string& path) override { return base_.IsDirectory(path); }
  bool Exists(const std::string& path) override { return base_.Exists(path); }
  int ListDirectory(const std::string& path, std::vector<platform::DirEntry>* entries) override {
    return base_.ListDirectory(path, entries);
  }
  std::unique_ptr<platform::File> CreateUniqueFile(const std::string& folder,
                                                   const std::string& prefix, int* error) override;
  std::string TempFolder() override { return base_.TempFolder(); }
  int CopyPermissions(const std::string& from, const std::string& to) override {
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

  platform::FileSystem& base_;
  std::map<Op, int> counts_;
  std::vector<PathFault> path_faults_;
  std::vector<CountFault> count_faults_;
  bool limit_writes_ = false;
  std::uint64_t write_budget_ = 0;
};

}  // namespace vornalis::testing
