// Checking files against their PAR 2.0 recovery set, and repairing them from it.
//
// CheckFiles reads every file the recovery set describes, slice by slice, and compares each
// slice's MD5 with the one recorded: a file is whole when all its slices match and its length is
// right. RepairFiles computes the slices that are missing or damaged from the recovery slices
// and the sound slices of all the files, writes each file it repairs under a temporary name
// beside it, checks the result against the recorded MD5 of the whole file, and only then gives
// it its name: a failure or a stop leaves every file as it was.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "recovery/create.h"
#include "recovery/par2_packets.h"

namespace vornalis::recovery {

struct FileCheck {
  std::string name;  // as the recovery set names it
  std::string path;
  bool missing = false;
  bool whole = false;
  std::uint32_t slices = 0;
  std::vector<std::uint32_t> bad_slices;  // missing or damaged, by index within the file
};

struct CheckResult {
  std::vector<FileCheck> files;  // in the main packet's order
  std::uint32_t bad_slices = 0;
  std::uint32_t recovery_slices = 0;  // sound ones of the right size
  // Every file whole (right length, every slice sound).
  bool whole() const;
  bool repairable() const { return bad_slices <= recovery_slices; }
};

// Where the files of a recovery set lie, in the main packet's order, and how a repair writes them.
struct Targets {
  std::vector<std::string> paths;
  // The first bytes each new file gets at once, until its own bytes replace them, so that one
  // left by a program that died is known for what it is; none when empty.
  std::vector<std::string> marks;
  // Which files a repair may write; every one when empty. The others count as they are: what is
  // lost in them must be rebuilt with the rest, but they are left as they are.
  std::vector<bool> writable;
  bool Writable(std::size_t file) const { return writable.empty() || writable[file]; }
};

// The files of set, each the file named so in folder (ending with a separator); a name that
// would lead outside folder (absolute, with a drive or a "..") fails with kUntrusted for it.
Result<Targets> TargetsBelow(const std::string& folder, const par2::RecoverySet& set);

// Checks the files of set, which lie at targets.paths.
Result<CheckResult> CheckFiles(platform::FileSystem& fs, const Targets& targets,
                               const par2::RecoverySet& set, const WorkOptions& options,
                               Progress* progress);

// Asked, with what the check found, before any file is replaced; a failure stops the repair with
// nothing changed.
using BeforePlacing = std::function<Status(const CheckResult& check)>;

// Repairs the writable files that check found missing or damaged; returns their paths. Fails,
// changing nothing, when check is not repairable or the recovery slices at hand cannot give the
// lost ones (kUnrecoverable for the first target's folder). A failure names the file that failed: a
// file read, or the new file under its temporary name; a new file that does not match its
// recorded MD5 fails with kFormat.
Result<std::vector<std::string>> RepairFiles(platform::FileSystem& fs, const Targets& targets,
                                             const par2::RecoverySet& set, const CheckResult& check,
                                             const WorkOptions& options, Progress* progress,
                                             const BeforePlacing& before_placing = nullptr);

// CheckFiles, then RepairFiles where something is lost and it can be repaired, reading the files
// once where it can: the slices of files that are missing are rebuilt while the others are
// checked, and only slices found damaged on the way need the files read a second time.
struct RepairOutcome {
  CheckResult check;
  // Empty when every writable file was whole or too much is lost.
  std::vector<std::string> repaired;
};
Result<RepairOutcome> CheckAndRepair(platform::FileSystem& fs, const Targets& targets,
                                     const par2::RecoverySet& set, const WorkOptions& options,
                                     Progress* progress, const BeforePlacing& before_placing);

}  // namespace vornalis::recovery
