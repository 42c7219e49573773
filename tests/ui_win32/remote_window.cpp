#include "tests/ui_win32/remote_window.h"

#include <commctrl.h>
#include <shlobj.h>

namespace vornalis::testing {
namespace {

struct Search {
  DWORD process = 0;
  const std::wstring* title = nullptr;
  HWND found = nullptr;
  std::wstring titles;
};

BOOL CALLBACK VisitTopLevel(HWND window, LPARAM context) {
  Search& search = *reinterpret_cast<Search*>(context);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner != search.process || !::IsWindowVisible(window)) return TRUE;
  const std::wstring title = TextOf(window);
  search.titles += L"[" + title + L"]";
  if (search.title != nullptr && title == *search.title) {
    search.found = window;
    return FALSE;
  }
  return TRUE;
}

// Memory in another process for one message's buffer, freed with it.
class RemoteBuffer {
 public:
  RemoteBuffer(HANDLE process, std::size_t size)
      : process_(process),
        address_(::VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE)) {}
  ~RemoteBuffer() {
    if (address_ != nullptr) ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;

  char* at(std::size_t offset) const { return static_cast<char*>(address_) + offset; }
  void Write(std::size_t offset, const void* bytes, std::size_t size) const {
    ::WriteProcessMemory(process_, at(offset), bytes, size, nullptr);
  }
  std::wstring ReadText(std::size_t offset, std::size_t characters) const {
    std::wstring text(characters, L'\0');
    ::ReadProcessMemory(process_, at(offset), text.data(), characters * sizeof(wchar_t), nullptr);
    return text.substr(0, text.find(L'\0'));
  }

 private:
  HANDLE process_;
  void* address_;
};

constexpr std::size_t kTextCharacters = 1024;

}  // namespace

namespace {

// Starts a program with its quoted path and the arguments as its command line.
PROCESS_INFORMATION Launch(const std::wstring& program, const std::wstring& arguments,
                           const std::wstring& folder) {
  std::wstring line = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (::CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       folder.c_str(), &startup, &started))
    ::CloseHandle(started.hThread);
  return started;
}

}  // namespace

DWORD RunToEnd(const std::wstring& program, const std::wstring& arguments,
               const std::wstring& folder) {
  const PROCESS_INFORMATION started = Launch(program, arguments, folder);
  if (started.hProcess == nullptr) return kNotStarted;
  DWORD code = kNotStarted;
  if (::WaitForSingleObject(started.hProcess, 120000) == WAIT_OBJECT_0)
    ::GetExitCodeProcess(started.hProcess, &code);
  ::CloseHandle(started.hProcess);
  return code;
}

RemoteProgram::RemoteProgram(const std::wstring& program, const std::wstring& arguments,
                             const std::wstring& folder) {
  const PROCESS_INFORMATION started = Launch(program, arguments, folder);
  process_ = started.hProcess;
  id_ = started.dwProcessId;
  if (process_ != nullptr) ::WaitForInputIdle(process_, 10000);
}

RemoteProgram::~RemoteProgram() {
  if (process_ == nullptr) return;
  // The main window is asked to close as a user would; what still runs after 10 s is ended.
  if (WaitEnd(0) == STILL_ACTIVE) {
    const std::wstring caption = L"Dorvelin";
    for (HWND window = ::GetTopWindow(nullptr); window != nullptr;
         window = ::GetWindow(window, GW_HWNDNEXT)) {
      DWORD owner = 0;
      ::GetWindowThreadProcessId(window, &owner);
      const std::wstring title = TextOf(window);
      if (owner == id_ && title.size() >= caption.size() &&
          title.compare(title.size() - caption.size(), caption.size(), caption) == 0)
        ::PostMessageW(window, WM_CLOSE, 0, 0);
    }
    if (WaitEnd(10000) == STILL_ACTIVE) ::TerminateProcess(process_, 99);
  }
  ::WaitForSingleObject(process_, 10000);
  ::CloseHandle(process_);
}

