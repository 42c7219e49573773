// Recovery files for a set: PAR 2.0 files beside it that cover its header and every piece as they
// lie when the set is closed, so that a lost or damaged piece can be rebuilt, by this program or
// by any PAR 2.0 tool. The set's own files are never changed by protecting it.
//
// - ProtectSet writes recovery files named after the set (backup.par2 and backup.volA+B.par2),
//   with a slice size chosen so that each keeps to the set's piece size where that can be done,
//   and a record of what the set is (set_state.h). It removes only older recovery files of the
//   set under those names, and forgets the adds in the set's history (set_history.h), once the
//   new ones are all in place, and never replaces a file that is not a recovery file of the set:
//   such a file stops it, named, before anything changes.
// - LoadSetRecovery (set_recovery_files.h) finds the set's own recovery set.
// - CheckSet compares every file of the set with its recovery files; RepairSet rebuilds the
//   missing and damaged ones in place, each through a temporary file in the set's folder and a
//   rename, never through a link. A file under a name of the set that is no file of this set
//   (another set's header or piece, someone's file) is never replaced: repair refuses, naming it.
// - How the recovery files stand to the header in force is decided by what this program did,
//   never by the set's shape: they protect it (its bytes are the ones they describe), or this
//   program's own adds made it from the one they protect (the record of adds says so; only the
//   pieces those adds left as they were are checked and repaired), or neither. A header of
//   neither kind that reads as a sound set on its own is never replaced on a guess, and no piece
//   is repaired while it is in force: the check says what putting the protected header back
//   would undo, and a repair does it only when asked (HeaderRepair::kPutBack). Only a header
//   that does not read as a set is repaired without being asked. A missing or damaged data piece
//   never makes the header count as damaged.
// - After a repair that put a header back, pieces of the set beyond that header's end hold files
//   stored after the recovery files were made: they are named, and renamed aside (".lost") so
//   that no later add takes their names.
// Protect and repair hold the set's lock, as a writer would, so that no add changes the set
// meanwhile, and first remove what a protect or repair that died left behind. A check only
// reads: it works on the set's last commit while another program holds the set open.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/set_files.h"
#include "engine/set_recovery_files.h"
#include "engine/set_state.h"
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

// How the recovery files stand to the header in force.
enum class RecoveryAge {
  kCurrent,  // they protect it, or it is missing or does not read as a set (to be repaired)
  kAdded,    // this program's adds made it from the header they protect
  kDiffers,  // it reads as a sound set, but nothing this program recorded leads to it
};

// Whether a repair may put back the header the recovery files protect over one that reads as a
// sound set (RecoveryAge::kDiffers).
enum class HeaderRepair { kWhenDamaged, kPutBack };

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
  // With kAdded: data pieces 1 to kept_pieces are as they were protected, and only they count.
  std::uint32_t kept_pieces = 0;
  // With kDiffers: what the set was when protected (when the recovery files record it) and what
  // the header in force says it is, for what putting the protected header back would undo.
  std::optional<SetState> protected_state;
  std::optional<SetState> state_now;
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
// With HeaderRepair::kPutBack a header that reads as a sound set but is not the one protected is
// put back as well (and then every piece the recovery files cover).
struct LostPiece {
  std::string path;     // a piece of the set beyond the end of the header put back
  std::string kept_as;  // the name it was given aside; "" when it could not be moved
};
struct SetRepair {
  SetCheck check;
  std::vector<std::string> repaired;
  std::vector<LostPiece> lost;  // after a header was put back
};
Result<SetRepair> RepairSet(platform::FileSystem& fs, const SetPaths& paths,
                            const SetRecovery& recovery, const recovery::WorkOptions& work,
                            recovery::Progress* progress,
                            HeaderRepair header = HeaderRepair::kWhenDamaged);

}  // namespace vornalis
