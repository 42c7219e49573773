// TChooseSize: the dialog "Choose piece size", which asks only for a piece size when a set
// is made without the New dialog (packing the files named on the command line). It offers
// the same choices as the New dialog's panel and is made anew for each use, so it always
// opens with 200 KB.
#pragma once

#include <QDialog>
#include <cstdint>

#include "desktop/piece_size_choice.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLineEdit;

namespace vornalis::ui {

class TChooseSize : public QDialog {
  Q_OBJECT

 public:
  explicit TChooseSize(QWidget* parent = nullptr);

  // Shows the dialog modally (through the modal seam); true when closed with OK.
  bool Execute();
  // The piece size chosen, or nothing with the reason in *error when the size is too large
  // for 32 bits or smaller than the smallest piece.
  desktop::PieceSizeChoice Choice() const;

  // Sets the enabled states after the check box was clicked.
  void ChkBoxSpeClkedExecute();
  // Refuses a typed text that is not a positive number, with a message, and undoes it.
  void MaskEditSizeChange();

 private:
  QLineEdit* MaskEditSize;
  QComboBox* ComboBoxSizeUnit;
  QCheckBox* CheckBox1;
  QComboBox* ComboBoxSpeSize;
  QAction* ChkBoxSpeClked;
};

}  // namespace vornalis::ui
