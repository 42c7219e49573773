// What the commands that store files leave on disk while the set stays open: each of them (Add,
// Add Folder, a drop, the start-up add) commits the set; the same paths through a drop, Add and
// Add Folder give the same catalogue, the set's own files among them moving nothing; a commit
// that fails shows the set as it lies on disk; and a request to end the program stops an add,
// keeps what it stored and closes the set.
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <QtTest>
#include <algorithm>
#include <cerrno>

#include "desktop/set_storing.h"
#include "engine/verify.h"
#include "tests/support/fault_file_system.h"
#include "tests/ui/support/ui_test_support.h"
#include "ui/dialogs/error_dlg.h"
#include "ui/dialogs/modal_seam.h"

namespace vornalis::testing {

class MainFormStoreTest : public QObject, protected FormTestState {
  Q_OBJECT

 private:
  FaultFileSystem faults_{platform::RealFileSystem()};  // outlives every window
  // The set at base as a reader finds it: "folder|name" of each stored file, sorted; every
  // piece sound.
  QStringList OnDisk(const std::string& base) {
    PieceSet reader(base, SetAccess::kReadOnly);
    if (!reader.LastError().empty()) return {QString::fromStdString(reader.LastError())};
    if (!VerifySet(reader).ok()) return {QStringLiteral("damaged")};
    QStringList stored;
    for (const StoredFile& file : reader.Files())
      stored.append(QString::fromStdString(file.Folder + "|" + file.Name));
    stored.sort();
    return stored;
  }
  // The window's rows the same way.
  QStringList Shown() {
    QStringList shown;
    for (const QString& row : ListRows(Form()))
      shown.append(row.section('|', 3, 3) + "|" + row.section('|', 0, 0));
    shown.sort();
    return shown;
  }
  void Open(const std::string& name) {
    QCOMPARE(MakeSet(At(name), At("old/"), {{"z.txt", "zzzz"}}), std::string());
    Form().Session().OpenPieceFile(At(name + ".pec"));
    QVERIFY(Form().Session().SetOpen());
  }
  void Add(const std::vector<std::string>& names) {
    QStringList paths;
    for (const std::string& name : names) paths.append(QString::fromStdString(At(name)));
    ui::modal::QueueFileName(paths.join('\n'));
    ActionNamed("ActionAdd")->trigger();
  }
  void AddFolder(const std::string& name) {
    ui::modal::QueueFileName(QString::fromStdString(At(name)));
    ActionNamed("ActionAddFolder")->trigger();
  }
  void Drop(const std::vector<std::string>& names) {
    QMimeData data;
    QList<QUrl> urls;
    for (const std::string& name : names)
      urls.append(QUrl::fromLocalFile(QString::fromStdString(At(name))));
    data.setUrls(urls);
    auto* list = Form().findChild<QTreeView*>("ListViewFiles");
    const QPoint at = list->viewport()->mapTo(&Form(), QPoint(10, 10));
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&Form(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&Form(), &drop);
    QCoreApplication::processEvents();  // the add starts once the drop is over
  }

 private slots:
  void init() {
    dir_ = std::make_unique<TestFolder>();
    fx_ = std::make_unique<FormFixture>();
    WriteFile(At("src/a.txt"), "a");
    WriteFile(At("src/b.txt"), PatternBytes(70000, 2));
    WriteFile(At("src/dir/c.txt"), "ccc");
  }
  void cleanup() {
    fx_.reset();
    faults_.Reset();
  }

  void eachStoringCommandLeavesWhatTheWindowShowsOnDisk_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("stored");
    QTest::newRow("Add") << "Add" << QStringList{"|a.txt", "|b.txt", "|z.txt"};
    QTest::newRow("Add Folder") << "Add Folder" << QStringList{"dir\\|c.txt", "|z.txt"};
    QTest::newRow("drop") << "drop" << QStringList{"dir\\|c.txt", "|a.txt", "|z.txt"};
    QTest::newRow("start-up /f") << "start-up /f" << QStringList{"|a.txt", "|b.txt"};
  }
  void eachStoringCommandLeavesWhatTheWindowShowsOnDisk() {
    QFETCH(QString, command);
    QFETCH(QStringList, stored);
    std::string base = At("backup");
    if (command == "start-up /f") {
      WriteFile(At("files.lst"), At("src/a.txt") + "\n" + At("src/b.txt") + "\n");
      base = At("made");
      fx_ = std::make_unique<FormFixture>(
          std::vector<std::string>{base + ".pec", "/f", At("files.lst")});
      Form().Session().RunStartupJob();
    } else {
      Open("backup");
      if (command == "Add") Add({"src/a.txt", "src/b.txt"});
      if (command == "Add Folder") AddFolder("src/dir");
      if (command == "drop") Drop({"src/dir", "src/a.txt"});
    }
    QCOMPARE(Shown(), stored);
    // On disk while the window still holds the set open, which may take more.
    QCOMPARE(OnDisk(base), stored);
    QVERIFY(Form().Session().SetOpen());
    QVERIFY(Form().Session().CurrentSet()->CanStore());
    QVERIFY(!PieceSet(base).CanStore());  // the window is still the set's one writer
  }

