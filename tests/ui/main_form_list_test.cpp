// The file list of the main window: sorting by a click on a column header with its marks,
// the selection totals and the status texts, sizes of 2 GiB and more included.
#include <QAction>
#include <QHeaderView>
#include <QTreeView>
#include <QtTest>

#include "tests/support/raw_set.h"
#include "tests/ui/support/ui_test_support.h"
#include "ui/main/file_list_model.h"

namespace vornalis::testing {

class MainFormListTest : public QObject, protected FormTestState {
  Q_OBJECT

 private:
  QTreeView* List() { return Form().findChild<QTreeView*>(QStringLiteral("ListViewFiles")); }
  // The mark as a key: the column from 1, negative when it runs down; 0 for none.
  int Mark() {
    const desktop::FileList::Mark mark = Form().Session().List().SortMark();
    return mark.column ? (*mark.column + 1) * (mark.descending ? -1 : 1) : 0;
  }
  QStringList Column(int column) {
    QStringList cells;
    for (const QString& row : ListRows(Form()))
      cells.append(row.section(QLatin1Char('|'), column, column));
    return cells;
  }
  void ClickHeader(int column) {
    QHeaderView* header = List()->header();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                    header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
  }
  void ClickRow(int row, Qt::KeyboardModifiers modifiers = {}) {
    const QRect rect = List()->visualRect(List()->model()->index(row, 0));
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, modifiers, rect.center());
  }
  int RowOf(const QString& name) { return Column(0).indexOf(name); }

  // Sizes 10, 9, 1500, 600 and 2,048 bytes, with types TXT, DAT and JPG, in two folders.
  void OpenSample() {
    QCOMPARE(MakeSet(At("sample"), At("src/"),
                     {{"b10.txt", std::string(10, 'b')},
                      {"a9.dat", std::string(9, 'a')},
                      {"pics/C.jpg", std::string(1500, 'c')},
                      {"pics/readme.TXT", std::string(600, 'r')},
                      {"Readme.txt", std::string(2048, 'R')}}),
             std::string());
    Form().Session().OpenPieceFile(At("sample.pec"));
    Form().show();
    QVERIFY(QTest::qWaitForWindowExposed(&Form()));
  }

 private slots:
  void init() {
    dir_ = std::make_unique<TestFolder>();
    fx_ = std::make_unique<FormFixture>();
  }
  void cleanup() { fx_.reset(); }

  void columnsAndTotals() {
    OpenSample();
    QStringList headers;
    for (int c = 0; c < List()->model()->columnCount(); ++c)
      headers.append(List()->model()->headerData(c, Qt::Horizontal).toString());
    QCOMPARE(headers, (QStringList{"Name", "Type", "Size", "Path"}));
    QCOMPARE(List()->model()->headerData(2, Qt::Horizontal, Qt::TextAlignmentRole).toInt() &
                 Qt::AlignRight,
             int(Qt::AlignRight));
    QCOMPARE(PanelText(Form(), 1), QStringLiteral("Total 5 files, 4 KB"));
    QCOMPARE(Column(0), (QStringList{"a9.dat", "b10.txt", "C.jpg", "Readme.txt", "readme.TXT"}));
  }

  void clickingAHeaderSortsAndReversesWithItsMark() {
    OpenSample();
    ClickHeader(2);
    QCOMPARE(Column(2), (QStringList{"9", "10", "600", "1500", "2048"}));
    QVERIFY((Form().Session().List().SortMark() ==
             desktop::FileList::Mark{desktop::FileList::kSize, false}));
    QCOMPARE(Mark(), 3);
    ClickHeader(2);
    QCOMPARE(Column(2), (QStringList{"2048", "1500", "600", "10", "9"}));
    QVERIFY((Form().Session().List().SortMark() ==
             desktop::FileList::Mark{desktop::FileList::kSize, true}));
    QCOMPARE(Mark(), -3);

    // Another column starts ascending, whatever the direction before; the old mark goes.
    ClickHeader(1);
    QCOMPARE(Column(1), (QStringList{"DAT type", "JPG type", "TXT type", "TXT type", "TXT type"}));
    QVERIFY((Form().Session().List().SortMark() ==
             desktop::FileList::Mark{desktop::FileList::kType, false}));
    QVERIFY(List()->model()->headerData(2, Qt::Horizontal, Qt::DecorationRole).isNull());
    QVERIFY(!List()->model()->headerData(1, Qt::Horizontal, Qt::DecorationRole).isNull());

    ClickHeader(3);
    QCOMPARE(Column(3).first(), QString());
    QCOMPARE(Column(3).last(), QStringLiteral("pics\\"));
    // Name was marked by Open; clicking it now starts ascending again.
    ClickHeader(0);
    QVERIFY((Form().Session().List().SortMark() ==
             desktop::FileList::Mark{desktop::FileList::kName, false}));
    QCOMPARE(Column(0).first(), QStringLiteral("a9.dat"));
  }

