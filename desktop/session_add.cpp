// Session: Add, Add Folder, files dropped on the window and the start-up add. Files are stored
// by the engine, which calls AddProgress after each file: the progress steps, the file's row is
// appended, and a key press or a click in the window asks whether to go on. Each command ends
// with the set committed.
#include <cstdint>
#include <optional>

#include "desktop/busy_period.h"
#include "desktop/session.h"
#include "desktop/set_storing.h"
#include "engine/messages.h"
#include "engine/store_sources.h"
#include "platform/path.h"

namespace vornalis::desktop {

// AddFiles' progress callback: appends the row, and at the session's pace shows the rows, the
// file and the percentage and asks about a break-off. What a face throws in it is kept in the
// session's guard and stops the add.
class Session::AddProgress {
 public:
  static int Step(void* context, int percent, std::string name, std::string folder,
                  std::uint64_t size) noexcept {
    auto* session = static_cast<Session*>(context);
    return session->callbacks_.Run(
        [&] {
          if (percent < 0) return 0;
          StoredFile row;
          row.Folder = std::move(folder);
          row.Name = std::move(name);
          row.Size = size;
          session->list_.AppendRow(row);
          // The program is to end, or the user broke off: the add stops here, and what it
          // stored is kept.
          const std::string& stored = session->list_.Row(session->list_.Size() - 1).name;
          return session->PacedStep(
                     texts::Step::kAdding, [&] { return texts::Shown(stored); }, percent,
                     percent >= 100)
                     ? 0
                     : -1;
        },
        -1);
  }
};

void Session::Add() {
  if (!current_set_ || !current_set_->CanStore()) return;
  const std::vector<std::string> paths = view_.ChooseFilesToAdd();
  if (!paths.empty()) AddPaths(paths);
}

void Session::AddFolder() {
  if (!current_set_ || !current_set_->CanStore()) return;
  const std::optional<std::string> folder = view_.ChooseFolderToAdd(last_add_folder_);
  if (!folder || folder->empty()) return;
  last_add_folder_ = *folder;
  AddPaths({*folder});
}

bool Session::TakesDrop() const {
  return !busy_ && (!set_open_ || (current_set_ && current_set_->CanStore()));
}

void Session::Drop(const std::vector<std::string>& paths) {
  if (busy_ || paths.empty()) return;
  if (!set_open_) {
    // Without a set open, the set the first file dropped belongs to is opened.
    OpenPieceFile(paths.front());
  } else if (current_set_ && current_set_->CanStore()) {
    AddPaths(paths);
  }
}

void Session::AddPaths(const std::vector<std::string>& paths) {
  if (!current_set_ || paths.empty() || !current_set_->CanStore()) return;
  std::optional<StoreReport> report;
  {
    BusyPeriod busy(*this);
    view_.FlushInput();
    // Every path is stored relative to the folder that holds them all, so files from several
    // folders each keep their own folder and none is read from the wrong place.
    SourceList sources = CollectForSet(*current_set_, paths, fs_);
    const std::string root = sources.groups.empty() ? std::string() : sources.groups[0].source_root;
    report = RunStore(root, std::move(sources));
  }
  if (!report->kept()) {
    ShowSetAsOnDisk();
    return;
  }
  TellRecoveryAfterStoring(*report);
}

void Session::TellRecoveryAfterStoring(const StoreReport& report) {
  if (report.recovery.empty() || !current_set_) return;
  if (!report.recovery_older) {
    view_.Information(texts::Shown(report.recovery.front()) + ".");
    return;
  }
  // Recovery files made before the add are older than the set: a new protection is offered.
  if (view_.Warning(texts::ProtectAgainQuestion(texts::Shown(report.recovery.back()))))
    ProtectOpenSet(0);
}

StoreReport Session::RunStore(const std::string& work_folder, SourceList sources) {
  BeginProgress();
  StoreRequest request;
  request.work_folder = work_folder;
  request.context = this;
  request.callback = &AddProgress::Step;
  request.stopped = [this] { return callbacks_.Caught() || EndRequested(); };
  const format::CatalogueForm form = current_set_->Form();
  const StoreReport report =
      StoreAndCommit(*current_set_, std::move(sources), request, AfterStoring::kKeepOpen);
  ShowAppendedRows();
  EndProgress();
  if (report.kept()) {
    // The set merged the new entries into its catalogue, which moves the old ones too.
    list_.MapToEntries(current_set_->Files());
    ShowTotals();
    // The new rows were appended at the end, so the list is no longer sorted.
    SetSortMark(0);
  }
  if (!report.lines.empty()) {
    // What was left out harmlessly is told only beside a failure.
    std::vector<std::string> shown;
    for (const std::string& line : report.lines) shown.push_back(texts::Shown(line));
    for (const std::string& note : report.outcome.notes) shown.push_back(texts::Shown(note));
    view_.ErrorList(shown);
  }
  // The commit that first wrote the set in the large form says so, once.
  if (report.kept() && current_set_->Form() != form)
    view_.Information(texts::Shown(messages::SetBecameLarge(current_set_->Paths().Header())));
  // A failure inside a callback stopped the add; it is the command's to report now.
  callbacks_.RethrowCaught();
  return report;
}

void Session::ShowSetAsOnDisk() {
  // The set was finished by a commit that failed, or a store that was undone: the window shows
  // it again as a reader finds it, or no set when none was ever committed.
  const SetPaths paths = current_set_->Paths();
  current_set_.reset();
  set_open_ = false;
  ClearFileList();
  ShowCaption();
  view_.CommandsChanged();
  if (fs_.Exists(paths.Header())) OpenPieceFile(paths.Header());
}

void Session::AddFromLists() {
  if (command_.PieceFilePath.empty()) {
    FileNew();
    if (!set_open_) return;
  } else {
    const std::optional<PieceSizeChoice> choice = view_.ChoosePieceSize();
    if (!choice) return;
    const Result<std::uint32_t> piece_size = PieceSizeOf(*choice);
    if (!piece_size.ok()) {
      view_.Error(piece_size.status().message);
      return;
    }
    // Only the extension is taken off: a name without it keeps all its characters.
    const std::string base = BasePathOf(command_.PieceFilePath);
    // A set of that name would be replaced.
    const std::string header = HeaderPath(base);
    if (fs_.Exists(header) &&
        !view_.Warning(texts::ReplaceSet(texts::Shown(platform::FileNameOf(header)))))
      return;
    CloseCurrentSet();
    ClearFileList();
    // The old set stays whole until the new one's first commit, and stays if nothing is stored.
    current_set_ = std::make_unique<PieceSet>(base, *piece_size, fs_, NewSet::kReplaceExisting);
    if (!KeepNewSet()) return;
    ShowCaption();
    view_.CommandsChanged();
  }
  std::optional<StoreReport> report;
  {
    BusyPeriod busy(*this);
    view_.FlushInput();
    // The folders first, then the files, all stored relative to the folder that holds them all.
    std::vector<std::string> paths = command_.FoldersToAdd;
    paths.insert(paths.end(), command_.FilesToAdd.begin(), command_.FilesToAdd.end());
    SourceList sources = CollectForSet(*current_set_, paths, fs_);
    // The folder list was the walk's queue: the walked subfolders joined it.
    command_.FoldersToAdd = sources.folders_walked;
    report = RunStore(platform::FolderOf(command_.PieceFilePath), std::move(sources));
  }
  if (!report->kept()) {
    ShowSetAsOnDisk();
    return;
  }
  TellRecoveryAfterStoring(*report);
}

}  // namespace vornalis::desktop
