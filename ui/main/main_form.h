// TMainForm: the program's main window and the working state every command shares.
//
// It owns at most one open PieceSet (CurrentSet), lists that set's files in ListViewFiles with
// their totals in StatusLine, keeps the per-extension cache of type names and icons for the
// whole run, and carries the toolbar (SpeedBar), the menus and the commands. It reads the
// command line when created and runs the start-up job once, after the window first painted.
// updateActions() is the one place that decides which commands and controls are enabled: from
// whether a set is open and whether a long command shows its progress. Every question to the
// user passes through the modal seam (ui/dialogs/modal_seam.h).
#pragma once

#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/piece_set.h"
#include "engine/stored_file.h"
#include "platform/file_system.h"
#include "platform/qt/file_types.h"
#include "ui/main/command_line.h"
#include "ui/main/file_type_cache.h"

class QAction;
class QItemSelection;
class QMenu;
class QProgressBar;
class QToolBar;
class QTreeView;

namespace vornalis::ui {

class FileListModel;
class TApSaveDialog;
class TErrorDlg;
class TFileNewDialogExtLower;
class TFriendlyStatusBar;

// Which long command a progress step belongs to.
enum class ProgressStep { kAdding, kAssembling };

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
  // Set while a long command runs; the window refuses to close then.
  void SetBusy(bool busy) { Busy_ = busy; }

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

 public slots:
  void FileNew();
  void FileOpenFunc();
  void ActionFileCloseExecute();
  void FileExit();
  void ActionAddExecute();
  void ActionAssembleExecute();
  void ActionMakeExeExecute();
  void HelpContents();
  void HelpHowToUse();
  void HelpAbout();
  void ListViewFilesColumnClick(int column);

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateActions();
  void CreateMenus();
  void CreateSpeedBar();
  void CreateBody();
  void updateActions();

  void ListViewFilesSelectItem(const QItemSelection& selected, const QItemSelection& deselected);
  // Destroys CurrentSet, which writes its catalogue; tells the user when that fails.
  void CloseCurrentSet();
  void ShowCaption();
  void ShowSortMark();
  // Says that a command is not built yet, so that it does not look as if it worked.
  void NotBuiltYet(const QString& command);
  QString SetNameText() const;

  platform::FileSystem& fs_;
  CommandLine Command_;
  FileTypeCache Types_;
  std::unique_ptr<PieceSet> CurrentSet_;
  bool SetOpen_ = false;
  bool Busy_ = false;
  bool Progressing_ = false;  // between BeginProgress and EndProgress
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
  QAction* ActionAssemble = nullptr;
  QAction* ActionMakeExe = nullptr;
  QAction* ActionHelpContents = nullptr;
  QAction* ActionHelpHowToUse = nullptr;
  QAction* ActionHelpAbout = nullptr;
};

}  // namespace vornalis::ui
