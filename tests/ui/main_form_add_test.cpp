// Add in the main window: the dialog's button, breaking off with a key or a click, the Enter
// that confirmed the dialog, the error list of names left out, and an exception that escapes the
// window's progress signal. What Add stores and tells is the session's (tests/desktop).
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
#include <filesystem>
#include <stdexcept>

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
    QVERIFY((Form().Session().List().SortMark() ==
             desktop::FileList::Mark{desktop::FileList::kName, false}));
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
};

}  // namespace vornalis::testing

QTEST_MAIN(vornalis::testing::MainFormAddTest)
#include "main_form_add_test.moc"
