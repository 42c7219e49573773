// The file list's model: the row comparison of every column and the order sorting leaves.
#include <QItemSelectionModel>
#include <QtTest>

#include "platform/collation.h"
#include "tests/ui/support/ui_test_support.h"
#include "ui/main/file_list_model.h"

namespace vornalis::testing {

class FileListModelTest : public QObject {
  Q_OBJECT

 private:
  CountingFileTypes types_;
  std::unique_ptr<ui::FileTypeCache> cache_;
  std::unique_ptr<ui::FileListModel> model_;

  ui::FileRow Row(const char* name, std::uint32_t size, const char* folder = "") {
    return {name, folder, size, cache_->IndexFor(name)};
  }
  QStringList Names() {
    QStringList names;
    for (int row = 0; row < model_->rowCount(); ++row)
      names.append(model_->index(row, 0).data().toString());
    return names;
  }

 private slots:
  void init() {
    cache_ = std::make_unique<ui::FileTypeCache>(types_, platform::Collator::Default());
    model_ = std::make_unique<ui::FileListModel>(*cache_, platform::Collator::Default());
  }

  void compareRows_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("expected");
    QTest::newRow("names ignore case") << 1 << 0;
    QTest::newRow("same type") << 2 << 0;
    QTest::newRow("size: 9 before 10") << 3 << -1;
    QTest::newRow("size descending") << -3 << 1;
    QTest::newRow("path") << 4 << -1;
    QTest::newRow("path descending") << -4 << 1;
  }

  void compareRows() {
    QFETCH(int, key);
    QFETCH(int, expected);
    const ui::FileRow a = Row("readme.TXT", 9, "");
    const ui::FileRow b = Row("Readme.txt", 10, "docs\\");
    QCOMPARE(model_->CompareRows(a, b, key), expected);
  }

  void sizesCompareAsUnsignedNumbers() {
    const ui::FileRow big = Row("big", 3000000000u);
    const ui::FileRow small = Row("small", 1);
    QCOMPARE(model_->CompareRows(small, big, 3), -1);
    QCOMPARE(model_->CompareRows(big, small, 3), 1);
    QCOMPARE(model_->CompareRows(Row("max", 0xFFFFFFFFu), Row("zero", 0), 3), 1);
  }

  void equalRowsKeepTheirOrder() {
    model_->SetRows({Row("b.txt", 1), Row("A.txt", 2), Row("a.TXT", 3), Row("c.txt", 2)});
    model_->SortRows(1);
    QCOMPARE(Names(), (QStringList{"A.txt", "a.TXT", "b.txt", "c.txt"}));
    model_->SortRows(-3);
    QCOMPARE(Names(), (QStringList{"a.TXT", "A.txt", "c.txt", "b.txt"}));
  }

  void selectionFollowsItsRowsThroughASort() {
    model_->SetRows({Row("b", 1), Row("c", 2), Row("a", 3)});
    QItemSelectionModel selection(model_.get());
    selection.select(model_->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    model_->SortRows(1);
    QCOMPARE(selection.selectedRows().size(), 1);
    QCOMPARE(selection.selectedRows().first().data().toString(), QStringLiteral("b"));
  }
};

}  // namespace vornalis::testing

QTEST_MAIN(vornalis::testing::FileListModelTest)
#include "file_list_model_test.moc"
