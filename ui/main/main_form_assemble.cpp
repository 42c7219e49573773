// TMainForm: Assemble, the start-up assemble and the folder dialog's handlers. Files are rebuilt
// by the engine from the catalogue entries of the rows, never by looking their names up again,
// so two stored files whose names differ only in case both come back.
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTreeView>
#include <algorithm>

#include "engine/messages.h"
#include "engine/rebuild.h"
#include "platform/path.h"
#include "ui/dialogs/assemble_dlg_ext_up.h"
#include "ui/dialogs/error_dlg.h"
#include "ui/dialogs/ext/ap_folder_dlg.h"
#include "ui/dialogs/message_box.h"
#include "ui/main/busy_input.h"
#include "ui/main/file_list_model.h"
#include "ui/main/main_form.h"
#include "ui/main/stored_text.h"

namespace vornalis::ui {
namespace {

// Follows the engine through the entries: a progress step after each (with a share by count,
// as the engine goes in the order the bytes lie), a failure's two lines, and the break-off
// question while entries remain.
class AssembleProgress final : public RebuildObserver {
 public:
  AssembleProgress(TMainForm& form, CallbackGuard& guard, BusyInput& input, TErrorDlg& errors,
                   std::string target, std::size_t count, bool show_progress)
      : form_(form),
        guard_(guard),
        input_(input),
        errors_(errors),
        target_(std::move(target)),
        count_(count),
        show_progress_(show_progress) {}

  // What throws in it is kept in guard and stops the assemble.
  bool Rebuilt(const StoredFile& entry, const Status& status) noexcept override {
    return guard_.Run([&] { return Step(entry, status); }, false);
  }

  std::size_t done() const { return done_; }
  std::size_t failed() const { return failed_; }

 private:
  bool Step(const StoredFile& entry, const Status& status) {
    ++done_;
    const QString name = ShownText(entry.Name);
    if (show_progress_)
      form_.StepProgress(ProgressStep::kAssembling, name, static_cast<int>(done_ * 100 / count_));
    if (!status.ok()) {
      ++failed_;
      errors_.AddErrorLine(ShownText(messages::Assembling(target_ + entry.Name)));
      errors_.AddErrorLine(ShownText(status.message));
    }
    if (form_.EndRequested()) return false;
    if (!show_progress_ || done_ >= count_ || !input_.CheckInterrupt()) return true;
    return MessageBox::Warning(&form_, QStringLiteral("Assembling interrupted, continue?"));
  }

