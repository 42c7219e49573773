#include "ui/dialogs/piece_size_choice.h"

#include "desktop/texts.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "engine/piece_size.h"
#include "ui/dialogs/message_box.h"

namespace vornalis::ui {
namespace {

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

SizeControls MakeSizeControls(QWidget* parent) {
  SizeControls controls{};
  controls.size = new QLineEdit(Text(desktop::kDefaultSizeNumber), parent);
  controls.size->setObjectName(QStringLiteral("MaskEditSize"));
  controls.size_label = new QLabel(Text(desktop::texts::kSizeLabel), parent);
  controls.size_label->setBuddy(controls.size);
  controls.unit = new QComboBox(parent);
  controls.unit->setObjectName(QStringLiteral("ComboBoxSizeUnit"));
  FillSizeUnits(controls.unit);
  controls.unit_label = new QLabel(Text(desktop::texts::kUnitLabel), parent);
  controls.unit_label->setBuddy(controls.unit);
  return controls;
}

void FillSizeUnits(QComboBox* units) {
  for (const std::string_view unit : desktop::kSizeUnits) units->addItem(Text(unit));
  units->setCurrentIndex(desktop::kDefaultUnit);
}

void FillPresetSizes(QComboBox* presets) {
  for (const std::string_view preset : desktop::kPresetSizes) presets->addItem(Text(preset));
  presets->setCurrentIndex(0);
}

void CheckSizeEdit(QLineEdit* edit) {
  const Result<std::uint32_t> number = CheckSizeNumber(edit->text().toStdString());
  if (number.ok()) return;
  MessageBox::Error(edit->window(), QString::fromStdString(number.status().message));
  edit->undo();
}

desktop::PieceSizeChoice ChoiceOf(bool custom, const QLineEdit* size, const QComboBox* unit,
                                  const QComboBox* preset) {
  return {custom, size->text().toStdString(), unit->currentIndex(), preset->currentIndex()};
}

}  // namespace vornalis::ui
