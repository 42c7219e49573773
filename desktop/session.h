// Session: the desktop program's working state and every command, for any face.
//
// It owns at most one open PieceSet, lists its files (FileList) with their totals in the status
// line, keeps the type names for the whole run, reads the command line when made and runs its
// start-up job once, when the face says its window was first painted. Run(command) is the one
// way a command starts, by menu, button, key or drop: it asks Enabled first. Every question to
// the user and everything shown goes through the View.
//
// The long commands (Add, Add Folder, a drop, Assemble, Verify, Protect, Repair and the start-up
// jobs) hold the session busy from the moment their dialogs are confirmed until they end: every
// command is off, the window may not close, and after each file the face is asked whether the
// user pressed a key or a button, which asks whether to go on. A store ends with the set
// committed to the medium and still open: what the list shows is on disk. An exception that a
// face throws from a call the engine made is kept until the engine returns, then rethrown; the
// busy state ends either way.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "desktop/callback_guard.h"
#include "desktop/command_line.h"
#include "desktop/commands.h"
#include "desktop/file_list.h"
#include "desktop/pace.h"
#include "desktop/texts.h"
#include "desktop/type_names.h"
#include "desktop/view.h"
#include "engine/piece_set.h"
#include "engine/set_files.h"
#include "engine/source_walk.h"
#include "engine/store_sources.h"
#include "platform/collation.h"
#include "platform/file_system.h"

namespace vornalis::desktop {

class Session {
 public:
  // command: the command line as the face read it (ParseCommandLine).
  // clock: what a long command's pace is measured by (tests give their own).
  Session(View& view, TypeSource& types, CommandLine command,
          platform::FileSystem& fs = platform::RealFileSystem(),
          const platform::Collator& collator = platform::Collator::Default(),
          Pace::Clock clock = &std::chrono::steady_clock::now);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Runs a command when Enabled says it may run now; nothing otherwise.
  void Run(Command command);
  bool Enabled(Command command) const;

  // The start-up job the command line asked for; runs once (the face calls it after its window
  // first painted).
  void RunStartupJob();
  // Opens the set that path (its header or any of its pieces) belongs to and lists its files.
  void OpenPieceFile(const std::string& path);
  // Stores files and folders into the open set, as Add does; Add, Add Folder and a drop come
  // here.
  void AddPaths(const std::vector<std::string>& paths);
  // Files and folders dropped on the window: added to a set that takes files, or, without a set
  // open, the set of the first one opened.
  void Drop(const std::vector<std::string>& paths);
  bool TakesDrop() const;
  // Whether a right click on the list shows its menu: a set is open and no command runs.
  bool ShowsListMenu() const { return !busy_ && set_open_; }
  // Rebuilds the selected rows, or all rows when none is selected, into target_folder (ending
  // with a separator).
  void AssembleInto(const std::string& target_folder);
  // The folder dialog's confirmation: an existing folder, or one made after a question.
  bool MayCloseAssembleFolder(const std::string& folder);

  // The user's input to the list: a click on a column header (0 to 3), a row's selection, or
  // the rows selected now, all of them (for a face that counts them afresh).
  void ColumnClicked(int column);
  void RowSelected(std::size_t row, bool selected);
  void RowsSelected(const std::vector<std::size_t>& rows);

  // Whether the window may close now (never while busy); closing writes the set's catalogue.
  bool MayClose() const { return !busy_; }
  void CloseForExit();
  // The program is to end (a signal, the desktop session's end): a long command stops after its
  // file and commits; with none, the set is committed now. EndRequested says whether it was.
  void RequestEnd();
  bool EndRequested() const;
  // Closes the open set at the very end; the message of a close that failed, "" otherwise.
  std::string CloseAtEnd();

