// MainWindow: creation, the window procedure, the layout of the children, and what the user does
// in them (commands, list notifications, drops). The session's view is main_window_view.cpp.
#include "ui_win32/main_window.h"

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>

#include "desktop/command_line.h"
#include "desktop/commands.h"
#include "desktop/texts.h"
#include "platform/path.h"
#include "platform/win32_path.h"
#include "ui_win32/resource.h"

namespace vornalis::win32 {
namespace {

constexpr wchar_t kClassName[] = L"TMainForm";
constexpr UINT kRunStartupJob = WM_APP + 1;
constexpr int kClientWidth = 405;
constexpr int kClientHeight = 257;
constexpr int kSelectionPanelWidth = 200;
constexpr int kColumnWidths[] = {96, 95, 95, 95};
constexpr int kButtonWidth = 64;
constexpr int kButtonHeight = 71;

int CommandId(desktop::Command command) { return IDM_COMMAND_BASE + static_cast<int>(command); }

std::wstring MenuText(const desktop::CommandInfo& info) {
  std::wstring text = platform::Wide(info.text);
  if (!info.shortcut.empty()) text += L"\t" + platform::Wide(info.shortcut);
  return text;
}

// "Ctrl+Shift+A", "F1" as an accelerator of id.
ACCEL AcceleratorOf(std::string_view shortcut, int id) {
  ACCEL accel{FVIRTKEY, 0, static_cast<WORD>(id)};
  std::string_view rest = shortcut;
  for (;;) {
    if (rest.starts_with("Ctrl+")) {
      accel.fVirt |= FCONTROL;
      rest.remove_prefix(5);
    } else if (rest.starts_with("Shift+")) {
      accel.fVirt |= FSHIFT;
      rest.remove_prefix(6);
    } else {
      break;
    }
  }
  if (rest.size() == 1) accel.key = static_cast<WORD>(rest[0]);
  if (rest.size() > 1 && rest[0] == 'F')
    accel.key = static_cast<WORD>(VK_F1 + std::stoi(std::string(rest.substr(1))) - 1);
  return accel;
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, const std::vector<std::string>& arguments)
    : instance_(instance), arguments_(arguments) {}

MainWindow::~MainWindow() {
  if (accelerators_ != nullptr) ::DestroyAcceleratorTable(accelerators_);
}

int MainWindow::Run(int show) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES |
                                                     ICC_PROGRESS_CLASS | ICC_LINK_CLASS |
                                                     ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = &MainWindow::WindowProc;
  window_class.hInstance = instance_;
  window_class.hIcon = ::LoadIconW(instance_, MAKEINTRESOURCEW(1));
  window_class.hIconSm = window_class.hIcon;
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = kClassName;
  ::RegisterClassExW(&window_class);

  // The menus and accelerators come from the session's command table.
  menu_ = ::CreateMenu();
  std::vector<ACCEL> accelerators;
  for (const desktop::MenuInfo& info : desktop::Menus()) {
    HMENU popup = ::CreatePopupMenu();
    for (const std::optional<desktop::Command>& entry : info.entries) {
      if (!entry) {
        ::AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
        continue;
      }
      const desktop::CommandInfo& command = desktop::InfoOf(*entry);
      ::AppendMenuW(popup, MF_STRING, CommandId(*entry), MenuText(command).c_str());
    }
    ::AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(popup),
                  platform::Wide(info.text).c_str());
  }
  for (const desktop::CommandInfo& info : desktop::CommandTable())
    if (!info.shortcut.empty())
      accelerators.push_back(AcceleratorOf(info.shortcut, CommandId(info.command)));
  accelerators_ =
      ::CreateAcceleratorTableW(accelerators.data(), static_cast<int>(accelerators.size()));

