// The window's request to end the program (the desktop session's end) while a set is open: it
// stops an add, keeps what it stored and closes the set, and it cancels a dialog that waits.
// What each storing command leaves on disk is the session's (tests/desktop).
#include <QTimer>
#include <QtTest>

#include "engine/verify.h"
#include "tests/ui/support/ui_test_support.h"
#include "ui/dialogs/modal_seam.h"

namespace vornalis::testing {

class MainFormStoreTest : public QObject, protected FormTestState {
  Q_OBJECT

 private:
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

 private slots:
  void init() {
    dir_ = std::make_unique<TestFolder>();
    fx_ = std::make_unique<FormFixture>();
  }
  void cleanup() { fx_.reset(); }

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
