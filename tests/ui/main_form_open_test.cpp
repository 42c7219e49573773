// Open and Close in the main window: finding the set from its header or any piece, the
// messages for files of no set, the listing with type names, and closing. Also the sound
// handling of extension-less names, unreadable catalogues and catalogues that cannot be written.
#include <QAbstractItemView>
#include <QAction>
#include <QtTest>
#include <cerrno>

#include "engine/piece_set.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/raw_set.h"
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

  void openingTheHeaderListsTheSetInNameOrder() {
    MakeBackup();
    ChooseAndOpen(At("backup.pec"));
    QCOMPARE(AskedMessages().join("\n"), QString());
    QVERIFY(Form().Session().SetOpen());
    QCOMPARE(ListRows(Form()),
             (QStringList{"A.txt|TXT type|5|", "a.txt|TXT type|7|sub\\", "b.txt|TXT type|3|"}));
    QCOMPARE(Form().Session().FileCount(), 3u);
    QCOMPARE(Form().Session().List().TotalBytes(), 15u);
    QCOMPARE(PanelText(Form(), 1), QStringLiteral("Total 3 files, 15 bytes"));
    QCOMPARE(Form().Session().List().SortMark(), 1);
    QCOMPARE(Form().Session().List().SortMark(), 1);
    QCOMPARE(Form().windowTitle(), QStringLiteral("backup-Dorvelin"));
    for (const char* action : {"ActionFileClose", "ActionAdd", "ActionAssemble", "ActionMakeExe"})
      QVERIFY2(Enabled(action), action);
  }

  void anyPieceLeadsToTheSet_data() {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("set");
    QTest::newRow("header") << "backup.pec"
                            << "backup";
    QTest::newRow("piece 3") << "backup3.pec"
                             << "backup";
    QTest::newRow("piece 1 of a set named disk2") << "disk21.pec"
                                                  << "disk2";
    QTest::newRow("piece 12") << "disk212.pec"
                              << "disk2";
  }

  void anyPieceLeadsToTheSet() {
    QFETCH(QString, chosen);
    QFETCH(QString, set);
    // 24-byte pieces carry 16 bytes each: 60 bytes fill pieces 1 to 3 (the rest of piece 4
    // goes into the header), 200 bytes pieces 1 to 12.
    QCOMPARE(MakeSet(At("backup"), At("src/"), {{"one.bin", std::string(60, 'x')}}, 24),
             std::string());
    QCOMPARE(MakeSet(At("disk2"), At("src/"), {{"two.bin", std::string(200, 'y')}}, 24),
             std::string());
    ChooseAndOpen(At(chosen.toStdString()));
    QCOMPARE(AskedMessages().join("\n"), QString());
    QVERIFY(Form().Session().CurrentSet());
    QCOMPARE(QString::fromStdString(Form().Session().CurrentSet()->BasePath()),
             QString::fromStdString(At(set.toStdString())));
    QCOMPARE(Form().windowTitle(), set + "-Dorvelin");
    QCOMPARE(Form().Session().FileCount(), 1u);
  }

  void filesOfNoSetAreRefusedAndChangeNothing_data() {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << "gone.pec"
                             << "Can't open %1gone.pec";
    QTest::newRow("other bytes") << "other.pec"
                                 << "%1other.pec is an invalid piece!";
    QTest::newRow("shorter than a magic") << "tiny.pec"
                                          << "%1tiny.pec is an invalid piece!";
    QTest::newRow("piece without header") << "lone5.pec"
                                          << "Can't open %1lone.pec";
    QTest::newRow("piece with a bad header") << "bad1.pec"
                                             << "%1bad.pec is an invalid piece!";
  }

  void filesOfNoSetAreRefusedAndChangeNothing() {
    QFETCH(QString, chosen);
    QFETCH(QString, message);
    MakeBackup();
    WriteFile(At("other.pec"), "MZ not a piece");
    WriteFile(At("tiny.pec"), "QB");
    WriteFile(At("lone5.pec"), PieceBytes(5, "x"));
    WriteFile(At("bad.pec"), "XXXXXXXX");
    WriteFile(At("bad1.pec"), PieceBytes(1, "x"));
    ChooseAndOpen(At("backup.pec"));
    PieceSet* before = Form().Session().CurrentSet();
    const QStringList rows = ListRows(Form());

    ChooseAndOpen(At(chosen.toStdString()));
    QCOMPARE(AskedMessages(), QStringList{"Error: " + message.arg(QString::fromStdString(At("")))});
    QCOMPARE(Form().Session().CurrentSet(), before);
    QCOMPARE(ListRows(Form()), rows);
    QCOMPARE(Form().windowTitle(), QStringLiteral("backup-Dorvelin"));
  }

  void openingAnotherSetClosesTheFirstWithItsCatalogue() {
    MakeBackup();
    QCOMPARE(MakeSet(At("other"), At("src2/"), {{"x.jpg", "x"}}), std::string());
    ChooseAndOpen(At("backup.pec"));
    WriteFile(At("src3/new.txt"), "new");
    StoredFile added;
    added.Name = "new.txt";
    QVERIFY(Form().Session().CurrentSet()->AddFiles(At("src3/"), {added}, nullptr, nullptr,
                                                    At("src3/")));

    ChooseAndOpen(At("other.pec"));
    QCOMPARE(ListRows(Form()), QStringList{"x.jpg|JPG type|1|"});
    QCOMPARE(Form().windowTitle(), QStringLiteral("other-Dorvelin"));
    PieceSet reopened(At("backup"), SetAccess::kReadOnly);
    QCOMPARE(reopened.Files().size(), std::size_t{4});
  }

  void cancellingTheOpenDialogChangesNothing() {
    MakeBackup();
    ChooseAndOpen(At("backup.pec"));
    PieceSet* before = Form().Session().CurrentSet();
    Trigger("ActionFileOpen");  // no file chosen
    QCOMPARE(Form().Session().CurrentSet(), before);
    QCOMPARE(ListRows(Form()).size(), 3);
    QCOMPARE(AskedMessages().join("\n"), QString());
  }

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
    QCOMPARE(Form().Session().List().SortMark(), 1);
    for (const char* action : {"ActionFileClose", "ActionAdd", "ActionAssemble", "ActionMakeExe"})
      QVERIFY2(!Enabled(action), action);
    for (const char* action : {"ActionFileNew", "ActionFileOpen", "ActionFileExit"})
      QVERIFY2(Enabled(action), action);
  }

  void namesWithoutExtensionAreListedAndCounted() {
    QCOMPARE(MakeSet(At("backup"), At("src/"),
                     {{"README", "12345"}, {"a.txt", "1"}, {"Makefile", "123"}, {"z.txt", "12"}}),
             std::string());
    ChooseAndOpen(At("backup.pec"));
    QCOMPARE(ListRows(Form()), (QStringList{"a.txt|TXT type|1|", "Makefile|no type|3|",
                                            "README|no type|5|", "z.txt|TXT type|2|"}));
    QCOMPARE(Form().Session().FileCount(), 4u);
    QCOMPARE(Form().Session().List().TotalBytes(), 11u);
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

  void anOpenThatFailsLeavesNoSetOpenAndNamesTheHeader() {
    // The header promises a block that the file does not hold; the other is damaged early.
    const std::string block = BlockBytes({{1, 8, 5, "", "a.txt"}});
    WriteFile(At("broken.pec"),
              HeaderBytes(StreamBytes(100, 1, "", block.substr(0, block.size() - 3), false)));
    WriteFile(At("DAMAGED.PEC"), "QBXR and nothing of sense");
    ChooseAndOpen(At("broken.pec"));
    QVERIFY(!Form().Session().SetOpen());
    QVERIFY(Form().Session().CurrentSet() == nullptr);
    QCOMPARE(AskedMessages().size(), 1);
    QVERIFY2(AskedMessages()[0].contains(QString::fromStdString(At("broken.pec"))),
             qPrintable(AskedMessages()[0]));
    QCOMPARE(ListRows(Form()), QStringList());
    for (const char* name : {"ActionFileClose", "ActionAdd", "ActionAssemble", "ActionMakeExe"})
      QVERIFY2(!Form().findChild<QAction*>(name)->isEnabled(), name);

    ChooseAndOpen(At("DAMAGED.PEC"));
    QVERIFY(!Form().Session().SetOpen());
    QCOMPARE(AskedMessages().last(), "Error: " + QString::fromStdString(At("DAMAGED.PEC")) +
                                         ": File format is not correct");

    // With a set open, a set that cannot be read leaves the window as it was.
    MakeBackup();
    ChooseAndOpen(At("backup.pec"));
    const QStringList rows = ListRows(Form());
    ChooseAndOpen(At("DAMAGED.PEC"));
    QCOMPARE(AskedMessages().last(), "Error: " + QString::fromStdString(At("DAMAGED.PEC")) +
                                         ": File format is not correct");
    QVERIFY(Form().Session().SetOpen());
    QCOMPARE(Form().windowTitle(), QStringLiteral("backup-Dorvelin"));
    QCOMPARE(ListRows(Form()), rows);
    QVERIFY(Enabled("ActionAdd"));
    // The open set's own piece opens it again: it is closed first, as it holds its lock.
    const qsizetype asked = AskedMessages().size();
    ChooseAndOpen(At("backup1.pec"));
    QCOMPARE(AskedMessages().size(), asked);
    QCOMPARE(ListRows(Form()), rows);
    QVERIFY(Enabled("ActionAdd"));
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
                         " is open for reading only: another program is storing files into it."});
  }

  void aFilePlantedWherePiecesAreKeptAsideIsIgnoredAndNamed() {
    QCOMPARE(MakeSet(At("planted"), At("src/"), {{"big", std::string(300, 'b')}}, 100),
             std::string());
    WriteFile(At("planted.pec.aside"), "not a record");
    ChooseAndOpen(At("planted.pec"));
    QVERIFY(Form().Session().SetOpen());
    QCOMPARE(ListRows(Form()).size(), 1);
    QCOMPARE(AskedMessages(),
             QStringList{"Information: Ignored " + QString::fromStdString(At("planted.pec.aside")) +
                         ": it was not left there by this set's own writer"});
  }

  void aNewSetOverOneAnotherProgramStoresIntoIsRefused() {
    QCOMPARE(MakeSet(At("busy"), At("src/"), {{"a.txt", "a"}}), std::string());
    PieceSet writer(At("busy"));  // holds the set's lock, as another program would
    QCOMPARE(writer.LastError(), std::string());
    ui::modal::QueueFileName(QString::fromStdString(At("busy.pec")));
    ActionNamed("ActionFileNew")->trigger();
    QVERIFY(!Form().Session().SetOpen());
    QVERIFY(Form().Session().CurrentSet() == nullptr);
    QVERIFY(!AskedMessages().isEmpty());
    QVERIFY2(AskedMessages().last().contains("is in use"), qPrintable(AskedMessages().last()));
  }

  void catalogueThatCannotBeWrittenIsReported_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Close") << "close";
    QTest::newRow("Open of another set") << "open";
    QTest::newRow("closing the window") << "exit";
  }

  void catalogueThatCannotBeWrittenIsReported() {
    QFETCH(QString, how);
    FaultFileSystem fs(platform::RealFileSystem());
    fx_ = std::make_unique<FormFixture>(std::vector<std::string>{}, fs);
    MakeBackup();
    QCOMPARE(MakeSet(At("other"), At("src2/"), {{"x.jpg", "x"}}), std::string());
    ChooseAndOpen(At("backup.pec"));
    WriteFile(At("src3/new.txt"), "new");
    StoredFile added;
    added.Name = "new.txt";
    QVERIFY(Form().Session().CurrentSet()->AddFiles(At("src3/"), {added}, nullptr, nullptr,
                                                    At("src3/")));
    fs.FailPath(FaultFileSystem::Op::kCreateUnique, "Qbtmbackup", EACCES);  // its new catalogue

    if (how == "close") Trigger("ActionFileClose");
    if (how == "open") ChooseAndOpen(At("other.pec"));
    if (how == "exit") QVERIFY(Form().close());
    QCOMPARE(AskedMessages(),
             QStringList{"Error: Can't create " + QString::fromStdString(At("backup.pec"))});
    if (how == "open") QCOMPARE(Form().windowTitle(), QStringLiteral("other-Dorvelin"));
    fx_.reset();  // the window's set uses fs
  }
};

}  // namespace vornalis::testing

QTEST_MAIN(vornalis::testing::MainFormOpenTest)
#include "main_form_open_test.moc"
