// TMainForm: Add, Add Folder, files dropped on the window and the start-up add. Files are stored
// by the engine's AddFiles, which calls AddProgress after each file: the progress steps, the
// file's row is appended, and a key press or a click in the window asks whether to go on.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QStringList>
#include <QUrl>
#include <unordered_map>

#include "engine/messages.h"
#include "engine/set_files.h"
#include "engine/set_recovery.h"
#include "engine/source_walk.h"
#include "platform/path.h"
#include "ui/dialogs/choose_size.h"
#include "ui/dialogs/error_dlg.h"
#include "ui/dialogs/ext/ap_folder_dlg.h"
#include "ui/dialogs/ext/ap_open_dlg.h"
#include "ui/dialogs/message_box.h"
#include "ui/dialogs/protect_dlg.h"
#include "ui/main/busy_input.h"
#include "ui/main/file_list_model.h"
#include "ui/main/main_form.h"
#include "ui/main/set_storing.h"
#include "ui/main/stored_text.h"

namespace vornalis::ui {
namespace {

// The local files and folders a drag carries.
std::vector<std::string> DroppedPaths(const QMimeData* data) {
  std::vector<std::string> paths;
  if (!data || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) paths.push_back(ToNativePath(url.toLocalFile()));
  return paths;
}

}  // namespace

void TMainForm::ActionAddExecute() {
  if (!CurrentSet_ || Busy_) return;
  FileAddDialog_->FileName.clear();
  if (!FileAddDialog_->Execute()) return;
  std::vector<std::string> paths;
  for (const QString& file : FileAddDialog_->Files) paths.push_back(ToNativePath(file));
  AddPaths(paths);
}

void TMainForm::ActionAddFolderExecute() {
  if (!CurrentSet_ || Busy_ || !CurrentSet_->CanStore()) return;
  if (!FileAddFolderDialog_->Execute() || FileAddFolderDialog_->FolderName.isEmpty()) return;
  FileAddFolderDialog_->StartFolder = FileAddFolderDialog_->FolderName;
  AddPaths({ToNativePath(FileAddFolderDialog_->FolderName)});
}

void TMainForm::AddPaths(const std::vector<std::string>& paths) {
  if (!CurrentSet_ || paths.empty()) return;
  const std::size_t before = CurrentSet_->Files().size();
  bool committed = true;
  {
    BusyPeriod busy(*this);
    Input_->FlushKeyMessages();
    // Every path is stored relative to the folder that holds them all, so files from several
    // folders each keep their own folder and none is read from the wrong place.
    const SourceList sources = CollectForSet(*CurrentSet_, paths, fs_);
    committed = RunAddFiles(sources.groups.empty() ? std::string() : sources.groups[0].source_root,
                            sources);
    FileCount_ = static_cast<std::uint32_t>(CurrentSet_->Files().size());
    TotalBytes_ = CurrentSet_->TotalBytes();
    ShowTotals();
  }
  if (!committed) {
    ShowSetAsOnDisk();
    return;
  }
  // Recovery files made before the add are older than the set: a new protection is offered.
  if (CurrentSet_ && CurrentSet_->Files().size() > before &&
      !FindRecoveryFiles(fs_, CurrentSet_->Paths()).empty() &&
      MessageBox::Warning(
          this, ShownText(messages::RecoveryOlderThanSet(CurrentSet_->Paths().Header(), true)) +
                    QStringLiteral(".\nProtect it again now?")))
    ProtectOpenSet(ProtectDlg_->Redundancy());
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
  // Taken while the window is idle: into a set that stores, or as a set to open.
  const bool stores = SetOpen_ && CurrentSet_ && CurrentSet_->CanStore();
  if (!Busy_ && (stores || !SetOpen_) && !DroppedPaths(event->mimeData()).empty())
    event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
  const std::vector<std::string> paths = DroppedPaths(event->mimeData());
  if (Busy_ || paths.empty()) return;
  event->acceptProposedAction();
  // The work starts once the drop is over, so the program the files came from is not held
  // waiting while they are stored.
  QMetaObject::invokeMethod(
      this,
      [this, paths] {
        if (Busy_) return;
        activateWindow();
        if (!SetOpen_) {
          // Without a set open, the set the first file dropped belongs to is opened.
          OpenPieceFile(paths.front());
        } else if (CurrentSet_ && CurrentSet_->CanStore()) {
          AddPaths(paths);
        }
      },
      Qt::QueuedConnection);
}

bool TMainForm::RunAddFiles(const std::string& work_folder, const SourceList& sources) {
  BeginProgress();
  const StoreOutcome outcome =
      StoreAndCommit(*CurrentSet_, sources, work_folder, this, &TMainForm::AddProgress);
  EndProgress(BusyCaption_);
  // The set merged the new entries into its catalogue, which moves the old ones too.
  MapRowsToEntries();
  if (!outcome.lines.empty()) {
    ErrorDlg_->ClearErrors();
    for (const std::string& line : outcome.lines) ErrorDlg_->AddErrorLine(ShownText(line));
    ErrorDlg_->Execute();
  }
  // The new rows were appended at the end, so the list is no longer sorted.
  SortColumn_ = 0;
  ShowSortMark();
  // A failure inside a callback stopped the add; it is the command's to report now.
  Callbacks_.RethrowCaught();
  return outcome.committed;
}

void TMainForm::ShowSetAsOnDisk() {
  // The set was finished by a commit that failed: the window shows it again as a reader finds
  // it, or no set when none was ever committed.
  const SetPaths paths = CurrentSet_->Paths();
  CurrentSet_.reset();
  SetOpen_ = false;
  ClearFileList();
  updateActions();
  if (fs_.Exists(paths.Header())) OpenPieceFile(paths.Header());
}

int TMainForm::AddProgress(void* context, int percent, std::string name, std::string folder,
                           std::uint32_t size) noexcept {
  auto* form = static_cast<TMainForm*>(context);
  return form->Callbacks_.Run(
      [&] {
        if (percent < 0) return 0;
        form->StepProgress(ProgressStep::kAdding, ShownText(name), percent);
        StoredFile row;
        row.Folder = std::move(folder);
        row.Name = std::move(name);
        row.Size = size;
        form->FillListRow(row);
        // The program is to end: the add stops here, and what it stored is kept.
        if (form->EndRequested()) return -1;
        if (!form->Input_ || !form->Input_->CheckInterrupt()) return 0;
        return MessageBox::Warning(form, QStringLiteral("Adding interrupted, continue?")) ? 0 : -1;
      },
      -1);
}

void TMainForm::MapRowsToEntries() {
  const std::vector<StoredFile>& files = CurrentSet_->Files();
  // Exact spelling as key: rows hold the entries' own texts, so no lookup that ignores case
  // can hand a row another file's entry.
  std::unordered_map<std::string, std::vector<std::size_t>> by_path;
  for (std::size_t i = files.size(); i-- > 0;)
    by_path[files[i].Folder + '\0' + files[i].Name].push_back(i);
  std::vector<std::size_t> entries(static_cast<std::size_t>(Model_->rowCount()), FileRow::kNoEntry);
  for (std::size_t row = 0; row < entries.size(); ++row) {
    const FileRow& shown = Model_->Row(static_cast<int>(row));
    auto found = by_path.find(shown.folder + '\0' + shown.name);
    if (found == by_path.end() || found->second.empty()) continue;
    entries[row] = found->second.back();
    found->second.pop_back();
  }
  Model_->SetEntries(entries);
}

void TMainForm::AddFromLists() {
  if (Command_.PieceFilePath.empty()) {
    FileNew();
    if (!SetOpen_) return;
  } else {
    TChooseSize dialog(this);
    if (!dialog.Execute()) return;
    const Result<std::uint32_t> piece_size = dialog.PieceSize();
    if (!piece_size.ok()) {
      MessageBox::Error(this, QString::fromStdString(piece_size.status().message));
      return;
    }
    // Only the extension is taken off: a name without it keeps all its characters.
    const std::string base = BasePathOf(Command_.PieceFilePath);
    // A set of that name would be overwritten piece by piece.
    const std::string header = HeaderPath(base);
    if (fs_.Exists(header) &&
        !MessageBox::Warning(this, ShownText(platform::FileNameOf(header)) +
                                       QStringLiteral(" already exists.\nDo you want to "
                                                      "replace it?")))
      return;
    CloseCurrentSet();
    ClearFileList();
    // The old set stays whole until the new one's first commit, and stays if nothing is stored.
    CurrentSet_ = std::make_unique<PieceSet>(base, *piece_size, fs_, NewSet::kReplaceExisting);
    if (!KeepNewSet()) return;
    ShowCaption();
    updateActions();
  }
  AddFromListsCommon();
}

void TMainForm::AddFromListsCommon() {
  bool committed = true;
  {
    BusyPeriod busy(*this);
    Input_->FlushKeyMessages();
    // The folders first, then the files, all stored relative to the folder that holds them all.
    std::vector<std::string> paths = Command_.FoldersToAdd;
    paths.insert(paths.end(), Command_.FilesToAdd.begin(), Command_.FilesToAdd.end());
    const SourceList sources = CollectForSet(*CurrentSet_, paths, fs_);
    // The folder list was the walk's queue: the walked subfolders joined it.
    Command_.FoldersToAdd = sources.folders_walked;
    committed = RunAddFiles(platform::FolderOf(Command_.PieceFilePath), sources);
  }
  if (!committed) ShowSetAsOnDisk();
}

}  // namespace vornalis::ui
