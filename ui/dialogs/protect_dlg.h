// TProtectDlg: asks how much recovery data Protect makes for the open set, in percent of the
// set (1 to 100), or the default (0, shown first: 10 % and never less than one whole piece). One
// instance lives for the whole run and keeps the last choice.
#pragma once

#include <QDialog>

class QSpinBox;

namespace vornalis::ui {

class TProtectDlg : public QDialog {
  Q_OBJECT

 public:
  explicit TProtectDlg(QWidget* parent = nullptr);

  // Shows the dialog modally; true when the user chose OK.
  bool Execute();
  unsigned Redundancy() const;
  QSpinBox* SpinRedundancy = nullptr;
};

}  // namespace vornalis::ui
