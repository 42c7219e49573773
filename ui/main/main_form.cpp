// TMainForm: creation, the set it owns (Open, Close, closing the window), the list and its
// status texts. The widgets, menus and actions are made in main_form_layout.cpp, the busy
// display in main_form_progress.cpp.
#include "ui/main/main_form.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QItemSelection>
#include <QStatusTipEvent>
#include <QTimer>
#include <QTreeView>
#include <cstdlib>
#include <filesystem>

#include "engine/set_files.h"
#include "engine/size_text.h"
#include "exe/make_exe.h"
#include "ui/dialogs/about_dlg.h"
#include "ui/dialogs/error_dlg.h"
#include "ui/dialogs/ext/ap_open_dlg.h"
#include "ui/dialogs/file_dialog.h"
#include "ui/dialogs/file_new_dialog_ext_lower.h"
#include "ui/dialogs/message_box.h"
#include "ui/help/help_window.h"
#include "ui/main/desktop_settings.h"
#include "ui/main/file_list_model.h"
#include "ui/main/stored_text.h"
#include "ui/widgets/friendly_status_bar.h"
#include "ui/widgets/program_icon.h"

namespace vornalis::ui {
namespace {

const QString kCaption = QStringLiteral("Dorvelin");
const QString kOpenFilter = QStringLiteral("Split piece files|*.pec");
const QString kNewFilter = QStringLiteral("Split piece files(*.pec)|*.pec");
const QString kPieceExtension = QStringLiteral(".pec");

std::string CurrentFolder() {
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::current_path(error);
  return error ? std::string() : folder.string();
}

}  // namespace

TMainForm::TMainForm(const std::vector<std::string>& arguments, platform_qt::FileTypes& types,
                     platform::FileSystem& fs, QWidget* parent)
    : QMainWindow(parent), fs_(fs), Types_(types, platform::Collator::Default()) {
  setObjectName(QStringLiteral("MainForm"));
  Model_ = new FileListModel(Types_, platform::Collator::Default(), this);
  CreateActions();
  CreateMenus();
  CreateSpeedBar();
  CreateBody();
  ErrorDlg_ = new TErrorDlg(this);
  setWindowIcon(ProgramIcon());

  // The piece-size panel lives for the whole run, so it keeps the last choice; the New
  // dialog finds it by its name each time it is shown.
  FileNewDialogExtLower_ = new TFileNewDialogExtLower(this);
  RegisterForm(FileNewDialogExtLower_);
  FileNewDialog_ = new TApSaveDialog(this);
  FileNewDialog_->setObjectName(QStringLiteral("FileNewDialog"));
  FileNewDialog_->Filter = kNewFilter;
  FileNewDialog_->DefaultExt = QStringLiteral("pec");
  FileNewDialog_->OverwritePrompt = true;
  FileNewDialog_->Resizable = true;
  FileNewDialog_->CustDlgParams.SetBottomFormName(QStringLiteral("FileNewDialogExtLower"));
  FileNewDialog_->DlgItemsCaptions.OK = QStringLiteral("&Create");

  Command_ = ParseCommandLine(arguments, ToNativePath(QCoreApplication::applicationFilePath()),
                              CurrentFolder(), fs_);
  setWindowTitle(kCaption);
  updateActions();
  restoreGeometry(SavedWindowGeometry());
  ListViewFiles->setFocus();
}

TMainForm::~TMainForm() {
  // The view and the model read the type cache, a member that is gone before QObject deletes
  // the children.
  delete ListViewFiles;
  delete Model_;
}

bool TMainForm::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::StatusTip:
      // The hint goes to the status line's simple-mode text; the line stays in panel mode.
      StatusLine->SetSimpleText(static_cast<QStatusTipEvent*>(event)->tip());
      return true;
    case QEvent::Paint:
      // The start-up job runs once the window is on screen, outside the paint itself.
      if (!StartupJobDone_) QTimer::singleShot(0, this, &TMainForm::RunStartupJob);
      break;
    default:
      break;
  }
  return QMainWindow::event(event);
}

