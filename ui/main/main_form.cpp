// TMainForm: creation, the set it owns (Open, Close, closing the window), the list and its
// status texts. The widgets, menus and actions are made in main_form_layout.cpp, the busy
// display in main_form_progress.cpp.
#include "ui/main/main_form.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QItemSelection>
#include <QLineEdit>
#include <QMenu>
#include <QStatusTipEvent>
#include <QTimer>
#include <QTreeView>
#include <cstdlib>
#include <filesystem>

#include "engine/format.h"
#include "engine/messages.h"
#include "engine/set_files.h"
#include "engine/size_text.h"
#include "engine/verify.h"
#include "exe/make_exe.h"
#include "platform/interrupts.h"
#include "platform/path.h"
#include "ui/dialogs/about_dlg.h"
#include "ui/dialogs/assemble_dlg_ext_up.h"
#include "ui/dialogs/error_dlg.h"
#include "ui/dialogs/ext/ap_folder_dlg.h"
#include "ui/dialogs/ext/ap_open_dlg.h"
#include "ui/dialogs/file_dialog.h"
#include "ui/dialogs/file_new_dialog_ext_lower.h"
#include "ui/dialogs/message_box.h"
#include "ui/dialogs/modal_seam.h"
#include "ui/dialogs/protect_dlg.h"
#include "ui/help/help_window.h"
#include "ui/main/busy_input.h"
#include "ui/main/file_list_model.h"
#include "ui/main/stored_text.h"
#include "ui/widgets/friendly_status_bar.h"
#include "ui/widgets/program_icon.h"

namespace vornalis::ui {
namespace {

const QString kCaption = QStringLiteral("Dorvelin");
const QString kTypeName = FromStored(format::kTypeName);
const QString kPattern = "*" + FromStored(format::kExtension);
const QString kOpenFilter = kTypeName + "|" + kPattern;
const QString kNewFilter = kTypeName + "(" + kPattern + ")|" + kPattern;
const QString kAddFilter = QStringLiteral("All files (*.*) |*.*");

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
  ProtectDlg_ = new TProtectDlg(this);
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
  // A piece size out of range is refused while the dialog is still open, with the name typed.
  FileNewDialog_->OnCanClose = [this](TApCustomOpenDialog* dialog, bool& can_close) {
    const Result<std::uint32_t> size = FileNewDialogExtLower_->PieceSize();
    if (size.ok()) return;
    QWidget* over = dialog->Dialog();
    MessageBox::Error(over ? over : static_cast<QWidget*>(this),
                      QString::fromStdString(size.status().message));
    can_close = false;
  };
  CreateCommandDialogs();