  RECT frame{0, 0, kClientWidth, kClientHeight};
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  ::AdjustWindowRectEx(&frame, style, TRUE, WS_EX_ACCEPTFILES);
  window_ = ::CreateWindowExW(WS_EX_ACCEPTFILES, kClassName,
                              platform::Wide(desktop::texts::kCaption).c_str(), style,
                              CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                              frame.bottom - frame.top, nullptr, menu_, instance_, this);
  if (window_ == nullptr) return 1;
  ::ShowWindow(window_, show);
  ::UpdateWindow(window_);

  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (::TranslateAcceleratorW(window_, accelerators_, &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->window_ = window;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return ::DefWindowProcW(window, message, wparam, lparam);
  return self->Handle(message, wparam, lparam);
}

LRESULT MainWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      CreateChildren();
      input_.Watch(window_);
      session_ = std::make_unique<desktop::Session>(
          *this, types_,
          desktop::ParseCommandLine(arguments_, platform::ProgramPath(),
                                    platform::CurrentFolder()));
      CommandsChanged();
      return 0;
    case WM_SIZE:
      Layout();
      return 0;
    case WM_PAINT:
      // The start-up job runs once the window is on screen, outside the paint itself.
      if (!startup_posted_) ::PostMessageW(window_, kRunStartupJob, 0, 0);
      startup_posted_ = true;
      break;
    case kRunStartupJob:
      session_->RunStartupJob();
      return 0;
    case WM_SETFOCUS:
      ::SetFocus(list_);
      return 0;
    case WM_SETCURSOR:
      if (waiting_) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      if (id >= IDM_COMMAND_BASE && id < IDM_COMMAND_BASE + desktop::kCommandCount)
        session_->Run(static_cast<desktop::Command>(id - IDM_COMMAND_BASE));
      return 0;
    }
    case WM_NOTIFY:
      return Notify(reinterpret_cast<NMHDR*>(lparam));
    case WM_DROPFILES:
      Dropped(reinterpret_cast<HDROP>(wparam));
      return 0;
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wparam) == list_ && session_->ShowsListMenu()) {
        HMENU popup = ::CreatePopupMenu();
        for (const std::optional<desktop::Command>& entry : desktop::ListMenu()) {
          if (!entry) {
            ::AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
            continue;
          }
          ::AppendMenuW(popup, MF_STRING | (session_->Enabled(*entry) ? MF_ENABLED : MF_GRAYED),
                        CommandId(*entry), MenuText(desktop::InfoOf(*entry)).c_str());
        }
        POINT at{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
        if (at.x == -1 && at.y == -1) ::GetCursorPos(&at);
        ::TrackPopupMenu(popup, TPM_RIGHTBUTTON, at.x, at.y, 0, window_, nullptr);
        ::DestroyMenu(popup);
      }
      return 0;
    case WM_CLOSE:
      if (!session_->MayClose()) return 0;
      session_->CloseForExit();
      ::DestroyWindow(window_);
      return 0;
    case WM_QUERYENDSESSION:
      // The user's session ends: the set reaches the medium before anything else happens.
      session_->RequestEnd();
      return TRUE;
    case WM_ENDSESSION:
      if (wparam) session_->CloseAtEnd();
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(window_, message, wparam, lparam);
}

void MainWindow::CreateChildren() {
  CreateToolbar();
  CreateList();
  CreateStatusLine();
  ::DragAcceptFiles(window_, TRUE);
}

void MainWindow::CreateToolbar() {
  toolbar_ = ::CreateWindowExW(
      0, TOOLBARCLASSNAMEW, nullptr,
      WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NODIVIDER | CCS_TOP, 0, 0, 0, 0,
      window_, reinterpret_cast<HMENU>(IDC_TOOLBAR), instance_, nullptr);
  ::SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  TBADDBITMAP standard{HINST_COMMCTRL, IDB_STD_LARGE_COLOR};
  ::SendMessageW(toolbar_, TB_ADDBITMAP, 0, reinterpret_cast<LPARAM>(&standard));
  std::vector<TBBUTTON> buttons;
  for (const desktop::ButtonInfo& info : desktop::kButtons) {
    int picture = STD_FILENEW;
    std::string_view text = desktop::InfoOf(info.command).button_text;
    switch (info.command) {
      case desktop::Command::kOpen:
        picture = STD_FILEOPEN;
        break;
      case desktop::Command::kAdd:
        picture = STD_PASTE;
        break;
      case desktop::Command::kAssemble:
        picture = STD_FILESAVE;
        break;
      case desktop::Command::kClose:
        picture = STD_DELETE;
        break;
      case desktop::Command::kHelpContents:
        picture = STD_HELP;
        text = desktop::kHelpButtonText;
        break;
      default:
        break;
    }
    const std::wstring caption = platform::Wide(text) + L'\0';
    const INT_PTR string =
        ::SendMessageW(toolbar_, TB_ADDSTRINGW, 0, reinterpret_cast<LPARAM>(caption.c_str()));
    buttons.push_back(
        {picture, CommandId(info.command), TBSTATE_ENABLED, BTNS_BUTTON, {0}, 0, string});
  }
  ::SendMessageW(toolbar_, TB_ADDBUTTONSW, buttons.size(),
                 reinterpret_cast<LPARAM>(buttons.data()));
  ::SendMessageW(toolbar_, TB_SETBUTTONSIZE, 0, MAKELPARAM(kButtonWidth, kButtonHeight));
  ::SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
}