  TMainForm& form_;
  CallbackGuard& guard_;
  BusyInput& input_;
  TErrorDlg& errors_;
  const std::string target_;
  const std::size_t count_;
  const bool show_progress_;
  std::size_t done_ = 0;
  std::size_t failed_ = 0;
};

}  // namespace

void TMainForm::ActionAssembleExecute() {
  if (!CurrentSet_ || Busy_) return;
  // The tree opens at the folder in the box, else at the last one assembled into, else at the
  // set's own folder: never collapsed at the root.
  const QString typed = AssembleDlgExtUp_->EditFolderName->text();
  FileAssembleFolderDialog_->StartFolder =
      fs_.IsDirectory(ToNativePath(typed)) ? typed
      : !LastAssembleFolder_.empty()       ? FromStored(LastAssembleFolder_)
                                     : FromStored(platform::FolderOf(CurrentSet_->BasePath()));
  if (!FileAssembleFolderDialog_->Execute()) return;
  activateWindow();
  ListViewFiles->setFocus();
  const bool panel = FileAssembleFolderDialog_->CustDlgParams.TopForm;
  const QString chosen =
      panel ? AssembleDlgExtUp_->EditFolderName->text() : FileAssembleFolderDialog_->FolderName;
  // An item without a folder gives nothing to rebuild into (never the file system's root).
  if (chosen.isEmpty()) return;
  AssembleInto(platform::WithSeparator(ToNativePath(chosen)));
}

void TMainForm::AssembleInto(const std::string& target_folder) {
  if (!CurrentSet_) return;
  LastAssembleFolder_ = target_folder;
  QModelIndexList selected = ListViewFiles->selectionModel()->selectedRows();
  std::sort(selected.begin(), selected.end(),
            [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  std::vector<int> rows;
  if (selected.isEmpty()) {
    for (int row = 0; row < Model_->rowCount(); ++row) rows.push_back(row);
  } else {
    for (const QModelIndex& index : selected) rows.push_back(index.row());
  }
  const std::vector<StoredFile>& files = CurrentSet_->Files();
  std::vector<const StoredFile*> entries;
  for (int row : rows) {
    const std::size_t entry = Model_->Row(row).entry;
    if (entry < files.size()) entries.push_back(&files[entry]);
  }

  BusyPeriod busy(*this);
  Input_->FlushKeyMessages();
  ErrorDlg_->ClearErrors();
  const bool one = selected.size() == 1;
  if (!one) BeginProgress();
  AssembleProgress progress(*this, Callbacks_, *Input_, *ErrorDlg_, target_folder, entries.size(),
                            !one);
  CurrentSet_->ClearLastError();
  std::size_t failed = 0;
  // The rows are rebuilt top to bottom as the list shows them.
  if (!entries.empty() &&
      !CurrentSet_->ExtractFiles(target_folder, entries, &progress, RebuildOrder::kAsGiven)) {
    // The target could not be opened or made: nothing was rebuilt.
    failed = entries.size() - progress.done();
    ErrorDlg_->AddErrorLine(ShownText(messages::Assembling(target_folder)));
    ErrorDlg_->AddErrorLine(ShownText(CurrentSet_->LastError()));
  }
  failed += progress.failed();
  if (!one) EndProgress(BusyCaption_);
  // A failure inside a callback stopped the assemble; it is the command's to report now.
  Callbacks_.RethrowCaught();
  if (failed > 0) {
    ErrorDlg_->AddErrorLine(ShownText(messages::ErrorsOccured(failed)));
    ErrorDlg_->Execute();
  }
  ShowTotals();
}

void TMainForm::AssembleAtStartUp() {
  OpenPieceFile(Command_.PieceFilePath);
  if (!SetOpen_) return;
  const std::string& target = Command_.AssembleTarget;
  if (target.empty()) {
    ActionAssembleExecute();
    return;
  }
  if (!fs_.IsDirectory(target) && !fs_.CreateDirectory(target).ok()) {
    ActionAssembleExecute();
    return;
  }
  AssembleInto(platform::WithSeparator(target));
}

void TMainForm::FileAssembleFolderDialogSelectionChange() {
  if (!FileAssembleFolderDialog_->CustDlgParams.TopForm) return;
  AssembleDlgExtUp_->EditFolderName->setText(FileAssembleFolderDialog_->CurrentPath);
}

void TMainForm::FileAssembleFolderDialogCanClose(bool& can_close) {
  can_close = true;
  if (!FileAssembleFolderDialog_->CustDlgParams.TopForm) return;
  QWidget* parent = FileAssembleFolderDialog_->Dialog();
  if (!parent) parent = this;
  const QString text = AssembleDlgExtUp_->EditFolderName->text();
  const std::string folder = ToNativePath(text);
  if (!text.isEmpty() && fs_.IsDirectory(folder)) return;
  can_close = false;
  if (!MessageBox::Warning(parent, QStringLiteral("Folder ") + text +
                                       QStringLiteral(" doesn't exist, do you want to create it?")))
    return;
  // One level only: the parent must exist.
  if (!text.isEmpty() && fs_.CreateDirectory(folder).ok()) {
    can_close = true;
    return;
  }
  MessageBox::Error(parent, QStringLiteral("The folder path you've specified is wrong!"));
}

}  // namespace vornalis::ui
