// Add in the main window: files stored in the dialog's order with their rows and totals, a file
// already stored skipped, breaking off with a key or a click, the Enter that confirmed the
// dialog, a failure's error list, an exception that escapes, and sets that cannot store.
#include <sys/stat.h>
#include <unistd.h>
#include <QAbstractItemView>
#include <QCursor>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>
#include <cerrno>
#include <filesystem>
#include <stdexcept>

#include "tests/support/fault_file_system.h"
#include "tests/ui/support/ui_test_support.h"
#include "ui/dialogs/error_dlg.h"
#include "ui/dialogs/ext/ap_open_dlg.h"
#include "ui/dialogs/modal_seam.h"
#include "ui/main/file_list_model.h"

namespace vornalis::testing {

class MainFormAddTest : public QObject, protected FormTestState {
  Q_OBJECT

 private:
  QWidget* List() { return Form().findChild<QAbstractItemView*>("ListViewFiles")->viewport(); }
  // backup holds z.txt (4 bytes); the window lists it sorted by name.
  void OpenBackup() {
    QCOMPARE(MakeSet(At("backup"), At("old/"), {{"z.txt", "zzzz"}}), std::string());
    Form().Session().OpenPieceFile(At("backup.pec"));
    QCOMPARE(Form().Session().List().SortMark(), 1);
  }
  // c.txt, a.txt and b.txt in src/, chosen in that order.
  void Add3() {
    WriteFile(At("src/c.txt"), "ccc");
    WriteFile(At("src/a.txt"), "a");
    WriteFile(At("src/b.txt"), "bb");
    Add({"src/c.txt", "src/a.txt", "src/b.txt"});
  }
  void Add(const QStringList& names) {
    QStringList paths;
    for (const QString& name : names) paths.append(QString::fromStdString(At(name.toStdString())));
    ui::modal::QueueFileName(paths.join('\n'));
    ActionNamed("ActionAdd")->trigger();
  }
  // Records the percentage of each step; at the step numbered at, runs act.
  QList<int> steps_;
  void WatchSteps(int at = -1, std::function<void()> act = nullptr) {
    steps_.clear();
    connect(&Form(), &ui::TMainForm::ProgressStepped, this, [this, at, act](int percent) {
      steps_.append(percent);
      if (steps_.size() == at && act) act();
    });
  }
  void PostKey(int key) {
    QCoreApplication::postEvent(List(), new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
  }
  void PostClick() {
    const QPointF at(5, 5);
    QCoreApplication::postEvent(
        List(), new QMouseEvent(QEvent::MouseButtonPress, at, List()->mapToGlobal(at),
                                Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
  }
  void CheckIdle() {
    QVERIFY(!Form().Session().Busy());
    QVERIFY(!QGuiApplication::overrideCursor());
    QVERIFY(!Form().findChild<QProgressBar*>("ProgressBar1")->isVisible());
    QVERIFY(ActionNamed("ActionFileOpen")->isEnabled());
  }

 private slots:
  void init() {
    dir_ = std::make_unique<TestFolder>();
    fx_ = std::make_unique<FormFixture>();
  }
  void cleanup() { fx_.reset(); }

  void theDialogsButtonReadsAddWhateverIsSelected() {
    OpenBackup();
    WriteFile(At("src/a.txt"), "a");
    std::filesystem::create_directories(At("src/sub"));
    Form().findChild<ui::TApOpenDialog*>("FileAddDialog")->InitialDir =
        QString::fromStdString(At("src"));
    Form().show();
    ui::modal::ShowFileDialogs(true);
    QStringList captions;
    WhenModalShows([&captions](QWidget* shown) {
      QVERIFY(QTest::qWaitForWindowExposed(shown));
      auto* dialog = qobject_cast<QFileDialog*>(shown);
      QPushButton* ok =
          shown->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Open);
      captions.append(ok->text());
      // A click on a folder in the list.
      auto* list = shown->findChild<QListView*>("listView");
      auto* model = qobject_cast<QFileSystemModel*>(list->model());
      const QModelIndex sub = model->index(dialog->directory().filePath(QStringLiteral("sub")));
      QTRY_VERIFY(list->visualRect(sub).isValid());
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(sub).center());
      captions.append(ok->text());
      QTest::keyClicks(shown->findChild<QLineEdit*>("fileNameEdit"), QStringLiteral("a.txt"));
      captions.append(ok->text());
      dialog->reject();
    });
    ActionNamed("ActionAdd")->trigger();
    ui::modal::ShowFileDialogs(false);
    QCOMPARE(captions, (QStringList{"&Add", "&Add", "&Add"}));
  }

  void threeFilesAreStoredInTheDialogsOrder() {
    OpenBackup();
    Form().show();
    WatchSteps();
    Add3();
    QCOMPARE(AskedMessages(), QStringList());
    QCOMPARE(ListRows(Form()), (QStringList{"z.txt|TXT type|4|", "c.txt|TXT type|3|",
                                            "a.txt|TXT type|1|", "b.txt|TXT type|2|"}));
    QCOMPARE(steps_, (QList<int>{33, 66, 100}));
    QCOMPARE(Form().Session().FileCount(), 4u);
    QCOMPARE(Form().Session().List().TotalBytes(), 10u);
    QCOMPARE(PanelText(Form(), 1), QStringLiteral("Total 4 files, 10 bytes"));
    QCOMPARE(Form().Session().List().SortMark(), 0);
    QCOMPARE(Form().Session().List().SortMark(), 0);
    QCOMPARE(Form().windowTitle(), QStringLiteral("backup-Dorvelin"));
    CheckIdle();
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
      QCOMPARE(Form().Session().CurrentSet()->Find("", name)->Folder, std::string());

    // A file of a stored name is skipped whatever its content: no row, no step.
    WriteFile(At("src2/a.txt"), "different");
    WatchSteps();
    Add({"src2/a.txt"});
    QCOMPARE(ListRows(Form()).size(), 4);
    QCOMPARE(steps_, QList<int>());
    QCOMPARE(Form().Session().FileCount(), 4u);
  }

  void breakingOffAsksAfterTheCurrentFile_data() {
    QTest::addColumn<bool>("click");
    QTest::addColumn<bool>("go_on");
    QTest::newRow("key, yes") << false << true;
    QTest::newRow("key, no") << false << false;
    QTest::newRow("click, no") << true << false;
  }
  void breakingOffAsksAfterTheCurrentFile() {
    QFETCH(bool, click);
    QFETCH(bool, go_on);
    OpenBackup();
    Form().show();
    bool refused_close = false;
    WatchSteps(1, [&] {
      click ? PostClick() : PostKey(Qt::Key_A);
      refused_close = !Form().close();
    });
    ui::modal::QueueAnswer(go_on);
    Add3();
    QVERIFY(refused_close);
    QCOMPARE(AskedMessages(), QStringList{"Warning: Adding interrupted, continue?"});
    QCOMPARE(ListRows(Form()).size(), go_on ? 4 : 2);
    QCOMPARE(Form().Session().FileCount(), go_on ? 4u : 2u);
    QCOMPARE(static_cast<int>(Form().Session().CurrentSet()->Files().size()), go_on ? 4 : 2);
    QCOMPARE(Form().windowTitle(), QStringLiteral("backup-Dorvelin"));
    CheckIdle();
  }

  void theEnterThatConfirmedTheDialogIsNoBreakOff() {
    OpenBackup();
    Form().show();
    PostKey(Qt::Key_Return);  // typed before the command began, still waiting
    Add3();
    QCOMPARE(AskedMessages(), QStringList());
    QCOMPARE(ListRows(Form()).size(), 4);
  }

  void aFailureShowsTheEnginesMessage() {
    FaultFileSystem fs(platform::RealFileSystem());
    fs.FailPath(FaultFileSystem::Op::kOpen, "unreadable.txt", EACCES);
    fx_ = std::make_unique<FormFixture>(std::vector<std::string>{}, fs);
    OpenBackup();
    WriteFile(At("src/a.txt"), "a");
    WriteFile(At("src/unreadable.txt"), "u");
    Add({"src/a.txt", "src/unreadable.txt"});
    QCOMPARE(ui::modal::DialogsShown(), QStringList{"ErrorDlg"});
    QStringList lines = Form().ErrorDlg()->Lines();
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines[0].startsWith("Can't open ") && lines[0].contains("unreadable.txt"),
             qPrintable(lines[0]));
    QCOMPARE(lines[1], QStringLiteral("The pieces may be corrupt."));
    // What was stored before stays, and the totals come from the set.
    QCOMPARE(ListRows(Form()).size(), 2);
    QCOMPARE(Form().Session().FileCount(), 2u);
    CheckIdle();
    // A file that is gone by the time the add looks is named, and the pieces are fine.
    Add({"src/missing.txt"});
    lines = Form().ErrorDlg()->Lines();
    QCOMPARE(lines, QStringList{"Can't open " + QString::fromStdString(At("src/missing.txt"))});
    fx_.reset();
  }

