// Listing a set of 100,000 files: every row arrives, and the time from Open to a painted list
// is printed for the record (it is not asserted, since machines differ).
#include <QElapsedTimer>
#include <QTreeView>
#include <QtTest>

#include "platform/qt/file_types.h"
#include "tests/support/raw_set.h"
#include "tests/ui/support/ui_test_support.h"
#include "ui/dialogs/modal_seam.h"

namespace vornalis::testing {

class LargeSetListingTest : public QObject {
  Q_OBJECT

 private slots:
  void hundredThousandFilesAreListed() {
    constexpr int kFiles = 100000;
    const char* const kExtensions[] = {".txt", ".jpg", ".png",  ".cpp", ".h",    ".pdf",
                                       ".zip", ".gz",  ".html", ".md",  ".json", ".xml",
                                       ".csv", ".doc", ".mp3",  ".odt", ".py",   ".sh",
                                       ".TXT", ".JPG", "",      ".bin", ".iso",  ".log"};
    TestFolder dir;
    std::vector<RawRecord> records;
    std::string blocks;
    std::uint32_t offset = 8;  // the files lie one after another in the one large piece
    for (int i = 0; i < kFiles; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "file%06d", i);
      const auto size = static_cast<std::uint32_t>(i * 37 % 10000);
      records.push_back({1, offset, size, "folder\\",
                         name + std::string(kExtensions[i % std::size(kExtensions)])});
      offset += size;
      if (records.size() == 10000) {
        blocks += BlockBytes(records);
        records.clear();
      }
    }
    WriteFile(dir.Path("large.pec"), HeaderBytes(StreamBytes(0x7FFFFFFF, 1, "", blocks)));

    ui::modal::AnswerInAdvance();
    platform_qt::UseInstalledIconTheme();
    platform_qt::SystemFileTypes types;
    ui::TMainForm form({}, types);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QElapsedTimer timer;
    timer.start();
    form.Session().OpenPieceFile(dir.Path("large.pec"));
    form.repaint();
    const qint64 listed = timer.elapsed();
    QCOMPARE(form.findChild<QTreeView*>(QStringLiteral("ListViewFiles"))->model()->rowCount(),
             kFiles);
    QCOMPARE(form.Session().FileCount(), std::uint32_t{kFiles});
    QCOMPARE(ui::modal::Messages().size(), std::size_t{0});

    timer.restart();
    form.Session().ColumnClicked(1);
    const qint64 by_type = timer.elapsed();
    timer.restart();
    form.Session().ColumnClicked(0);
    const qint64 by_name = timer.elapsed();
    qInfo(
        "Opened and listed %d files in %lld ms; sorted them by type in %lld ms, by name in %lld ms",
        kFiles, listed, by_type, by_name);
    ui::modal::AnswerInAdvance(false);
  }
};

}  // namespace vornalis::testing

QTEST_MAIN(vornalis::testing::LargeSetListingTest)
#include "large_set_listing_test.moc"
