#include "engine/set_verification.h"

#include <algorithm>

#include "engine/messages.h"
#include "engine/piece_set.h"
#include "platform/path.h"

namespace vornalis {
namespace {

std::string AffectsLine(const std::vector<std::string>& affected) {
  return "  affects: " + messages::JoinedNames(affected);
}

}  // namespace

bool Verification::header_damaged() const {
  return check && std::any_of(check->damaged.begin(), check->damaged.end(),
                              [](const DamagedFile& file) { return file.piece == 0; });
}

bool Verification::whole() const {
  if (recovery.code == Status::Code::kRefused) return false;
  if (check && !check->whole()) return false;
  return structure && structure->ok() && catalogue.ok();
}

Result<Verification> VerifySetWhole(platform::FileSystem& fs, const SetPaths& paths,
                                    const recovery::WorkOptions& work,
                                    recovery::Progress* progress) {
  Verification found;
  const Result<SetRecovery> recovery = LoadSetRecovery(fs, paths, work.threads);
  found.recovery = recovery.status();
  if (recovery.ok()) {
    found.warnings = recovery->warnings;
    Result<SetCheck> check = CheckSet(fs, paths, *recovery, work, progress);
    if (!check.ok()) return check.status();
    found.check = check.take();
    if (found.header_damaged()) return found;
  }
  PieceSet set(paths, SetAccess::kReadOnly, fs);
  if (!set.CatalogueRead()) {
    found.catalogue = set.LastStatus();
    return found;
  }
  found.structure = VerifySet(set);
  found.stored_files = set.Files().size();
  for (const std::string& warning : set.Warnings()) found.warnings.push_back(warning);
  return found;
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
                    (check.repairable() ? "a repair is possible." : "too much is lost to repair."));
  return lines;
}

std::vector<std::string> VerificationLines(const Verification& verification,
                                           const SetPaths& paths) {
  std::vector<std::string> lines;
  std::vector<std::string> named;  // files named already, by the check of their bytes
  if (verification.check) {
    lines = DamageLines(*verification.check);
    for (const DamagedFile& file : verification.check->damaged) named.push_back(file.path);
    if (const std::string age = AgeMessage(verification.check->age, paths.Header()); !age.empty())
      lines.push_back(age + ".");
  }
  if (verification.structure)
    for (const VerifyProblem& problem : verification.structure->problems) {
      if (std::find(named.begin(), named.end(), problem.status.path) != named.end()) continue;
      lines.push_back(problem.status.message);
      lines.push_back(AffectsLine(problem.affected));
    }
  if (!verification.catalogue.ok()) lines.push_back(messages::Explained(verification.catalogue));
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

}  // namespace vornalis
