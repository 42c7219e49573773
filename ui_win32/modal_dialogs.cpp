#include "ui_win32/modal_dialogs.h"

#include <commctrl.h>

#include <array>
#include <functional>

#include "desktop/about_link.h"
#include "desktop/texts.h"
#include "platform/win32_path.h"
#include "ui_win32/resource.h"
#include "ui_win32/size_controls.h"
#include "ui_win32/web_link.h"

namespace vornalis::win32 {
namespace {

// Runs a dialog template with a handler for its messages; the handler's result is the dialog
// procedure's.
using Handler = std::function<INT_PTR(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)>;

INT_PTR CALLBACK Dispatch(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) ::SetWindowLongPtrW(dialog, DWLP_USER, lparam);
  auto* handler = reinterpret_cast<Handler*>(::GetWindowLongPtrW(dialog, DWLP_USER));
  return handler != nullptr ? (*handler)(dialog, message, wparam, lparam) : FALSE;
}

INT_PTR Run(HWND owner, int template_id, Handler handler) {
  return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(template_id), owner,
                           &Dispatch, reinterpret_cast<LPARAM>(&handler));
}

void SetTitle(HWND dialog, std::string_view text) {
  ::SetWindowTextW(dialog, platform::Wide(text).c_str());
}

bool Closes(HWND dialog, UINT message, WPARAM wparam) {
  if (message != WM_COMMAND) return false;
  const int id = LOWORD(wparam);
  if (id != IDOK && id != IDCANCEL) return false;
  ::EndDialog(dialog, id);
  return true;
}

}  // namespace

void RunErrorList(HWND owner, const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  Run(owner, IDD_ERROR_LIST, [&](HWND dialog, UINT message, WPARAM wparam, LPARAM) -> INT_PTR {
    if (message == WM_INITDIALOG) {
      SetTitle(dialog, desktop::texts::kErrorTitle);
      SetControlText(dialog, IDC_ERRORS, text);
      ::SetFocus(::GetDlgItem(dialog, IDOK));
      return FALSE;
    }
    return Closes(dialog, message, wparam);
  });
}

std::optional<desktop::PieceSizeChoice> RunPieceSizeDialog(HWND owner) {
  SizeControls controls;
  std::optional<desktop::PieceSizeChoice> chosen;
  Run(owner, IDD_CHOOSE_SIZE, [&](HWND dialog, UINT message, WPARAM wparam, LPARAM) -> INT_PTR {
    switch (message) {
      case WM_INITDIALOG:
        SetTitle(dialog, desktop::texts::kChooseSizeTitle);
        SetControlText(dialog, IDC_SPECIFIC, desktop::texts::kSpecificSizeCheck);
        controls.Attach(dialog, desktop::PieceSizeChoice{});
        return TRUE;
      case WM_COMMAND:
        if (LOWORD(wparam) == IDC_SIZE_VALUE && HIWORD(wparam) == EN_CHANGE) controls.SizeEdited();
        if (LOWORD(wparam) == IDC_SPECIFIC && HIWORD(wparam) == BN_CLICKED)
          controls.ChooseCustom(::IsDlgButtonChecked(dialog, IDC_SPECIFIC) != BST_CHECKED);
        if (LOWORD(wparam) == IDOK) chosen = controls.Choice();
        return Closes(dialog, message, wparam);
      default:
        return FALSE;
    }
  });
  return chosen;
}

std::optional<unsigned> RunProtectDialog(HWND owner, unsigned last) {
  std::optional<unsigned> chosen;
  Run(owner, IDD_PROTECT, [&](HWND dialog, UINT message, WPARAM wparam, LPARAM) -> INT_PTR {
    HWND list = ::GetDlgItem(dialog, IDC_REDUNDANCY);
    switch (message) {
      case WM_INITDIALOG:
        SetTitle(dialog, desktop::texts::kProtectTitle);
        SetControlText(dialog, IDC_PROTECT_TEXT, desktop::texts::kProtectText);
        SetControlText(dialog, IDC_REDUNDANCY_LABEL, desktop::texts::kRedundancyLabel);
        SetControlText(dialog, IDOK, desktop::texts::kProtectButton);
        // Item 0 is the default; item n is n %.
        ::SendMessageW(
            list, CB_ADDSTRING, 0,
            reinterpret_cast<LPARAM>(platform::Wide(desktop::texts::kRedundancyDefault).c_str()));
        for (unsigned percent = 1; percent <= 100; ++percent)
          ::SendMessageW(list, CB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>((std::to_wstring(percent) + L" %").c_str()));
        ::SendMessageW(list, CB_SETCURSEL, last <= 100 ? last : 0, 0);
        ::SetFocus(list);
        return FALSE;
      case WM_COMMAND: {
        const LRESULT item = ::SendMessageW(list, CB_GETCURSEL, 0, 0);
        if (LOWORD(wparam) == IDOK) chosen = item > 0 ? static_cast<unsigned>(item) : 0U;
        return Closes(dialog, message, wparam);
      }
      default:
        return FALSE;
    }
  });
  return chosen;
}