HWND RemoteProgram::WaitWindow(const std::wstring& title, DWORD milliseconds) const {
  const ULONGLONG end = ::GetTickCount64() + milliseconds;
  do {
    Search search{id_, &title, nullptr, {}};
    ::EnumWindows(&VisitTopLevel, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    ::Sleep(50);
  } while (::GetTickCount64() < end);
  return nullptr;
}

std::wstring RemoteProgram::Titles() const {
  Search search{id_, nullptr, nullptr, {}};
  ::EnumWindows(&VisitTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.titles;
}

DWORD RemoteProgram::WaitEnd(DWORD milliseconds) {
  DWORD code = STILL_ACTIVE;
  if (::WaitForSingleObject(process_, milliseconds) == WAIT_OBJECT_0)
    ::GetExitCodeProcess(process_, &code);
  return code;
}

std::vector<std::wstring> RemoteProgram::ListColumn(HWND list, int column) const {
  std::vector<std::wstring> texts;
  RemoteBuffer buffer(process_, sizeof(LVITEMW) + kTextCharacters * sizeof(wchar_t));
  const int rows = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < rows; ++row) {
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = reinterpret_cast<wchar_t*>(buffer.at(sizeof(LVITEMW)));
    item.cchTextMax = kTextCharacters;
    buffer.Write(0, &item, sizeof item);
    ::SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(buffer.at(0)));
    texts.push_back(buffer.ReadText(sizeof(LVITEMW), kTextCharacters));
  }
  return texts;
}

std::wstring RemoteProgram::StatusPanel(HWND status, int panel) const {
  RemoteBuffer buffer(process_, kTextCharacters * sizeof(wchar_t));
  ::SendMessageW(status, SB_GETTEXTW, panel, reinterpret_cast<LPARAM>(buffer.at(0)));
  return buffer.ReadText(0, kTextCharacters);
}

void RemoteProgram::SelectFolder(HWND browser, const std::wstring& folder) const {
  RemoteBuffer buffer(process_, (folder.size() + 1) * sizeof(wchar_t));
  buffer.Write(0, folder.c_str(), (folder.size() + 1) * sizeof(wchar_t));
  ::SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(buffer.at(0)));
}

namespace {

struct ChildSearch {
  int id = 0;
  const std::wstring* window_class = nullptr;
  HWND found = nullptr;
  std::wstring texts;
};

BOOL CALLBACK VisitChild(HWND window, LPARAM context) {
  ChildSearch& search = *reinterpret_cast<ChildSearch*>(context);
  if (search.window_class != nullptr) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    if (_wcsicmp(name, search.window_class->c_str()) == 0) {
      if (*search.window_class != L"Static") {
        search.found = window;
        return FALSE;
      }
      const std::wstring text = TextOf(window);
      if (!text.empty()) search.texts += (search.texts.empty() ? L"" : L"\n") + text;
    }
    return TRUE;
  }
  if (::GetDlgCtrlID(window) == search.id) {
    search.found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND Child(HWND parent, int id) {
  ChildSearch search{id, nullptr, nullptr, {}};
  ::EnumChildWindows(parent, &VisitChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND ChildOfClass(HWND parent, const std::wstring& window_class) {
  ChildSearch search{0, &window_class, nullptr, {}};
  ::EnumChildWindows(parent, &VisitChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring TextOf(HWND window) {
  wchar_t text[kTextCharacters] = {};
  ::SendMessageTimeoutW(window, WM_GETTEXT, kTextCharacters, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
  return text;
}

std::wstring StaticTexts(HWND dialog) {
  const std::wstring statics = L"Static";
  ChildSearch search{0, &statics, nullptr, {}};
  ::EnumChildWindows(dialog, &VisitChild, reinterpret_cast<LPARAM>(&search));
  return search.texts;
}

void SetText(HWND control, const std::wstring& text) {
  ::SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Press(HWND dialog, int id) {
  ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

}  // namespace vornalis::testing
