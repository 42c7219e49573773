// View: what a face of the desktop program (Qt, Win32) does for the session, and nothing more.
// The session decides everything: which command runs, what is asked and told in which words,
// what the list, the caption and the status line show. A face shows what it is told, asks what
// it is asked (its dialogs, message boxes and controls), and reports the user's input.
//
// Every call is synchronous, on the face's one thread. Texts are UTF-8 and ready to show (names
// in them escaped); message boxes are titled by their kind ("Error", "Warning", "Information").
// A test implements View with answers queued in advance (tests/desktop/fake_view.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "desktop/file_list.h"
#include "desktop/piece_size_choice.h"

namespace vornalis::desktop {

// The New dialog's answer: the header file chosen and the piece size panel's state, which was
// checked (PieceSizeOf) before the dialog closed.
struct NewSetChoice {
  std::string path;
  PieceSizeChoice size;
};

class View {
 public:
  virtual ~View() = default;

  // Messages: an error (one "OK"), a warning question (true for "&Yes"), an information, and
  // the error list (its lines, shown once, modally).
  virtual void Error(const std::string& text) = 0;
  virtual bool Warning(const std::string& text) = 0;
  virtual void Information(const std::string& text) = 0;
  virtual void ErrorList(const std::vector<std::string>& lines) = 0;

  // Choosers; nothing when the user cancelled.
  // The save dialog with the piece-size panel, in start_folder. may_close is asked when the user
  // confirms, with the panel's choice (the session tells a size out of range over the dialog,
  // which then stays open).
  virtual std::optional<NewSetChoice> ChooseNewSet(
      const std::string& start_folder,
      const std::function<bool(const PieceSizeChoice& size)>& may_close) = 0;
  // The piece-size dialog alone (the start-up add with a set named on the command line).
  virtual std::optional<PieceSizeChoice> ChoosePieceSize() = 0;
  virtual std::optional<std::string> ChooseSetFile(const std::string& start_folder) = 0;
  // The open dialog for files to add, several at once; empty when cancelled.
  virtual std::vector<std::string> ChooseFilesToAdd() = 0;
  virtual std::optional<std::string> ChooseFolderToAdd(const std::string& start_folder) = 0;
  // The folder dialog with the assemble panel, opening at start_folder. may_close is asked when
  // the user confirms, with the folder the panel's box names (the session asks its questions
  // over the dialog); the answer is that folder.
  virtual std::optional<std::string> ChooseAssembleFolder(
      const std::string& start_folder,
      const std::function<bool(const std::string& folder)>& may_close) = 0;
  // The Protect dialog: 0 for the default, else a percentage.
  virtual std::optional<unsigned> ChooseRedundancy() = 0;

  // Display. The list's rows are the session's (Session::List()); these say what changed.
  virtual void ListReset() = 0;
  virtual void RowsAppended(std::size_t first, std::size_t count) = 0;
  // The rows were sorted: row i before is place[i] now (a selection follows its rows).
  virtual void RowsSorted(const std::vector<std::size_t>& place) = 0;
  virtual void SortMarkChanged(FileList::Mark mark) = 0;
  virtual void Caption(const std::string& text) = 0;
  // The status line's panels, left to right: the selection, and the totals or the file being
  // worked on.
  enum class StatusPanel { kSelection = 0, kTotals = 1 };
  virtual void Status(StatusPanel panel, const std::string& text) = 0;
  // Which commands are enabled may have changed (Session::Enabled says).
  virtual void CommandsChanged() = 0;
  // The rows the user has selected, top to bottom; and selecting every row.
  virtual std::vector<std::size_t> SelectedRows() = 0;
  virtual void SelectAllRows() = 0;

  // The busy display of a long command: the progress bar over the left panel, the hourglass,
  // the toolbar and menus off (CommandsChanged tells), the percentage in the caption.
  virtual void BeginProgress() = 0;
  virtual void StepProgress(int percent) = 0;
  virtual void EndProgress() = 0;
  // Input during a long command: keys typed before it began are thrown away; and whether the
  // user pressed a key or a mouse button since the last check (a request to break off), the
  // window's queue drained meanwhile, so it repaints. The session asks at a human rate (Pace),
  // also inside a large file.
  virtual void FlushInput() = 0;
  virtual bool BreakOffRequested() = 0;

  // Help and the About box, which the face shows itself.
  virtual void ShowHelp(bool how_to_use) = 0;
  virtual void ShowAbout() = 0;
  // The window closes (Exit).
  virtual void CloseWindow() = 0;
};

}  // namespace vornalis::desktop
