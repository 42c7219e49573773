// Recovery files from the main window: Protect... with the redundancy of its dialog, Verify and
// Repair in the Action menu, with the window's title at each step. When a repair is offered,
// and a new protection after an add, is the session's (tests/desktop).
#include <QRegularExpression>
#include <QSpinBox>
#include <QtTest>
#include <filesystem>

#include "engine/set_recovery.h"
#include "tests/ui/support/ui_test_support.h"
#include "ui/dialogs/error_dlg.h"
#include "ui/dialogs/modal_seam.h"
#include "ui/dialogs/protect_dlg.h"

namespace vornalis::testing {

class MainFormRecoveryTest : public QObject, protected FormTestState {
  Q_OBJECT

 private:
  // A set of four files over pieces of 2,000 bytes, opened in the window.
  void OpenProtectableSet() {
    QCOMPARE(MakeSet(At("backup"), At("src/"),
                     {{"a.bin", PatternBytes(3000, 1)},
                      {"b.bin", PatternBytes(2500, 2)},
                      {"c.txt", "c"},
                      {"d.bin", PatternBytes(1800, 3)}},
                     2000),
             std::string());
    Form().Session().OpenPieceFile(At("backup.pec"));
    QVERIFY(Form().Session().SetOpen());
  }
  std::vector<std::string> RecoveryFiles() {
    return FindRecoveryFiles(platform::RealFileSystem(), SetPaths{At("backup")});
  }

 private slots:
  void init() {
    dir_ = std::make_unique<TestFolder>();
    fx_ = std::make_unique<FormFixture>();
  }
  void cleanup() { fx_.reset(); }

  void protectVerifyAndRepairFromTheActionMenu() {
    OpenProtectableSet();
    // The title names the set at every step, as Add's does, although the set is closed while
    // the recovery work reads it.
    QStringList titles;
    connect(&Form(), &ui::TMainForm::ProgressStepped, this,
            [&](int) { titles.append(Form().windowTitle()); });
    Form().ProtectDlg()->SpinRedundancy->setValue(50);
    ActionNamed("ActionProtect")->trigger();
    QCOMPARE(ui::modal::DialogsShown(), QStringList{"ProtectDlg"});
    QVERIFY(!titles.empty());
    for (const QString& title : titles)
      QVERIFY2(QRegularExpression("^backup-Protecting \\d+%$").match(title).hasMatch(),
               qPrintable(title));
    QVERIFY(!RecoveryFiles().empty());
    QVERIFY(Form().Session().SetOpen());
    QCOMPARE(ListRows(Form()).size(), 4);

    // A lost piece: Verify names it and the files it holds; Repair brings it back.
    ui::modal::ForgetAsked();
    const std::string piece = ReadFile(At("backup2.pec"));
    std::filesystem::remove(FsPath(At("backup2.pec")));
    ActionNamed("ActionVerify")->trigger();
    const QStringList lines = Form().ErrorDlg()->Lines();
    // The report the CLI's verify gives, line for line.
    QVERIFY2(lines.join('\n').contains(QString::fromStdString(At("backup2.pec")) + " is missing"),
             qPrintable(lines.join('\n')));
    QVERIFY2(lines.join('\n').contains("affects: a.bin, b.bin"), qPrintable(lines.join('\n')));
    QVERIFY2(lines.last().contains("a repair is possible"), qPrintable(lines.last()));
    titles.clear();
    ActionNamed("ActionRepair")->trigger();
    QVERIFY(!titles.empty() && titles.last().startsWith("backup-Repairing "));
    QCOMPARE(ReadFile(At("backup2.pec")), piece);
    QVERIFY2(
        AskedMessages().last().endsWith("Repaired " + QString::fromStdString(At("backup2.pec")) +
                                        "\nThe set is whole again."),
        qPrintable(AskedMessages().join('\n')));
    QVERIFY(Form().Session().SetOpen());
    ui::modal::ForgetAsked();
    ActionNamed("ActionVerify")->trigger();
    QVERIFY2(AskedMessages().last().contains("files of the set match their recovery files."),
             qPrintable(AskedMessages().join('\n')));
  }
};

}  // namespace vornalis::testing

QTEST_MAIN(vornalis::testing::MainFormRecoveryTest)
#include "main_form_recovery_test.moc"
