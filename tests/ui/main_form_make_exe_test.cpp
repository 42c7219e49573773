// Make .EXE from the main window: the stub the window names, in the current folder without
// arguments and else beside the program, so each test works in its own folder. The outcomes
// and their messages are the session's (tests/desktop).
#include <QAction>
#include <QDir>
#include <QtTest>

#include "tests/ui/support/ui_test_support.h"

namespace vornalis::testing {

class MainFormMakeExeTest : public QObject, protected FormTestState {
  Q_OBJECT

 private:
  QString previous_folder_;

  void MakeExe() { ActionNamed(QStringLiteral("ActionMakeExe"))->trigger(); }

 private slots:
  void init() {
    dir_ = std::make_unique<TestFolder>();
    previous_folder_ = QDir::currentPath();
    QVERIFY(QDir::setCurrent(QString::fromStdString(At(""))));
    fx_ = std::make_unique<FormFixture>();
    QCOMPARE(Form().Session().StartUp().StubPath, At("ext.dll"));
  }
  void cleanup() {
    fx_.reset();
    QDir::setCurrent(previous_folder_);
  }

  void withoutAStubInTheStartingFolderTheOneBesideTheProgramIsUsed() {
    QCOMPARE(MakeSet(At("backup"), At("src/"), {{"a", "1"}}), std::string());
    // The stub is built beside the test programs, as beside the program.
    QCOMPARE(QString::fromStdString(Form().Session().StartUp().StubFallback),
             QCoreApplication::applicationDirPath() + "/ext.dll");
    Form().Session().OpenPieceFile(At("backup.pec"));
    MakeExe();
    QCOMPARE(
        AskedMessages(),
        QStringList{"Information: " + QString::fromStdString(At("backup.exe")) + " is created!"});
    QCOMPARE(ReadFile(At("backup.exe")).size(),
             ReadFile(Form().Session().StartUp().StubFallback).size());
  }
};

}  // namespace vornalis::testing

QTEST_MAIN(vornalis::testing::MainFormMakeExeTest)
#include "main_form_make_exe_test.moc"
