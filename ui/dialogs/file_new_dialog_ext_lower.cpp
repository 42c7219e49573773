#include "ui/dialogs/file_new_dialog_ext_lower.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "desktop/texts.h"
#include "ui/dialogs/piece_size_choice.h"

namespace vornalis::ui {

TFileNewDialogExtLower::TFileNewDialogExtLower(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("FileNewDialogExtLower"));

  RadioButton1 = new QRadioButton(QString::fromUtf8(desktop::texts::kCustomSize.data()), this);
  RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
  RadioButton1->setChecked(true);
  RadioButton2 =
      new QRadioButton(QString::fromUtf8(desktop::texts::kSpecificSizeRadio.data()), this);
  RadioButton2->setObjectName(QStringLiteral("RadioButton2"));

  const SizeControls controls = MakeSizeControls(this);
  MaskEditSize = controls.size;
  ComboBoxSizeUnit = controls.unit;
  QLabel* size_label = controls.size_label;
  QLabel* unit_label = controls.unit_label;

  ComboBoxSpeSize = new QComboBox(this);
  ComboBoxSpeSize->setObjectName(QStringLiteral("ComboBoxSpeSize"));
  FillPresetSizes(ComboBoxSpeSize);
  ComboBoxSpeSize->setEnabled(false);
  auto* preset_label = new QLabel(QString::fromUtf8(desktop::texts::kPredefinedLabel.data()), this);
  preset_label->setBuddy(ComboBoxSpeSize);

  ChkBoxSpeClked = new QAction(this);
  ChkBoxSpeClked->setObjectName(QStringLiteral("ChkBoxSpeClked"));
  connect(ChkBoxSpeClked, &QAction::triggered, this,
          &TFileNewDialogExtLower::ChkBoxSpeClkedExecute);
  for (QRadioButton* button : {RadioButton1, RadioButton2})
    connect(button, &QRadioButton::clicked, ChkBoxSpeClked, &QAction::trigger);
  connect(MaskEditSize, &QLineEdit::textEdited, this, &TFileNewDialogExtLower::MaskEditSizeChange);

  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(11, 6, 11, 6);
  layout->setColumnMinimumWidth(0, 12);
  layout->addWidget(RadioButton1, 0, 0, 1, 3);
  layout->addWidget(RadioButton2, 0, 3);
  layout->addWidget(size_label, 1, 1);
  layout->addWidget(unit_label, 1, 2);
  layout->addWidget(preset_label, 1, 3);
  layout->addWidget(MaskEditSize, 2, 1);
  layout->addWidget(ComboBoxSizeUnit, 2, 2);
  layout->addWidget(ComboBoxSpeSize, 2, 3);
  layout->setColumnStretch(1, 2);
  layout->setColumnStretch(2, 1);
  layout->setColumnStretch(3, 2);
  resize(420, sizeHint().height());
}

void TFileNewDialogExtLower::ChkBoxSpeClkedExecute() {
  const bool custom = RadioButton1->isChecked();
  const bool specific = RadioButton2->isChecked();
  if (custom == specific) return;
  MaskEditSize->setEnabled(custom);
  ComboBoxSizeUnit->setEnabled(custom);
  ComboBoxSpeSize->setEnabled(specific);
}

void TFileNewDialogExtLower::MaskEditSizeChange() { CheckSizeEdit(MaskEditSize); }

desktop::PieceSizeChoice TFileNewDialogExtLower::Choice() const {
  return ChoiceOf(RadioButton1->isChecked(), MaskEditSize, ComboBoxSizeUnit, ComboBoxSpeSize);
}

}  // namespace vornalis::ui