  void oneLayoutForOneAction_data() {
    QTest::addColumn<QStringList>("dropped");  // "own" stands for the set's own header
    QTest::addColumn<QStringList>("folders");  // given to Add Folder, one by one
    QTest::addColumn<QStringList>("files");    // given to Add, together
    QTest::addColumn<QStringList>("stored");
    QTest::newRow("a folder") << QStringList{"data/nodejs"} << QStringList{"data/nodejs"}
                              << QStringList{}
                              << QStringList{"nodejs\\lib\\|b.js", "nodejs\\|a.js", "|z.txt"};
    QTest::newRow("files") << QStringList{"data/x.txt", "data/y.txt"} << QStringList{}
                           << QStringList{"data/x.txt", "data/y.txt"}
                           << QStringList{"|x.txt", "|y.txt", "|z.txt"};
    QTest::newRow("a folder, files and the set's own header")
        << QStringList{"data/nodejs", "data/x.txt", "own", "data/y.txt"}
        << QStringList{"data/nodejs"} << QStringList{"data/x.txt", "data/y.txt"}
        << QStringList{"nodejs\\lib\\|b.js", "nodejs\\|a.js", "|x.txt", "|y.txt", "|z.txt"};
  }
  void oneLayoutForOneAction() {
    QFETCH(QStringList, dropped);
    QFETCH(QStringList, folders);
    QFETCH(QStringList, files);
    QFETCH(QStringList, stored);
    WriteFile(At("data/nodejs/a.js"), "a");
    WriteFile(At("data/nodejs/lib/b.js"), "bb");
    WriteFile(At("data/x.txt"), "x");
    WriteFile(At("data/y.txt"), "yy");
    // The sets lie above the folder the paths share, so their own header would move it.
    Open("dropped");
    std::vector<std::string> drop;
    for (const QString& path : dropped)
      drop.push_back(path == "own" ? "dropped.pec" : path.toStdString());
    Drop(drop);
    QCOMPARE(OnDisk(At("dropped")), stored);
    // The set's own header is left out, as the CLI leaves it out: no failure, so no error list.
    QVERIFY2(Form().ErrorDlg()->Lines().isEmpty(),
             qPrintable(Form().ErrorDlg()->Lines().join('\n')));

    Open("added");
    for (const QString& folder : folders) AddFolder(folder.toStdString());
    std::vector<std::string> names;
    for (const QString& file : files) names.push_back(file.toStdString());
    if (!names.empty()) Add(names);
    QCOMPARE(OnDisk(At("added")), stored);
  }

  void aCommitThatFailsShowsTheSetAsItLiesOnDisk() {
    FaultFileSystem& faults = faults_;
    fx_ = std::make_unique<FormFixture>(std::vector<std::string>{}, faults);
    Open("backup");
    faults.FailPath(FaultFileSystem::Op::kRename, "backup.pec", EACCES);
    Add({"src/a.txt"});
    const QStringList lines = Form().ErrorDlg()->Lines();
    QVERIFY2(lines.size() == 2 && lines[0].contains("backup.pec") &&
                 lines[1] == QString::fromLatin1(desktop::kStoredNotKept.data()),
             qPrintable(lines.join('\n')));
    // The window lists what the set holds on disk, and the set takes files again.
    QCOMPARE(Shown(), QStringList{"|z.txt"});
    QCOMPARE(OnDisk(At("backup")), QStringList{"|z.txt"});
    QCOMPARE(Form().Session().FileCount(), 1u);
    QVERIFY(Form().Session().SetOpen());
    faults.Reset();
    Add({"src/a.txt"});
    QCOMPARE(OnDisk(At("backup")), (QStringList{"|a.txt", "|z.txt"}));
  }

  void aRequestToEndStopsAnAddAndKeepsWhatItStored() {
    Open("backup");
    // Files too large to be gathered, so the window hears of each as it is written.
    std::vector<std::string> big;
    for (int i = 0; i < 5; ++i) {
      big.push_back(At("big/" + std::to_string(i) + ".bin"));
      WriteFile(big.back(), PatternBytes(100000, static_cast<std::uint32_t>(i)));
    }
    int steps = 0;
    connect(&Form(), &ui::TMainForm::ProgressStepped, this, [&](int) {
      if (++steps == 2) Form().EndSession();
    });
    QTimer::singleShot(0, this, [&] { Form().Session().AddPaths(big); });
    QCoreApplication::exec();  // until the request ends it
    QCOMPARE(Shown(), (QStringList{"|0.bin", "|1.bin", "|z.txt"}));
    QCOMPARE(OnDisk(At("backup")), Shown());
    QCOMPARE(Form().CloseAtEnd(), std::string());
    QVERIFY(!FileExists(At("backup.pec.lock")));
    QVERIFY(!Form().Session().SetOpen());
  }

  void aRequestToEndWhileADialogWaitsCancelsIt() {
    Open("backup");
    ui::modal::ShowFileDialogs(true);
    WhenModalShows([this](QWidget*) { Form().EndSession(); });
    QTimer::singleShot(0, this, [this] { ActionNamed("ActionAdd")->trigger(); });
    QCoreApplication::exec();
    QCOMPARE(Shown(), QStringList{"|z.txt"});
    QCOMPARE(Form().CloseAtEnd(), std::string());
    QCOMPARE(OnDisk(At("backup")), QStringList{"|z.txt"});
  }
};

}  // namespace vornalis::testing

QTEST_MAIN(vornalis::testing::MainFormStoreTest)
#include "main_form_store_test.moc"
