// Assemble in the main window: every row while the window refuses to close, rows selected in the
// list, breaking off with a key, the order a click on a header leaves, and the folder dialog
// itself with its panel. Which rows, folders, questions and lines is the session's
// (tests/desktop).
#include <QAbstractItemView>
#include <QDialogButtonBox>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTreeView>
#include <QtTest>
#include <filesystem>

#include "platform/path.h"
#include "tests/ui/support/ui_test_support.h"
#include "ui/dialogs/assemble_dlg_ext_up.h"
#include "ui/dialogs/error_dlg.h"
#include "ui/dialogs/ext/ap_folder_dlg.h"
#include "ui/dialogs/modal_seam.h"

namespace vornalis::testing {

class MainFormAssembleTest : public QObject, protected FormTestState {
  Q_OBJECT

 private:
  QAbstractItemView* View() { return Form().findChild<QAbstractItemView*>("ListViewFiles"); }
  // A set of count files f0.txt ... (f<i>.txt holds i + 1 copies of its digit), one in sub\.
  void OpenSet(int count) {
    Sources sources;
    for (int i = 0; i < count; ++i) {
      const std::string name = "f" + std::to_string(i) + ".txt";
      sources.push_back({i == 1 ? "sub/" + name : name, std::string(i + 1, char('0' + i))});
    }
    QCOMPARE(MakeSet(At("set"), At("src/"), sources, 20), std::string());
    Form().Session().OpenPieceFile(At("set.pec"));
    QCOMPARE(ListRows(Form()).size(), count);
  }
  void SelectRows(const QList<int>& rows) {
    for (int row : rows)
      View()->selectionModel()->select(View()->model()->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  void AssembleInto(const std::string& folder) {
    ui::modal::QueueFileName(QString::fromStdString(folder));
    ActionNamed("ActionAssemble")->trigger();
  }
  std::string Out(const std::string& name) { return At("out/" + name); }
  QList<int> steps_;
  void WatchSteps(int at = -1, std::function<void()> act = nullptr) {
    steps_.clear();
    connect(&Form(), &ui::TMainForm::ProgressStepped, this, [this, at, act](int percent) {
      steps_.append(percent);
      if (steps_.size() == at && act) act();
    });
  }

 private slots:
  void init() {
    dir_ = std::make_unique<TestFolder>();
    fx_ = std::make_unique<FormFixture>();
    std::filesystem::create_directories(At("out"));
  }
  void cleanup() {
    ui::modal::ShowFileDialogs(false);
    fx_.reset();
  }

  void noSelectionAssemblesEveryRow() {
    OpenSet(4);
    Form().show();
    const QString caption = Form().windowTitle();
    bool refused_close = false;
    WatchSteps(1, [&] { refused_close = !Form().close(); });
    AssembleInto(At("out"));
    QVERIFY(refused_close);
    QCOMPARE(AskedMessages(), QStringList());
    QCOMPARE(steps_, (QList<int>{25, 50, 75, 100}));
    QCOMPARE(ReadFile(Out("f0.txt")), std::string("0"));
    QCOMPARE(ReadFile(Out("sub/f1.txt")), std::string("11"));
    QCOMPARE(ReadFile(Out("f3.txt")), std::string("3333"));
    QCOMPARE(Form().windowTitle(), caption);
    QCOMPARE(PanelText(Form(), 1), QStringLiteral("Total 4 files, 10 bytes"));
    QVERIFY(!Form().Session().Busy());
    // The panel keeps the folder for the next time.
    QCOMPARE(Form().AssembleDlgExtUp()->EditFolderName->text(), QString::fromStdString(At("out")));
  }

  void threeSelectedRowsOfTen() {
    OpenSet(10);
    SelectRows({0, 4, 7});
    WatchSteps();
    AssembleInto(At("out"));
    QCOMPARE(steps_, (QList<int>{33, 66, 100}));
    QStringList made;
    for (const std::string& name : ListFolder(At("out"))) made.append(QString::fromStdString(name));
    made.sort();
    QCOMPARE(made, (QStringList{"f0.txt", "f4.txt", "f7.txt"}));
  }

  void breakingOffWithNoStopsBeforeTheNextFile() {
    OpenSet(4);
    Form().show();
    WatchSteps(1, [this] {
      QCoreApplication::postEvent(View()->viewport(),
                                  new QKeyEvent(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier));
    });
    ui::modal::QueueAnswer(false);
    AssembleInto(At("out"));
    QCOMPARE(AskedMessages(), QStringList{"Warning: Assembling interrupted, continue?"});
    QCOMPARE(steps_, QList<int>{25});
    std::size_t made = 0;
    for (const std::string& name : ListFolder(At("out"))) made += name == "sub" ? 0 : 1;
    made += FileExists(Out("sub/f1.txt")) ? 1 : 0;
    QCOMPARE(made, 1u);
    QVERIFY(!Form().Session().Busy());
  }

  void rowsAreRebuiltInTheListsOrder() {
    OpenSet(6);
    Form().show();
    // The list opens sorted by name; a click on the header turns it round, against the order
    // the bytes lie in.
    auto* header = Form().findChild<QTreeView*>("ListViewFiles")->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
    QVERIFY(ListRows(Form()).first().startsWith(QStringLiteral("f5.txt|")));
    WatchSteps(2, [this] {
      QCoreApplication::postEvent(View()->viewport(),
                                  new QKeyEvent(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier));
    });
    ui::modal::QueueAnswer(false);
    AssembleInto(At("out"));
    QCOMPARE(steps_, (QList<int>{16, 33}));
    // Broken off before the third row: the two top rows are there, nothing else.
    QCOMPARE(ListFolder(At("out")), (std::vector<std::string>{"f4.txt", "f5.txt"}));
  }

  void theFolderDialogShowsThePanelAboveTheTree() {
    OpenSet(2);
    Form().show();
    ui::modal::ShowFileDialogs(true);
    struct {
      QString title, ok, text, label;
      bool panel_above = false, centred = false, kept_open = false;
      QString followed;
    } seen;
    WhenModalShows([&](QWidget* dialog) {
      QVERIFY(QTest::qWaitForWindowExposed(dialog));
      auto* panel = Form().AssembleDlgExtUp();
      auto* tree = dialog->findChild<QTreeView*>("TreeViewFolders");
      auto* box = dialog->findChild<QDialogButtonBox*>("buttonBox");
      seen.title = dialog->windowTitle();
      seen.ok = box->button(QDialogButtonBox::Ok)->text();
      seen.text = dialog->findChild<QLabel*>("labelText")->text();
      seen.label = panel->findChild<QLabel*>("LabelAssembleTo")->text();
      seen.panel_above = panel->parentWidget() == dialog && panel->isVisible() &&
                         panel->geometry().bottom() < tree->mapTo(dialog, QPoint(0, 0)).y();
      const QPoint centre = dialog->frameGeometry().center();
      const QPoint screen = dialog->screen()->geometry().center();
      seen.centred = (centre - screen).manhattanLength() <= 4;
      // Selecting a folder in the tree fills the panel's box.
      auto* model = qobject_cast<QFileSystemModel*>(tree->model());
      tree->setCurrentIndex(model->index(QString::fromStdString(At("out"))));
      seen.followed = panel->EditFolderName->text();
      // A missing folder, not to be made: the dialog stays.
      panel->EditFolderName->setText(QString::fromStdString(At("missing")));
      ui::modal::QueueAnswer(false);
      box->button(QDialogButtonBox::Ok)->click();
      seen.kept_open = dialog->isVisible();
      panel->EditFolderName->setText(QString::fromStdString(At("out")));
      box->button(QDialogButtonBox::Ok)->click();
    });
    ActionNamed("ActionAssemble")->trigger();
    QCOMPARE(seen.title, QStringLiteral("Choose Folder Dialog"));
    QCOMPARE(seen.ok, QStringLiteral("&Assemble"));
    QCOMPARE(seen.text, QStringLiteral("&Folders/drives:"));
    QCOMPARE(seen.label, QStringLiteral("A&ssemble to:"));
    QVERIFY(seen.panel_above);
    QVERIFY(seen.centred);
    QCOMPARE(seen.followed, QString::fromStdString(At("out")));
    QVERIFY(seen.kept_open);
    QVERIFY(!FileExists(At("missing")));
    QCOMPARE(ReadFile(Out("f0.txt")), std::string("0"));
    // The panel is the window's again, hidden, with its text.
    QCOMPARE(Form().AssembleDlgExtUp()->parentWidget(), &Form());
    QVERIFY(!Form().AssembleDlgExtUp()->isVisible());
  }

  void tabKeepsTheTypedFolderAndTheTreeOpensAtIt() {
    OpenSet(2);
    std::filesystem::create_directories(At("out/deep/er"));
    Form().show();
    ui::modal::ShowFileDialogs(true);
    // Nothing typed and nothing assembled yet: the tree opens at the set's folder.
    QString first_opened_at;
    WhenModalShows([&](QWidget* dialog) {
      auto* tree = dialog->findChild<QTreeView*>("TreeViewFolders");
      first_opened_at =
          qobject_cast<QFileSystemModel*>(tree->model())->filePath(tree->currentIndex());
      qobject_cast<QDialog*>(dialog)->reject();
    });
    ActionNamed("ActionAssemble")->trigger();
    QCOMPARE(first_opened_at + '/', QString::fromStdString(platform::FolderOf(At("set.pec"))));
    // A folder typed into the panel's box and taken is where the tree opens the next time.
    WhenModalShows([&](QWidget* dialog) {
      QVERIFY(QTest::qWaitForWindowExposed(dialog));
      Form().AssembleDlgExtUp()->EditFolderName->setText(QString::fromStdString(At("out/deep/er")));
      qobject_cast<QDialog*>(dialog)->accept();
    });
    ActionNamed("ActionAssemble")->trigger();
    struct {
      QString opened_at, focus_after_tab, focus_after_two_tabs, text_after_tab;
      bool expanded = false;
    } seen;
    WhenModalShows([&](QWidget* dialog) {
      QVERIFY(QTest::qWaitForWindowExposed(dialog));
      auto* tree = dialog->findChild<QTreeView*>("TreeViewFolders");
      auto* model = qobject_cast<QFileSystemModel*>(tree->model());
      QLineEdit* edit = Form().AssembleDlgExtUp()->EditFolderName;
      seen.opened_at = model->filePath(tree->currentIndex());
      seen.expanded = tree->isExpanded(model->index(QString::fromStdString(At("out/deep"))));
      // Typed, then Tab: the focus moves on, the text stays.
      edit->setFocus();
      edit->setText(QString::fromStdString(At("out")));
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      seen.focus_after_tab = QApplication::focusWidget()->objectName();
      seen.text_after_tab = edit->text();
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      auto* focused = qobject_cast<QPushButton*>(QApplication::focusWidget());
      seen.focus_after_two_tabs = focused ? focused->text() : QString();
      qobject_cast<QDialog*>(dialog)->accept();
    });
    ActionNamed("ActionAssemble")->trigger();
    QCOMPARE(seen.opened_at, QString::fromStdString(At("out/deep/er")));
    QVERIFY(seen.expanded);
    QCOMPARE(seen.focus_after_tab, QStringLiteral("TreeViewFolders"));
    QCOMPARE(seen.text_after_tab, QString::fromStdString(At("out")));
    QCOMPARE(seen.focus_after_two_tabs, QStringLiteral("&Assemble"));
    QCOMPARE(ReadFile(Out("f0.txt")), std::string("0"));
  }
};

}  // namespace vornalis::testing

QTEST_MAIN(vornalis::testing::MainFormAssembleTest)
#include "main_form_assemble_test.moc"