void TMainForm::RunStartupJob() {
  if (StartupJobDone_) return;
  StartupJobDone_ = true;
  switch (Command_.StartMode) {
    case StartOpen:
      OpenPieceFile(Command_.PieceFilePath);
      break;
    case StartAddFiles:
      // Packing the list files' contents into a new set comes with the Add command.
      break;
    case StartAssemble:
      // The set is opened first; assembling it comes with the Assemble command.
      OpenPieceFile(Command_.PieceFilePath);
      break;
    default:
      break;
  }
  if (CurrentSet_) {
    FileCount_ = static_cast<std::uint32_t>(CurrentSet_->Files().size());
    TotalBytes_ = CurrentSet_->TotalBytes();
  }
  ShowTotals();
  ShowSelection();
}

void TMainForm::OpenPieceFile(const std::string& path) {
  const SetIdentity identity = IdentifySetFile(path, fs_);
  if (!identity.ok) {
    MessageBox::Error(this, FromStored(identity.message));
    return;
  }
  CloseCurrentSet();
  ClearFileList();
  RememberSetFolder(FromStored(path));
  CurrentSet_ = std::make_unique<PieceSet>(identity.base_path, SetAccess::kReadWrite, fs_);
  SetOpen_ = true;

  const std::vector<StoredFile>& files = CurrentSet_->Files();
  std::vector<FileRow> rows;
  rows.reserve(files.size());
  std::uint64_t total = 0;
  for (const StoredFile& file : files) {
    rows.push_back({file.Name, file.Folder, file.Size, Types_.IndexFor(file.Name)});
    total += file.Size;
  }
  Model_->SetRows(std::move(rows));
  FileCount_ = static_cast<std::uint32_t>(files.size());
  TotalBytes_ = total;
  ShowTotals();

  // The catalogue is in name order already.
  SortColumn_ = 1;
  ShowSortMark();
  ShowCaption();
  updateActions();

  // A catalogue that could not be read leaves the set open but empty, refusing to store.
  if (!CurrentSet_->CanStore()) MessageBox::Error(this, FromStored(CurrentSet_->LastError()));
}

void TMainForm::FillListRow(const StoredFile& entry) {
  Model_->AppendRow({entry.Name, entry.Folder, entry.Size, Types_.IndexFor(entry.Name)});
}

void TMainForm::ClearFileList() {
  Model_->Clear();
  FileCount_ = 0;
  TotalBytes_ = 0;
  SelectedCount_ = 0;
  SelectedBytes_ = 0;
  ShowTotals();
  ShowSelection();
}

void TMainForm::ShowTotals() {
  StatusLine->SetPanelText(1, QString::fromStdString(TotalsText(FileCount_, TotalBytes_)));
  StatusLine->repaint();
}

void TMainForm::ShowSelection() {
  StatusLine->SetPanelText(0,
                           QString::fromStdString(SelectionText(SelectedCount_, SelectedBytes_)));
  StatusLine->repaint();
}

void TMainForm::CloseCurrentSet() {
  if (!CurrentSet_) return;
  CurrentSet_->ClearLastError();
  const bool closed = CurrentSet_->Close();
  const std::string message = CurrentSet_->LastError();
  CurrentSet_.reset();
  SetOpen_ = false;
  updateActions();
  if (!closed) MessageBox::Error(this, FromStored(message));
}

QString TMainForm::SetNameText() const {
  return CurrentSet_ ? FromStored(CurrentSet_->SetName()) : QString();
}

void TMainForm::ShowCaption() { setWindowTitle(SetNameText() + QLatin1Char('-') + kCaption); }

