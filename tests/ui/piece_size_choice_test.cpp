// The piece-size panel below the New dialog and the "Choose piece size" dialog: their controls
// and first states, the enabling of the number, unit and floppy list, the check of the typed
// number with its two messages and the undo, and the size each choice yields.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "ui/dialogs/choose_size.h"
#include "ui/dialogs/file_new_dialog_ext_lower.h"
#include "ui/dialogs/modal_seam.h"

namespace vornalis::testing {

class PieceSizeChoiceTest : public QObject {
  Q_OBJECT

 private:
  template <typename T>
  static T* Control(QWidget* form, const char* name) {
    T* control = form->findChild<T*>(QString::fromLatin1(name));
    if (!control) qFatal("no control %s", name);
    return control;
  }
  static QStringList Items(QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i) items.append(box->itemText(i));
    return items;
  }
  static QStringList Asked() {
    QStringList texts;
    for (const ui::AskedQuestion& question : ui::modal::Messages())
      texts.append((question.kind == ui::MessageKind::kError ? "Error: " : "Other: ") +
                   question.text);
    return texts;
  }
  static quint32 SizeOf(const ui::TFileNewDialogExtLower& panel) {
    const auto size = desktop::PieceSizeOf(panel.Choice());
    return size.ok() ? *size : 0;
  }

 private slots:
  void init() { ui::modal::AnswerInAdvance(); }
  void cleanup() { ui::modal::AnswerInAdvance(false); }

  void panelStartsWith200KB() {
    ui::TFileNewDialogExtLower panel;
    QCOMPARE(panel.objectName(), QStringLiteral("FileNewDialogExtLower"));
    auto* custom = Control<QRadioButton>(&panel, "RadioButton1");
    auto* specific = Control<QRadioButton>(&panel, "RadioButton2");
    QCOMPARE(custom->text(), QStringLiteral("Cus&tomed size:"));
    QCOMPARE(specific->text(), QStringLiteral("&Specific size:"));
    QVERIFY(custom->isChecked());
    QVERIFY(!specific->isChecked());
    QCOMPARE(Control<QLineEdit>(&panel, "MaskEditSize")->text(), QStringLiteral("200"));
    QVERIFY(Control<QLineEdit>(&panel, "MaskEditSize")->isEnabled());
    auto* units = Control<QComboBox>(&panel, "ComboBoxSizeUnit");
    QCOMPARE(Items(units), (QStringList{"bytes", "KB", "MB"}));
    QCOMPARE(units->currentText(), QStringLiteral("KB"));
    auto* presets = Control<QComboBox>(&panel, "ComboBoxSpeSize");
    QCOMPARE(Items(presets), (QStringList{"1.44MB Floopy disk", "720KB Floopy disk"}));
    QCOMPARE(presets->currentIndex(), 0);
    QVERIFY(!presets->isEnabled());
    QStringList labels;
    for (QLabel* label : panel.findChildren<QLabel*>()) labels.append(label->text());
    labels.sort();
    QCOMPARE(labels, (QStringList{"&Unit:", "P&redefined:", "Si&ze of one piece:"}));
    QCOMPARE(SizeOf(panel), 204800u);
  }

  void panelRadioButtonsSwitchTheControls() {
    ui::TFileNewDialogExtLower panel;
    auto* number = Control<QLineEdit>(&panel, "MaskEditSize");
    auto* units = Control<QComboBox>(&panel, "ComboBoxSizeUnit");
    auto* presets = Control<QComboBox>(&panel, "ComboBoxSpeSize");
    Control<QRadioButton>(&panel, "RadioButton2")->click();
    QVERIFY(!number->isEnabled());
    QVERIFY(!units->isEnabled());
    QVERIFY(presets->isEnabled());
    QCOMPARE(SizeOf(panel), 1474560u);
    presets->setCurrentIndex(1);
    QCOMPARE(SizeOf(panel), 737280u);
    Control<QRadioButton>(&panel, "RadioButton1")->click();
    QVERIFY(number->isEnabled());
    QVERIFY(units->isEnabled());
    QVERIFY(!presets->isEnabled());
    QCOMPARE(SizeOf(panel), 204800u);
  }

  void customSizes_data() {
    QTest::addColumn<QString>("number");
    QTest::addColumn<int>("unit");
    QTest::addColumn<quint32>("size");
    QTest::addColumn<QString>("error");
    QTest::newRow("3 MB") << "3" << 2 << quint32(3145728) << "";
    QTest::newRow("3 bytes, too small")
        << "3" << 0 << quint32(0)
        << "Piece size of 3 bytes is too small: a piece must be at least 20 bytes, to hold the "
           "set's header";
    QTest::newRow("20 bytes, the smallest") << "20" << 0 << quint32(20) << "";
    QTest::newRow("4096 MB") << "4096" << 2 << quint32(0)
                             << "Piece size 4096MB is too large: a piece must be below 4 GB";
    QTest::newRow("4194303 KB") << "4194303" << 1 << quint32(4294966272u) << "";
  }