  void selectionTotalsFollowTheSelection() {
    OpenSample();
    QCOMPARE(PanelText(Form(), 0), QStringLiteral("Selected 0 files, 0 bytes"));
    ClickRow(RowOf("C.jpg"));
    ClickRow(RowOf("readme.TXT"), Qt::ControlModifier);
    QCOMPARE(PanelText(Form(), 0), QStringLiteral("Selected 2 files, 2 KB"));
    QCOMPARE(Form().Session().List().SelectedBytes(), 2100u);

    // Sorting moves the selected rows, not the totals.
    ClickHeader(2);
    QCOMPARE(Form().Session().List().SelectedCount(), 2);
    ClickRow(RowOf("C.jpg"), Qt::ControlModifier);
    ClickRow(RowOf("readme.TXT"), Qt::ControlModifier);
    QCOMPARE(PanelText(Form(), 0), QStringLiteral("Selected 0 files, 0 bytes"));

    // One click on a row unselects the others.
    ClickRow(RowOf("a9.dat"));
    ClickRow(RowOf("b10.txt"), Qt::ShiftModifier);
    QCOMPARE(Form().Session().List().SelectedCount(), 2);
    ClickRow(RowOf("Readme.txt"));
    QCOMPARE(PanelText(Form(), 0), QStringLiteral("Selected 1 files, 2 KB"));
  }

  void sizesOf2GiBAndMoreShowSortAndAddUpRight() {
    const std::string block = BlockBytes({{1, 8, 3000000000u, "", "big.iso"},
                                          {1, 8, 5, "", "little.txt"},
                                          {1, 8, 1200000000u, "", "middle.img"}});
    WriteFile(At("huge.pec"), HeaderBytes(StreamBytes(1457664, 1, "", block)));
    Form().Session().OpenPieceFile(At("huge.pec"));
    Form().show();
    QVERIFY(QTest::qWaitForWindowExposed(&Form()));
    QCOMPARE(Column(2), (QStringList{"3000000000", "5", "1200000000"}));
    QCOMPARE(PanelText(Form(), 1), QStringLiteral("Total 3 files, 4005 MB"));
    ClickHeader(2);
    QCOMPARE(Column(0), (QStringList{"little.txt", "middle.img", "big.iso"}));
    ClickRow(RowOf("big.iso"));
    QCOMPARE(Form().Session().List().SelectedBytes(), 3000000000u);
    QCOMPARE(PanelText(Form(), 0), QStringLiteral("Selected 1 files, 2861 MB"));
    ClickRow(RowOf("middle.img"), Qt::ControlModifier);
    QCOMPARE(PanelText(Form(), 0), QStringLiteral("Selected 2 files, 4005 MB"));
  }

  void totalsPastFourGigabytesDoNotWrap() {
    const std::string block = BlockBytes(
        {{1, 8, 0xFFFFFFFFu, "", "huge.iso"}, {1, 8, 4, "", "four.txt"}, {1, 8, 6, "", "six.txt"}});
    WriteFile(At("past.pec"), HeaderBytes(StreamBytes(1457664, 1, "", block)));
    Form().Session().OpenPieceFile(At("past.pec"));
    Form().show();
    QVERIFY(QTest::qWaitForWindowExposed(&Form()));
    QCOMPARE(PanelText(Form(), 1), QStringLiteral("Total 3 files, 4096 MB"));
    ClickRow(RowOf("huge.iso"));
    ClickRow(RowOf("six.txt"), Qt::ControlModifier);
    QCOMPARE(Form().Session().List().SelectedBytes(), std::uint64_t{0xFFFFFFFFu} + 6);
    QCOMPARE(PanelText(Form(), 0), QStringLiteral("Selected 2 files, 4096 MB"));
  }
};

}  // namespace vornalis::testing

QTEST_MAIN(vornalis::testing::MainFormListTest)
#include "main_form_list_test.moc"
