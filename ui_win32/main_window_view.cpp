// MainWindow as the session's view: message boxes and dialogs over the window the session asks
// from, the list, caption and status line, the enabled commands and the busy display.
#include "ui_win32/main_window.h"

#include <commctrl.h>

#include <algorithm>

#include "desktop/texts.h"
#include "platform/win32_path.h"
#include "ui_win32/file_dialogs.h"
#include "ui_win32/folder_dialog.h"
#include "ui_win32/help.h"
#include "ui_win32/message_boxes.h"
#include "ui_win32/modal_dialogs.h"
#include "ui_win32/resource.h"

namespace vornalis::win32 {

HWND MainWindow::Asking() const {
  // A question the session asks while one of its dialogs is open goes over that dialog.
  HWND active = ::GetActiveWindow();
  return active != nullptr && ::IsWindowEnabled(active) ? active : window_;
}

void MainWindow::Error(const std::string& text) { ShowError(Asking(), text); }

bool MainWindow::Warning(const std::string& text) { return AskWarning(Asking(), text); }

void MainWindow::Information(const std::string& text) { ShowInformation(Asking(), text); }

void MainWindow::ErrorList(const std::vector<std::string>& lines) { RunErrorList(Asking(), lines); }

std::optional<desktop::NewSetChoice> MainWindow::ChooseNewSet(
    const std::string& start_folder,
    const std::function<bool(const desktop::PieceSizeChoice& size)>& may_close) {
  return RunNewDialog(window_, start_folder, new_panel_, may_close);
}

std::optional<desktop::PieceSizeChoice> MainWindow::ChoosePieceSize() {
  return RunPieceSizeDialog(window_);
}

std::optional<std::string> MainWindow::ChooseSetFile(const std::string& start_folder) {
  return RunOpenSetDialog(window_, start_folder);
}

std::vector<std::string> MainWindow::ChooseFilesToAdd() { return RunAddDialog(window_); }

std::optional<std::string> MainWindow::ChooseFolderToAdd(const std::string& start_folder) {
  FolderDialog dialog{
      desktop::texts::kAddFolderTitle, desktop::texts::kAddButton, start_folder, nullptr, {}};
  std::optional<std::string> chosen = RunFolderDialog(window_, dialog);
  if (!chosen || chosen->empty()) return std::nullopt;
  return chosen;
}

std::optional<std::string> MainWindow::ChooseAssembleFolder(
    const std::string& start_folder,
    const std::function<bool(const std::string& folder)>& may_close) {
  FolderDialog dialog{desktop::texts::kAssembleFolderTitle, desktop::texts::kAssembleButton,
                      start_folder, &assemble_panel_, may_close};
  std::optional<std::string> chosen = RunFolderDialog(window_, dialog);
  ::SetForegroundWindow(window_);
  ::SetFocus(list_);
  return chosen;
}

std::optional<unsigned> MainWindow::ChooseRedundancy() {
  std::optional<unsigned> chosen = RunProtectDialog(window_, redundancy_);
  if (chosen) redundancy_ = *chosen;
  return chosen;
}

void MainWindow::ListReset() {
  ListView_SetItemCountEx(list_, static_cast<int>(session_->List().Size()), 0);
  ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  ::InvalidateRect(list_, nullptr, TRUE);
}

void MainWindow::RowsAppended(std::size_t, std::size_t) {
  // The rows before stay where they are, and so does their selection.
  ListView_SetItemCountEx(list_, static_cast<int>(session_->List().Size()),
                          LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
  ::InvalidateRect(list_, nullptr, FALSE);
}

void MainWindow::RowsSorted(const std::vector<std::size_t>& place) {
  // The selection follows its rows to their new places.
  const std::vector<std::size_t> selected = SelectedRows();
  ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  for (const std::size_t row : selected)
    if (row < place.size())
      ListView_SetItemState(list_, static_cast<int>(place[row]), LVIS_SELECTED, LVIS_SELECTED);
  ::InvalidateRect(list_, nullptr, FALSE);
}

void MainWindow::SortMarkChanged(desktop::FileList::Mark mark) {
  HWND header = ListView_GetHeader(list_);
  for (int column = 0; column < desktop::FileList::kColumnCount; ++column) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    Header_GetItem(header, column, &item);
    item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
    if (mark.column && *mark.column == column)
      item.fmt |= mark.descending ? HDF_SORTDOWN : HDF_SORTUP;
    Header_SetItem(header, column, &item);
  }
}

void MainWindow::Caption(const std::string& text) {
  ::SetWindowTextW(window_, platform::Wide(text).c_str());
}

void MainWindow::Status(StatusPanel panel, const std::string& text) {
  ::SendMessageW(status_, SB_SETTEXTW, static_cast<WPARAM>(panel),
                 reinterpret_cast<LPARAM>(platform::Wide(text).c_str()));
  // A command may keep the loop busy between steps, so paint now.
  ::UpdateWindow(status_);
}

void MainWindow::CommandsChanged() {
  const bool idle = !session_ || !session_->Busy();
  for (const desktop::CommandInfo& info : desktop::CommandTable()) {
    const bool enabled =
        session_ ? session_->Enabled(info.command) : desktop::Enabled(info.command, {});
    const int id = IDM_COMMAND_BASE + static_cast<int>(info.command);
    ::EnableMenuItem(menu_, static_cast<UINT>(id),
                     MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    // While a long command runs the whole toolbar is off.
    ::SendMessageW(toolbar_, TB_ENABLEBUTTON, static_cast<WPARAM>(id),
                   MAKELPARAM(enabled && idle ? TRUE : FALSE, 0));
  }
  // And so are the three menus.
  const int menus = ::GetMenuItemCount(menu_);
  for (int position = 0; position < menus; ++position)
    ::EnableMenuItem(menu_, static_cast<UINT>(position),
                     MF_BYPOSITION | (idle ? MF_ENABLED : MF_GRAYED));
  ::DrawMenuBar(window_);
}

std::vector<std::size_t> MainWindow::SelectedRows() {
  std::vector<std::size_t> rows;
  for (int row = ListView_GetNextItem(list_, -1, LVNI_SELECTED); row >= 0;
       row = ListView_GetNextItem(list_, row, LVNI_SELECTED))
    rows.push_back(static_cast<std::size_t>(row));
  return rows;
}

void MainWindow::SelectAllRows() {
  ListView_SetItemState(list_, -1, LVIS_SELECTED, LVIS_SELECTED);
  CountSelection();
}

void MainWindow::BeginProgress() {
  // The bar starts from nothing rather than from where the previous command left it.
  ::SendMessageW(progress_, PBM_SETPOS, 0, 0);
  ::ShowWindow(progress_, SW_SHOW);
  ::UpdateWindow(progress_);
  waiting_ = true;
  ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
}

void MainWindow::StepProgress(int percent) {
  ::SendMessageW(progress_, PBM_SETPOS, static_cast<WPARAM>(std::clamp(percent, 0, 100)), 0);
  ::UpdateWindow(progress_);
}

void MainWindow::EndProgress() {
  waiting_ = false;
  ::ShowWindow(progress_, SW_HIDE);
  POINT at;
  ::GetCursorPos(&at);
  ::SetCursorPos(at.x, at.y);  // the arrow comes back without waiting for the mouse to move
}

void MainWindow::ShowHelp(bool how_to_use) { OpenHelp(window_, how_to_use); }

void MainWindow::ShowAbout() { RunAboutBox(window_); }

void MainWindow::CloseWindow() { ::PostMessageW(window_, WM_CLOSE, 0, 0); }

}  // namespace vornalis::win32
