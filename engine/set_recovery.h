// Recovery files for a set: PAR 2.0 files beside it that cover its header and every piece as they
// lie when the set is closed, so that a lost or damaged piece can be rebuilt, by this program or
// by any PAR 2.0 tool. The set's own files are never changed by protecting it.
//
// - ProtectSet writes recovery files named after the set (backup.par2 and backup.volA+B.par2),
//   with a slice size chosen so that each keeps to the set's piece size where that can be done,
//   and a record of what the set is (set_state.h). It removes only older recovery files of the
//   set under those names, once the new ones are all in place, and never replaces a file that is
//   not a recovery file of the set: such a file stops it, named, before anything changes.
// - LoadSetRecovery (set_recovery_files.h) finds the set's own recovery set.
// - CheckSet compares every file of the set with its recovery files; RepairSet rebuilds the
//   missing and damaged ones in place, each through a temporary file in the set's folder and a
//   rename, never through a link. A file under a name of the set that is no file of this set
//   (another set's header or piece, someone's file) is never replaced: repair refuses, naming it.
// - A set that changed since it was protected is not damaged: when its header reads as a sound
//   set that grew since (an add) or was made anew, the recovery files are older than the set.
//   Then the header is never replaced by the older one, only the pieces that the set still uses
//   unchanged are checked and repaired, and the outcome says the set must be protected again.
// Every step holds the set's lock, as a writer would, so that no add changes the set meanwhile,
// and first removes what a protect or repair that died left behind.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/set_files.h"
#include "engine/set_recovery_files.h"
#include "platform/file_system.h"
#include "recovery/check.h"
#include "recovery/create.h"
#include "recovery/plan.h"

namespace vornalis {

struct ProtectRequest {
  // 0: the default, 10 % and never less than one whole piece, so that a lost disk can be
  // rebuilt; otherwise that share of the set, as asked.
  unsigned redundancy_percent = 0;
  unsigned recovery_files = 0;  // 0: as many as keep to the piece size
  recovery::WorkOptions work;
};

inline constexpr unsigned kDefaultRedundancyPercent = 10;

struct ProtectReport {
  recovery::Plan plan;
  recovery::CreateOutcome outcome;
  std::vector<std::string> removed;  // older recovery files of the set
};

Result<ProtectReport> ProtectSet(platform::FileSystem& fs, const SetPaths& paths,
                                 const ProtectRequest& request, recovery::Progress* progress);

// How the recovery files stand to the set.
enum class RecoveryAge {
  kCurrent,   // they describe the set as it is (whatever is lost or damaged of it)
  kAdded,     // files were added to the set since they were made
  kReplaced,  // the set was made anew since they were made
  kUnknown,   // the header differs but reads as a sound set, and they do not record the set
};

// What recovery files of that age mean for the set at header_path, for the user; "" for current
// ones.
std::string AgeMessage(RecoveryAge age, const std::string& header_path);

// One file of the set that is missing or damaged.
struct DamagedFile {
  std::string path;
  std::uint32_t piece = 0;  // 0 for the header
  bool missing = false;
  std::uint32_t bad_slices = 0;
  std::uint32_t slices = 0;           // of the file
  std::vector<std::string> affected;  // stored files with bytes in it (when the catalogue reads)
};

struct SetCheck {
  RecoveryAge age = RecoveryAge::kCurrent;
  recovery::CheckResult result;
  // The files that are missing or damaged; with older recovery files, only among the pieces the
  // set still uses unchanged (the others changed with the set).
  std::vector<DamagedFile> damaged;
  // Every file the recovery files cover matches them, and they describe the set as it is.
  bool whole() const { return age == RecoveryAge::kCurrent && result.whole(); }
  // The files described that are missing or damaged are few enough to be rebuilt.
  bool repairable() const { return result.repairable(); }
};

Result<SetCheck> CheckSet(platform::FileSystem& fs, const SetPaths& paths,
                          const SetRecovery& recovery, const recovery::WorkOptions& work,
                          recovery::Progress* progress);

// Checks the set against its recovery files and rebuilds what is missing or damaged, reading the
// set once where only whole pieces are lost. check says what was found; repaired is empty when
// there was nothing to repair. When too much is lost, fails with kRefused (TooMuchLost's message)
// and changes nothing; so it does when a sound file of another set lies under a name of this set.
// With recovery files older than the set, only the damaged pieces the set still uses unchanged
// are repaired (check.age says so).
struct SetRepair {
  SetCheck check;
  std::vector<std::string> repaired;
};
Result<SetRepair> RepairSet(platform::FileSystem& fs, const SetPaths& paths,
                            const SetRecovery& recovery, const recovery::WorkOptions& work,
                            recovery::Progress* progress);

}  // namespace vornalis