  void filesLeftOutAreOneLineEachAndThePiecesAreFine() {
    OpenBackup();
    WriteFile(At("src/a.txt"), "a");
    WriteFile(At("src/c:notes.txt"), "c");
    WriteFile(At("src/12:30.log"), "t");
    Add({"src/a.txt", "src/c:notes.txt", "src/12:30.log", "backup.pec"});
    QCOMPARE(ui::modal::DialogsShown(), QStringList{"ErrorDlg"});
    const QStringList lines = Form().ErrorDlg()->Lines();
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines[0].startsWith("Skipped ") && lines[0].contains("c:notes.txt"),
             qPrintable(lines[0]));
    QCOMPARE(lines[1], QString::fromStdString("Skipped " + At("backup.pec") +
                                              ": it is a file of the set itself (its header, a "
                                              "piece, or a file made from it)"));
    QCOMPARE(ListRows(Form()).size(), 3);  // z.txt, a.txt, 12:30.log
    CheckIdle();
  }

  void anExceptionInAStepStopsTheAddReachesTheCommandsGuardAndLosesNoEntry() {
    OpenBackup();
    Form().show();
    WatchSteps(1, [] { throw std::runtime_error("failure inside a step"); });
    bool thrown = false;
    try {
      Add3();
    } catch (const std::runtime_error&) {
      thrown = true;
    }
    QVERIFY(thrown);
    CheckIdle();
    QCOMPARE(Form().windowTitle(), QStringLiteral("backup-Dorvelin"));
    // The file stored before the failure is in the catalogue's order: adding the same files
    // again stores only those that were not.
    QCOMPARE(Form().Session().CurrentSet()->Files().size(), std::size_t{2});
    disconnect(&Form(), &ui::TMainForm::ProgressStepped, this, nullptr);
    Add3();
    std::vector<std::string> names;
    for (const StoredFile& file : Form().Session().CurrentSet()->Files())
      names.push_back(file.Name);
    QCOMPARE(names, (std::vector<std::string>{"a.txt", "b.txt", "c.txt", "z.txt"}));
    QVERIFY(Form().close());
  }

