// Caption overrides of the extensible dialogs: a text that is not empty replaces the caption
// of its button or label; an empty one leaves the dialog's own caption alone.
#pragma once

#include <QString>

class QDialog;

namespace vornalis::ui {

// The buttons every dialog has: OK (the accepting button), Cancel and Help.
class TApDlgCaptions {
 public:
  virtual ~TApDlgCaptions() = default;
  // Sets each caption that is not empty on dialog's button of that role; a dialog without a
  // Help button ignores Help.
  virtual void SetCaptions(QDialog* dialog) const;

  QString OK;
  QString Cancel;
  QString Help;
};

// The file dialogs add the labels of the folder box, the file name box and the file type box.
// On a file dialog the OK caption stays when the dialog changes the button's text for a while
// (to open a folder the name box names).
class TApOpenDlgCaptions : public TApDlgCaptions {
 public:
  void SetCaptions(QDialog* dialog) const override;

  QString LookIn;
  QString FileName;
  QString FileType;
};

}  // namespace vornalis::ui
