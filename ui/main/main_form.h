// TMainForm: the program's main window and the working state every command shares.
//
// It owns at most one open PieceSet (CurrentSet), lists that set's files in ListViewFiles with
// their totals in StatusLine, keeps the per-extension cache of type names and icons for the
// whole run, and carries the toolbar (SpeedBar), the menus and the commands. It reads the
// command line when created and runs the start-up job once, after the window first painted.
// updateActions() is the one place that decides which commands and controls are enabled: from
// the one busy state, whether a set is open and whether it can store. Every question to the
// user passes through the modal seam (ui/dialogs/modal_seam.h).
//
// The long commands (Add, Assemble and the start-up add and assemble) hold the window busy from
// the moment their dialogs are confirmed until they have finished: the window refuses to close,
// every command is off, and a key press or a click in the window asks after the current file
// whether to go on (BusyInput). An exception that escapes such a command still ends the busy
// state, so the window can always be closed afterwards.
#pragma once

#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/piece_set.h"
#include "engine/source_walk.h"
#include "engine/stored_file.h"
#include "platform/file_system.h"
#include "platform/qt/file_types.h"
#include "ui/main/callback_guard.h"
#include "ui/main/command_line.h"
#include "ui/main/file_type_cache.h"

class QAction;
class QLineEdit;
class QItemSelection;
class QMenu;
class QProgressBar;
class QToolBar;
class QTreeView;

namespace vornalis::ui {

class BusyInput;
class FileListModel;
class TApFolderDialog;
class TApOpenDialog;
class TApSaveDialog;
class TAssembleDlgExtUp;
class TErrorDlg;
class TFileNewDialogExtLower;
class TFriendlyStatusBar;
class TProtectDlg;

// Which long command a progress step belongs to.
enum class ProgressStep { kAdding, kAssembling, kChecking, kProtecting, kRepairing };

class TMainForm : public QMainWindow {
  Q_OBJECT

 public:
  // arguments: the command line after the program's own path.
  TMainForm(const std::vector<std::string>& arguments, platform_qt::FileTypes& types,
            platform::FileSystem& fs = platform::RealFileSystem(), QWidget* parent = nullptr);
  ~TMainForm() override;

  // Opens the set that path (its header or any of its pieces) belongs to and lists its files.
  // A file of no set is refused with a message and changes nothing.
  void OpenPieceFile(const std::string& path);
  // Appends the row of one stored file (used as files are added).
  void FillListRow(const StoredFile& entry);
  // Empties the list and zeroes the totals and the selection, rewriting both status texts.
  void ClearFileList();
  void ShowTotals();
  void ShowSelection();

  // The busy display of a long command: progress bar over the left panel, hourglass cursor,
  // toolbar, menus and commands off. Each step names its file in the right panel and shows
  // the percentage in the title. EndProgress gives back the cursor that was current before
  // BeginProgress and restores the caption the command saved before its first step.
  void BeginProgress();
  void StepProgress(ProgressStep step, const QString& file_name, int percent);
  void EndProgress(const QString& caption);

  // The start-up job the command line asked for; runs once (the first paint posts it).
  void RunStartupJob();

  // A request to end the program (SIGTERM, SIGHUP, Ctrl-C, the desktop session ending). The
  // event loop ends, and with it every dialog, as if cancelled; no dialog shown from then on
  // waits for the user. A long command stops after its current file as when broken off (an add
  // still commits what it stored); with none running, the open set is committed at once.
  // CloseAtEnd finishes the set once the loop has returned.
  void EndSession();
  bool EndRequested() const;
  // Closes the open set without showing anything, for the end of the program: "" when it was
  // closed (or none was open), else why it failed.
  std::string CloseAtEnd();
  // Set while a long command runs; the window refuses to close then and all commands are off.
  void SetBusy(bool busy);

  // Stores files and folders (each folder with everything below it) into the open set, as Add
  // does: progress, break-off and the list of what was left out. Add, Add Folder and a drop
  // on the window come here.
  void AddPaths(const std::vector<std::string>& paths);

  // Packs the files and folders of the command line's list files into a new set: with the
  // piece-size dialog when the command line named the set, else after the New command.
  void AddFromLists();
  // Rebuilds the selected rows, or all rows when none is selected, into target_folder (ending
  // with a separator); failures are listed at the end.
  void AssembleInto(const std::string& target_folder);
  // Opens the command line's set and assembles it into the folder named after "/e", made when
  // missing; without a folder, or one that cannot be made, the folder dialog asks.
  void AssembleAtStartUp();

