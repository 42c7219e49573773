// TMainForm: the Qt face of the desktop program's main window.
//
// It shows what the session (desktop/session.h) tells it and asks what the session asks: it
// implements desktop::View with its widgets, dialogs and message boxes (every modal question
// passes through the modal seam, ui/dialogs/modal_seam.h), and hands the user's actions, clicks,
// selections and drops to the session. The widgets are made in main_form_layout.cpp, whose
// actions, menus and toolbar come from the session's command table; which of them are enabled
// the session says. During a long command BusyInput keeps the window painted and notes a key
// press or a click as a request to break off.
#pragma once

#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "desktop/session.h"
#include "desktop/view.h"
#include "platform/file_system.h"
#include "platform/qt/file_types.h"
#include "ui/main/file_type_icons.h"

class QAction;
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

class TMainForm : public QMainWindow, public desktop::View {
  Q_OBJECT

 public:
  // arguments: the command line after the program's own path.
  TMainForm(const std::vector<std::string>& arguments, platform_qt::FileTypes& types,
            platform::FileSystem& fs = platform::RealFileSystem(),
            desktop::Pace::Clock clock = &std::chrono::steady_clock::now,
            QWidget* parent = nullptr);
  ~TMainForm() override;

  desktop::Session& Session() { return *session_; }
  const desktop::Session& Session() const { return *session_; }

  // The program is to end (SIGTERM, SIGHUP, Ctrl-C or the desktop session's end): a long command
  // stops after its file, the set is committed, and the event loop ends; CloseAtEnd finishes the
  // set once the loop has returned.
  void EndSession();
  std::string CloseAtEnd() { return session_->CloseAtEnd(); }

  // The widgets the tests find.
  TErrorDlg* ErrorDlg() const { return ErrorDlg_; }
  TApSaveDialog* FileNewDialog() const { return FileNewDialog_; }
  TFileNewDialogExtLower* FileNewDialogExtLower() const { return FileNewDialogExtLower_; }
  TApOpenDialog* FileAddDialog() const { return FileAddDialog_; }
  TApFolderDialog* FileAssembleFolderDialog() const { return FileAssembleFolderDialog_; }
  TApFolderDialog* FileAddFolderDialog() const { return FileAddFolderDialog_; }
  TAssembleDlgExtUp* AssembleDlgExtUp() const { return AssembleDlgExtUp_; }
  TProtectDlg* ProtectDlg() const { return ProtectDlg_; }
  const FileTypeIcons& Icons() const { return icons_; }

  // desktop::View.
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
  void ListReset() override;
  void RowsAppended(std::size_t first, std::size_t count) override;
  void RowsSorted(const std::vector<std::size_t>& place) override;
  void SortMarkChanged(desktop::FileList::Mark mark) override;
  void Caption(const std::string& text) override;
  void Status(StatusPanel panel, const std::string& text) override;
  void CommandsChanged() override;
  std::vector<std::size_t> SelectedRows() override;
  void SelectAllRows() override;
  void BeginProgress() override;
  void StepProgress(int percent) override;
  void EndProgress() override;
  void FlushInput() override;
  bool BreakOffRequested() override;
  void ShowHelp(bool how_to_use) override;
  void ShowAbout() override;
  void CloseWindow() override;

 signals:
  // After each progress step, with its percentage (lets a watcher follow a long command).
  void ProgressStepped(int percent);

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // Files and folders dropped on the window go to the session.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void CreateActions();
  void CreateMenus();
  void CreateSpeedBar();
  void CreateBody();
  void CreateCommandDialogs();
  QWidget* Asking();  // the window a message is shown over
  void ListViewFilesSelectItem(const QItemSelection& selected, const QItemSelection& deselected);
  // The list's context menu: Assemble, Make .EXE and Select All.
  void ListViewFilesContextMenu(const QPoint& at);

  platform::FileSystem& fs_;
  FileTypeIcons icons_;
  std::unique_ptr<desktop::Session> session_;
  std::unique_ptr<BusyInput> Input_;  // while busy
  bool CursorOverridden_ = false;     // BeginProgress set the hourglass; EndProgress gives it back
  bool StartupPosted_ = false;        // the first paint posted the start-up job

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
  std::vector<QMenu*> Menus_;                                   // File, Action, Help
  std::vector<std::pair<desktop::Command, QAction*>> Actions_;  // in the table's order
};

}  // namespace vornalis::ui