namespace {

// The About box's link label: a static control whose mouse input drives an AboutLink.
LRESULT CALLBACK LinkLabel(HWND label, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                           DWORD_PTR data) {
  auto* link = reinterpret_cast<desktop::AboutLink*>(data);
  RECT size;
  ::GetClientRect(label, &size);
  switch (message) {
    case WM_SETCURSOR:
      ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
      return TRUE;
    case WM_MOUSEMOVE: {
      const POINTS at = MAKEPOINTS(lparam);
      switch (link->Moved(at.x, at.y, size.right, size.bottom)) {
        case desktop::AboutLink::Capture::kTake:
          ::SetCapture(label);
          break;
        case desktop::AboutLink::Capture::kRelease:
          ::ReleaseCapture();
          break;
        case desktop::AboutLink::Capture::kNone:
          return 0;
      }
      ::InvalidateRect(label, nullptr, TRUE);
      return 0;
    }
    case WM_LBUTTONUP: {
      const POINTS at = MAKEPOINTS(lparam);
      if (at.x < 0 || at.x >= size.right || at.y < 0 || at.y >= size.bottom) break;
      link->Clicked();
      ::ReleaseCapture();
      ::InvalidateRect(label, nullptr, TRUE);
      ::UpdateWindow(label);
      OpenWebLink(link->Address());
      return 0;
    }
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(label, &LinkLabel, 1);
      break;
    default:
      break;
  }
  return ::DefSubclassProc(label, message, wparam, lparam);
}

HFONT FontLike(HWND control, int percent, bool bold, bool underline) {
  LOGFONTW face{};
  ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)), sizeof face,
               &face);
  face.lfHeight = face.lfHeight * percent / 100;
  if (bold) face.lfWeight = FW_BOLD;
  face.lfUnderline = underline ? TRUE : FALSE;
  return ::CreateFontIndirectW(&face);
}

}  // namespace

void RunAboutBox(HWND owner) {
  constexpr int kLinks[] = {IDC_ABOUT_LINK1, IDC_ABOUT_LINK2};
  std::array<desktop::AboutLink, 2> links{desktop::AboutLink(desktop::texts::kAboutLinks[0]),
                                          desktop::AboutLink(desktop::texts::kAboutLinks[1])};
  HFONT title_font = nullptr;
  HFONT link_font = nullptr;
  Run(owner, IDD_ABOUT, [&](HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) -> INT_PTR {
    switch (message) {
      case WM_INITDIALOG: {
        SetTitle(dialog, desktop::texts::kAboutTitle);
        SetControlText(dialog, IDC_ABOUT_VERSION, desktop::texts::AboutVersion());
        SetControlText(dialog, IDC_ABOUT_COPYRIGHT, desktop::texts::kAboutCopyright);
        SetControlText(dialog, IDC_ABOUT_TEAM, desktop::texts::kAboutTeam);
        title_font = FontLike(::GetDlgItem(dialog, IDC_ABOUT_VERSION), 130, true, false);
        ::SendDlgItemMessageW(dialog, IDC_ABOUT_VERSION, WM_SETFONT,
                              reinterpret_cast<WPARAM>(title_font), FALSE);
        link_font = FontLike(::GetDlgItem(dialog, kLinks[0]), 100, false, true);
        for (std::size_t i = 0; i < links.size(); ++i) {
          HWND label = ::GetDlgItem(dialog, kLinks[i]);
          SetControlText(dialog, kLinks[i], links[i].Address());
          ::SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(link_font), FALSE);
          ::SetWindowSubclass(label, &LinkLabel, 1, reinterpret_cast<DWORD_PTR>(&links[i]));
        }
        // The second address is kept but never shown.
        ::ShowWindow(::GetDlgItem(dialog, kLinks[1]), SW_HIDE);
        return TRUE;
      }
      case WM_CTLCOLORSTATIC:
        for (std::size_t i = 0; i < links.size(); ++i) {
          if (reinterpret_cast<HWND>(lparam) != ::GetDlgItem(dialog, kLinks[i])) continue;
          const desktop::Colour colour = links[i].TextColour();
          HDC context = reinterpret_cast<HDC>(wparam);
          ::SetTextColor(context, RGB(colour.red, colour.green, colour.blue));
          ::SetBkMode(context, TRANSPARENT);
          return reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_BTNFACE));
        }
        return FALSE;
      case WM_DESTROY:
        // A box closed by Enter while a link is hot gives the capture back.
        for (desktop::AboutLink& link : links)
          if (link.Closed()) ::ReleaseCapture();
        return FALSE;
      default:
        return Closes(dialog, message, wparam);
    }
  });
  if (title_font != nullptr) ::DeleteObject(title_font);
  if (link_font != nullptr) ::DeleteObject(link_font);
}

}  // namespace vornalis::win32
