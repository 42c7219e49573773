// Open and Close in the main window: closing after a selection made in the list, the type names
// from the system asked once per extension, Add greyed for a set opened for reading, and a
// catalogue that cannot be written when the window closes. Which set opens and what is told is
// the session's (tests/desktop).
#include <QAbstractItemView>
#include <QAction>
#include <QtTest>
#include <cerrno>

#include "engine/piece_set.h"
#include "tests/support/fault_file_system.h"
#include "tests/ui/support/ui_test_support.h"
#include "ui/dialogs/modal_seam.h"
#include "ui/main/file_list_model.h"

namespace vornalis::testing {

class MainFormOpenTest : public QObject, protected FormTestState {
  Q_OBJECT

 private:
  void Trigger(const char* action) {
    QAction* found = ActionNamed(QString::fromLatin1(action));
    QVERIFY2(found, action);
    found->trigger();
  }
  void ChooseAndOpen(const std::string& path) {
    ui::modal::QueueFileName(QString::fromStdString(path));
    Trigger("ActionFileOpen");
  }
  bool Enabled(const char* action) { return ActionNamed(QString::fromLatin1(action))->isEnabled(); }
  // backup: b.txt (3 bytes), A.txt (5) and sub/a.txt (7), in 1.44 MB pieces.
  void MakeBackup() {
    QCOMPARE(MakeSet(At("backup"), At("src/"),
                     {{"b.txt", "bbb"}, {"A.txt", "AAAAA"}, {"sub/a.txt", "aaaaaaa"}}),
             std::string());
  }

 private slots:
  void init() {
    dir_ = std::make_unique<TestFolder>();
    fx_ = std::make_unique<FormFixture>();
  }
  void cleanup() { fx_.reset(); }

  void closeEmptiesTheListAndKeepsTheCaption() {
    MakeBackup();
    ChooseAndOpen(At("backup.pec"));
    Form().findChild<QAbstractItemView*>(QStringLiteral("ListViewFiles"))->selectAll();
    QCOMPARE(PanelText(Form(), 0), QStringLiteral("Selected 3 files, 15 bytes"));

    Trigger("ActionFileClose");
    QVERIFY(!Form().Session().SetOpen());
    QVERIFY(!Form().Session().CurrentSet());
    QCOMPARE(ListRows(Form()), QStringList());
    QCOMPARE(PanelText(Form(), 0), QStringLiteral("Selected 0 files, 0 bytes"));
    QCOMPARE(PanelText(Form(), 1), QStringLiteral("Total 0 files, 0 bytes"));
    QCOMPARE(Form().windowTitle(), QStringLiteral("backup-Dorvelin"));
    QVERIFY((Form().Session().List().SortMark() ==
             desktop::FileList::Mark{desktop::FileList::kName, false}));
    for (const char* action : {"ActionFileClose", "ActionAdd", "ActionAssemble", "ActionMakeExe"})
      QVERIFY2(!Enabled(action), action);
    for (const char* action : {"ActionFileNew", "ActionFileOpen", "ActionFileExit"})
      QVERIFY2(Enabled(action), action);
  }

  void typeNamesAreAskedOncePerExtensionForTheWholeRun() {
    QCOMPARE(MakeSet(At("one"), At("src/"), {{"a.TXT", "1"}, {"b.txt", "2"}, {"c.jpg", "3"}}),
             std::string());
    QCOMPARE(MakeSet(At("two"), At("src2/"), {{"d.Txt", "1"}, {"e.png", "2"}, {"f.JPG", "3"}}),
             std::string());
    ChooseAndOpen(At("one.pec"));
    QCOMPARE(ListRows(Form()),
             (QStringList{"a.TXT|TXT type|1|", "b.txt|TXT type|1|", "c.jpg|JPG type|1|"}));
    Trigger("ActionFileClose");
    ChooseAndOpen(At("two.pec"));
    QCOMPARE(fx_->types.Asked(), (QStringList{".TXT", ".jpg", ".png"}));
    QCOMPARE(Form().Session().Types().Size(), 3);
  }

  void aSetAnotherProgramStoresIntoOpensForReadingOnly() {
    QCOMPARE(MakeSet(At("busy"), At("src/"), {{"a.txt", "a"}}), std::string());
    PieceSet writer(At("busy"));  // holds the set's lock, as another program would
    QCOMPARE(writer.LastError(), std::string());
    ChooseAndOpen(At("busy.pec"));
    QVERIFY(Form().Session().SetOpen());
    QVERIFY(!Form().Session().CurrentSet()->CanStore());
    QVERIFY(!ActionNamed("ActionAdd")->isEnabled());
    QVERIFY(ActionNamed("ActionAssemble")->isEnabled());
    QCOMPARE(ListRows(Form()).size(), 1);
    // One message, that says both why and what follows.
    QCOMPARE(AskedMessages(),
             QStringList{"Information: The set " + QString::fromStdString(At("busy.pec")) +
                         " is open for reading only: it is open in another program, which may be "
                         "storing files into it."});
  }

  void catalogueThatCannotBeWrittenIsReportedWhenTheWindowCloses() {
    FaultFileSystem fs(platform::RealFileSystem());
    fx_ = std::make_unique<FormFixture>(std::vector<std::string>{}, fs);
    MakeBackup();
    ChooseAndOpen(At("backup.pec"));
    WriteFile(At("src3/new.txt"), "new");
    StoredFile added;
    added.Name = "new.txt";
    QVERIFY(Form().Session().CurrentSet()->AddFiles(At("src3/"), {added}, nullptr, nullptr,
                                                    At("src3/")));
    fs.FailPath(FaultFileSystem::Op::kCreateUnique, "Qbtmbackup", EACCES);  // its new catalogue

    QVERIFY(Form().close());
    QCOMPARE(AskedMessages(),
             QStringList{"Error: Can't create " + QString::fromStdString(At("backup.pec"))});
    fx_.reset();  // the window's set uses fs
  }
};

}  // namespace vornalis::testing

QTEST_MAIN(vornalis::testing::MainFormOpenTest)
#include "main_form_open_test.moc"
