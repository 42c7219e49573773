// TMainForm: recovery files for the open set. Verify checks the set's structure and, where
// recovery files lie beside it, every byte of its pieces; Protect... makes recovery files;
// Repair rebuilds lost and damaged pieces from them. Each works on the set as it lies closed:
// the set is closed first (its catalogue written) and opened again afterwards. A set that
// cannot be used whole when it is opened, and that has recovery files, is offered a repair;
// an add to a protected set is offered a new protection.
#include <algorithm>

#include "engine/messages.h"
#include "engine/piece_set.h"
#include "engine/set_recovery.h"
#include "engine/size_text.h"
#include "engine/verify.h"
#include "platform/path.h"
#include "ui/dialogs/error_dlg.h"
#include "ui/dialogs/message_box.h"
#include "ui/dialogs/protect_dlg.h"
#include "ui/main/busy_input.h"
#include "ui/main/main_form.h"
#include "ui/main/stored_text.h"

namespace vornalis::ui {
namespace {

// Steps the busy display as recovery work goes on; a key or a click asks whether to go on.
class RecoveryProgress final : public recovery::Progress {
 public:
  RecoveryProgress(TMainForm& form, CallbackGuard& guard, BusyInput& input, ProgressStep step,
                   QString name)
      : form_(form), guard_(guard), input_(input), step_(step), name_(std::move(name)) {}

  bool Step(std::uint64_t done, std::uint64_t total) noexcept override {
    const bool go_on = guard_.Run(
        [&] {
          form_.StepProgress(step_, name_, total == 0 ? 100 : static_cast<int>(done * 100 / total));
          if (form_.EndRequested()) return false;
          if (!input_.CheckInterrupt()) return true;
          return MessageBox::Warning(&form_, QStringLiteral("Interrupted, continue?"));
        },
        false);
    stopped_ = stopped_ || !go_on;
    return go_on;
  }
  // Whether the user (or a failure in the display) stopped the work.
  bool Stopped() const { return stopped_; }