void MainWindow::CreateList() {
  list_ =
      ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, nullptr,
                        WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA |
                            LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS,
                        0, 0, 0, 0, window_, reinterpret_cast<HMENU>(IDC_LIST), instance_, nullptr);
  ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  ListView_SetImageList(list_, TypeIcons::SmallIcons(), LVSIL_SMALL);
  for (int column = 0; column < desktop::FileList::kColumnCount; ++column) {
    const std::wstring header = platform::Wide(desktop::FileList::Header(column));
    LVCOLUMNW info{};
    info.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    info.fmt = column == desktop::FileList::kSize ? LVCFMT_RIGHT : LVCFMT_LEFT;
    info.cx = kColumnWidths[column];
    info.pszText = const_cast<wchar_t*>(header.c_str());
    ListView_InsertColumn(list_, column, &info);
  }
}

void MainWindow::CreateStatusLine() {
  status_ =
      ::CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0,
                        0, 0, window_, reinterpret_cast<HMENU>(IDC_STATUS), instance_, nullptr);
  int parts[] = {kSelectionPanelWidth, -1};
  ::SendMessageW(status_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
  ::SendMessageW(status_, SB_SETTEXTW, 0,
                 reinterpret_cast<LPARAM>(platform::Wide(desktop::texts::kReady).c_str()));
  // The progress bar lies over the first panel, inside it, and stays hidden until a long
  // command runs.
  progress_ = ::CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD, 0, 0, 0, 0, status_,
                                reinterpret_cast<HMENU>(IDC_PROGRESS), instance_, nullptr);
  ::SendMessageW(progress_, PBM_SETRANGE32, 0, 100);
}

void MainWindow::Layout() {
  if (toolbar_ == nullptr) return;
  ::SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
  ::SendMessageW(status_, WM_SIZE, 0, 0);
  RECT client, bar, line, panel;
  ::GetClientRect(window_, &client);
  ::GetWindowRect(toolbar_, &bar);
  ::GetWindowRect(status_, &line);
  const int top = bar.bottom - bar.top;
  const int bottom = line.bottom - line.top;
  // The list keeps 2 pixels from the toolbar, the status line and the window's sides.
  ::MoveWindow(list_, 2, top + 2, client.right - 4, client.bottom - top - bottom - 4, TRUE);
  ::SendMessageW(status_, SB_GETRECT, 0, reinterpret_cast<LPARAM>(&panel));
  ::MoveWindow(progress_, panel.left, panel.top + 2, panel.right - panel.left - 1,
               panel.bottom - panel.top - 2, TRUE);
}

LRESULT MainWindow::Notify(NMHDR* header) {
  if (header->hwndFrom == list_) {
    switch (header->code) {
      case LVN_GETDISPINFOW: {
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(header);
        const auto row = static_cast<std::size_t>(info->item.iItem);
        if (!session_ || row >= session_->List().Size()) return 0;
        if (info->item.mask & LVIF_TEXT) {
          cell_ = platform::Wide(session_->List().Text(row, info->item.iSubItem));
          ::lstrcpynW(info->item.pszText, cell_.c_str(), info->item.cchTextMax);
        }
        if (info->item.mask & LVIF_IMAGE)
          info->item.iImage = types_.Icon(session_->List().Row(row).type);
        return 0;
      }
      case LVN_COLUMNCLICK:
        session_->ColumnClicked(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
        return 0;
      case LVN_ITEMCHANGED:
        if (reinterpret_cast<NMLISTVIEW*>(header)->uChanged & LVIF_STATE) CountSelection();
        return 0;
      case LVN_ODSTATECHANGED:
        CountSelection();
        return 0;
      default:
        return 0;
    }
  }
  if (header->code == TTN_GETDISPINFOW) {
    // A toolbar button's hint: the command's, or its caption.
    auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
    const int id = static_cast<int>(header->idFrom) - IDM_COMMAND_BASE;
    if (id < 0 || id >= desktop::kCommandCount) return 0;
    const auto command = static_cast<desktop::Command>(id);
    const desktop::CommandInfo& command_info = desktop::InfoOf(command);
    std::string_view hint = command == desktop::Command::kHelpContents ? desktop::kHelpButtonHint
                            : !command_info.hint.empty()               ? command_info.hint
                                                                       : command_info.button_text;
    cell_ = platform::Wide(hint);
    info->lpszText = cell_.data();
    return 0;
  }
  return 0;
}

void MainWindow::CountSelection() {
  if (session_) session_->RowsSelected(SelectedRows());
}

void MainWindow::Dropped(HDROP drop) {
  std::vector<std::string> paths;
  const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    std::wstring path(::DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
    path.resize(::DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
    paths.push_back(platform::Narrow(path));
  }
  ::DragFinish(drop);
  if (!session_->TakesDrop() || paths.empty()) return;
  ::SetForegroundWindow(window_);
  session_->Drop(paths);
}

}  // namespace vornalis::win32