  void aSetInAFolderThatCannotBeWrittenIsOpenedForReading() {
    if (geteuid() == 0) QSKIP("the superuser writes into any folder");
    std::filesystem::create_directories(At("ro"));
    QCOMPARE(MakeSet(At("ro/backup"), At("old/"), {{"z.txt", "zzzz"}, {"y.txt", "yy"}}, 100),
             std::string());
    ::chmod(At("ro").c_str(), 0555);
    Form().Session().OpenPieceFile(At("ro/backup.pec"));
    ::chmod(At("ro").c_str(), 0755);
    QCOMPARE(ListRows(Form()).size(), 2);
    QCOMPARE(AskedMessages().size(), 1);
    QVERIFY2(AskedMessages()[0].startsWith("Information: ") &&
                 AskedMessages()[0].contains("reading only"),
             qPrintable(AskedMessages()[0]));
    QVERIFY(!ActionNamed("ActionAdd")->isEnabled());
    QVERIFY(ActionNamed("ActionAssemble")->isEnabled());
    QVERIFY(ActionNamed("ActionFileClose")->isEnabled());
  }

  void aSetOnAMediumThatCannotBeWrittenIsOpenedForReading() {
    std::filesystem::create_directories(At("ro"));
    QCOMPARE(MakeSet(At("ro/backup"), At("old/"), {{"z.txt", "zzzz"}, {"y.txt", "yy"}}, 100),
             std::string());
    FaultFileSystem fs(platform::RealFileSystem());
    fs.FailPath(FaultFileSystem::Op::kCreateUnique, "/ro/", EROFS);
    fx_ = std::make_unique<FormFixture>(std::vector<std::string>{}, fs);
    Form().Session().OpenPieceFile(At("ro/backup.pec"));
    QCOMPARE(ListRows(Form()).size(), 2);
    QCOMPARE(AskedMessages().size(), 1);
    QVERIFY2(AskedMessages()[0].contains("reading only"), qPrintable(AskedMessages()[0]));
    QVERIFY(!ActionNamed("ActionAdd")->isEnabled());
    QVERIFY(ActionNamed("ActionAssemble")->isEnabled());
    // It still assembles.
    ui::modal::QueueFileName(QString::fromStdString(At("out")));
    ui::modal::QueueAnswer(true);
    ActionNamed("ActionAssemble")->trigger();
    QCOMPARE(ReadFile(At("out/z.txt")), std::string("zzzz"));
    fx_.reset();
  }

  void aSetWhoseCatalogueCannotBeReadTakesNoFiles() {
    WriteFile(At("bad.pec"), "QBXR");
    WriteFile(At("bad1.pec"), "QBTM");
    Form().Session().OpenPieceFile(At("bad.pec"));
    if (!Form().Session().SetOpen()) QSKIP("the file is refused before opening");
    QVERIFY(!ActionNamed("ActionAdd")->isEnabled());
  }
};

}  // namespace vornalis::testing

QTEST_MAIN(vornalis::testing::MainFormAddTest)
#include "main_form_add_test.moc"
