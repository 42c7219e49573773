#include "ui/dialogs/ext/ap_dlg_captions.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPushButton>

namespace vornalis::ui {

void TApDlgCaptions::SetCaptions(QDialog* dialog) const {
  if (!dialog) return;
  for (QDialogButtonBox* box : dialog->findChildren<QDialogButtonBox*>()) {
    for (QAbstractButton* button : box->buttons()) {
      switch (box->buttonRole(button)) {
        case QDialogButtonBox::AcceptRole:
          if (!OK.isEmpty()) button->setText(OK);
          break;
        case QDialogButtonBox::RejectRole:
          if (!Cancel.isEmpty()) button->setText(Cancel);
          break;
        case QDialogButtonBox::HelpRole:
          if (!Help.isEmpty()) button->setText(Help);
          break;
        default:
          break;
      }
    }
  }
}

void TApOpenDlgCaptions::SetCaptions(QDialog* dialog) const {
  auto* files = qobject_cast<QFileDialog*>(dialog);
  if (!files) {
    TApDlgCaptions::SetCaptions(dialog);
    return;
  }
  // The file dialog rewrites its buttons and labels from these texts whenever it updates them.
  const struct {
    QFileDialog::DialogLabel label;
    const QString& text;
  } labels[] = {{QFileDialog::Accept, OK},
                {QFileDialog::Reject, Cancel},
                {QFileDialog::LookIn, LookIn},
                {QFileDialog::FileName, FileName},
                {QFileDialog::FileType, FileType}};
  for (const auto& [label, text] : labels)
    if (!text.isEmpty()) files->setLabelText(label, text);
  if (Help.isEmpty()) return;
  TApDlgCaptions help_only;
  help_only.Help = Help;
  help_only.SetCaptions(dialog);
}

}  // namespace vornalis::ui
