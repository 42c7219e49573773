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

std::vector<std::string> VerificationLines(const Verification& verification,
                                           const SetPaths& paths) {
  std::vector<std::string> lines;
  std::vector<std::string> named;  // files named already, by the check of their bytes
  if (verification.check) {
    const std::vector<std::string> damage = DamageLines(*verification.check);
    lines.insert(lines.end(), damage.begin(), damage.end());
    for (const DamagedFile& file : verification.check->damaged) named.push_back(file.path);
    if (const std::string age = AgeLine(*verification.check, paths); !age.empty())
      lines.push_back(age);
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

std::vector<std::string> SoundLines(const Verification& verification) {
  std::vector<std::string> lines;
  if (verification.check && verification.check->whole())
    lines.push_back("All " + std::to_string(verification.check->result.files.size()) +
                    " files of the set match their recovery files.");
  if (verification.structure)
    lines.push_back(
        "Checked " + std::to_string(verification.structure->pieces_checked) + " pieces and " +
        std::to_string(verification.stored_files) + " stored files: " +
        (verification.structure->ok()
             ? std::string("the structure is sound.")
             : std::to_string(verification.structure->problems.size()) + " problem(s) found."));
  if (!verification.check && !verification.header_damaged())
    lines.emplace_back(
        "This checks the structure only: the format has no checksums, so changed bytes inside a "
        "piece cannot be detected. Recovery files (Protect) make that possible.");
  return lines;
}

}  // namespace vornalis