  void customSizes() {
    QFETCH(QString, number);
    QFETCH(int, unit);
    QFETCH(quint32, size);
    QFETCH(QString, error);
    ui::TFileNewDialogExtLower panel;
    Control<QLineEdit>(&panel, "MaskEditSize")->setText(number);
    Control<QComboBox>(&panel, "ComboBoxSizeUnit")->setCurrentIndex(unit);
    const auto chosen = desktop::PieceSizeOf(panel.Choice());
    QCOMPARE(QString::fromStdString(chosen.status().message), error);
    QCOMPARE(chosen.ok() ? *chosen : 0, size);
  }

  void typedNumberIsCheckedAndUndone_data() {
    QTest::addColumn<int>("keys");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("restored");
    QTest::newRow("0 over the number") << 0 << "Must not be zero"
                                       << "200";
    QTest::newRow("minus in front") << 1 << "Must not be zero"
                                    << "200";
    QTest::newRow("whole number deleted") << 2 << "'' is not a valid integer value"
                                          << "200";
    QTest::newRow("a letter") << 3 << "'200x' is not a valid integer value"
                              << "200";
    // Each key is checked: the eleventh digit goes beyond 2,147,483,647; undo takes back the
    // whole run of typing, as an edit box does.
    QTest::newRow("beyond 2,147,483,647") << 4 << "'20099999999' is not a valid integer value"
                                          << "200";
  }

  void typedNumberIsCheckedAndUndone() {
    QFETCH(int, keys);
    QFETCH(QString, message);
    QFETCH(QString, restored);
    ui::TFileNewDialogExtLower panel;
    ui::TChooseSize dialog;
    for (QWidget* form : {static_cast<QWidget*>(&panel), static_cast<QWidget*>(&dialog)}) {
      ui::modal::ForgetAsked();
      auto* edit = Control<QLineEdit>(form, "MaskEditSize");
      switch (keys) {
        case 0:
          edit->selectAll();
          QTest::keyClick(edit, Qt::Key_0);
          break;
        case 1:
          edit->setCursorPosition(0);
          QTest::keyClick(edit, Qt::Key_Minus);
          break;
        case 2:
          edit->selectAll();
          QTest::keyClick(edit, Qt::Key_Backspace);
          break;
        case 3:
          edit->end(false);
          QTest::keyClick(edit, Qt::Key_X);
          break;
        case 4:
          edit->end(false);
          QTest::keyClicks(edit, QStringLiteral("99999999"));
          break;
      }
      QCOMPARE(Asked(), QStringList{"Error: " + message});
      QCOMPARE(edit->text(), restored);
    }
  }

  void validEditsAreKept() {
    ui::TFileNewDialogExtLower panel;
    auto* edit = Control<QLineEdit>(&panel, "MaskEditSize");
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("1440"));
    QCOMPARE(edit->text(), QStringLiteral("1440"));
    QCOMPARE(Asked(), QStringList());
    QCOMPARE(SizeOf(panel), 1440u * 1024);
  }

  void dialogStartsAfreshEachTime() {
    for (int use = 0; use < 2; ++use) {
      ui::TChooseSize dialog;
      QCOMPARE(dialog.windowTitle(), QStringLiteral("Choose piece size"));
      auto* number = Control<QLineEdit>(&dialog, "MaskEditSize");
      auto* units = Control<QComboBox>(&dialog, "ComboBoxSizeUnit");
      auto* check = Control<QCheckBox>(&dialog, "CheckBox1");
      auto* presets = Control<QComboBox>(&dialog, "ComboBoxSpeSize");
      QCOMPARE(number->text(), QStringLiteral("200"));
      QCOMPARE(units->currentText(), QStringLiteral("KB"));
      QCOMPARE(check->text(), QStringLiteral("Specific size:"));
      QVERIFY(!check->isChecked());
      QVERIFY(!presets->isEnabled());
      QCOMPARE(Control<QPushButton>(&dialog, "OKBtn")->text(), QStringLiteral("OK"));
      QCOMPARE(Control<QPushButton>(&dialog, "CancelBtn")->text(), QStringLiteral("Cancel"));
      QCOMPARE(*desktop::PieceSizeOf(dialog.Choice()), 204800u);

      // A choice made in this use is gone in the next.
      check->click();
      QVERIFY(!number->isEnabled());
      QVERIFY(!units->isEnabled());
      QVERIFY(presets->isEnabled());
      presets->setCurrentIndex(1);
      QCOMPARE(*desktop::PieceSizeOf(dialog.Choice()), 737280u);
      check->click();
      QVERIFY(number->isEnabled());
      QVERIFY(!presets->isEnabled());
      QVERIFY(dialog.Execute());
      QCOMPARE(ui::modal::DialogsShown().last(), QStringLiteral("ChooseSize"));
    }
  }
};

}  // namespace vornalis::testing

QTEST_MAIN(vornalis::testing::PieceSizeChoiceTest)
#include "piece_size_choice_test.moc"
