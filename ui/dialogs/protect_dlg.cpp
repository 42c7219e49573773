#include "ui/dialogs/protect_dlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "desktop/texts.h"
#include "ui/dialogs/modal_seam.h"

namespace vornalis::ui {
namespace {

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

TProtectDlg::TProtectDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ProtectDlg"));
  setWindowTitle(Text(desktop::texts::kProtectTitle));
  auto* layout = new QVBoxLayout(this);
  auto* text = new QLabel(Text(desktop::texts::kProtectText), this);
  text->setWordWrap(true);
  layout->addWidget(text);
  auto* form = new QFormLayout;
  SpinRedundancy = new QSpinBox(this);
  SpinRedundancy->setObjectName(QStringLiteral("SpinRedundancy"));
  // At its lowest, the default: 10 %, and never less than one whole piece.
  SpinRedundancy->setRange(0, 100);
  SpinRedundancy->setSpecialValueText(Text(desktop::texts::kRedundancyDefault));
  SpinRedundancy->setValue(0);
  SpinRedundancy->setSuffix(QStringLiteral(" %"));
  form->addRow(Text(desktop::texts::kRedundancyLabel), SpinRedundancy);
  layout->addLayout(form);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(Text(desktop::texts::kProtectButton));
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
