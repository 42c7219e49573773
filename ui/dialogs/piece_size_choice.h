// What the piece-size panel and the piece-size dialog share: their lists, the check of the
// typed number, and the rule that turns the user's choice into a byte count.
#pragma once

#include <QString>
#include <cstdint>

#include "engine/status.h"

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

// The piece size of a choice: custom, the number times 1, 1,024 or 1,048,576 by the unit item
// (0, 1, 2); otherwise the 720 KB floppy for preset item 1 and the 1.44 MB one for any other.
// A size that does not fit in 32 bits or is below the smallest piece the engine accepts
// fails, saying so.
Result<std::uint32_t> PieceSizeOfChoice(bool custom, const QString& number, int unit_item,
                                        int preset_item);

}  // namespace vornalis::ui
