// Session: recovery files for the open set. Verify checks the set's structure and, where
// recovery files lie beside it, every byte of its pieces; Protect makes recovery files; Repair
// rebuilds lost and damaged pieces from them. Each works on the set as it lies committed: the set
// is closed first and opened again afterwards. A set that cannot be used whole when it is
// opened, and that has recovery files, is offered a repair when one can succeed.
#include "desktop/busy_period.h"
#include "desktop/session.h"
#include "engine/messages.h"
#include "engine/recovery_report.h"
#include "engine/set_recovery.h"
#include "engine/set_verification.h"
#include "engine/size_text.h"
#include "platform/path.h"

namespace vornalis::desktop {
namespace {

std::vector<std::string> ShownLines(const std::vector<std::string>& lines) {
  std::vector<std::string> shown;
  for (const std::string& line : lines) shown.push_back(texts::Shown(line));
  return shown;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
  return text;
}

}  // namespace

// Steps the busy display as recovery work goes on; a key or a click asks whether to go on.
class Session::RecoveryProgress final : public recovery::Progress {
 public:
  RecoveryProgress(Session& session, texts::Step step, std::string shown_name)
      : session_(session), step_(step), name_(std::move(shown_name)) {}

  bool Step(std::uint64_t done, std::uint64_t total) noexcept override {
    const bool go_on = session_.callbacks_.Run(
        [&] {
          return session_.PacedStep(
              step_, [this] { return name_; },
              total == 0 ? 100 : static_cast<int>(done * 100 / total), done >= total);
        },
        false);
    stopped_ = stopped_ || !go_on;
    return go_on;
  }
  // Whether the user (or a failure in the face) stopped the work.
  bool Stopped() const { return stopped_; }