  // The folder dialog's handlers: the panel follows the selected folder; OK is allowed for an
  // existing folder, or one made after a question.
  void FileAssembleFolderDialogSelectionChange();
  void FileAssembleFolderDialogCanClose(bool& can_close);

  PieceSet* CurrentSet() const { return CurrentSet_.get(); }
  bool SetOpen() const { return SetOpen_; }
  bool Busy() const { return Busy_; }
  int StartMode() const { return Command_.StartMode; }
  const CommandLine& Command() const { return Command_; }
  int SortColumn() const { return SortColumn_; }
  std::uint32_t FileCount() const { return FileCount_; }
  std::uint64_t TotalBytes() const { return TotalBytes_; }
  std::int32_t SelectedCount() const { return SelectedCount_; }
  std::uint64_t SelectedBytes() const { return SelectedBytes_; }
  const FileTypeCache& TypeCache() const { return Types_; }
  TErrorDlg* ErrorDlg() const { return ErrorDlg_; }
  TApSaveDialog* FileNewDialog() const { return FileNewDialog_; }
  TFileNewDialogExtLower* FileNewDialogExtLower() const { return FileNewDialogExtLower_; }
  TApOpenDialog* FileAddDialog() const { return FileAddDialog_; }
  TApFolderDialog* FileAssembleFolderDialog() const { return FileAssembleFolderDialog_; }
  TApFolderDialog* FileAddFolderDialog() const { return FileAddFolderDialog_; }
  TAssembleDlgExtUp* AssembleDlgExtUp() const { return AssembleDlgExtUp_; }
  TProtectDlg* ProtectDlg() const { return ProtectDlg_; }

 signals:
  // After each progress step, with its percentage (lets a watcher follow a long command).
  void ProgressStepped(int percent);

 public slots:
  void FileNew();
  void FileOpenFunc();
  void ActionFileCloseExecute();
  void FileExit();
  void ActionAddExecute();
  void ActionAddFolderExecute();
  void ActionSelectAllExecute();
  void ActionAssembleExecute();
  void ActionMakeExeExecute();
  void ActionVerifyExecute();
  void ActionProtectExecute();
  void ActionRepairExecute();
  void HelpContents();
  void HelpHowToUse();
  void HelpAbout();
  void ListViewFilesColumnClick(int column);

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // Files and folders dropped on the window are added to the open set; on a window without
  // one, a dropped piece file opens its set.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void CreateActions();
  void CreateMenus();
  void CreateSpeedBar();
  void CreateBody();
  void updateActions();

  void ListViewFilesSelectItem(const QItemSelection& selected, const QItemSelection& deselected);
  // The list's context menu: Assemble, Make .EXE and Select All.
  void ListViewFilesContextMenu(const QPoint& at);
  void CreateCommandDialogs();
  // AddFiles' progress callback: steps the display, appends the row, checks for a break-off.
  // What throws in it is kept in Callbacks_ and stops the add.
  static int AddProgress(void* context, int percent, std::string name, std::string folder,
                         std::uint32_t size) noexcept;
  // Stores the sources and commits the set (StoreAndCommit) under the busy display, and shows
  // what was left out and a failure; the caller holds the window busy. Rows appended while
  // storing get their catalogue entries afterwards. False when the commit failed, which finished
  // the set: the caller then shows it as it lies on disk (ShowSetAsOnDisk), once no longer busy.
  bool RunAddFiles(const std::string& work_folder, const SourceList& sources);
  void ShowSetAsOnDisk();
  void AddFromListsCommon();
  // Gives every row the index of its catalogue entry, by its exact folder and name.
  void MapRowsToEntries();
  // Holds the window busy for one long command and ends that when it leaves, also by an
  // exception: the cursor, the bar, the caption and the commands come back.
  struct BusyPeriod {
    explicit BusyPeriod(TMainForm& owner) : form(owner) { form.StartBusy(); }
    ~BusyPeriod() { form.EndBusy(); }
    BusyPeriod(const BusyPeriod&) = delete;
    BusyPeriod& operator=(const BusyPeriod&) = delete;
    TMainForm& form;
  };
  void StartBusy();
  void EndBusy();
  // Recovery files (main_form_recovery.cpp). Runs work(paths, progress) on the open set as it
  // lies closed, under the busy display, and opens the set again afterwards.
  template <typename Work>
  void WithSetClosed(ProgressStep step, Work work);
  void ProtectOpenSet(unsigned redundancy);
  // Repairs the set at paths from its recovery files, saying how it went, and opens it when it
  // was not open; true when something was repaired.
  bool RepairSetAt(const SetPaths& paths);
  // What came of offering a repair: none offered (no recovery files, or they find nothing the
  // set lacks) or the user declined; the set repaired and opened; or the user was told why
  // nothing was repaired (too much lost, or the repair failed).
  enum class RepairOffer { kNone, kRepaired, kTold };
  // For a set that cannot be used whole (problem says why): when recovery files lie beside it,
  // checks every piece against them and offers the repair only when it can succeed, and does
  // it; when it cannot, says what is lost and how much recovery data a repair would need.
  RepairOffer OfferRepair(const SetPaths& paths, const std::string& problem);
  // Closes CurrentSet (a last commit, and the finish) and lets it go; tells the user when that
  // fails.
  void CloseCurrentSet();
  // After a new set was made: when it cannot store (another program is storing into a set of
  // that name, or the lock file cannot be made), says why and lets it go; returns whether it
  // was kept.
  bool KeepNewSet();
  // Whether a file can be made in folder (tried with a probe file, removed at once).
  bool FolderWritable(const std::string& folder);
  // Opens the set at paths for storing where its folder allows, else for reading only, with
  // the reason in *read_only (ok when it may store).
  std::unique_ptr<PieceSet> ReadSet(const SetPaths& paths, Status* read_only);
  // Whether paths lead to the open set's header.
  bool IsOpenSet(const SetPaths& paths);
  void ShowCaption();
  void ShowSortMark();
  QString SetNameText() const;

