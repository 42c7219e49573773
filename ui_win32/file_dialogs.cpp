#include "ui_win32/file_dialogs.h"

#include <commdlg.h>

#include "desktop/texts.h"
#include "platform/win32_path.h"
#include "ui_win32/message_boxes.h"
#include "ui_win32/resource.h"
#include "ui_win32/size_controls.h"

namespace vornalis::win32 {
namespace {

// Room for the names of many files chosen at once.
constexpr std::size_t kNamesBuffer = 1 << 18;

// What a dialog's hook works with, through the dialog's lCustData.
struct Hooked {
  std::string_view ok_text;
  desktop::PieceSizeChoice* panel = nullptr;  // the New dialog's panel state, else null
  SizeControls size;
  // The New dialog's: whether it may close with the panel's choice.
  const std::function<bool(const desktop::PieceSizeChoice& size)>* may_close = nullptr;
};

void SetMessageResult(HWND hook, LONG_PTR result) {
  ::SetWindowLongPtrW(hook, DWLP_MSGRESULT, result);
}

// The hook of both dialogs: hook is the child dialog (the panel, or an empty one) inside the
// system's dialog.
UINT_PTR CALLBACK Hook(HWND hook, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    auto* hooked = reinterpret_cast<Hooked*>(reinterpret_cast<OPENFILENAMEW*>(lparam)->lCustData);
    ::SetWindowLongPtrW(hook, DWLP_USER, reinterpret_cast<LONG_PTR>(hooked));
    if (hooked->panel != nullptr) {
      SetControlText(hook, IDC_CUSTOM, desktop::texts::kCustomSize);
      SetControlText(hook, IDC_SPECIFIC, desktop::texts::kSpecificSizeRadio);
      ::CheckRadioButton(hook, IDC_CUSTOM, IDC_SPECIFIC,
                         hooked->panel->custom ? IDC_CUSTOM : IDC_SPECIFIC);
      hooked->size.Attach(hook, *hooked->panel);
    }
    return FALSE;  // the keyboard focus stays where the dialog puts it: in the name box
  }
  auto* hooked = reinterpret_cast<Hooked*>(::GetWindowLongPtrW(hook, DWLP_USER));
  if (hooked == nullptr) return FALSE;
  switch (message) {
    case WM_COMMAND:
      if (hooked->panel == nullptr) return FALSE;
      if (LOWORD(wparam) == IDC_SIZE_VALUE && HIWORD(wparam) == EN_CHANGE)
        hooked->size.SizeEdited();
      if ((LOWORD(wparam) == IDC_CUSTOM || LOWORD(wparam) == IDC_SPECIFIC) &&
          HIWORD(wparam) == BN_CLICKED)
        hooked->size.ChooseCustom(::IsDlgButtonChecked(hook, IDC_CUSTOM) == BST_CHECKED);
      return FALSE;
    case WM_NOTIFY: {
      const auto* notice = reinterpret_cast<OFNOTIFYW*>(lparam);
      HWND dialog = ::GetParent(hook);
      if (notice->hdr.code == CDN_INITDONE) {
        ::SendMessageW(dialog, CDM_SETCONTROLTEXT, IDOK,
                       reinterpret_cast<LPARAM>(platform::Wide(hooked->ok_text).c_str()));
        return FALSE;
      }
      if (notice->hdr.code == CDN_FILEOK && hooked->may_close != nullptr) {
        // The session tells a size out of range over the dialog, which stays open.
        if ((*hooked->may_close)(hooked->size.Choice())) return FALSE;
        SetMessageResult(hook, 1);
        return TRUE;
      }
      return FALSE;
    }
    case WM_DESTROY:
      if (hooked->panel != nullptr) *hooked->panel = hooked->size.Choice();
      return FALSE;
    default:
      return FALSE;
  }
}

OPENFILENAMEW Settings(HWND owner, std::wstring& names, const std::wstring& filter,
                       const std::wstring& start_folder) {
  OPENFILENAMEW settings{};
  settings.lStructSize = sizeof settings;
  settings.hwndOwner = owner;
  settings.hInstance = ::GetModuleHandleW(nullptr);
  settings.lpstrFilter = filter.c_str();
  settings.nFilterIndex = 1;
  settings.lpstrFile = names.data();
  settings.nMaxFile = static_cast<DWORD>(names.size());
  settings.lpstrInitialDir = start_folder.empty() ? nullptr : start_folder.c_str();
  settings.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_ENABLESIZING;
  settings.FlagsEx = OFN_EX_NOPLACESBAR;
  return settings;
}

}  // namespace

std::wstring DialogFilter(std::string_view filter) {
  std::wstring wide = platform::Wide(filter);
  for (wchar_t& c : wide)
    if (c == L'|') c = L'\0';
  wide.push_back(L'\0');
  wide.push_back(L'\0');
  return wide;
}

std::optional<desktop::NewSetChoice> RunNewDialog(
    HWND owner, const std::string& start_folder, desktop::PieceSizeChoice& panel,
    const std::function<bool(const desktop::PieceSizeChoice& size)>& may_close) {
  std::wstring name(MAX_PATH * 4, L'\0');
  const std::wstring filter = DialogFilter(desktop::texts::kNewFilter);
  const std::wstring folder = platform::Wide(start_folder);
  Hooked hooked{desktop::texts::kCreateButton, &panel, {}, &may_close};
  OPENFILENAMEW settings = Settings(owner, name, filter, folder);
  settings.lpstrDefExt = L"pec";
  settings.Flags |= OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE;
  settings.lpfnHook = &Hook;
  settings.lpTemplateName = MAKEINTRESOURCEW(IDD_NEW_PANEL);
  settings.lCustData = reinterpret_cast<LPARAM>(&hooked);
  if (!::GetSaveFileNameW(&settings)) return std::nullopt;
  return desktop::NewSetChoice{platform::Narrow(name.c_str()), panel};
}

std::optional<std::string> RunOpenSetDialog(HWND owner, const std::string& start_folder) {
  std::wstring name(MAX_PATH * 4, L'\0');
  const std::wstring filter = DialogFilter(desktop::texts::kSetFilter);
  const std::wstring folder = platform::Wide(start_folder);
  OPENFILENAMEW settings = Settings(owner, name, filter, folder);
  if (!::GetOpenFileNameW(&settings)) return std::nullopt;
  return platform::Narrow(name.c_str());
}

std::vector<std::string> RunAddDialog(HWND owner) {
  std::wstring names(kNamesBuffer, L'\0');
  const std::wstring filter = DialogFilter(desktop::texts::kAddFilter);
  Hooked hooked{desktop::texts::kAddButton, nullptr, {}};
  OPENFILENAMEW settings = Settings(owner, names, filter, std::wstring());
  settings.Flags |= OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_ENABLEHOOK;
  settings.lpfnHook = &Hook;
  settings.lCustData = reinterpret_cast<LPARAM>(&hooked);
  std::vector<std::string> paths;
  if (!::GetOpenFileNameW(&settings)) return paths;
  // One file: its whole path. Several: the folder, then each name, each ended by a zero.
  const wchar_t* first = names.c_str();
  const wchar_t* next = first + std::wcslen(first) + 1;
  if (*next == L'\0') {
    paths.push_back(platform::Narrow(first));
    return paths;
  }
  std::wstring folder = first;
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  for (; *next != L'\0'; next += std::wcslen(next) + 1)
    paths.push_back(platform::Narrow(folder + next));
  return paths;
}

}  // namespace vornalis::win32
