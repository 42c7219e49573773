// The start-up add: the "/d" folders walked breadth first with hidden subfolders, the "/f"
// files after them, the source root that holds every named entry, cancelling the size dialog,
// the form after New, and one pass from list files to a set and back to the same bytes
// through the start-up assemble.
#include <sys/stat.h>

#include <QDialog>
#include <QtTest>
#include <filesystem>

#include "engine/source_walk.h"
#include "tests/ui/support/ui_test_support.h"
#include "ui/dialogs/error_dlg.h"
#include "ui/dialogs/modal_seam.h"

namespace vornalis::testing {

class StartUpAddTest : public QObject, protected FormTestState {
  Q_OBJECT

 private:
  // A list file with these paths below the test folder, one a line.
  std::string ListFile(const std::string& name, const std::vector<std::string>& relative) {
    std::string text;
    for (const std::string& path : relative) text += (path.empty() ? "" : At(path)) + "\r\n";
    WriteFile(At(name), text);
    return At(name);
  }
  void Start(const std::vector<std::string>& arguments) {
    fx_ = std::make_unique<FormFixture>(arguments);
    QCOMPARE(Form().Session().StartUp().StartMode, int(desktop::StartAddFiles));
    Form().Session().RunStartupJob();
  }
  // The stored entries as "folder|name", in catalogue order.
  QStringList Stored() {
    QStringList stored;
    for (const StoredFile& file : Form().Session().CurrentSet()->Files())
      stored.append(QString::fromStdString(file.Folder + "|" + file.Name));
    return stored;
  }

 private slots:
  void init() { dir_ = std::make_unique<TestFolder>(); }
  void cleanup() { fx_.reset(); }

  void foldersAreWalkedFirstThenTheFiles() {
    WriteFile(At("data/photos/a.jpg"), "a");
    WriteFile(At("data/photos/2000/b.jpg"), "bb");
    WriteFile(At("data/photos/2000/deep/c.jpg"), "ccc");
    WriteFile(At("data/photos/.hidden/h.jpg"), "hhhh");
    std::filesystem::create_directories(At("data/photos/empty"));
    WriteFile(At("data/x.txt"), "x");
    WriteFile(At("data/y.txt"), "yy");
    const std::string folders = ListFile("folders.lst", {"data/photos", ""});
    const std::string files = ListFile("files.lst", {"data/x.txt", "data/y.txt"});
    Start({At("pack.pec"), "/d", folders, "/f", files});
    QCOMPARE(AskedMessages(), QStringList());
    QCOMPARE(ui::modal::DialogsShown(), QStringList{"ChooseSize"});
    QVERIFY(!FileExists(folders));
    QVERIFY(!FileExists(files));
    QCOMPARE(Form().Session().CurrentSet()->BasePath(), At("pack"));
    QCOMPARE(Form().Session().CurrentSet()->SourceRoot(), At("data/"));

    QStringList rows = ListRows(Form());
    QCOMPARE(rows.size(), 6);
    // Breadth first: photos, then its subfolders in the order listed, then deeper; the files
    // of the "/f" list last, with an empty folder.
    QCOMPARE(rows[0], QStringLiteral("a.jpg|JPG type|1|photos\\"));
    QCOMPARE(QStringList(rows.mid(1, 2)).join(",").contains("b.jpg|JPG type|2|photos\\2000\\"),
             true);
    QCOMPARE(QStringList(rows.mid(1, 2)).join(",").contains("h.jpg|JPG type|4|photos\\.hidden\\"),
             true);
    QCOMPARE(rows[3], QStringLiteral("c.jpg|JPG type|3|photos\\2000\\deep\\"));
    QCOMPARE(rows.mid(4), (QStringList{"x.txt|TXT type|1|", "y.txt|TXT type|2|"}));
    QCOMPARE(Form().Session().FileCount(), 6u);
    QCOMPARE(PanelText(Form(), 1), QStringLiteral("Total 6 files, 13 bytes"));
    QCOMPARE(Form().windowTitle(), QStringLiteral("pack-Dorvelin"));
    QCOMPARE(Form().Session().List().SortMark(), 0);
    // The walked subfolders joined the queue.
    QCOMPARE(Form().Session().StartUp().FoldersToAdd.size(), 5u);
    QVERIFY(!Form().Session().Busy());
  }

  void entriesFromOtherFoldersKeepTheirTrueFolders() {
    WriteFile(At("data/a/x.txt"), "x");
    WriteFile(At("data/b/x.txt"), "xx");
    WriteFile(At("data/c/z.txt"), "z");
    const std::string files = ListFile("files.lst", {"data/a/x.txt", "data/b/x.txt"});
    const std::string folders = ListFile("folders.lst", {"data/c"});
    Start({At("pack.pec"), "/f", files, "/d", folders});
    QCOMPARE(Stored(), (QStringList{"a\\|x.txt", "b\\|x.txt", "c\\|z.txt"}));
    QCOMPARE(QString::fromStdString(CommonSourceRoot({"/d/a/x", "/d/ab/y"})), "/d/");
    QCOMPARE(QString::fromStdString(CommonSourceRoot({"/d/a/x"})), "/d/a/");
  }

