#include "ui/dialogs/choose_size.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "desktop/texts.h"
#include "ui/dialogs/modal_seam.h"
#include "ui/dialogs/piece_size_choice.h"

namespace vornalis::ui {

TChooseSize::TChooseSize(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ChooseSize"));
  setWindowTitle(QString::fromUtf8(desktop::texts::kChooseSizeTitle.data()));
  setModal(true);

  const SizeControls controls = MakeSizeControls(this);
  MaskEditSize = controls.size;
  ComboBoxSizeUnit = controls.unit;
  QLabel* size_label = controls.size_label;
  QLabel* unit_label = controls.unit_label;

  CheckBox1 = new QCheckBox(QString::fromUtf8(desktop::texts::kSpecificSizeCheck.data()), this);
  CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
  ComboBoxSpeSize = new QComboBox(this);
  ComboBoxSpeSize->setObjectName(QStringLiteral("ComboBoxSpeSize"));
  FillPresetSizes(ComboBoxSpeSize);
  ComboBoxSpeSize->setEnabled(false);

  ChkBoxSpeClked = new QAction(this);
  ChkBoxSpeClked->setObjectName(QStringLiteral("ChkBoxSpeClked"));
  connect(ChkBoxSpeClked, &QAction::triggered, this, &TChooseSize::ChkBoxSpeClkedExecute);
  connect(CheckBox1, &QCheckBox::clicked, ChkBoxSpeClked, &QAction::trigger);
  connect(MaskEditSize, &QLineEdit::textEdited, this, &TChooseSize::MaskEditSizeChange);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OKBtn"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
  buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CancelBtn"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QGridLayout(this);
  layout->addWidget(size_label, 0, 0);
  layout->addWidget(unit_label, 0, 1);
  layout->addWidget(MaskEditSize, 1, 0);
  layout->addWidget(ComboBoxSizeUnit, 1, 1);
  layout->addWidget(CheckBox1, 2, 0, 1, 2);
  layout->addWidget(ComboBoxSpeSize, 3, 0, 1, 2);
  layout->addWidget(buttons, 4, 0, 1, 2);
  layout->setColumnStretch(0, 2);
  layout->setColumnStretch(1, 1);
  // A fixed dialog border: the user cannot resize it.
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool TChooseSize::Execute() { return modal::Exec(*this) == QDialog::Accepted; }

void TChooseSize::ChkBoxSpeClkedExecute() {
  const bool specific = CheckBox1->isChecked();
  MaskEditSize->setEnabled(!specific);
  ComboBoxSizeUnit->setEnabled(!specific);
  ComboBoxSpeSize->setEnabled(specific);
}

void TChooseSize::MaskEditSizeChange() { CheckSizeEdit(MaskEditSize); }

desktop::PieceSizeChoice TChooseSize::Choice() const {
  return ChoiceOf(!CheckBox1->isChecked(), MaskEditSize, ComboBoxSizeUnit, ComboBoxSpeSize);
}

}  // namespace vornalis::ui