void TMainForm::FileNew() {
  FileNewDialog_->InitialDir = LastSetFolder();
  FileNewDialog_->FileName.clear();
  if (!FileNewDialog_->Execute()) return;
  // The size is checked before the open set is closed, so a refused size changes nothing.
  QString refusal;
  const std::optional<std::uint32_t> piece_size = FileNewDialogExtLower_->PieceSize(&refusal);
  if (!piece_size) {
    MessageBox::Error(this, refusal);
    return;
  }
  CloseCurrentSet();
  ClearFileList();

  const QString chosen = FileNewDialog_->FileName;
  // The set is named after the chosen header file, less its extension.
  QString base = chosen;
  if (base.endsWith(kPieceExtension, Qt::CaseInsensitive)) base.chop(kPieceExtension.size());
  CurrentSet_ = std::make_unique<PieceSet>(ToNativePath(base), *piece_size, fs_);
  SetOpen_ = true;
  Command_.PieceFileArg = ToNativePath(chosen);
  Command_.PieceFilePath = Command_.PieceFileArg;
  RememberSetFolder(chosen);
  ShowCaption();
  updateActions();
}

void TMainForm::FileOpenFunc() {
  const QString path = FileDialog::GetOpenFileName(this, kOpenFilter, LastSetFolder());
  if (path.isEmpty()) return;
  OpenPieceFile(ToNativePath(path));
}

void TMainForm::ActionFileCloseExecute() {
  CloseCurrentSet();
  ClearFileList();
}

void TMainForm::FileExit() { close(); }

void TMainForm::closeEvent(QCloseEvent* event) {
  if (Busy_) {
    event->ignore();
    return;
  }
  CloseCurrentSet();
  SaveWindowGeometry(saveGeometry());
  event->accept();
}

void TMainForm::NotBuiltYet(const QString& command) {
  MessageBox::Information(this, command + QStringLiteral(" is not built yet."));
}

void TMainForm::ActionAddExecute() { NotBuiltYet(QStringLiteral("Adding files to a set")); }

void TMainForm::ActionAssembleExecute() {
  NotBuiltYet(QStringLiteral("Assembling the stored files"));
}

void TMainForm::ActionMakeExeExecute() {
  if (!CurrentSet_) return;
  const exe::MakeExeResult result = exe::MakeExe(*CurrentSet_, Command_.StubPath, fs_);
  if (result.outcome == exe::MakeExeResult::Outcome::kCreated) {
    MessageBox::Information(this, FromStored(result.message));
    return;
  }
  MessageBox::Error(this, FromStored(result.message));
  // A copy that failed is most often a stub that is not where it was looked for.
  if (result.outcome == exe::MakeExeResult::Outcome::kFailed)
    MessageBox::Error(nullptr, FromStored(Command_.StubPath));
}

void TMainForm::HelpContents() { THelpWindow::Open(this, HelpPage::kContents); }

void TMainForm::HelpHowToUse() { THelpWindow::Open(this, HelpPage::kHowToUse); }

void TMainForm::HelpAbout() {
  // A fresh box for every showing, so its links start unvisited.
  TAboutDlg about(this);
  about.Execute();
}

void TMainForm::ListViewFilesColumnClick(int column) {
  if (column < 0 || column >= FileListModel::kColumnCount) return;
  const int clicked = column + 1;
  // A second click on the sorted column reverses it; another column starts ascending.
  const int key = clicked == std::abs(SortColumn_) ? -SortColumn_ : clicked;
  Model_->SortRows(key);
  SortColumn_ = key;
  ShowSortMark();
}

void TMainForm::ShowSortMark() { Model_->SetSortMark(SortColumn_); }

void TMainForm::ListViewFilesSelectItem(const QItemSelection& selected,
                                        const QItemSelection& deselected) {
  // The stored size counts, never the text shown, so 2 GiB and more add up right.
  auto apply = [this](const QItemSelection& rows, int sign) {
    for (const QItemSelectionRange& range : rows) {
      if (range.left() != 0) continue;  // each row once, by the range holding its first column
      for (int row = range.top(); row <= range.bottom() && row < Model_->rowCount(); ++row) {
        SelectedCount_ += sign;
        const std::uint32_t size = Model_->Row(row).size;
        SelectedBytes_ = sign > 0 ? SelectedBytes_ + size : SelectedBytes_ - size;
      }
    }
  };
  apply(deselected, -1);
  apply(selected, +1);
  ShowSelection();
}

}  // namespace vornalis::ui
