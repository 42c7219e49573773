#include "ui_win32/size_controls.h"

#include <array>

#include "desktop/texts.h"
#include "engine/piece_size.h"
#include "platform/win32_path.h"
#include "ui_win32/message_boxes.h"
#include "ui_win32/resource.h"

namespace vornalis::win32 {
namespace {

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

template <std::size_t N>
void Fill(HWND list, const std::array<std::string_view, N>& items, int selected) {
  ::SendMessageW(list, CB_RESETCONTENT, 0, 0);
  for (const std::string_view item : items)
    ::SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(platform::Wide(item).c_str()));
  ::SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

}  // namespace

std::string ControlText(HWND dialog, int control) {
  return platform::Narrow(WindowText(::GetDlgItem(dialog, control)));
}

void SetControlText(HWND dialog, int control, std::string_view text) {
  ::SetDlgItemTextW(dialog, control, platform::Wide(text).c_str());
}

void SizeControls::Attach(HWND dialog, const desktop::PieceSizeChoice& start) {
  dialog_ = dialog;
  SetControlText(dialog, IDC_SIZE_LABEL, desktop::texts::kSizeLabel);
  SetControlText(dialog, IDC_UNIT_LABEL, desktop::texts::kUnitLabel);
  SetControlText(dialog, IDC_PRESET_LABEL, desktop::texts::kPredefinedLabel);
  Fill(::GetDlgItem(dialog, IDC_UNIT), desktop::kSizeUnits, start.unit);
  Fill(::GetDlgItem(dialog, IDC_PRESET), desktop::kPresetSizes, start.preset);
  accepted_ = platform::Wide(start.number);
  restoring_ = true;
  ::SetDlgItemTextW(dialog, IDC_SIZE_VALUE, accepted_.c_str());
  restoring_ = false;
  ChooseCustom(start.custom);
}

void SizeControls::ChooseCustom(bool custom) {
  custom_ = custom;
  ::EnableWindow(::GetDlgItem(dialog_, IDC_SIZE_VALUE), custom);
  ::EnableWindow(::GetDlgItem(dialog_, IDC_UNIT), custom);
  ::EnableWindow(::GetDlgItem(dialog_, IDC_PRESET), !custom);
}

desktop::PieceSizeChoice SizeControls::Choice() const {
  desktop::PieceSizeChoice choice;
  choice.custom = custom_;
  choice.number = platform::Narrow(accepted_);
  choice.unit = static_cast<int>(::SendDlgItemMessageW(dialog_, IDC_UNIT, CB_GETCURSEL, 0, 0));
  choice.preset = static_cast<int>(::SendDlgItemMessageW(dialog_, IDC_PRESET, CB_GETCURSEL, 0, 0));
  return choice;
}

void SizeControls::SizeEdited() {
  if (restoring_) return;
  HWND box = ::GetDlgItem(dialog_, IDC_SIZE_VALUE);
  const std::wstring text = WindowText(box);
  const Result<std::uint32_t> number = CheckSizeNumber(platform::Narrow(text));
  if (number.ok()) {
    accepted_ = text;
    return;
  }
  ShowError(::GetAncestor(dialog_, GA_ROOT), number.status().message);
  restoring_ = true;
  ::SetWindowTextW(box, accepted_.c_str());
  restoring_ = false;
  ::SendMessageW(box, EM_SETSEL, accepted_.size(), accepted_.size());
}

}  // namespace vornalis::win32
