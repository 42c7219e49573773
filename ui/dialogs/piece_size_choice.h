// What the piece-size panel and the piece-size dialog share: their controls, filled from the
// session's lists (desktop/piece_size_choice.h), and the check of the typed number.
#pragma once

#include <QString>
#include <cstdint>

#include "desktop/piece_size_choice.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace vornalis::ui {

// The number box and the unit list that both forms show, with their labels, made in parent:
// the box holds "200", the list has "KB" selected.
struct SizeControls {
  QLineEdit* size;
  QLabel* size_label;
  QComboBox* unit;
  QLabel* unit_label;
};
SizeControls MakeSizeControls(QWidget* parent);

// "bytes", "KB", "MB" with "KB" selected; the two floppy sizes with the first selected.
void FillSizeUnits(QComboBox* units);
void FillPresetSizes(QComboBox* presets);

// Checks the text just typed into edit: a text that is not a valid number is answered with
// an error message (through the modal seam) and the edit is undone.
void CheckSizeEdit(QLineEdit* edit);

// The controls' state as the session takes it (desktop/piece_size_choice.h).
desktop::PieceSizeChoice ChoiceOf(bool custom, const QLineEdit* size, const QComboBox* unit,
                                  const QComboBox* preset);

}  // namespace vornalis::ui
