// What protect, a check and a repair found and did, as sentences for the user: formed once, here,
// so that the CLI (a line each on its output) and the desktop program (one box, or its error
// list) say the same thing. Names in them are as the engine has them; a front end escapes them
// as it shows them.
#pragma once

#include <string>
#include <vector>

#include "engine/set_files.h"
#include "engine/set_recovery.h"

namespace vornalis {

// Protect's outcome: what was made and what it covers, then each older recovery file removed.
std::vector<std::string> ProtectLines(const ProtectReport& report, const SetPaths& paths);

// How the recovery files stand to the set when they do not protect the header in force (made
// older by adds, or not the header's at all), as a sentence; "" when they protect it.
std::string AgeLine(const SetCheck& check, const SetPaths& paths);

// The lines of a check alone: each missing or damaged file with what it affects, then how many
// blocks are lost against how many recovery blocks exist.
std::vector<std::string> DamageLines(const SetCheck& check);

// What is lost of a set, in a few lines however much it is: its files that are missing and
// those that are damaged, in the order of their pieces, and the stored files with bytes in them.
std::vector<std::string> LostSummary(std::vector<DamagedFile> lost);

// A repair's outcome.
struct RepairOutcome {
  std::vector<std::string> lines;
  // Nothing of the set is lost or damaged now, and the recovery files protect it as it is.
  bool whole = false;
  // The header in force is not the one the recovery files protect, and nothing was repaired:
  // a repair asked to put the protected header back (HeaderRepair::kPutBack) would.
  bool header_differs = false;
};
RepairOutcome DescribeRepair(const SetRepair& repair, const SetPaths& paths);

}  // namespace vornalis
