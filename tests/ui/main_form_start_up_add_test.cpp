// The start-up add in the window: the piece-size dialog cancelled makes no set and leaves New
// available. What the start-up jobs store and rebuild is the session's (tests/desktop).
#include <QDialog>
#include <QtTest>

#include "tests/ui/support/ui_test_support.h"
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

 private slots:
  void init() { dir_ = std::make_unique<TestFolder>(); }
  void cleanup() { fx_.reset(); }

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
};

}  // namespace vornalis::testing

QTEST_MAIN(vornalis::testing::StartUpAddTest)
#include "main_form_start_up_add_test.moc"
