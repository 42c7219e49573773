#include "ui/dialogs/piece_size_choice.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "engine/piece_size.h"
#include "ui/dialogs/message_box.h"

namespace vornalis::ui {
namespace {

const char* const kUnits[] = {"bytes", "KB", "MB"};

}  // namespace

SizeControls MakeSizeControls(QWidget* parent) {
  SizeControls controls{};
  controls.size = new QLineEdit(QStringLiteral("200"), parent);
  controls.size->setObjectName(QStringLiteral("MaskEditSize"));
  controls.size_label = new QLabel(QStringLiteral("Si&ze of one piece:"), parent);
  controls.size_label->setBuddy(controls.size);
  controls.unit = new QComboBox(parent);
  controls.unit->setObjectName(QStringLiteral("ComboBoxSizeUnit"));
  FillSizeUnits(controls.unit);
  controls.unit_label = new QLabel(QStringLiteral("&Unit:"), parent);
  controls.unit_label->setBuddy(controls.unit);
  return controls;
}

void FillSizeUnits(QComboBox* units) {
  for (const char* unit : kUnits) units->addItem(QString::fromLatin1(unit));
  units->setCurrentIndex(static_cast<int>(SizeUnit::kKB));
}

void FillPresetSizes(QComboBox* presets) {
  presets->addItem(QStringLiteral("1.44MB Floopy disk"));
  presets->addItem(QStringLiteral("720KB Floopy disk"));
  presets->setCurrentIndex(0);
}

void CheckSizeEdit(QLineEdit* edit) {
  const Result<std::uint32_t> number = CheckSizeNumber(edit->text().toStdString());
  if (number.ok()) return;
  MessageBox::Error(edit->window(), QString::fromStdString(number.status().message));
  edit->undo();
}

Result<std::uint32_t> PieceSizeOfChoice(bool custom, const QString& number, int unit_item,
                                        int preset_item) {
  if (!custom) return PresetPieceSize(preset_item);
  const Result<std::uint32_t> value = CheckSizeNumber(number.toStdString());
  if (!value.ok()) return value;
  const int item = unit_item == 1 || unit_item == 2 ? unit_item : 0;
  return CustomPieceSize(*value, static_cast<SizeUnit>(item));
}

}  // namespace vornalis::ui
