// Session: making it, the set it owns (New, Open, Close, the end of the program), the list and
// its status texts, the busy display, Make .EXE and the dispatch of commands. Storing lives in
// session_add.cpp, assembling in session_assemble.cpp, recovery files in session_recovery.cpp.
#include "desktop/session.h"

#include <algorithm>

#include "desktop/busy_period.h"
#include "engine/messages.h"
#include "engine/set_recovery_files.h"
#include "engine/size_text.h"
#include "engine/verify.h"
#include "exe/make_exe.h"
#include "platform/interrupts.h"
#include "platform/path.h"
#include "platform/text_encoding.h"

namespace vornalis::desktop {

// The engine's word during a large file: at the session's pace, the window is kept answering and
// a break-off asked for is honoured inside the file.
class Session::LargeFilePace final : public ByteProgress {
 public:
  explicit LargeFilePace(Session& session) : session_(session) {}
  bool Copied(std::uint64_t, std::uint64_t) noexcept override {
    return session_.callbacks_.Run(
        [this] { return session_.PacedStep(session_.step_, nullptr, -1, false); }, false);
  }

 private:
  Session& session_;
};

Session::Session(View& view, TypeSource& types, CommandLine command, platform::FileSystem& fs,
                 const platform::Collator& collator, Pace::Clock clock)
    : view_(view),
      fs_(fs),
      command_(std::move(command)),
      types_(types, collator),
      list_(types_, collator),
      pace_(std::move(clock)),
      large_file_pace_(std::make_unique<LargeFilePace>(*this)) {
  caption_ = std::string(texts::kCaption);
  view_.Caption(caption_);
  view_.CommandsChanged();
}

Session::~Session() = default;

bool Session::Enabled(Command command) const {
  return desktop::Enabled(command, {busy_, set_open_, current_set_ && current_set_->CanStore()});
}

void Session::Run(Command command) {
  if (!Enabled(command)) return;
  switch (command) {
    case Command::kNew:
      return FileNew();
    case Command::kOpen:
      return FileOpen();
    case Command::kClose:
      return CloseSet();
    case Command::kExit:
      return view_.CloseWindow();
    case Command::kAdd:
      return Add();
    case Command::kAddFolder:
      return AddFolder();
    case Command::kSelectAll:
      return view_.SelectAllRows();
    case Command::kAssemble:
      return Assemble();
    case Command::kMakeExe:
      return MakeExe();
    case Command::kVerify:
      return Verify();
    case Command::kProtect:
      return Protect();
    case Command::kRepair:
      if (current_set_) RepairSetAt(current_set_->Paths());
      return;
    case Command::kHelpContents:
      return view_.ShowHelp(false);
    case Command::kHelpHowToUse:
      return view_.ShowHelp(true);
    case Command::kHelpAbout:
      return view_.ShowAbout();
  }
}

void Session::RunStartupJob() {
  if (startup_job_done_) return;
  startup_job_done_ = true;
  switch (command_.StartMode) {
    case StartOpen:
      OpenPieceFile(command_.PieceFilePath);
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
  ShowTotals();
  ShowSelection();
}

std::unique_ptr<PieceSet> Session::ReadSet(const SetPaths& paths, Status* read_only) {
  // A set on a medium or in a folder the user cannot write is opened for reading: it lists and
  // assembles, and says once why nothing can be added.
  SetAccess access =
      FolderWritable(platform::FolderOf(paths.base)) ? SetAccess::kReadWrite : SetAccess::kReadOnly;
  *read_only = access == SetAccess::kReadOnly
                   ? Status::Error(Status::Code::kNotWritable, paths.Header(), std::string())
                   : Status::Ok();
  auto set = std::make_unique<PieceSet>(paths, access, fs_);
  if (access == SetAccess::kReadWrite && !set->CanStore()) {
    // Laying the last piece out again may have failed where reading alone succeeds, and another
    // program may be storing into the set: it is then shown as it was last committed.
    auto reading = std::make_unique<PieceSet>(paths, SetAccess::kReadOnly, fs_);
    if (reading->LastStatus().ok()) {
      *read_only = set->LastStatus();
      set = std::move(reading);
    }
  }
  return set;
}

bool Session::IsOpenSet(const SetPaths& paths) {
  if (!current_set_) return false;
  const Result<platform::FileInfo> chosen = fs_.Inspect(paths.Header(), true);
  const Result<platform::FileInfo> open = fs_.Inspect(current_set_->Paths().Header(), true);
  return chosen.ok() && open.ok() && chosen->SameFile(*open);
}

bool Session::FolderWritable(const std::string& folder) {
  const Result<std::unique_ptr<platform::File>> probe =
      fs_.CreateUniqueFile(folder.empty() ? std::string("./") : folder, "Qbtm");
  if (!probe.ok()) return false;
  const std::string probe_path = probe->Path();
  (void)probe->Close();
  (void)fs_.Remove(probe_path);
  return true;
}

void Session::OpenPieceFile(const std::string& path) {
  const Result<SetPaths> paths = IdentifySetFile(path, fs_);
  if (!paths.ok()) {
    // A header that is damaged or lost may be rebuilt from recovery files beside it.
    if (const Result<SetPaths> recoverable = SetOrRecoverable(fs_, path);
        recoverable.ok() && OfferRepair(*recoverable, paths.status().message) != RepairOffer::kNone)
      return;
    view_.Error(texts::Shown(paths.status().message));
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
    view_.Error(texts::Shown(problem));
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
  last_set_folder_ = platform::FolderOf(path);
  current_set_ = std::move(set);
  set_open_ = true;
  ShowList();
  ShowCaption();
  view_.CommandsChanged();

  // Files planted where the set keeps pieces aside were ignored; the user hears of them once.
  std::string ignored;
  for (const std::string& warning : current_set_->Warnings())
    ignored += (ignored.empty() ? "" : "\n") + texts::Shown(warning);
  if (!ignored.empty()) view_.Information(ignored);

  if (!read_only.ok() && current_set_->LastStatus().ok()) {
    view_.Information(texts::Shown(messages::OpenedForReading(read_only)));
  } else if (!current_set_->CanStore()) {
    // A catalogue that could not be read leaves the set open but empty, refusing to store.
    view_.Error(texts::Shown(current_set_->LastError()));
  }
}

void Session::ShowList() {
  list_.SetRows(current_set_->Files());
  view_.ListReset();
  ShowTotals();
  ShowSelection();
  // The catalogue is in name order already.
  SetSortMark(1);
}

void Session::ClearFileList() {
  list_.Clear();
  view_.ListReset();
  ShowTotals();
  ShowSelection();
}

void Session::ShowTotals() {
  view_.Status(View::StatusPanel::kTotals, TotalsText(FileCount(), list_.TotalBytes()));
}

void Session::ShowSelection() {
  view_.Status(View::StatusPanel::kSelection,
               SelectionText(list_.SelectedCount(), list_.SelectedBytes()));
}

void Session::SetSortMark(int key) {
  list_.SetSortMark(key);
  view_.SortMarkChanged(list_.SortMark());
}

std::string Session::SetNameShown() const {
  return current_set_ ? texts::Shown(current_set_->SetName()) : std::string();
}

void Session::ShowCaption() {
  caption_ = texts::SetCaption(SetNameShown());
  view_.Caption(caption_);
}

void Session::CloseCurrentSet() {
  if (!current_set_) return;
  current_set_->ClearLastError();
  const bool closed = current_set_->Close();
  const std::string message = current_set_->LastError();
  current_set_.reset();
  set_open_ = false;
  view_.CommandsChanged();
  if (!closed) view_.Error(texts::Shown(message));
}

void Session::FileNew() {
  // A size out of range is refused while the dialog is still open, with the name typed.
  const std::optional<NewSetChoice> chosen =
      view_.ChooseNewSet(last_set_folder_, [this](const PieceSizeChoice& size) {
        const Result<std::uint32_t> checked = PieceSizeOf(size);
        if (!checked.ok()) view_.Error(checked.status().message);
        return checked.ok();
      });
  if (!chosen) return;
  const Result<std::uint32_t> piece_size = PieceSizeOf(chosen->size);
  if (!piece_size.ok()) return;
  CloseCurrentSet();
  ClearFileList();
  // The set is named after the chosen header file, less its extension. The dialog asked before
  // a set of that name is replaced; the old one stays whole until the first Add into the new
  // one ends, and stays if nothing is stored.
  current_set_ = std::make_unique<PieceSet>(BasePathOf(chosen->path), *piece_size, fs_,
                                            NewSet::kReplaceExisting);
  if (!KeepNewSet()) return;
  command_.PieceFileArg = chosen->path;
  command_.PieceFilePath = chosen->path;
  last_set_folder_ = platform::FolderOf(platform::AbsolutePath(chosen->path));
  ShowCaption();
  view_.CommandsChanged();
}

bool Session::KeepNewSet() {
  set_open_ = current_set_->CanStore();
  if (!set_open_) {
    const std::string message = current_set_->LastError();
    current_set_.reset();
    ShowCaption();
    view_.CommandsChanged();
    view_.Error(texts::Shown(message));
  }
  return set_open_;
}

void Session::FileOpen() {
  const std::optional<std::string> path = view_.ChooseSetFile(last_set_folder_);
  if (!path || path->empty()) return;
  OpenPieceFile(*path);
}

void Session::CloseSet() {
  CloseCurrentSet();
  ClearFileList();
}

void Session::CloseForExit() { CloseCurrentSet(); }

void Session::RequestEnd() {
  end_requested_ = true;
  // With no long command running nothing is using the set, so whatever it holds reaches the
  // medium before anything else can end the program; a long command commits when it stops.
  if (!busy_ && current_set_) current_set_->Commit();
}

bool Session::EndRequested() const {
  return end_requested_ || platform::InterruptGuard::Requested();
}

std::string Session::CloseAtEnd() {
  if (!current_set_) return std::string();
  current_set_->ClearLastError();
  const bool closed = current_set_->Close();
  std::string message = closed ? std::string() : current_set_->LastError();
  current_set_.reset();
  set_open_ = false;
  return message;
}

void Session::MakeExe() {
  if (!current_set_) return;
  // The stub where the command line puts it, else the one beside the program itself.
  std::string stub = command_.StubPath;
  if (!fs_.IsRegularFile(stub) && !command_.StubFallback.empty()) stub = command_.StubFallback;
  const Result<std::string> made = exe::MakeExe(*current_set_, stub, exe::StubKind::kWindows, fs_);
  if (made.ok()) {
    view_.Information(texts::Shown(messages::ExeCreated(*made)));
    return;
  }
  view_.Error(texts::Shown(made.status().message));
}

void Session::ColumnClicked(int column) {
  if (busy_ || column < 0 || column >= FileList::kColumnCount) return;
  const int key = list_.KeyOfClick(column);
  view_.RowsSorted(list_.SortRows(key));
  SetSortMark(key);
}

void Session::RowsSelected(const std::vector<std::size_t>& rows) {
  list_.Deselect();
  for (const std::size_t row : rows) list_.Select(row, true);
  ShowSelection();
}

void Session::RowSelected(std::size_t row, bool selected) {
  list_.Select(row, selected);
  ShowSelection();
}

void Session::StartBusy() {
  busy_caption_ = caption_;
  busy_set_name_ = SetNameShown();
  if (current_set_) current_set_->SetByteProgress(large_file_pace_.get());
  busy_ = true;
  view_.CommandsChanged();
}

void Session::EndBusy() {
  // Normally the command has ended its display already; after an exception this gives back
  // what it left.
  if (progress_shown_) EndProgress();
  if (current_set_) current_set_->SetByteProgress(nullptr);
  busy_ = false;
  view_.CommandsChanged();
}

void Session::BeginProgress() {
  progress_shown_ = true;
  step_caption_.clear();
  pace_.Restart();
  rows_shown_ = list_.Size();
  view_.BeginProgress();
}

bool Session::PacedStep(texts::Step step, const std::function<std::string()>& name_of, int percent,
                        bool last) {
  step_ = step;
  if (!pace_.Due() && !last) return true;
  ShowAppendedRows();
  if (name_of) StepProgress(step, name_of(), percent);
  if (EndRequested()) return false;
  if (last || !view_.BreakOffRequested()) return true;
  return view_.Warning(std::string(step == texts::Step::kAdding ? texts::kAddingInterrupted
                                   : step == texts::Step::kAssembling
                                       ? texts::kAssemblingInterrupted
                                       : texts::kInterrupted));
}

void Session::ShowAppendedRows() {
  if (list_.Size() <= rows_shown_) return;
  view_.RowsAppended(rows_shown_, list_.Size() - rows_shown_);
  rows_shown_ = list_.Size();
}

void Session::StepProgress(texts::Step step, const std::string& shown_file, int percent) {
  view_.Status(View::StatusPanel::kTotals, texts::StepStatus(step, shown_file));
  const int shown = step == texts::Step::kAdding ? percent : std::clamp(percent, 0, 100);
  // The caption changes with the percentage, not with each file: a window's title is slow to
  // set on some systems (a round trip to the X server under Wine).
  std::string caption = texts::StepCaption(busy_set_name_, step, shown);
  if (caption != step_caption_) {
    step_caption_ = std::move(caption);
    view_.Caption(step_caption_);
  }
  view_.StepProgress(percent);
}

void Session::EndProgress() {
  progress_shown_ = false;
  view_.EndProgress();
  caption_ = busy_caption_;
  view_.Caption(caption_);
}

}  // namespace vornalis::desktop
