// The main window itself: its commands, menus and toolbar, which commands are enabled, the
// start-up job, the busy display of long commands and closing.
#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

#include "desktop/busy_period.h"

#include "tests/ui/support/ui_test_support.h"
#include "ui/dialogs/modal_seam.h"
#include "ui/widgets/friendly_status_bar.h"

namespace vornalis::testing {

class MainFormWindowTest : public QObject, protected FormTestState {
  Q_OBJECT

 private:
  QMenu* Menu(const char* name) { return Form().findChild<QMenu*>(QString::fromLatin1(name)); }
  QProgressBar* Bar() { return Form().findChild<QProgressBar*>(QStringLiteral("ProgressBar1")); }
  QWidget* SpeedBar() { return Form().findChild<QToolBar*>(QStringLiteral("SpeedBar")); }
  void ShowForm() {
    Form().show();
    QVERIFY(QTest::qWaitForWindowExposed(&Form()));
  }
  void OpenBackup() {
    QCOMPARE(MakeSet(At("backup"), At("src/"), {{"a.txt", "aaa"}, {"b.txt", "bb"}}), std::string());
    Form().Session().OpenPieceFile(At("backup.pec"));
  }
  QStringList EnabledActions() {
    QStringList names;
    // The window's own commands; its panels have actions of their own.
    for (QAction* action : Form().actions())
      if (!action->objectName().isEmpty() && action->isEnabled())
        names.append(action->objectName());
    names.sort();
    return names;
  }

 private slots:
  void init() {
    dir_ = std::make_unique<TestFolder>();
    fx_ = std::make_unique<FormFixture>();
  }
  void cleanup() { fx_.reset(); }

  void commands_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QKeySequence>("shortcut");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<bool>("needsSet");
    QTest::newRow("New") << "ActionFileNew"
                         << "&New" << QKeySequence("Ctrl+N") << "" << false;
    QTest::newRow("Open") << "ActionFileOpen"
                          << "&Open" << QKeySequence("Ctrl+O") << "" << false;
    QTest::newRow("Close") << "ActionFileClose"
                           << "&Close" << QKeySequence("Ctrl+C") << "" << true;
    QTest::newRow("Exit") << "ActionFileExit"
                          << "E&xit" << QKeySequence() << "Exit this application" << false;
    QTest::newRow("Add") << "ActionAdd"
                         << "&Add" << QKeySequence("Ctrl+A") << "" << true;
    QTest::newRow("Add Folder") << "ActionAddFolder"
                                << "Add &Folder..." << QKeySequence()
                                << "Add a folder with everything in it" << true;
    QTest::newRow("Select All") << "ActionSelectAll"
                                << "Select &All" << QKeySequence("Ctrl+Shift+A") << "" << true;
    QTest::newRow("Assemble") << "ActionAssemble"
                              << "A&ssemble" << QKeySequence("Ctrl+S") << "" << true;
    QTest::newRow("Make .EXE") << "ActionMakeExe"
                               << "&Make .EXE" << QKeySequence() << "" << true;
    QTest::newRow("Verify") << "ActionVerify"
                            << "&Verify" << QKeySequence() << "" << true;
    QTest::newRow("Protect") << "ActionProtect"
                             << "&Protect..." << QKeySequence() << "" << true;
    QTest::newRow("Repair") << "ActionRepair"
                            << "&Repair" << QKeySequence() << "" << true;
    QTest::newRow("Help") << "ActionHelpContents"
                          << "&Contents && Index" << QKeySequence("F1")
                          << "Display the help contents screen" << false;
    QTest::newRow("How to use") << "ActionHelpHowToUse"
                                << "&How to Use Help" << QKeySequence()
                                << "Help on using the help system" << false;
    QTest::newRow("About") << "ActionHelpAbout"
                           << "&About..." << QKeySequence() << "Show program information" << false;
  }

