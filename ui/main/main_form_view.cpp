// TMainForm as the session's view: its message boxes, dialogs, list, caption, status line and
// busy display. Texts come from the session ready to show; they are only turned into QStrings.
#include <QApplication>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QToolBar>
#include <QTreeView>
#include <algorithm>

#include "desktop/texts.h"
#include "ui/dialogs/about_dlg.h"
#include "ui/dialogs/assemble_dlg_ext_up.h"
#include "ui/dialogs/choose_size.h"
#include "ui/dialogs/error_dlg.h"
#include "ui/dialogs/ext/ap_folder_dlg.h"
#include "ui/dialogs/ext/ap_open_dlg.h"
#include "ui/dialogs/file_dialog.h"
#include "ui/dialogs/file_new_dialog_ext_lower.h"
#include "ui/dialogs/message_box.h"
#include "ui/dialogs/protect_dlg.h"
#include "ui/help/help_window.h"
#include "ui/main/busy_input.h"
#include "ui/main/file_list_model.h"
#include "ui/main/main_form.h"
#include "ui/main/stored_text.h"
#include "ui/widgets/friendly_status_bar.h"

namespace vornalis::ui {
namespace {

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QWidget* TMainForm::Asking() {
  // A question the session asks while one of its dialogs is open goes over that dialog.
  QWidget* modal = QApplication::activeModalWidget();
  return modal != nullptr ? modal : this;
}

void TMainForm::Error(const std::string& text) { MessageBox::Error(Asking(), Text(text)); }

bool TMainForm::Warning(const std::string& text) {
  return MessageBox::Warning(Asking(), Text(text));
}

void TMainForm::Information(const std::string& text) {
  MessageBox::Information(Asking(), Text(text));
}

void TMainForm::ErrorList(const std::vector<std::string>& lines) {
  ErrorDlg_->ClearErrors();
  for (const std::string& line : lines) ErrorDlg_->AddErrorLine(Text(line));
  ErrorDlg_->Execute();
}

std::optional<desktop::NewSetChoice> TMainForm::ChooseNewSet(
    const std::string& start_folder,
    const std::function<bool(const desktop::PieceSizeChoice& size)>& may_close) {
  FileNewDialog_->InitialDir = FromStored(start_folder);
  FileNewDialog_->FileName.clear();
  // The dialog closes only on the session's word about the panel's size.
  FileNewDialog_->OnCanClose = [this, &may_close](TApCustomOpenDialog*, bool& can_close) {
    can_close = may_close(FileNewDialogExtLower_->Choice());
  };
  const bool chosen = FileNewDialog_->Execute();
  FileNewDialog_->OnCanClose = nullptr;
  if (!chosen) return std::nullopt;
  return desktop::NewSetChoice{ToNativePath(FileNewDialog_->FileName),
                               FileNewDialogExtLower_->Choice()};
}

std::optional<desktop::PieceSizeChoice> TMainForm::ChoosePieceSize() {
  TChooseSize dialog(this);
  if (!dialog.Execute()) return std::nullopt;
  return dialog.Choice();
}

std::optional<std::string> TMainForm::ChooseSetFile(const std::string& start_folder) {
  const QString path =
      FileDialog::GetOpenFileName(this, Text(desktop::texts::kSetFilter), FromStored(start_folder));
  if (path.isEmpty()) return std::nullopt;
  return ToNativePath(path);
}

std::vector<std::string> TMainForm::ChooseFilesToAdd() {
  FileAddDialog_->FileName.clear();
  std::vector<std::string> paths;
  if (!FileAddDialog_->Execute()) return paths;
  for (const QString& file : FileAddDialog_->Files) paths.push_back(ToNativePath(file));
  return paths;
}

std::optional<std::string> TMainForm::ChooseFolderToAdd(const std::string& start_folder) {
  if (!start_folder.empty()) FileAddFolderDialog_->StartFolder = FromStored(start_folder);
  if (!FileAddFolderDialog_->Execute() || FileAddFolderDialog_->FolderName.isEmpty())
    return std::nullopt;
  return ToNativePath(FileAddFolderDialog_->FolderName);
}

std::optional<std::string> TMainForm::ChooseAssembleFolder(
    const std::string& start_folder,
    const std::function<bool(const std::string& folder)>& may_close) {
  FileAssembleFolderDialog_->StartFolder = FromStored(start_folder);
  // With its panel, the dialog closes only on the session's word about the folder in the box.
  FileAssembleFolderDialog_->OnCanClose = [this, &may_close](TApCustomFolderDialog*,
                                                             bool& can_close) {
    can_close = !FileAssembleFolderDialog_->CustDlgParams.TopForm ||
                may_close(ToNativePath(AssembleDlgExtUp_->EditFolderName->text()));
  };
  const bool chosen = FileAssembleFolderDialog_->Execute();
  FileAssembleFolderDialog_->OnCanClose = nullptr;
  if (!chosen) return std::nullopt;
  activateWindow();
  ListViewFiles->setFocus();
  const bool panel = FileAssembleFolderDialog_->CustDlgParams.TopForm;
  return ToNativePath(panel ? AssembleDlgExtUp_->EditFolderName->text()
                            : FileAssembleFolderDialog_->FolderName);
}

std::optional<unsigned> TMainForm::ChooseRedundancy() {
  if (!ProtectDlg_->Execute()) return std::nullopt;
  return ProtectDlg_->Redundancy();
}

void TMainForm::ListReset() {
  if (Model_) Model_->Reset();
}

void TMainForm::RowsAppended(std::size_t first, std::size_t count) {
  if (Model_) Model_->Appended(first, count);
}

void TMainForm::RowsSorted(const std::vector<std::size_t>& place) {
  if (Model_) Model_->Sorted(place);
}

void TMainForm::SortMarkChanged(desktop::FileList::Mark) {
  if (Model_) Model_->MarkChanged();
}

void TMainForm::Caption(const std::string& text) { setWindowTitle(Text(text)); }

void TMainForm::Status(StatusPanel panel, const std::string& text) {
  if (!StatusLine) return;
  StatusLine->SetPanelText(static_cast<int>(panel), Text(text));
  // A command may keep the event loop busy between steps, so paint now.
  StatusLine->repaint();
}

void TMainForm::CommandsChanged() {
  for (const auto& [command, action] : Actions_)
    action->setEnabled(session_ ? session_->Enabled(command) : desktop::Enabled(command, {}));
  // While a long command runs nothing else may start, by button, menu or key.
  const bool idle = !session_ || !session_->Busy();
  SpeedBar->setEnabled(idle);
  for (QMenu* menu : Menus_) {
    menu->setEnabled(idle);
    menu->menuAction()->setEnabled(idle);
  }
  // The input of a long command is watched while it runs.
  if (!idle && !Input_) Input_ = std::make_unique<BusyInput>(this);
  if (idle) Input_.reset();
}

std::vector<std::size_t> TMainForm::SelectedRows() {
  std::vector<std::size_t> rows;
  for (const QModelIndex& index : ListViewFiles->selectionModel()->selectedRows())
    rows.push_back(static_cast<std::size_t>(index.row()));
  std::sort(rows.begin(), rows.end());
  return rows;
}

void TMainForm::SelectAllRows() { ListViewFiles->selectAll(); }

void TMainForm::BeginProgress() {
  // The bar starts from nothing rather than from where the previous command left it.
  ProgressBar1->setValue(0);
  ProgressBar1->show();
  ProgressBar1->raise();
  if (!CursorOverridden_) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  CursorOverridden_ = true;
}

void TMainForm::StepProgress(int percent) {
  ProgressBar1->setValue(percent);
  emit ProgressStepped(std::clamp(percent, 0, 100));
}

void TMainForm::EndProgress() {
  if (CursorOverridden_) QGuiApplication::restoreOverrideCursor();
  CursorOverridden_ = false;
  ProgressBar1->hide();
}

void TMainForm::FlushInput() {
  if (Input_) Input_->FlushKeyMessages();
}

bool TMainForm::BreakOffRequested() { return Input_ && Input_->CheckInterrupt(); }

void TMainForm::ShowHelp(bool how_to_use) {
  THelpWindow::Open(this, how_to_use ? HelpPage::kHowToUse : HelpPage::kContents);
}

void TMainForm::ShowAbout() {
  // A fresh box for every showing, so its links start unvisited.
  TAboutDlg about(this);
  about.Execute();
}

void TMainForm::CloseWindow() { close(); }

}  // namespace vornalis::ui