  platform::FileSystem& fs_;
  CommandLine Command_;
  FileTypeCache Types_;
  std::unique_ptr<PieceSet> CurrentSet_;
  bool SetOpen_ = false;
  bool Busy_ = false;
  bool EndRequested_ = false;
  std::unique_ptr<BusyInput> Input_;  // while busy
  // The set a long command works on, for the title: the open one, unless the command names
  // another (recovery work closes the set first).
  QString BusySetName_;
  // What the engine's callbacks threw, rethrown once the engine has returned.
  CallbackGuard Callbacks_;
  bool CursorOverridden_ = false;   // BeginProgress set the hourglass; EndProgress gives it back
  QString BusyCaption_;             // the caption when the window became busy
  std::string LastAssembleFolder_;  // the target of the last assemble in this run
  QString LastSetFolder_;           // where the set last opened or made in this run lies
  bool StartupJobDone_ = false;
  int SortColumn_ = 0;
  std::uint32_t FileCount_ = 0;
  std::uint64_t TotalBytes_ = 0;  // summed in 64 bits: a set may hold more than 4 GB
  std::int32_t SelectedCount_ = 0;
  std::uint64_t SelectedBytes_ = 0;

  FileListModel* Model_ = nullptr;
  TErrorDlg* ErrorDlg_ = nullptr;
  TApSaveDialog* FileNewDialog_ = nullptr;
  TFileNewDialogExtLower* FileNewDialogExtLower_ = nullptr;
  TApOpenDialog* FileAddDialog_ = nullptr;
  TApFolderDialog* FileAssembleFolderDialog_ = nullptr;
  TApFolderDialog* FileAddFolderDialog_ = nullptr;
  TAssembleDlgExtUp* AssembleDlgExtUp_ = nullptr;
  TProtectDlg* ProtectDlg_ = nullptr;
  QToolBar* SpeedBar = nullptr;
  QTreeView* ListViewFiles = nullptr;
  TFriendlyStatusBar* StatusLine = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QMenu* FileMenu = nullptr;
  QMenu* Action1 = nullptr;
  QMenu* HelpMenu = nullptr;
  QAction* ActionFileNew = nullptr;
  QAction* ActionFileOpen = nullptr;
  QAction* ActionFileClose = nullptr;
  QAction* ActionFileExit = nullptr;
  QAction* ActionAdd = nullptr;
  QAction* ActionAddFolder = nullptr;
  QAction* ActionSelectAll = nullptr;
  QAction* ActionAssemble = nullptr;
  QAction* ActionMakeExe = nullptr;
  QAction* ActionVerify = nullptr;
  QAction* ActionProtect = nullptr;
  QAction* ActionRepair = nullptr;
  QAction* ActionHelpContents = nullptr;
  QAction* ActionHelpHowToUse = nullptr;
  QAction* ActionHelpAbout = nullptr;
};

}  // namespace vornalis::ui
