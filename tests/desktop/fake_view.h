// FakeView: the desktop session's view for tests. Every question is answered from queues filled
// in advance (a warning with none queued is answered "No", a chooser with none is cancelled), and
// everything the session asks and tells is recorded, so that a test drives the session as a user
// would and reads what the window would show.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "desktop/session.h"
#include "desktop/view.h"

namespace vornalis::testing {

// Names every type "<EXT> type" ("" gives "no type") and counts the questions.
class CountingTypes final : public desktop::TypeSource {
 public:
  std::string NameFor(int index, std::string_view extension) override;
  std::vector<std::string> asked;
};

class FakeView final : public desktop::View {
 public:
  // The answers to come, in order.
  std::deque<bool> warnings;  // yes or no
  std::deque<std::optional<desktop::NewSetChoice>> new_sets;
  std::deque<std::optional<desktop::PieceSizeChoice>> piece_sizes;
  std::deque<std::optional<std::string>> set_files;
  std::deque<std::vector<std::string>> files_to_add;
  std::deque<std::optional<std::string>> folders_to_add;
  // The folder an assemble dialog is given; may_close is asked with it as the user confirms,
  // and a refusal cancels the dialog.
  std::deque<std::optional<std::string>> assemble_folders;
  std::deque<std::optional<unsigned>> redundancies;
  std::vector<std::size_t> selected;  // the rows selected, top to bottom
  // Break-off requests: each check takes the next (none: no request).
  std::deque<bool> break_offs;
  // Called at each progress step, with the percentage (a test's chance to act mid-command).
  std::function<void(int)> on_step;
  std::vector<std::pair<std::size_t, std::size_t>> appended;  // rows told of: first, count

  // What was asked and told, oldest first: "Error: text", "Warning: text", "Information: text",
  // "ErrorList: line|line".
  std::vector<std::string> messages;
  std::vector<std::string> asked;  // choosers, by name ("ChooseNewSet start")
  std::string caption;
  std::string status[2];
  std::vector<std::string> captions;  // every caption shown
  int list_resets = 0;
  int progress_shown = 0;  // BeginProgress calls
  bool in_progress = false;
  int commands_changed = 0;
  std::vector<int> steps;  // percentages
  bool closed = false;
  std::string help;  // "contents", "how to use", "about"

  // The error list's last lines.
  std::vector<std::string> error_list;
  desktop::FileList::Mark sort_mark;

  void Error(const std::string& text) override;
  bool Warning(const std::string& text) override;
  void Information(const std::string& text) override;
  void ErrorList(const std::vector<std::string>& lines) override;
  std::optional<desktop::NewSetChoice> ChooseNewSet(
      const std::string& start_folder,
      const std::function<bool(const desktop::PieceSizeChoice& size)>& may_close) override;
  std::optional<desktop::PieceSizeChoice> ChoosePieceSize() override;
  std::optional<std::string> ChooseSetFile(const std::string& start_folder) override;
  std::vector<std::string> ChooseFilesToAdd() override;
  std::optional<std::string> ChooseFolderToAdd(const std::string& start_folder) override;
  std::optional<std::string> ChooseAssembleFolder(
      const std::string& start_folder,
      const std::function<bool(const std::string& folder)>& may_close) override;
  std::optional<unsigned> ChooseRedundancy() override;
  void ListReset() override { ++list_resets; }
  void RowsAppended(std::size_t first, std::size_t count) override {
    appended.push_back({first, count});
  }
  void RowsSorted(const std::vector<std::size_t>& place) override;
  void SortMarkChanged(desktop::FileList::Mark mark) override { sort_mark = mark; }
  void Caption(const std::string& text) override;
  void Status(StatusPanel panel, const std::string& text) override {
    status[static_cast<int>(panel)] = text;
  }
  void CommandsChanged() override { ++commands_changed; }
  std::vector<std::size_t> SelectedRows() override { return selected; }
  void SelectAllRows() override;
  void BeginProgress() override;
  void StepProgress(int percent) override;
  void EndProgress() override { in_progress = false; }
  void FlushInput() override {}
  bool BreakOffRequested() override;
  void ShowHelp(bool how_to_use) override { help = how_to_use ? "how to use" : "contents"; }
  void ShowAbout() override { help = "about"; }
  void CloseWindow() override { closed = true; }

  // The session shown in this view, once made (for SelectAllRows).
  desktop::Session* session = nullptr;
};

// The rows of the session's list as "name|type|size|path", top to bottom.
std::vector<std::string> ListRows(const desktop::Session& session);

}  // namespace vornalis::testing
