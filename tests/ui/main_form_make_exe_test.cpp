// Make .EXE from the main window: the messages of each outcome, and the executable beside the
// set. The stub is looked for in the current folder when the program starts without
// arguments, so each test works in its own folder.
#include <QAction>
#include <QDir>
#include <QtTest>
#include <cerrno>
#include <fstream>
#include <iterator>

#include "tests/support/fault_file_system.h"
#include "tests/support/raw_set.h"
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

  void stubCopiedAndPatchedBesideTheSet() {
    WriteFile(At("ext.dll"), std::string(40000, 'S'));
    QCOMPARE(MakeSet(At("backup"), At("src/"), {{"a", "1"}, {"b", "2"}, {"c", "3"}}),
             std::string());
    Form().Session().OpenPieceFile(At("backup.pec"));
    MakeExe();
    QCOMPARE(
        AskedMessages(),
        QStringList{"Information: " + QString::fromStdString(At("backup.exe")) + " is created!"});
    std::ifstream in(At("backup.exe"), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    QCOMPARE(bytes.size(), std::size_t{40000});
    QCOMPARE(bytes.substr(32824, 10), std::string("\x03\x00\x00\x00", 4) + "backup");
    QVERIFY(Form().Session().SetOpen());
  }

  void setWithoutFilesMakesNothing() {
    WriteFile(At("ext.dll"), std::string(40000, 'S'));
    WriteFile(At("empty.pec"), HeaderBytes(StreamBytes(1000, 0, "", BlockBytes({}))));
    Form().Session().OpenPieceFile(At("empty.pec"));
    MakeExe();
    QCOMPARE(AskedMessages(), QStringList{"Error: Can't Make .EXE without any files added!"});
    QVERIFY(!FileExists(At("empty.exe")));
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

  void missingStubIsReportedWithThePlacesTried() {
    FaultFileSystem fs(platform::RealFileSystem());
    fs.FailPath(FaultFileSystem::Op::kOpen, "ext.dll", ENOENT);  // nowhere to be found
    fx_ = std::make_unique<FormFixture>(std::vector<std::string>{}, fs);
    QCOMPARE(MakeSet(At("backup"), At("src/"), {{"a", "1"}}), std::string());
    Form().Session().OpenPieceFile(At("backup.pec"));
    MakeExe();
    QCOMPARE(AskedMessages(),
             (QStringList{"Error: Can't create " + QString::fromStdString(At("backup.exe")),
                          "Error: " + QString::fromStdString(At("ext.dll")) + "\n" +
                              QString::fromStdString(Form().Session().StartUp().StubFallback)}));
    QVERIFY(!FileExists(At("backup.exe")));
    fx_.reset();  // the window's set uses fs
  }
};

}  // namespace vornalis::testing

QTEST_MAIN(vornalis::testing::MainFormMakeExeTest)
#include "main_form_make_exe_test.moc"
