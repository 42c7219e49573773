#include "ui_win32/folder_dialog.h"

#include <commctrl.h>
#include <shlobj.h>

#include "desktop/texts.h"
#include "platform/win32_path.h"
#include "ui_win32/resource.h"
#include "ui_win32/size_controls.h"

namespace vornalis::win32 {
namespace {

// What the browser's callback and its window's subclass work with while it is shown.
struct Browsing {
  FolderDialog* settings = nullptr;
  std::wstring start;
  HWND panel = nullptr;
  bool started = false;  // the start folder has been selected; later changes are the user's
};

std::string PathOf(PCIDLIST_ABSOLUTE item) {
  wchar_t path[MAX_PATH * 2] = {};
  if (item == nullptr || !::SHGetPathFromIDListW(item, path)) return std::string();
  return platform::Narrow(path);
}

INT_PTR CALLBACK PanelProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

// Centred on the primary screen, kept on it: a window larger than the screen lands at the top
// left.
void CentreOnScreen(HWND window) {
  RECT frame;
  ::GetWindowRect(window, &frame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const int screen_width = ::GetSystemMetrics(SM_CXSCREEN);
  const int screen_height = ::GetSystemMetrics(SM_CYSCREEN);
  int x = (screen_width - width) / 2;
  int y = (screen_height - height) / 2;
  if (x + width > screen_width) x = screen_width - width;
  if (x < 0) x = 0;
  if (y + height > screen_height) y = screen_height - height;
  if (y < 0) y = 0;
  ::SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The panel above the browser's own controls, which move down by its height and the frame.
void HostPanel(HWND browser, Browsing& browsing) {
  browsing.panel = ::CreateDialogParamW(
      ::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ASSEMBLE_PANEL), browser, &PanelProc, 0);
  if (browsing.panel == nullptr) return;
  SetControlText(browsing.panel, IDC_FOLDER_LABEL, desktop::texts::kAssembleToLabel);
  SetControlText(browsing.panel, IDC_FOLDER, *browsing.settings->panel);
  RECT panel, client;
  ::GetWindowRect(browsing.panel, &panel);
  ::GetClientRect(browser, &client);
  const int height = panel.bottom - panel.top;
  const int shift = height + ::GetSystemMetrics(SM_CXDLGFRAME);
  for (HWND child = ::GetWindow(browser, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (child == browsing.panel) continue;
    RECT place;
    ::GetWindowRect(child, &place);
    ::MapWindowPoints(nullptr, browser, reinterpret_cast<POINT*>(&place), 2);
    ::SetWindowPos(child, nullptr, place.left, place.top + shift, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ::SetWindowPos(browsing.panel, HWND_TOP, 0, 0, client.right, height, SWP_NOACTIVATE);
  // The panel's box stretches across the browser.
  HWND box = ::GetDlgItem(browsing.panel, IDC_FOLDER);
  RECT box_place;
  ::GetWindowRect(box, &box_place);
  ::MapWindowPoints(nullptr, browsing.panel, reinterpret_cast<POINT*>(&box_place), 2);
  ::SetWindowPos(box, nullptr, 0, 0, client.right - 2 * box_place.left,
                 box_place.bottom - box_place.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT frame;
  ::GetWindowRect(browser, &frame);
  ::SetWindowPos(browser, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top + shift,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// OK is acted on only when may_close agrees to the panel's folder.
LRESULT CALLBACK BrowserProc(HWND browser, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                             DWORD_PTR data) {
  auto* browsing = reinterpret_cast<Browsing*>(data);
  if (message == WM_COMMAND && LOWORD(wparam) == IDOK && browsing->panel != nullptr) {
    *browsing->settings->panel = ControlText(browsing->panel, IDC_FOLDER);
    if (browsing->settings->may_close && !browsing->settings->may_close(*browsing->settings->panel))
      return 0;
  }
  if (message == WM_DESTROY && browsing->panel != nullptr)
    *browsing->settings->panel = ControlText(browsing->panel, IDC_FOLDER);
  if (message == WM_NCDESTROY) ::RemoveWindowSubclass(browser, &BrowserProc, 1);
  return ::DefSubclassProc(browser, message, wparam, lparam);
}

int CALLBACK Callback(HWND browser, UINT message, LPARAM lparam, LPARAM data) {
  auto* browsing = reinterpret_cast<Browsing*>(data);
  switch (message) {
    case BFFM_INITIALIZED:
      ::SetWindowTextW(browser, platform::Wide(browsing->settings->title).c_str());
      ::SetDlgItemTextW(browser, IDOK, platform::Wide(browsing->settings->ok_text).c_str());
      if (browsing->settings->panel != nullptr) HostPanel(browser, *browsing);
      ::SetWindowSubclass(browser, &BrowserProc, 1, reinterpret_cast<DWORD_PTR>(browsing));
      if (!browsing->start.empty())
        ::SendMessageW(browser, BFFM_SETSELECTIONW, TRUE,
                       reinterpret_cast<LPARAM>(browsing->start.c_str()));
      browsing->started = true;
      CentreOnScreen(browser);
      // The panel's box has the focus, so no folder of the tree is taken for the user's choice
      // before the user chose one.
      if (browsing->panel != nullptr)
        ::PostMessageW(browser, WM_NEXTDLGCTL,
                       reinterpret_cast<WPARAM>(::GetDlgItem(browsing->panel, IDC_FOLDER)), TRUE);
      return 0;
    case BFFM_SELCHANGED:
      if (browsing->started && browsing->panel != nullptr)
        SetControlText(browsing->panel, IDC_FOLDER,
                       PathOf(reinterpret_cast<PCIDLIST_ABSOLUTE>(lparam)));
      return 0;
    default:
      return 0;
  }
}

}  // namespace

std::optional<std::string> RunFolderDialog(HWND owner, FolderDialog& dialog) {
  Browsing browsing;
  browsing.settings = &dialog;
  browsing.start = platform::Wide(dialog.start_folder);
  wchar_t display_name[MAX_PATH] = {};
  const std::wstring line = platform::Wide(desktop::texts::kFoldersLabel);
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.pszDisplayName = display_name;
  info.lpszTitle = line.c_str();
  info.lpfn = &Callback;
  info.lParam = reinterpret_cast<LPARAM>(&browsing);
  PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&info);
  if (chosen == nullptr) return std::nullopt;
  const std::string path = PathOf(chosen);
  ::CoTaskMemFree(chosen);
  if (dialog.panel != nullptr) return *dialog.panel;
  return path;
}

}  // namespace vornalis::win32
