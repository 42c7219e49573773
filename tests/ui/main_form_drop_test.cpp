// Ways into the open set beyond the Add dialog: files and folders dropped on the window, Add
// Folder, and the list's context menu with Select All; and a column sized to its content.
#include <QAction>
#include <QDropEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QTreeView>
#include <QUrl>
#include <QtTest>
#include <filesystem>

#include "tests/ui/support/ui_test_support.h"
#include "ui/dialogs/error_dlg.h"
#include "ui/dialogs/modal_seam.h"

namespace vornalis::testing {

class MainFormDropTest : public QObject, protected FormTestState {
  Q_OBJECT

 private:
  QTreeView* List() { return Form().findChild<QTreeView*>("ListViewFiles"); }
  // Drags paths onto the window and drops them there; true when the window took the drag.
  bool Drop(const std::vector<std::string>& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const std::string& path : paths)
      urls.append(QUrl::fromLocalFile(QString::fromStdString(path)));
    data.setUrls(urls);
    const QPoint at = List()->viewport()->mapTo(&Form(), QPoint(10, 10));
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&Form(), &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&Form(), &drop);
    QCoreApplication::processEvents();  // the add starts once the drop is over
    return drop.isAccepted();
  }
  QStringList Names() {
    QStringList names;
    for (const QString& row : ListRows(Form()))
      names.append(row.section('|', 3, 3) + row.section('|', 0, 0));
    return names;
  }

 private slots:
  void init() {
    dir_ = std::make_unique<TestFolder>();
    fx_ = std::make_unique<FormFixture>();
  }
  void cleanup() { fx_.reset(); }

  void filesAndFoldersDroppedAreStoredAndASetsOwnFileIsLeftOut() {
    QCOMPARE(MakeSet(At("backup"), At("old/"), {{"z.txt", "zzzz"}}), std::string());
    WriteFile(At("drop/a.txt"), "a");
    WriteFile(At("drop/deep/b\x1b[2J\n.txt"), "bb");  // shown escaped, as one row
    std::filesystem::create_symlink(At("gone"), At("drop/deep/nowhere"));
    WriteFile(At("c.txt"), "ccc");
    Form().show();
    // No set open: a dropped piece file opens its set; other files are no set.
    QVERIFY(Drop({At("backup.pec")}));
    QVERIFY(Form().Session().SetOpen());
    QCOMPARE(Names(), QStringList{"z.txt"});

    QVERIFY(Drop({At("drop"), At("c.txt"), At("backup.pec")}));
    QCOMPARE(Names(),
             (QStringList{"z.txt", "drop\\a.txt", "drop\\deep\\b\\x1b[2J\\x0a.txt", "c.txt"}));
    QCOMPARE(Form().Session().FileCount(), 4u);
    // The link that leads nowhere and the set's own header were named and left out.
    const QStringList lines = Form().ErrorDlg()->Lines();
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines[0].contains("nowhere: it is a link that leads nowhere"), qPrintable(lines[0]));
    QVERIFY2(lines[1].contains("backup.pec"), qPrintable(lines[1]));
    // Nothing else than files is taken.
    QMimeData text;
    text.setText(QStringLiteral("words"));
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&Form(), &enter);
    QVERIFY(!enter.isAccepted());
  }

  void addFolderStoresAFolderWithEverythingBelowIt() {
    QCOMPARE(MakeSet(At("backup"), At("old/"), {{"z.txt", "zzzz"}}), std::string());
    WriteFile(At("photos/2024/x.jpg"), "x");
    WriteFile(At("photos/y.jpg"), "yy");
    Form().Session().OpenPieceFile(At("backup.pec"));
    QCOMPARE(Form().findChild<QMenu*>("Action1")->actions().at(1)->objectName(),
             QStringLiteral("ActionAddFolder"));
    ui::modal::QueueFileName(QString::fromStdString(At("photos")));
    ActionNamed("ActionAddFolder")->trigger();
    QCOMPARE(ui::modal::DialogsShown(), QStringList{"FileAddFolderDialog"});
    QCOMPARE(Names(), (QStringList{"z.txt", "photos\\y.jpg", "photos\\2024\\x.jpg"}));
    QCOMPARE(AskedMessages(), QStringList());
  }

  void theListsMenuAssemblesMakesAProgramAndSelectsAll() {
    QCOMPARE(MakeSet(At("backup"), At("old/"), {{"a", "1"}, {"b", "22"}, {"c", "333"}}),
             std::string());
    Form().Session().OpenPieceFile(At("backup.pec"));
    Form().show();
    QVERIFY(QTest::qWaitForWindowExposed(&Form()));
    ui::modal::QueueMenuChoice(QStringLiteral("ActionSelectAll"));
    emit List()->customContextMenuRequested(QPoint(5, 5));
    QCOMPARE(ui::modal::LastMenu(),
             (QStringList{"ActionAssemble", "ActionMakeExe", "-", "ActionSelectAll"}));
    QCOMPARE(Form().Session().List().SelectedCount(), 3);
    QCOMPARE(Form().Session().List().SelectedBytes(), 6u);
    // Its shortcut does not take Add's.
    List()->clearSelection();
    List()->setFocus();
    QTest::keyClick(List(), Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(Form().Session().List().SelectedCount(), 3);
    QCOMPARE(ActionNamed("ActionAdd")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_A));
  }

  void aDoubleClickOnADividerSizesTheColumnToItsContent() {
    QCOMPARE(MakeSet(At("backup"), At("old/"), {{"a rather long name of a file.txt", "1"}}),
             std::string());
    Form().Session().OpenPieceFile(At("backup.pec"));
    Form().show();
    QVERIFY(QTest::qWaitForWindowExposed(&Form()));
    QHeaderView* header = List()->header();
    QCOMPARE(header->sectionSize(0), 96);
    const QPoint divider(header->sectionViewportPosition(0) + header->sectionSize(0) - 1,
                         header->height() / 2);
    QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, divider);
    const int text = List()->fontMetrics().horizontalAdvance("a rather long name of a file.txt");
    QVERIFY2(header->sectionSize(0) > text, qPrintable(QString::number(header->sectionSize(0))));
  }
};

}  // namespace vornalis::testing

QTEST_MAIN(vornalis::testing::MainFormDropTest)
#include "main_form_drop_test.moc"