  void aFifoInAFolderIsNamedAndTheOtherFilesAreStored() {
    WriteFile(At("data/a.txt"), "a");
    WriteFile(At("data/b.txt"), "b");
    QCOMPARE(mkfifo(At("data/pipe").c_str(), 0644), 0);
    const std::string folders = ListFile("folders.lst", {"data"});
    Start({At("pack.pec"), "/d", folders});
    QCOMPARE(Stored(), (QStringList{"data\\|a.txt", "data\\|b.txt"}));
    QCOMPARE(Form().ErrorDlg()->Lines(),
             QStringList{"Skipped " + QString::fromStdString(At("data/pipe")) +
                         ": it is not a regular file (a FIFO, socket or device)"});
  }

  void cancellingTheSizeDialogMakesNoSet() {
    WriteFile(At("data/x.txt"), "x");
    const std::string files = ListFile("files.lst", {"data/x.txt"});
    fx_ = std::make_unique<FormFixture>(std::vector<std::string>{At("pack.pec"), "/f", files});
    ui::modal::QueueDialogResult(QDialog::Rejected);
    Form().Session().RunStartupJob();
    QVERIFY(!Form().Session().SetOpen());
    QVERIFY(!Form().Session().CurrentSet());
    QCOMPARE(ListRows(Form()), QStringList());
    QVERIFY(!FileExists(At("pack.pec")));
    QVERIFY(!Form().Session().Busy());
    QVERIFY(Form().findChild<QAction*>("ActionFileNew")->isEnabled());
  }

  void withoutAPieceFileNewAsksForTheSet() {
    WriteFile(At("data/x.txt"), "xyz");
    const std::string files = ListFile("files.lst", {"data/x.txt"});
    fx_ = std::make_unique<FormFixture>(std::vector<std::string>{"/f", files});
    ui::modal::QueueFileName(QString::fromStdString(At("made.pec")));
    Form().Session().RunStartupJob();
    QCOMPARE(ui::modal::DialogsShown(), QStringList());
    QCOMPARE(ListRows(Form()), QStringList{"x.txt|TXT type|3|"});
    QCOMPARE(Form().Session().CurrentSet()->BasePath(), At("made"));
  }

  void anExistingSetIsReplacedOnlyAfterAsking() {
    QCOMPARE(MakeSet(At("pack"), At("old/"), {{"keep.txt", "keep"}}), std::string());
    WriteFile(At("data/x.txt"), "x");
    const std::string files = ListFile("files.lst", {"data/x.txt"});
    Start({At("pack.pec"), "/f", files});
    QCOMPARE(AskedMessages(),
             QStringList{"Warning: pack.pec already exists.\nDo you want to replace it?"});
    QVERIFY(!Form().Session().SetOpen());
  }

  void packedTreeComesBackByteForByte() {
    const std::vector<std::pair<std::string, std::string>> tree = {
        {"tree/big.bin", std::string(450000, 'b') + "end"},
        {"tree/sub/one.txt", "one"},
        {"tree/sub/deeper/two.txt", std::string(5000, '2')},
        {"tree/.dot/three", "3"},
        {"tree/empty.txt", ""},
        {"loose.txt", "loose"},
    };
    for (const auto& [path, content] : tree) WriteFile(At("src/" + path), content);
    const std::string folders = ListFile("folders.lst", {"src/tree"});
    const std::string files = ListFile("files.lst", {"src/loose.txt"});
    std::filesystem::create_directories(At("set"));
    Start({At("set/pack.pec"), "/d", folders, "/f", files});
    QCOMPARE(AskedMessages(), QStringList());
    QCOMPARE(ui::modal::DialogsShown(), QStringList{"ChooseSize"});
    QCOMPARE(Form().Session().FileCount(), 6u);
    fx_.reset();  // closing writes the catalogue

    fx_ = std::make_unique<FormFixture>(
        std::vector<std::string>{At("set/pack.pec"), "/e", At("out")});
    Form().Session().RunStartupJob();
    QCOMPARE(AskedMessages(), QStringList());
    for (const auto& [path, content] : tree)
      QVERIFY2(ReadFile(At("out/" + path)) == content, path.c_str());
  }
};

}  // namespace vornalis::testing

QTEST_MAIN(vornalis::testing::StartUpAddTest)
#include "main_form_start_up_add_test.moc"
