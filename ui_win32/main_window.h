// MainWindow: the Win32 face of the desktop program's main window, over the same session as the
// Qt program (desktop/session.h).
//
// It shows what the session tells it and asks what the session asks: it implements
// desktop::View with the system's own controls (a toolbar, a virtual report-style list view with
// the system's small icons, a status bar with a progress bar over its first panel), common
// dialogs with hooks and templates for the hosted panels, SHBrowseForFolder with its callback,
// and message boxes titled by their kind. Menus, toolbar buttons and the accelerator table are
// made from the session's command table; which commands are enabled the session says.
//
// One thread: during a long command the session asks the view after each file whether the user
// pressed a key or a mouse button in the window; the view then drains the window's queue itself,
// so that the window keeps painting (busy_input.h).
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "desktop/piece_size_choice.h"
#include "desktop/session.h"
#include "desktop/view.h"
#include "ui_win32/busy_input.h"
#include "ui_win32/type_icons.h"

namespace vornalis::win32 {

class MainWindow final : public desktop::View {
 public:
  MainWindow(HINSTANCE instance, const std::vector<std::string>& arguments);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Shows the window and runs its messages until it closes; the process's exit code.
  int Run(int show);
  HWND Handle() const { return window_; }

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
  void FlushInput() override { input_.Flush(); }
  bool BreakOffRequested() override { return input_.BreakOffRequested(); }
  void ShowHelp(bool how_to_use) override;
  void ShowAbout() override;
  void CloseWindow() override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  void CreateChildren();
  void CreateToolbar();
  void CreateList();
  void CreateStatusLine();
  void Layout();
  LRESULT Notify(NMHDR* header);
  void CountSelection();
  void Dropped(HDROP drop);
  // The window messages and questions of the session go over.
  HWND Asking() const;

  HINSTANCE instance_;
  std::vector<std::string> arguments_;
  HWND window_ = nullptr;
  HWND toolbar_ = nullptr;
  HWND list_ = nullptr;
  HWND status_ = nullptr;
  HWND progress_ = nullptr;
  HMENU menu_ = nullptr;
  HACCEL accelerators_ = nullptr;
  TypeIcons types_;
  BusyInput input_;
  std::unique_ptr<desktop::Session> session_;
  bool startup_posted_ = false;
  bool waiting_ = false;  // the hourglass shows
  std::wstring cell_;     // the text the list view asked for last
  // What the dialogs keep from one use to the next in this run.
  desktop::PieceSizeChoice new_panel_;
  std::string assemble_panel_;
  unsigned redundancy_ = 0;
};

}  // namespace vornalis::win32
