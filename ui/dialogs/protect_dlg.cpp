#include "ui/dialogs/protect_dlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "ui/dialogs/modal_seam.h"

namespace vornalis::ui {

TProtectDlg::TProtectDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ProtectDlg"));
  setWindowTitle(QStringLiteral("Protect"));
  auto* layout = new QVBoxLayout(this);
  auto* text = new QLabel(
      QStringLiteral("Recovery files beside the set let a lost or damaged piece be rebuilt. "
                     "They are made to fit the piece size, so they go on the same media."),
      this);
  text->setWordWrap(true);
  layout->addWidget(text);
  auto* form = new QFormLayout;
  SpinRedundancy = new QSpinBox(this);
  SpinRedundancy->setObjectName(QStringLiteral("SpinRedundancy"));
  // At its lowest, the default: 10 %, and never less than one whole piece.
  SpinRedundancy->setRange(0, 100);
  SpinRedundancy->setSpecialValueText(QStringLiteral("10 %, at least one whole piece"));
  SpinRedundancy->setValue(0);
  SpinRedundancy->setSuffix(QStringLiteral(" %"));
  form->addRow(QStringLiteral("&Recovery data:"), SpinRedundancy);
  layout->addLayout(form);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Protect"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

bool TProtectDlg::Execute() {
  SpinRedundancy->setFocus();
  SpinRedundancy->selectAll();
  return modal::Exec(*this) == QDialog::Accepted;
}

unsigned TProtectDlg::Redundancy() const { return static_cast<unsigned>(SpinRedundancy->value()); }

}  // namespace vornalis::ui
