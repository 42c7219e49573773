// SizeControls: the piece-size controls of the New dialog's panel and of the piece-size dialog
// (a number box, its unit list, the list of preset sizes), filled, read and checked the same way
// in both. A number that CheckSizeNumber refuses is told at once, over the dialog, and the box
// goes back to the last text it accepted.
#pragma once

#include <windows.h>

#include <string>

#include "desktop/piece_size_choice.h"

namespace vornalis::win32 {

class SizeControls {
 public:
  // dialog holds IDC_SIZE_VALUE, IDC_UNIT and IDC_PRESET; their labels are set too.
  void Attach(HWND dialog, const desktop::PieceSizeChoice& start);
  // Which controls take input: the number and its unit, or the preset list.
  void ChooseCustom(bool custom);
  // The controls' state now.
  desktop::PieceSizeChoice Choice() const;
  // The number box changed (EN_CHANGE): checks it.
  void SizeEdited();

 private:
  HWND dialog_ = nullptr;
  bool custom_ = true;
  bool restoring_ = false;
  std::wstring accepted_;  // the number box's last text that passed the check
};

// Text of a dialog's control, and setting it, in UTF-8.
std::string ControlText(HWND dialog, int control);
void SetControlText(HWND dialog, int control, std::string_view text);

}  // namespace vornalis::win32
