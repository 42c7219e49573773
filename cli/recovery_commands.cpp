// protect, verify and repair: recovery files beside a set, checking the set's structure and,
// where recovery files are there, every byte of its pieces, and rebuilding what is lost.
#include <cstdio>

#include "cli/commands.h"
#include "cli/open_set.h"
#include "cli/progress.h"
#include "cli/shown_name.h"
#include "engine/messages.h"
#include "engine/recovery_report.h"
#include "engine/set_recovery.h"
#include "engine/set_verification.h"
#include "engine/size_text.h"
#include "platform/interrupts.h"
#include "platform/path.h"
#include "recovery/galois.h"

namespace vornalis::cli {
namespace {

// Shows how far the work has come, and stops it on Ctrl-C.
class RecoveryProgress final : public recovery::Progress {
 public:
  RecoveryProgress(ProgressLine& line, std::string what) : line_(line), what_(std::move(what)) {}
  bool Step(std::uint64_t done, std::uint64_t total) noexcept override {
    line_.Update(total == 0 ? 100 : static_cast<int>(done * 100 / total), what_, done);
    return !platform::InterruptGuard::Requested();
  }

 private:
  ProgressLine& line_;
  std::string what_;
};

recovery::WorkOptions Work(const CommonOptions& options) {
  recovery::WorkOptions work;
  work.threads = ThreadCount(options);
  if (options.memory_mb > 0) work.memory = std::uint64_t{options.memory_mb} << 20;
  return work;
}

void PrintWarnings(const std::vector<std::string>& warnings) {
  for (const std::string& warning : warnings) PrintError("Warning: " + warning);
}

void PrintLines(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) std::printf("%s\n", ShownName(line).c_str());
}

}  // namespace

int ProtectCommand(const std::string& set_argument, unsigned redundancy, unsigned files,
                   const CommonOptions& options) {
  platform::InterruptGuard interrupt;
  const Result<SetPaths> paths = IdentifySetFile(set_argument);
  if (!paths.ok()) {
    PrintError(messages::Explained(paths.status()));
    return kFailed;
  }
  return ProtectSetAt(*paths, redundancy, files, options);
}

int ProtectSetAt(const SetPaths& paths, unsigned redundancy, unsigned files,
                 const CommonOptions& options) {
  ProtectRequest request;
  request.redundancy_percent = redundancy;
  request.recovery_files = files;
  request.work = Work(options);
  ProgressLine line(options.quiet);
  RecoveryProgress progress(line, "protecting " + platform::FileNameOf(paths.Header()));
  const Result<ProtectReport> report =
      ProtectSet(platform::RealFileSystem(), paths, request, &progress);
  line.Finish();
  if (!report.ok()) {
    if (platform::InterruptGuard::Requested()) {
      PrintError("Interrupted: no recovery file was written; older ones are as they were");
      return platform::InterruptGuard::ExitStatus();
    }
    PrintError(messages::Explained(report.status()));
    return kFailed;
  }
  PrintLines(ProtectLines(*report, paths));
  for (const std::string& path : report->outcome.written)
    std::printf("Wrote %s\n", ShownName(path).c_str());
  std::printf("Read the set %u time%s, holding %s of recovery data at once; %s arithmetic.\n",
              report->outcome.passes, report->outcome.passes == 1 ? "" : "s",
              SizeText(report->outcome.recovery_memory).c_str(),
              std::string(recovery::gf::EngineName(recovery::gf::BestEngine())).c_str());
  return kOk;
}

int VerifyCommand(const std::string& set_argument, const CommonOptions& options) {
  platform::InterruptGuard interrupt;
  const Result<SetPaths> paths = SetOrRecoverable(platform::RealFileSystem(), set_argument);
  if (!paths.ok()) {
    PrintError(messages::Explained(paths.status()));
    return kFailed;
  }
  ProgressLine line(options.quiet);
  RecoveryProgress progress(line, "checking " + platform::FileNameOf(paths->Header()));
  const Result<Verification> found =
      VerifySetWhole(platform::RealFileSystem(), *paths, Work(options), &progress);
  line.Finish();
  if (!found.ok()) {
    PrintError(platform::InterruptGuard::Requested() ? "Interrupted"
                                                     : messages::Explained(found.status()));
    return platform::InterruptGuard::Requested() ? platform::InterruptGuard::ExitStatus() : kFailed;
  }
  // Recovery files that are there but none of them usable are named; the check is then of the
  // structure alone.
  if (found->recovery.code == Status::Code::kRefused) PrintError(found->recovery.message);
  PrintWarnings(found->warnings);
  PrintLines(VerificationLines(*found, *paths));
  PrintLines(SoundLines(*found));
  return found->whole() ? kOk : kFailed;
}

int RepairCommand(const std::string& set_argument, bool put_back_header,
                  const CommonOptions& options) {
  platform::InterruptGuard interrupt;
  const Result<SetPaths> paths = SetOrRecoverable(platform::RealFileSystem(), set_argument);
  if (!paths.ok()) {
    PrintError(messages::Explained(paths.status()));
    return kFailed;
  }
  platform::FileSystem& fs = platform::RealFileSystem();
  const Result<SetRecovery> recovery = LoadSetRecovery(fs, *paths, Work(options).threads);
  if (!recovery.ok()) {
    PrintError(recovery.status().message);
    return kFailed;
  }
  PrintWarnings(recovery->warnings);
  ProgressLine line(options.quiet);
  RecoveryProgress progress(line, "repairing " + platform::FileNameOf(paths->Header()));
  const Result<SetRepair> repair =
      RepairSet(fs, *paths, *recovery, Work(options), &progress,
                put_back_header ? HeaderRepair::kPutBack : HeaderRepair::kWhenDamaged);
  line.Finish();
  // Ctrl-C stops the repair only before the rebuilt files are put in place; one that comes
  // later finds the repair done, and the set whole is what is reported.
  if (!repair.ok()) {
    if (platform::InterruptGuard::Requested()) {
      PrintError("Interrupted: nothing was changed");
      return platform::InterruptGuard::ExitStatus();
    }
    PrintError(messages::Explained(repair.status()));
    if (repair.status().code == Status::Code::kNameTaken) PrintError("Nothing was repaired.");
    return kFailed;
  }
  const RepairOutcome outcome = DescribeRepair(*repair, *paths);
  PrintLines(outcome.lines);
  if (outcome.header_differs)
    std::printf("%s\n",
                ShownName("To put the protected header back: vornalis-cli repair --header " +
                          paths->Header() + ". If the set holds what it should, protect it again.")
                    .c_str());
  return outcome.whole ? kOk : kFailed;
}

}  // namespace vornalis::cli