  void commands() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QKeySequence, shortcut);
    QFETCH(QString, hint);
    QFETCH(bool, needsSet);
    QAction* action = ActionNamed(name);
    QVERIFY(action);
    QCOMPARE(action->text(), text);
    QCOMPARE(action->shortcut(), shortcut);
    if (!hint.isEmpty()) QCOMPARE(action->statusTip(), hint);
    QCOMPARE(action->isEnabled(), !needsSet);
    OpenBackup();
    QVERIFY(action->isEnabled());
  }

  void menusAndToolbar() {
    QCOMPARE(Form().windowTitle(), QStringLiteral("Dorvelin"));
    QStringList menus;
    for (QAction* action : Form().menuBar()->actions()) menus.append(action->text());
    QCOMPARE(menus, (QStringList{"&File", "&Action", "&Help"}));
    auto items = [](QMenu* menu) {
      QStringList names;
      for (QAction* action : menu->actions())
        names.append(action->isSeparator() ? QStringLiteral("-") : action->objectName());
      return names;
    };
    QCOMPARE(items(Menu("FileMenu")), (QStringList{"ActionFileNew", "ActionFileOpen",
                                                   "ActionFileClose", "-", "ActionFileExit"}));
    QCOMPARE(items(Menu("Action1")),
             (QStringList{"ActionAdd", "ActionAddFolder", "ActionAssemble", "ActionMakeExe",
                          "ActionVerify", "ActionProtect", "ActionRepair"}));
    QCOMPARE(items(Menu("HelpMenu")),
             (QStringList{"ActionHelpContents", "ActionHelpHowToUse", "-", "ActionHelpAbout"}));

    QStringList captions;
    for (QToolButton* button : SpeedBar()->findChildren<QToolButton*>()) {
      if (button->objectName().startsWith(QStringLiteral("SpeedButton"))) {
        captions.append(button->text());
        QCOMPARE(button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
      }
    }
    QCOMPARE(captions, (QStringList{"New", "Open", "Add", "Assemble", "Close", "Help"}));
    auto* help = SpeedBar()->findChild<QToolButton*>(QStringLiteral("SpeedButtonHelp"));
    QCOMPARE(help->toolTip(), QStringLiteral("Help Contents"));
  }

  void hintsGoToTheSimpleTextOnly() {
    ShowForm();
    ActionNamed(QStringLiteral("ActionFileExit"))->showStatusText(&Form());
    auto* line = Form().findChild<ui::TFriendlyStatusBar*>(QStringLiteral("StatusLine"));
    QCOMPARE(line->SimpleText(), QStringLiteral("Exit this application"));
    QTRY_COMPARE(line->PanelText(0), QStringLiteral("Selected 0 files, 0 bytes"));
  }

  void startupJobRunsOnceAfterTheFirstPaint() {
    fx_ = std::make_unique<FormFixture>(std::vector<std::string>{At("gone.pec")});
    QCOMPARE(PanelText(Form(), 0), QStringLiteral("Ready"));
    QVERIFY(!Bar()->isVisible());
    ShowForm();
    QTRY_COMPARE(AskedMessages(),
                 QStringList{"Error: Can't open " + QString::fromStdString(At("gone.pec"))});
    for (int i = 0; i < 3; ++i) {
      Form().repaint();
      QCoreApplication::processEvents();
    }
    QCOMPARE(AskedMessages().size(), 1);
    QCOMPARE(PanelText(Form(), 0), QStringLiteral("Selected 0 files, 0 bytes"));
    QCOMPARE(PanelText(Form(), 1), QStringLiteral("Total 0 files, 0 bytes"));
  }

  void startupOpenListsTheSet() {
    QCOMPARE(MakeSet(At("backup"), At("src/"), {{"a.txt", std::string(2048, 'a')}}, 1024),
             std::string());
    fx_ = std::make_unique<FormFixture>(std::vector<std::string>{At("backup1.pec")});
    QCOMPARE(Form().Session().StartUp().StartMode, int(desktop::StartOpen));
    ShowForm();
    QTRY_VERIFY(Form().Session().SetOpen());
    QCOMPARE(PanelText(Form(), 1), QStringLiteral("Total 1 files, 2 KB"));
    QCOMPARE(Form().windowTitle(), QStringLiteral("backup-Dorvelin"));
  }

  void busyDisplayTurnsCommandsOffAndBack() {
    OpenBackup();
    ShowForm();
    const QStringList enabled = EnabledActions();
    const QString caption = Form().windowTitle();
    {
      desktop::BusyPeriod busy(Form().Session());
      Form().BeginProgress();
      QVERIFY(Bar()->isVisible());
      QCOMPARE(Bar()->geometry(), QRect(0, 2, 199, 24));
      QVERIFY(QGuiApplication::overrideCursor());
      QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
      QVERIFY(!SpeedBar()->isEnabled());
      for (const char* menu : {"FileMenu", "Action1", "HelpMenu"})
        QVERIFY2(!Menu(menu)->menuAction()->isEnabled(), menu);
      QCOMPARE(EnabledActions(), QStringList());
      Form().StepProgress(7);
      QCOMPARE(Bar()->value(), 7);
      Form().EndProgress();
      QVERIFY(!Bar()->isVisible());
      QVERIFY(!QGuiApplication::overrideCursor());
      // The commands stay off until the command is no longer busy (its error list may follow).
      QCOMPARE(EnabledActions(), QStringList());
    }
    QVERIFY(SpeedBar()->isEnabled());
    for (const char* menu : {"FileMenu", "Action1", "HelpMenu"})
      QVERIFY2(Menu(menu)->menuAction()->isEnabled(), menu);
    QCOMPARE(EnabledActions(), enabled);
    QCOMPARE(Form().windowTitle(), caption);
  }

  void progressBarKeepsItsPlaceWhenTheWindowResizes() {
    ShowForm();
    Form().BeginProgress();
    Form().resize(700, 400);
    QCoreApplication::processEvents();
    auto* line = Form().findChild<ui::TFriendlyStatusBar*>(QStringLiteral("StatusLine"));
    QCOMPARE(Bar()->geometry(), QRect(0, 2, 199, 24));
    QCOMPARE(line->PanelRect(1).right(), line->width() - 1);
    QCOMPARE(line->PanelRect(0).width(), 200);
    Form().EndProgress();
  }

  void closingIsRefusedWhileBusy() {
    OpenBackup();
    ShowForm();
    {
      desktop::BusyPeriod busy(Form().Session());
      QVERIFY(!Form().close());
      QVERIFY(Form().isVisible());
      QVERIFY(Form().Session().SetOpen());
    }
    ActionNamed(QStringLiteral("ActionFileExit"))->trigger();
    QVERIFY(!Form().isVisible());
    QVERIFY(!Form().Session().CurrentSet());
  }

  void speedButtonsLeaveTheFocusToTheList() {
    ShowForm();
    QWidget* list = Form().findChild<QWidget*>(QStringLiteral("ListViewFiles"));
    QTRY_COMPARE(QApplication::focusWidget(), list);
    for (QToolButton* button : SpeedBar()->findChildren<QToolButton*>())
      QCOMPARE(button->focusPolicy(), Qt::NoFocus);
    QVERIFY(!Form().windowIcon().isNull());
  }

  void lastColumnReachesTheListsEdge() {
    ShowForm();
    auto* list = Form().findChild<QTreeView*>(QStringLiteral("ListViewFiles"));
    QHeaderView* header = list->header();
    QCOMPARE(header->sectionSize(0), 96);
    QVERIFY(header->stretchLastSection());
    Form().resize(700, 400);
    QTRY_COMPARE(header->sectionViewportPosition(3) + header->sectionSize(3),
                 list->viewport()->width());
    for (int column = 0; column < 4; ++column)
      QCOMPARE(header->sectionResizeMode(column), QHeaderView::Interactive);
  }

  void nothingIsKeptForTheNextRun() {
    ShowForm();
    const QSize designed = Form().size();
    Form().resize(640, 420);
    QCoreApplication::processEvents();
    Form().close();
    fx_ = std::make_unique<FormFixture>();
    QCOMPARE(Form().size(), designed);
    // No settings file was written: the program reads and writes none.
    QCOMPARE(QDir(SettingsFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList());
  }

  void shortcutsReachTheCommandsFromTheList() {
    OpenBackup();
    ShowForm();
    QWidget* list = Form().findChild<QWidget*>(QStringLiteral("ListViewFiles"));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    QVERIFY(!Form().Session().SetOpen());
  }
};

}  // namespace vornalis::testing

QTEST_MAIN(vornalis::testing::MainFormWindowTest)
#include "main_form_window_test.moc"
