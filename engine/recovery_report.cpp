#include "engine/recovery_report.h"

#include <algorithm>

#include "engine/messages.h"
#include "platform/path.h"

namespace vornalis {
namespace {

std::string AffectsLine(const std::vector<std::string>& affected) {
  return "  affects: " + messages::JoinedNames(affected);
}

// A sentence as it reads inside another: its first letter small.
std::string Inside(std::string_view sentence) {
  std::string text(sentence);
  if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z')
    text[0] = static_cast<char>(text[0] | 0x20);
  return text;
}

}  // namespace

std::vector<std::string> ProtectLines(const ProtectReport& report, const SetPaths& paths) {
  const recovery::Plan& plan = report.plan;
  std::vector<std::string> lines{
      "Made " + std::to_string(report.outcome.written.size()) + " recovery files beside " +
          platform::FileNameOf(paths.Header()) + ": " + std::to_string(plan.recovery_slices) +
          " recovery blocks of " + std::to_string(plan.slice_size) + " bytes for the set's " +
          std::to_string(plan.input_slices) + ", in files of at most " +
          std::to_string(plan.largest_file) + " bytes" +
          (plan.fits_media ? ", each within the piece size." : " (larger than the piece size)."),
      messages::RecoveryCovers(plan.files_covered, plan.percent_covered)};
  for (const std::string& path : report.removed) lines.push_back("Removed the older " + path);
  return lines;
}

std::string AgeLine(const SetCheck& check, const SetPaths& paths) {
  switch (check.age) {
    case RecoveryAge::kCurrent:
      break;
    case RecoveryAge::kAdded:
      return messages::RecoveryOlderThanSet(paths.Header()) + ".";
    case RecoveryAge::kDiffers:
      return messages::HeaderDiffers(
                 paths.Header(),
                 check.protected_state ? std::int64_t{check.protected_state->entries} : -1,
                 check.state_now ? check.state_now->entries : 0) +
             ".";
  }
  return std::string();
}

std::vector<std::string> DamageLines(const SetCheck& check) {
  std::vector<std::string> lines;
  for (const DamagedFile& file : check.damaged) {
    lines.push_back(file.missing ? file.path + " is missing"
                    : file.bad_slices == 0
                        ? file.path + " has bytes after its end"
                        : file.path + " is damaged (" + std::to_string(file.bad_slices) + " of " +
                              std::to_string(file.slices) + " blocks)");
    if (file.piece == 0)
      lines.emplace_back("  it is the header: no stored file can be read until it is repaired");
    else if (!file.affected.empty())
      lines.push_back(AffectsLine(file.affected));
  }
  if (!check.damaged.empty())
    lines.push_back(std::to_string(check.result.bad_slices) + " blocks are missing or damaged; " +
                    std::to_string(check.result.recovery_slices) + " recovery blocks exist: " +
                    (check.repairable() ? std::string("a repair is possible.")
                                        : Inside(messages::kTooMuchLost) + "."));
  return lines;
}

std::vector<std::string> LostSummary(std::vector<DamagedFile> lost) {
  std::stable_sort(lost.begin(), lost.end(),
                   [](const DamagedFile& a, const DamagedFile& b) { return a.piece < b.piece; });
  std::vector<std::string> missing, damaged, affected;
  for (const DamagedFile& file : lost) {
    (file.missing ? missing : damaged).push_back(platform::FileNameOf(file.path));
    for (const std::string& stored : file.affected)
      if (std::find(affected.begin(), affected.end(), stored) == affected.end())
        affected.push_back(stored);
  }
  std::vector<std::string> lines;
  if (!missing.empty()) lines.push_back("Missing: " + messages::JoinedNames(missing) + ".");
  if (!damaged.empty()) lines.push_back("Damaged: " + messages::JoinedNames(damaged) + ".");
  if (!affected.empty())
    lines.push_back("Stored files with bytes in them: " + std::to_string(affected.size()) + " (" +
                    messages::JoinedNames(affected) + ").");
  return lines;
}

RepairOutcome DescribeRepair(const SetRepair& repair, const SetPaths& paths) {
  RepairOutcome outcome;
  const SetCheck& check = repair.check;
  if (check.whole()) {
    outcome.lines.push_back("All " + std::to_string(check.result.files.size()) +
                            " files of the set match their recovery files: nothing to repair.");
    outcome.whole = true;
    return outcome;
  }
  if (check.age == RecoveryAge::kDiffers) {
    outcome.lines.push_back(AgeLine(check, paths));
    outcome.header_differs = true;
    return outcome;
  }
  outcome.lines = DamageLines(check);
  if (check.damaged.empty() && check.age == RecoveryAge::kAdded)
    outcome.lines.emplace_back(
        "The pieces the recovery files cover match them: nothing to repair.");
  for (const std::string& path : repair.repaired) outcome.lines.push_back("Repaired " + path);
  if (!repair.lost.empty()) {
    const LostPiece& first = repair.lost.front();
    const LostPiece& last = repair.lost.back();
    const bool all_kept =
        std::all_of(repair.lost.begin(), repair.lost.end(),
                    [](const LostPiece& piece) { return !piece.kept_as.empty(); });
    outcome.lines.push_back(
        messages::FilesLostBeyond(platform::FileNameOf(first.path), platform::FileNameOf(last.path),
                                  all_kept ? platform::FileNameOf(first.kept_as) : "",
                                  all_kept ? platform::FileNameOf(last.kept_as) : "") +
        ".");
  }
  if (check.age == RecoveryAge::kAdded) {
    outcome.lines.push_back(AgeLine(check, paths));
  } else if (repair.lost.empty()) {
    outcome.lines.emplace_back("The set is whole again.");
    outcome.whole = true;
  }
  return outcome;
}

}  // namespace vornalis
