// TFileNewDialogExtLower: the piece-size panel the New dialog shows below its own controls.
// The user types a number and picks a unit (a custom size) or picks one of two floppy sizes.
// The panel is made once, at start-up, and lives for the whole run, so it shows the previous
// choice at the next New; nothing of it is kept between runs.
#pragma once

#include <QWidget>
#include <cstdint>

#include "desktop/piece_size_choice.h"

class QAction;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace vornalis::ui {

class TFileNewDialogExtLower : public QWidget {
  Q_OBJECT

 public:
  explicit TFileNewDialogExtLower(QWidget* parent = nullptr);

  // The piece size chosen, or nothing with the reason in *error when the size is too large
  // for 32 bits or smaller than the smallest piece.
  desktop::PieceSizeChoice Choice() const;

  // Sets the enabled states after a radio button was clicked: the number and the unit for a
  // custom size, the floppy list for a specific one.
  void ChkBoxSpeClkedExecute();
  // Refuses a typed text that is not a positive number, with a message, and undoes it.
  void MaskEditSizeChange();

 private:
  QRadioButton* RadioButton1;
  QRadioButton* RadioButton2;
  QLineEdit* MaskEditSize;
  QComboBox* ComboBoxSizeUnit;
  QComboBox* ComboBoxSpeSize;
  QAction* ChkBoxSpeClked;
};

}  // namespace vornalis::ui