  const FileList& List() const { return list_; }
  const TypeNames& Types() const { return types_; }
  const CommandLine& StartUp() const { return command_; }
  PieceSet* CurrentSet() const { return current_set_.get(); }
  bool SetOpen() const { return set_open_; }
  bool Busy() const { return busy_; }
  const std::string& Caption() const { return caption_; }
  // What a face's own calls into the engine throw is kept here too (BusyInput's repainting).
  CallbackGuard& Callbacks() { return callbacks_; }
  std::uint32_t FileCount() const { return static_cast<std::uint32_t>(list_.Size()); }

 private:
  friend class BusyPeriod;
  class AddProgress;
  class AssembleProgress;
  class RecoveryProgress;
  class LargeFilePace;

  // Set, list, caption and status.
  void FileNew();
  void FileOpen();
  void CloseSet();
  std::unique_ptr<PieceSet> ReadSet(const SetPaths& paths, Status* read_only);
  bool IsOpenSet(const SetPaths& paths);
  bool FolderWritable(const std::string& folder);
  void CloseCurrentSet();
  bool KeepNewSet();
  void ClearFileList();
  void ShowList();
  void ShowTotals();
  void ShowSelection();
  void ShowCaption();
  void SetSortMark(int key);
  std::string SetNameShown() const;
  void MakeExe();

  // The busy state and its display.
  void StartBusy();
  void EndBusy();
  void BeginProgress();
  void StepProgress(texts::Step step, const std::string& shown_file, int percent);
  // One step of a long command at its pace: shown (with the rows stored since the last step
  // shown) when it is due or last, and then whether the user asked to break off and answered
  // "No" (false: stop). name_of gives the file's name only when it is shown.
  bool PacedStep(texts::Step step, const std::function<std::string()>& name_of, int percent,
                 bool last);
  // The rows appended since the view was last told, told now.
  void ShowAppendedRows();
  void EndProgress();

  // Storing (session_add.cpp).
  void Add();
  void AddFolder();
  void AddFromLists();
  // Stores sources under the busy display, commits, and says what went wrong; false when the
  // set could not be kept as it is in the list (the caller shows it as it lies on disk).
  StoreReport RunStore(const std::string& work_folder, SourceList sources);
  void ShowSetAsOnDisk();
  // Says what a command's commit did to the set's recovery files: those of a replaced set went;
  // files added made them older, and a new protection is offered.
  void TellRecoveryAfterStoring(const StoreReport& report);

  // Assembling (session_assemble.cpp).
  void Assemble();
  void AssembleAtStartUp();

  // Recovery files (session_recovery.cpp).
  template <typename Work>
  void WithSetClosed(texts::Step step, Work work);
  void Verify();
  void Protect();
  void ProtectOpenSet(unsigned redundancy);
  bool RepairSetAt(const SetPaths& paths);
  enum class RepairOffer { kNone, kTold, kRepaired };
  RepairOffer OfferRepair(const SetPaths& paths, const std::string& problem);

  View& view_;
  platform::FileSystem& fs_;
  CommandLine command_;
  TypeNames types_;
  FileList list_;
  std::unique_ptr<PieceSet> current_set_;
  bool set_open_ = false;
  bool busy_ = false;
  bool progress_shown_ = false;
  bool end_requested_ = false;
  bool startup_job_done_ = false;
  // What a face threw inside the engine's callbacks, rethrown once the engine has returned.
  CallbackGuard callbacks_;
  std::string caption_;                // as last shown
  std::string busy_caption_;           // the caption when the session became busy
  std::string step_caption_;           // the caption of the last progress step shown
  std::string busy_set_name_;          // the set's name shown while busy
  std::string last_assemble_folder_;   // the target of the last assemble in this run
  std::string typed_assemble_folder_;  // as the assemble panel's box last named it
  Pace pace_;
  texts::Step step_ = texts::Step::kAdding;  // of the long command running
  std::size_t rows_shown_ = 0;               // rows the view has been told of
  std::unique_ptr<LargeFilePace> large_file_pace_;
  std::string last_set_folder_;  // where the set last opened or made in this run lies
  std::string last_add_folder_;  // the folder Add Folder last added
  unsigned redundancy_ = 0;      // what Protect last made (0: the default)
};

}  // namespace vornalis::desktop