 private:
  TMainForm& form_;
  CallbackGuard& guard_;
  BusyInput& input_;
  ProgressStep step_;
  QString name_;
  bool stopped_ = false;
};

QString Joined(const std::vector<std::string>& names) {
  QStringList shown;
  for (std::size_t i = 0; i < names.size() && i < 10; ++i) shown.append(ShownText(names[i]));
  if (names.size() > 10) shown.append(QStringLiteral("and %1 more").arg(names.size() - 10));
  return shown.join(QStringLiteral(", "));
}

// A missing or damaged file of the set, and the stored files it holds: one or two lines.
QStringList LostLines(const DamagedFile& file) {
  QStringList lines{ShownText(file.path) +
                    (file.missing ? QStringLiteral(" is missing") : QStringLiteral(" is damaged"))};
  if (!file.affected.empty()) lines.append(QStringLiteral("  affects: ") + Joined(file.affected));
  return lines;
}

// What is lost of a set, in a few lines however much it is: its files that are missing and
// those that are damaged, in the order of their pieces, and the stored files with bytes in them.
QStringList LostSummary(std::vector<DamagedFile> lost) {
  std::stable_sort(lost.begin(), lost.end(),
                   [](const DamagedFile& a, const DamagedFile& b) { return a.piece < b.piece; });
  std::vector<std::string> missing, damaged, affected;
  for (const DamagedFile& file : lost) {
    (file.missing ? missing : damaged).push_back(platform::FileNameOf(file.path));
    for (const std::string& stored : file.affected)
      if (std::find(affected.begin(), affected.end(), stored) == affected.end())
        affected.push_back(stored);
  }
  QStringList lines;
  if (!missing.empty()) lines.append(QStringLiteral("Missing: ") + Joined(missing) + '.');
  if (!damaged.empty()) lines.append(QStringLiteral("Damaged: ") + Joined(damaged) + '.');
  if (!affected.empty())
    lines.append(QStringLiteral("Stored files with bytes in them: %1 (%2).")
                     .arg(affected.size())
                     .arg(Joined(affected)));
  return lines;
}

}  // namespace

template <typename Work>
void TMainForm::WithSetClosed(ProgressStep step, Work work) {
  if (!CurrentSet_ || Busy_) return;
  const SetPaths paths = CurrentSet_->Paths();
  CloseCurrentSet();
  ClearFileList();
  {
    BusyPeriod busy(*this);
    BusySetName_ = ShownText(SetNameOf(paths.base));
    BeginProgress();
    RecoveryProgress progress(*this, Callbacks_, *Input_, step,
                              ShownText(platform::FileNameOf(paths.Header())));
    work(paths, progress);
    EndProgress(BusyCaption_);
  }
  OpenPieceFile(paths.Header());
  Callbacks_.RethrowCaught();
}

void TMainForm::ActionVerifyExecute() {
  WithSetClosed(ProgressStep::kChecking, [this](const SetPaths& paths, RecoveryProgress& progress) {
    ErrorDlg_->ClearErrors();
    bool whole = true;
    // The structure first (entries of the catalogue, pieces' heads and lengths)...
    std::vector<std::string> named;  // pieces the structure's check named already
    PieceSet set(paths, SetAccess::kReadOnly, fs_);
    if (set.CatalogueRead()) {
      for (const VerifyProblem& problem : VerifySet(set).problems) {
        ErrorDlg_->AddErrorLine(ShownText(problem.status.message));
        ErrorDlg_->AddErrorLine(QStringLiteral("  affects: ") + Joined(problem.affected));
        named.push_back(problem.status.path);
        whole = false;
      }
    }
    // ...then, with recovery files, every byte, and whether a repair can rebuild what is lost.
    const Result<SetRecovery> recovery = LoadSetRecovery(fs_, paths);
    // Recovery files that are there but none of them usable are named.
    if (recovery.status().code == Status::Code::kRefused) {
      ErrorDlg_->AddErrorLine(ShownText(recovery.status().message));
      whole = false;
    }
    if (recovery.ok()) {
      for (const std::string& warning : recovery->warnings)
        ErrorDlg_->AddErrorLine(ShownText(warning));
      const Result<SetCheck> check =
          CheckSet(fs_, paths, *recovery, recovery::WorkOptions{}, &progress);
      if (!check.ok()) {
        ErrorDlg_->AddErrorLine(ShownText(messages::Explained(check.status())));
        whole = false;
      } else if (!check->whole()) {
        whole = false;
        for (const DamagedFile& file : check->damaged) {
          if (std::find(named.begin(), named.end(), file.path) != named.end()) continue;
          for (const QString& line : LostLines(file)) ErrorDlg_->AddErrorLine(line);
        }
        if (!check->damaged.empty())
          ErrorDlg_->AddErrorLine(
              QStringLiteral("%1 blocks are missing or damaged; %2 recovery blocks exist: %3")
                  .arg(check->result.bad_slices)
                  .arg(check->result.recovery_slices)
                  .arg(check->result.repairable() ? QStringLiteral("Repair can rebuild them.")
                                                  : QStringLiteral("too much is lost to repair.")));
        if (const std::string age = AgeMessage(check->age, paths.Header()); !age.empty())
          ErrorDlg_->AddErrorLine(ShownText(age) + QStringLiteral("."));
      }
    }
    if (!set.CatalogueRead() && whole) {
      ErrorDlg_->AddErrorLine(ShownText(messages::Explained(set.LastStatus())));
      whole = false;
    }
    if (!whole) {
      ErrorDlg_->Execute();
      return;
    }
    MessageBox::Information(
        this, ShownText(paths.Header()) +
                  (recovery.ok()
                       ? QStringLiteral(" is sound: every piece matches its recovery files.")
                       : QStringLiteral(" is sound in its structure. Without recovery files "
                                        "(Protect) the bytes in its pieces cannot be checked.")));
  });
}

void TMainForm::ActionProtectExecute() {
  if (!CurrentSet_ || Busy_ || !ProtectDlg_->Execute()) return;
  ProtectOpenSet(ProtectDlg_->Redundancy());
}

void TMainForm::ProtectOpenSet(unsigned redundancy) {
  WithSetClosed(ProgressStep::kProtecting, [this, redundancy](const SetPaths& paths,
                                                              RecoveryProgress& progress) {
    ProtectRequest request;
    request.redundancy_percent = redundancy;
    const Result<ProtectReport> report = ProtectSet(fs_, paths, request, &progress);
    if (!report.ok()) {
      if (!Callbacks_.Caught() && !report.status().message.empty())
        MessageBox::Error(this, ShownText(messages::Explained(report.status())));
      return;
    }
    MessageBox::Information(
        this, QStringLiteral("%1 recovery files were made beside %2, with %3 recovery "
                             "blocks of %4 bytes. %5")
                  .arg(report->outcome.written.size())
                  .arg(ShownText(platform::FileNameOf(paths.Header())))
                  .arg(report->plan.recovery_slices)
                  .arg(report->plan.slice_size)
                  .arg(QString::fromStdString(messages::RecoveryCovers(
                      report->plan.files_covered, report->plan.percent_covered))));
  });
}

void TMainForm::ActionRepairExecute() {
  if (!CurrentSet_) return;
  RepairSetAt(CurrentSet_->Paths());
}

bool TMainForm::RepairSetAt(const SetPaths& paths) {
  bool repaired = false;
  const auto repair = [&](const SetPaths& at, RecoveryProgress& progress) {
    const Result<SetRecovery> recovery = LoadSetRecovery(fs_, at);
    if (!recovery.ok()) {
      MessageBox::Error(this, ShownText(recovery.status().message));
      return;
    }
    const Result<SetRepair> rebuilt =
        RepairSet(fs_, at, *recovery, recovery::WorkOptions{}, &progress);
    if (rebuilt.ok() && rebuilt->check.whole()) {
      MessageBox::Information(
          this, ShownText(at.Header()) +
                    QStringLiteral(" matches its recovery files: nothing to repair."));
      return;
    }
    if (!rebuilt.ok()) {
      if (!Callbacks_.Caught() && !progress.Stopped())
        MessageBox::Error(this, ShownText(messages::Explained(rebuilt.status())));
      return;
    }
    // Recovery files older than the set repair only the pieces it still uses unchanged.
    if (rebuilt->check.age != RecoveryAge::kCurrent) {
      QString text;
      if (!rebuilt->repaired.empty()) {
        QStringList names;
        for (const std::string& path : rebuilt->repaired)
          names.append(ShownText(platform::FileNameOf(path)));
        text =
            QStringLiteral("Repaired ") + names.join(QStringLiteral(", ")) + QStringLiteral(".\n");
      }
      MessageBox::Information(this, text + ShownText(AgeMessage(rebuilt->check.age, at.Header())) +
                                        QStringLiteral("."));
      return;
    }
    repaired = true;
    QStringList names;
    for (const std::string& path : rebuilt->repaired)
      names.append(ShownText(platform::FileNameOf(path)));
    MessageBox::Information(this, QStringLiteral("Repaired ") + names.join(QStringLiteral(", ")) +
                                      QStringLiteral(". The set is whole again."));
  };
  if (CurrentSet_ && CurrentSet_->Paths().Header() == paths.Header()) {
    WithSetClosed(ProgressStep::kRepairing, repair);
    return repaired;
  }
  // A set that did not open: repaired, then opened.
  {
    BusyPeriod busy(*this);
    BusySetName_ = ShownText(SetNameOf(paths.base));
    BeginProgress();
    RecoveryProgress progress(*this, Callbacks_, *Input_, ProgressStep::kRepairing,
                              ShownText(platform::FileNameOf(paths.Header())));
    repair(paths, progress);
    EndProgress(BusyCaption_);
  }
  Callbacks_.RethrowCaught();
  if (repaired) OpenPieceFile(paths.Header());
  return repaired;
}

TMainForm::RepairOffer TMainForm::OfferRepair(const SetPaths& paths, const std::string& problem) {
  if (FindRecoveryFiles(fs_, paths).empty()) return RepairOffer::kNone;
  // Whether a repair can rebuild what is lost is known once every piece has been checked
  // against the recovery files.
  QString cannot;  // why it cannot, when it cannot
  bool repairable = false;
  {
    BusyPeriod busy(*this);
    BusySetName_ = ShownText(SetNameOf(paths.base));
    BeginProgress();
    RecoveryProgress progress(*this, Callbacks_, *Input_, ProgressStep::kChecking,
                              ShownText(platform::FileNameOf(paths.Header())));
    const Result<SetRecovery> recovery = LoadSetRecovery(fs_, paths);
    const Result<SetCheck> check =
        recovery.ok() ? CheckSet(fs_, paths, *recovery, recovery::WorkOptions{}, &progress)
                      : Result<SetCheck>(recovery.status());
    EndProgress(BusyCaption_);
    if (check.ok() && check->damaged.empty() && check->age != RecoveryAge::kCurrent) {
      // Recovery files older than the set cover nothing that is lost.
      cannot = ShownText(AgeMessage(check->age, paths.Header())) + QLatin1Char('.');
    } else if (check.ok() && !check->damaged.empty()) {
      repairable = check->result.repairable();
      if (!repairable) {
        QStringList lines{QStringLiteral("Too much is lost to repair.")};
        lines.append(LostSummary(check->damaged));
        const std::uint64_t block = recovery->set.slice_size;
        const std::uint32_t bad = check->result.bad_slices;
        lines.append(ShownText(messages::RepairWouldNeed(bad, check->result.recovery_slices, block,
                                                         SizeText(bad * block))) +
                     QLatin1Char('.'));
        cannot = lines.join(QLatin1Char('\n'));
      }
    } else if (!check.ok() && !progress.Stopped() && !Callbacks_.Caught()) {
      cannot = ShownText(messages::Explained(check.status())) + QLatin1Char('.');
    }
  }
  Callbacks_.RethrowCaught();
  if (!cannot.isEmpty()) {
    MessageBox::Error(this, ShownText(problem) + QLatin1Char('\n') + cannot);
    return RepairOffer::kTold;
  }
  // Recovery files that find nothing lost, or a check the user stopped, offer nothing.
  if (!repairable ||
      !MessageBox::Warning(
          this, ShownText(problem) +
                    QStringLiteral("\nRecovery files lie beside the set. Repair it now?")))
    return RepairOffer::kNone;
  return RepairSetAt(paths) ? RepairOffer::kRepaired : RepairOffer::kTold;
}

}  // namespace vornalis::ui
