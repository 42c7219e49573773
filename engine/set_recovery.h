// Recovery files for a set: PAR 2.0 files beside it that cover its header and every piece as they
// lie when the set is closed, so that a lost or damaged piece can be rebuilt, by this program or
// by any PAR 2.0 tool. The set's own files are never changed by protecting it.
//
// - ProtectSet writes recovery files named after the set (backup.par2 and backup.volA+B.par2),
//   with a slice size chosen so that each keeps to the set's piece size where that can be done;
//   the set's older recovery files are removed only once the new ones are all in place.
// - LoadSetRecovery finds the set's recovery files in its folder by their packets, whatever their
//   names (par2's as well as this program's); files of other sets are passed over.
// - CheckSet compares every file of the set with its recovery files; RepairSet rebuilds the
//   missing and damaged ones in place, each through a temporary file. A file under a name of the
//   set that is no file of this set (another set's header or piece, someone's file) is never
//   replaced: repair refuses, naming it.
// Every step holds the set's lock, as a writer would, so that no add changes the set meanwhile.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/set_files.h"
#include "platform/file_system.h"
#include "recovery/check.h"
#include "recovery/create.h"
#include "recovery/plan.h"

namespace vornalis {

struct ProtectRequest {
  unsigned redundancy_percent = 10;
  unsigned recovery_files = 0;  // 0: as many as keep to the piece size
  recovery::WorkOptions work;
};

struct ProtectReport {
  recovery::Plan plan;
  recovery::CreateOutcome outcome;
  std::vector<std::string> removed;  // older recovery files of the set
};

Result<ProtectReport> ProtectSet(platform::FileSystem& fs, const SetPaths& paths,
                                 const ProtectRequest& request, recovery::Progress* progress);

struct SetRecovery {
  recovery::par2::RecoverySet set;
  std::vector<std::string> warnings;  // damaged recovery files, files of other recovery sets
};

// The set's recovery set; kNotFound when the folder holds no recovery files of the set. The
// recovery files are read on threads threads.
Result<SetRecovery> LoadSetRecovery(platform::FileSystem& fs, const SetPaths& paths,
                                    unsigned threads = 1);

// Every recovery file of the set in its folder.
std::vector<std::string> FindRecoveryFiles(platform::FileSystem& fs, const SetPaths& paths);

// One file of the set that is missing or damaged.
struct DamagedFile {
  std::string path;
  std::uint32_t piece = 0;  // 0 for the header
  bool missing = false;
  std::uint32_t bad_slices = 0;
  std::vector<std::string> affected;  // stored files with bytes in it (when the catalogue reads)
};

struct SetCheck {
  recovery::CheckResult result;
  std::vector<DamagedFile> damaged;
  bool whole() const { return result.whole(); }
};

Result<SetCheck> CheckSet(platform::FileSystem& fs, const SetPaths& paths,
                          const SetRecovery& recovery, const recovery::WorkOptions& work,
                          recovery::Progress* progress);

// Checks the set against its recovery files and rebuilds what is missing or damaged, reading the
// set once where only whole pieces are lost. check says what was found; repaired is empty when
// the set was whole. When too much is lost, fails with kRefused (TooMuchLost's message) and
// changes nothing; so it does when a sound file of another set lies under a name of this set.
struct SetRepair {
  SetCheck check;
  std::vector<std::string> repaired;
};
Result<SetRepair> RepairSet(platform::FileSystem& fs, const SetPaths& paths,
                            const SetRecovery& recovery, const recovery::WorkOptions& work,
                            recovery::Progress* progress);

}  // namespace vornalis
