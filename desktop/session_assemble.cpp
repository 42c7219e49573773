// Session: Assemble, the start-up assemble and the folder dialog's confirmation. Files are
// rebuilt by the engine from the catalogue entries of the rows, never by looking their names up
// again, so two stored files whose names differ only in case both come back.
#include <algorithm>

#include "desktop/busy_period.h"
#include "desktop/session.h"
#include "engine/messages.h"
#include "engine/rebuild.h"
#include "platform/path.h"

namespace vornalis::desktop {

// Follows the engine through the entries: a progress step after each (with a share by count, as
// the engine goes in the order given), a failure's two lines, and the break-off question while
// entries remain. What a face throws in it is kept in the session's guard and stops the assemble.
class Session::AssembleProgress final : public RebuildObserver {
 public:
  AssembleProgress(Session& session, std::string target, std::size_t count, bool show_progress)
      : session_(session),
        target_(std::move(target)),
        count_(count),
        show_progress_(show_progress) {}

  bool Rebuilt(const StoredFile& entry, const Status& status) noexcept override {
    return session_.callbacks_.Run([&] { return Step(entry, status); }, false);
  }

  std::size_t done() const { return done_; }
  std::size_t failed() const { return failed_; }
  std::vector<std::string> lines;  // for the error list

 private:
  bool Step(const StoredFile& entry, const Status& status) {
    ++done_;
    if (!status.ok()) {
      ++failed_;
      lines.push_back(texts::Shown(messages::Assembling(target_ + entry.Name)));
      lines.push_back(texts::Shown(status.message));
    }
    if (!show_progress_) return !session_.EndRequested();
    return session_.PacedStep(
        texts::Step::kAssembling, [&] { return texts::Shown(entry.Name); },
        static_cast<int>(done_ * 100 / count_), done_ >= count_);
  }

  Session& session_;
  const std::string target_;
  const std::size_t count_;
  const bool show_progress_;
  std::size_t done_ = 0;
  std::size_t failed_ = 0;
};

void Session::Assemble() {
  if (!current_set_) return;
  // The tree opens at the folder the panel's box last named, else at the last one assembled
  // into, else at the set's own folder: never collapsed at the root.
  const std::string& typed = typed_assemble_folder_;
  const std::string start =
      !typed.empty() && fs_.IsDirectory(typed) ? platform::WithSeparator(typed)
      : !last_assemble_folder_.empty()         ? last_assemble_folder_
                                               : platform::FolderOf(current_set_->BasePath());
  const std::optional<std::string> chosen = view_.ChooseAssembleFolder(
      start, [this](const std::string& folder) { return MayCloseAssembleFolder(folder); });
  // An item without a folder gives nothing to rebuild into (never the file system's root).
  if (!chosen || chosen->empty()) return;
  AssembleInto(platform::WithSeparator(*chosen));
}

bool Session::MayCloseAssembleFolder(const std::string& folder) {
  typed_assemble_folder_ = folder;
  if (!folder.empty() && fs_.IsDirectory(folder)) return true;
  if (!view_.Warning(texts::CreateFolderQuestion(texts::Shown(folder)))) return false;
  // One level only: the parent must exist.
  if (!folder.empty() && fs_.CreateDirectory(folder).ok()) return true;
  view_.Error(std::string(texts::kFolderPathWrong));
  return false;
}

void Session::AssembleInto(const std::string& target_folder) {
  if (!current_set_) return;
  last_assemble_folder_ = target_folder;
  const std::vector<std::size_t> selected = view_.SelectedRows();
  std::vector<std::size_t> rows = selected;
  if (rows.empty())
    for (std::size_t row = 0; row < list_.Size(); ++row) rows.push_back(row);
  const std::vector<StoredFile>& files = current_set_->Files();
  std::vector<const StoredFile*> entries;
  for (const std::size_t row : rows) {
    const std::size_t entry = list_.Row(row).entry;
    if (entry < files.size()) entries.push_back(&files[entry]);
  }

  BusyPeriod busy(*this);
  view_.FlushInput();
  const bool one = selected.size() == 1;
  if (!one) BeginProgress();
  AssembleProgress progress(*this, target_folder, entries.size(), !one);
  current_set_->ClearLastError();
  std::size_t failed = 0;
  // The rows are rebuilt top to bottom as the list shows them.
  if (!entries.empty() &&
      !current_set_->ExtractFiles(target_folder, entries, &progress, RebuildOrder::kAsGiven)) {
    // The target could not be opened or made: nothing was rebuilt.
    failed = entries.size() - progress.done();
    progress.lines.push_back(texts::Shown(messages::Assembling(target_folder)));
    progress.lines.push_back(texts::Shown(current_set_->LastError()));
  }
  failed += progress.failed();
  if (!one) EndProgress();
  // A failure inside a callback stopped the assemble; it is the command's to report now.
  callbacks_.RethrowCaught();
  if (failed > 0) {
    progress.lines.push_back(messages::ErrorsOccured(failed));
    view_.ErrorList(progress.lines);
  }
  ShowTotals();
}

void Session::AssembleAtStartUp() {
  OpenPieceFile(command_.PieceFilePath);
  if (!set_open_) return;
  const std::string& target = command_.AssembleTarget;
  if (target.empty() || (!fs_.IsDirectory(target) && !fs_.CreateDirectory(target).ok())) {
    Assemble();
    return;
  }
  AssembleInto(platform::WithSeparator(target));
}

}  // namespace vornalis::desktop