  Command_ = ParseCommandLine(arguments, ToNativePath(QCoreApplication::applicationFilePath()),
                              CurrentFolder(), fs_);
  setWindowTitle(kCaption);
  updateActions();
  ListViewFiles->setFocus();
}

void TMainForm::CreateCommandDialogs() {
  FileAddDialog_ = new TApOpenDialog(this);
  FileAddDialog_->setObjectName(QStringLiteral("FileAddDialog"));
  FileAddDialog_->Filter = kAddFilter;
  FileAddDialog_->AllowMultiSelect = true;
  FileAddDialog_->Resizable = true;
  FileAddDialog_->DlgItemsCaptions.OK = QStringLiteral("&Add");

  // The assemble panel, like the piece-size panel, lives for the whole run.
  AssembleDlgExtUp_ = new TAssembleDlgExtUp(this);
  RegisterForm(AssembleDlgExtUp_);
  FileAssembleFolderDialog_ = new TApFolderDialog(this);
  FileAssembleFolderDialog_->setObjectName(QStringLiteral("FileAssembleFolderDialog"));
  FileAssembleFolderDialog_->Text = QStringLiteral("&Folders/drives:");
  FileAssembleFolderDialog_->Title = QStringLiteral("Choose Folder Dialog");
  FileAssembleFolderDialog_->CustDlgParams.Position = dpScrCenter;
  FileAssembleFolderDialog_->CustDlgParams.SetTopFormName(QStringLiteral("AssembleDlgExtUp"));
  FileAssembleFolderDialog_->DlgItemsCaptions.OK = QStringLiteral("&Assemble");
  // The dialog opens with the panel's box in focus, so no folder of the tree is taken for the
  // user's choice before the user chose one.
  FileAssembleFolderDialog_->OnShow = [this](TApCustomFolderDialog*) {
    AssembleDlgExtUp_->EditFolderName->setFocus();
  };
  FileAssembleFolderDialog_->OnSelectionChange = [this](TApCustomFolderDialog*) {
    FileAssembleFolderDialogSelectionChange();
  };
  FileAssembleFolderDialog_->OnCanClose = [this](TApCustomFolderDialog*, bool& can_close) {
    FileAssembleFolderDialogCanClose(can_close);
  };

  FileAddFolderDialog_ = new TApFolderDialog(this);
  FileAddFolderDialog_->setObjectName(QStringLiteral("FileAddFolderDialog"));
  FileAddFolderDialog_->Text = QStringLiteral("&Folders/drives:");
  FileAddFolderDialog_->Title = QStringLiteral("Add Folder");
  FileAddFolderDialog_->CustDlgParams.Position = dpScrCenter;
  FileAddFolderDialog_->DlgItemsCaptions.OK = QStringLiteral("&Add");
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
      AddFromLists();
      break;
    case StartAssemble:
      AssembleAtStartUp();
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

std::unique_ptr<PieceSet> TMainForm::ReadSet(const SetPaths& paths, Status* read_only) {
  // A set on a medium or in a folder the user cannot write is opened for reading: it lists and
  // assembles, and says once why nothing can be added.
  SetAccess access =
      FolderWritable(platform::FolderOf(paths.base)) ? SetAccess::kReadWrite : SetAccess::kReadOnly;
  *read_only = access == SetAccess::kReadOnly
                   ? Status::Error(Status::Code::kRefused, paths.Header(), std::string())
                   : Status::Ok();
  auto set = std::make_unique<PieceSet>(paths, access, fs_);
  if (access == SetAccess::kReadWrite && !set->CanStore()) {
    // Laying the last piece out again may have failed where reading alone succeeds, and another
    // program may be storing into the set: it is then shown as it was last closed.
    auto reading = std::make_unique<PieceSet>(paths, SetAccess::kReadOnly, fs_);
    if (reading->LastStatus().ok()) {
      *read_only = set->LastStatus();
      set = std::move(reading);
    }
  }
  return set;
}

bool TMainForm::IsOpenSet(const SetPaths& paths) {
  if (!CurrentSet_) return false;
  const Result<platform::FileInfo> chosen = fs_.Inspect(paths.Header(), true);
  const Result<platform::FileInfo> open = fs_.Inspect(CurrentSet_->Paths().Header(), true);
  return chosen.ok() && open.ok() && chosen->SameFile(*open);
}

void TMainForm::OpenPieceFile(const std::string& path) {
  const Result<SetPaths> paths = IdentifySetFile(path, fs_);
  if (!paths.ok()) {
    // A header that is damaged or lost may be rebuilt from recovery files beside it.
    if (OfferRepair(FindSetPaths(fs_, BasePathOf(path)), paths.status().message) !=
        RepairOffer::kNone)
      return;
    MessageBox::Error(this, ShownText(paths.status().message));
    return;
  }
  // The new set is read whole before the open one is closed, so a set that cannot be read
  // leaves the window as it was; the open set itself holds its lock and is closed first.
  if (IsOpenSet(*paths)) {
    CloseCurrentSet();
    ClearFileList();
    ShowCaption();
  }
  Status read_only;
  std::unique_ptr<PieceSet> set = ReadSet(*paths, &read_only);
  if (!set->CatalogueRead()) {
    // A set whose catalogue cannot be read is not opened: there is nothing to list, close or
    // make an executable of. Recovery files may rebuild it; else the message names the file
    // that failed.
    const std::string problem = messages::Explained(set->LastStatus());
    set.reset();
    if (OfferRepair(*paths, problem) != RepairOffer::kNone) return;
    MessageBox::Error(this, ShownText(problem));
    return;
  }
  // A piece the catalogue needs that is missing or cut short is found by the structure's check
  // (a quick one: each piece's head and length); with recovery files the set can be repaired.
  if (const VerifyReport report = VerifySet(*set); !report.ok()) {
    const std::string problem = report.problems.front().status.message;
    set.reset();
    // A set that cannot be repaired opens as it is, so the files it still holds whole can be
    // assembled.
    if (OfferRepair(*paths, problem) == RepairOffer::kRepaired) return;
    set = ReadSet(*paths, &read_only);
  }
  CloseCurrentSet();
  ClearFileList();
  LastSetFolder_ = FromStored(platform::FolderOf(path));
  CurrentSet_ = std::move(set);
  SetOpen_ = true;

  const std::vector<StoredFile>& files = CurrentSet_->Files();
  std::vector<FileRow> rows;
  rows.reserve(files.size());
  std::uint64_t total = 0;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const StoredFile& file = files[i];
    rows.push_back({file.Name, file.Folder, file.Size, Types_.IndexFor(file.Name), i});
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

  // Files planted where the set keeps pieces aside were ignored; the user hears of them once.
  QStringList ignored;
  for (const std::string& warning : CurrentSet_->Warnings()) ignored.append(ShownText(warning));
  if (!ignored.empty()) MessageBox::Information(this, ignored.join(QLatin1Char('\n')));

  if (!read_only.ok() && CurrentSet_->LastStatus().ok()) {
    MessageBox::Information(this, ShownText(messages::OpenedForReading(read_only)));
  } else if (!CurrentSet_->CanStore()) {
    // A catalogue that could not be read leaves the set open but empty, refusing to store.
    MessageBox::Error(this, ShownText(CurrentSet_->LastError()));
  }
}

bool TMainForm::FolderWritable(const std::string& folder) {
  const Result<std::unique_ptr<platform::File>> probe =
      fs_.CreateUniqueFile(folder.empty() ? std::string("./") : folder, "Qbtm");
  if (!probe.ok()) return false;
  const std::string probe_path = probe->Path();
  probe->Close();
  fs_.Remove(probe_path);
  return true;
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
  if (!closed) MessageBox::Error(this, ShownText(message));
}

QString TMainForm::SetNameText() const {
  return CurrentSet_ ? ShownText(CurrentSet_->SetName()) : QString();
}

void TMainForm::ShowCaption() { setWindowTitle(SetNameText() + QLatin1Char('-') + kCaption); }

void TMainForm::FileNew() {
  FileNewDialog_->InitialDir = LastSetFolder_;
  FileNewDialog_->FileName.clear();
  if (!FileNewDialog_->Execute()) return;
  // The dialog closed only with a size in range (OnCanClose).
  const Result<std::uint32_t> piece_size = FileNewDialogExtLower_->PieceSize();
  if (!piece_size.ok()) return;
  CloseCurrentSet();
  ClearFileList();

  const QString chosen = FileNewDialog_->FileName;
  // The set is named after the chosen header file, less its extension. The dialog asked before
  // a set of that name is replaced; the old one stays whole until the first Add into the new
  // one ends, and stays if nothing is stored.
  CurrentSet_ = std::make_unique<PieceSet>(BasePathOf(ToNativePath(chosen)), *piece_size, fs_,
                                           NewSet::kReplaceExisting);
  if (!KeepNewSet()) return;
  Command_.PieceFileArg = ToNativePath(chosen);
  Command_.PieceFilePath = Command_.PieceFileArg;
  LastSetFolder_ = QFileInfo(chosen).absolutePath();
  ShowCaption();
  updateActions();
}

bool TMainForm::KeepNewSet() {
  SetOpen_ = CurrentSet_->CanStore();
  if (!SetOpen_) {
    const std::string message = CurrentSet_->LastError();
    CurrentSet_.reset();
    ShowCaption();
    updateActions();
    MessageBox::Error(this, ShownText(message));
  }
  return SetOpen_;
}

void TMainForm::FileOpenFunc() {
  const QString path = FileDialog::GetOpenFileName(this, kOpenFilter, LastSetFolder_);
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
  event->accept();
}

void TMainForm::EndSession() {
  EndRequested_ = true;
  // With no long command running nothing is using the set, so whatever it holds reaches the
  // medium before anything else can end the program; a long command commits when it stops.
  if (!Busy_ && CurrentSet_) CurrentSet_->Commit();
  QCoreApplication::exit(0);
}

bool TMainForm::EndRequested() const {
  return EndRequested_ || platform::InterruptGuard::Requested();
}

std::string TMainForm::CloseAtEnd() {
  if (!CurrentSet_) return std::string();
  CurrentSet_->ClearLastError();
  const bool closed = CurrentSet_->Close();
  std::string message = closed ? std::string() : CurrentSet_->LastError();
  CurrentSet_.reset();
  SetOpen_ = false;
  return message;
}

void TMainForm::ActionMakeExeExecute() {
  if (!CurrentSet_) return;
  // The stub where the command line puts it, else the one beside the program itself.
  std::string stub = Command_.StubPath;
  const bool fall_back = !fs_.IsRegularFile(stub) && Command_.StubFallback != stub;
  if (fall_back) stub = Command_.StubFallback;
  const Result<std::string> made = exe::MakeExe(*CurrentSet_, stub, exe::StubKind::kWindows, fs_);
  if (made.ok()) {
    MessageBox::Information(this, ShownText(messages::ExeCreated(*made)));
    return;
  }
  MessageBox::Error(this, ShownText(made.status().message));
  // A copy that failed is most often a stub that is not where it was looked for: the places
  // tried are named.
  if (made.status().code == Status::Code::kIo)
    MessageBox::Error(nullptr,
                      FromStored(fall_back ? Command_.StubPath + "\n" + stub : Command_.StubPath));
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

void TMainForm::ActionSelectAllExecute() {
  if (SetOpen_) ListViewFiles->selectAll();
}

void TMainForm::ListViewFilesContextMenu(const QPoint& at) {
  if (Busy_ || !SetOpen_) return;
  QMenu menu(this);
  menu.setObjectName(QStringLiteral("ListContextMenu"));
  menu.addAction(ActionAssemble);
  menu.addAction(ActionMakeExe);
  menu.addSeparator();
  menu.addAction(ActionSelectAll);
  modal::Popup(menu, ListViewFiles->viewport()->mapToGlobal(at));
}

}  // namespace vornalis::ui