 private:
  Session& session_;
  texts::Step step_;
  std::string name_;
  bool stopped_ = false;
};

template <typename Work>
void Session::WithSetClosed(texts::Step step, Work work) {
  if (!current_set_ || busy_) return;
  const SetPaths paths = current_set_->Paths();
  CloseCurrentSet();
  ClearFileList();
  {
    BusyPeriod busy(*this);
    busy_set_name_ = texts::Shown(SetNameOf(paths.base));
    BeginProgress();
    RecoveryProgress progress(*this, step, texts::Shown(platform::FileNameOf(paths.Header())));
    work(paths, progress);
    EndProgress();
  }
  OpenPieceFile(paths.Header());
  callbacks_.RethrowCaught();
}

void Session::Verify() {
  WithSetClosed(texts::Step::kChecking, [this](const SetPaths& paths, RecoveryProgress& progress) {
    const Result<Verification> found =
        VerifySetWhole(fs_, paths, recovery::WorkOptions{}, &progress);
    if (!found.ok()) {
      if (!callbacks_.Caught() && !progress.Stopped())
        view_.ErrorList({texts::Shown(messages::Explained(found.status()))});
      return;
    }
    if (!found->whole()) {
      std::vector<std::string> lines;
      // Recovery files that are there but none of them usable are named, and so is each that
      // is damaged or not the set's.
      if (found->recovery.code == Status::Code::kRefused) lines.push_back(found->recovery.message);
      lines.insert(lines.end(), found->warnings.begin(), found->warnings.end());
      const std::vector<std::string> report = VerificationLines(*found, paths);
      lines.insert(lines.end(), report.begin(), report.end());
      view_.ErrorList(ShownLines(lines));
      return;
    }
    view_.Information(Joined(ShownLines(SoundLines(*found))));
  });
}

void Session::Protect() {
  if (!current_set_) return;
  const std::optional<unsigned> redundancy = view_.ChooseRedundancy();
  if (!redundancy) return;
  redundancy_ = *redundancy;
  ProtectOpenSet(redundancy_);
}

void Session::ProtectOpenSet(unsigned redundancy) {
  WithSetClosed(texts::Step::kProtecting,
                [this, redundancy](const SetPaths& paths, RecoveryProgress& progress) {
                  ProtectRequest request;
                  request.redundancy_percent = redundancy;
                  const Result<ProtectReport> report = ProtectSet(fs_, paths, request, &progress);
                  if (!report.ok()) {
                    if (!callbacks_.Caught() && !report.status().message.empty())
                      view_.Error(texts::Shown(messages::Explained(report.status())));
                    return;
                  }
                  view_.Information(Joined(ShownLines(ProtectLines(*report, paths))));
                });
}

bool Session::RepairSetAt(const SetPaths& paths) {
  bool repaired = false;
  // Asked once the header in force turned out not to be the one protected: put it back.
  bool put_back = false;
  const auto repair = [&](const SetPaths& at, RecoveryProgress& progress) {
    const Result<SetRecovery> recovery = LoadSetRecovery(fs_, at);
    if (!recovery.ok()) {
      view_.Error(texts::Shown(recovery.status().message));
      return;
    }
    const Result<SetRepair> rebuilt =
        RepairSet(fs_, at, *recovery, recovery::WorkOptions{}, &progress,
                  put_back ? HeaderRepair::kPutBack : HeaderRepair::kWhenDamaged);
    if (!rebuilt.ok()) {
      if (!callbacks_.Caught() && !progress.Stopped())
        view_.Error(texts::Shown(messages::Explained(rebuilt.status())));
      return;
    }
    const RepairOutcome outcome = DescribeRepair(*rebuilt, at);
    const std::string text = Joined(ShownLines(outcome.lines));
    if (outcome.header_differs) {
      put_back = !put_back && view_.Warning(texts::PutBackHeaderQuestion(text));
      return;
    }
    repaired = outcome.whole;
    (outcome.whole ? view_.Information(text) : view_.ErrorList(ShownLines(outcome.lines)));
  };
  const bool open = current_set_ && current_set_->Paths().Header() == paths.Header();
  for (int pass = 0; pass < 2; ++pass) {
    const bool asked = put_back;
    if (open) {
      WithSetClosed(texts::Step::kRepairing, repair);
    } else {
      // A set that did not open: repaired, then opened.
      BusyPeriod busy(*this);
      busy_set_name_ = texts::Shown(SetNameOf(paths.base));
      BeginProgress();
      RecoveryProgress progress(*this, texts::Step::kRepairing,
                                texts::Shown(platform::FileNameOf(paths.Header())));
      repair(paths, progress);
      EndProgress();
    }
    callbacks_.RethrowCaught();
    // A second pass only when the user asked for the protected header back.
    if (asked || !put_back) break;
  }
  if (!open && repaired) OpenPieceFile(paths.Header());
  return repaired;
}

Session::RepairOffer Session::OfferRepair(const SetPaths& paths, const std::string& problem) {
  if (FindRecoveryFiles(fs_, paths).empty()) return RepairOffer::kNone;
  // Whether a repair can rebuild what is lost is known once every piece has been checked
  // against the recovery files.
  std::string cannot;  // why it cannot, when it cannot
  bool repairable = false;
  {
    BusyPeriod busy(*this);
    busy_set_name_ = texts::Shown(SetNameOf(paths.base));
    BeginProgress();
    RecoveryProgress progress(*this, texts::Step::kChecking,
                              texts::Shown(platform::FileNameOf(paths.Header())));
    const Result<SetRecovery> recovery = LoadSetRecovery(fs_, paths);
    const Result<SetCheck> check =
        recovery.ok() ? CheckSet(fs_, paths, *recovery, recovery::WorkOptions{}, &progress)
                      : Result<SetCheck>(recovery.status());
    EndProgress();
    if (check.ok() && check->damaged.empty() && check->age != RecoveryAge::kCurrent) {
      // Recovery files that do not protect the header in force cover nothing that is lost.
      cannot = texts::Shown(AgeLine(*check, paths));
    } else if (check.ok() && !check->damaged.empty()) {
      repairable = check->repairable();
      if (!repairable) {
        std::vector<std::string> lines{std::string(messages::kTooMuchLost) + "."};
        for (const std::string& line : LostSummary(check->damaged))
          lines.push_back(texts::Shown(line));
        const std::uint64_t block = recovery->set.slice_size;
        const std::uint32_t bad = check->result.bad_slices;
        lines.push_back(texts::Shown(messages::RepairWouldNeed(bad, check->result.recovery_slices,
                                                               block, SizeText(bad * block))) +
                        ".");
        cannot = Joined(lines);
      }
    } else if (!check.ok() && !progress.Stopped() && !callbacks_.Caught()) {
      cannot = texts::Shown(messages::Explained(check.status())) + ".";
    }
  }
  callbacks_.RethrowCaught();
  if (!cannot.empty()) {
    view_.Error(texts::Shown(problem) + "\n" + cannot);
    return RepairOffer::kTold;
  }
  // Recovery files that find nothing lost, or a check the user stopped, offer nothing.
  if (!repairable || !view_.Warning(texts::RepairOffer(texts::Shown(problem))))
    return RepairOffer::kNone;
  return RepairSetAt(paths) ? RepairOffer::kRepaired : RepairOffer::kTold;
}

}  // namespace vornalis::desktop
