// Type names and icons: the extension of a name, the cache that asks once per extension and
// run, and the system's own answers.
#include <QtTest>

#include "platform/collation.h"
#include "platform/qt/file_types.h"
#include "tests/ui/support/ui_test_support.h"
#include "ui/main/file_type_cache.h"

namespace vornalis::testing {

class FileTypesTest : public QObject {
  Q_OBJECT

 private slots:
  void extensionOfAName_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("extension");
    QTest::newRow("plain") << "a.txt"
                           << ".txt";
    QTest::newRow("last dot counts") << "a.tar.gz"
                                     << ".gz";
    QTest::newRow("none") << "README"
                          << "";
    QTest::newRow("dot file") << ".profile"
                              << ".profile";
    QTest::newRow("trailing dot") << "odd."
                                  << ".";
  }

  void extensionOfAName() {
    QFETCH(QString, name);
    QFETCH(QString, extension);
    const std::string text = name.toStdString();
    QCOMPARE(QString::fromStdString(std::string(ui::ExtensionOf(text))), extension);
  }

  void cacheAsksOncePerExtensionWhateverTheLetterCase() {
    CountingFileTypes types;
    ui::FileTypeCache cache(types, platform::Collator::Default());
    const int txt = cache.IndexFor("a.TXT");
    QCOMPARE(cache.IndexFor("b.txt"), txt);
    QCOMPARE(cache.IndexFor("c.Txt"), txt);
    const int none = cache.IndexFor("README");
    QCOMPARE(cache.IndexFor("Makefile"), none);
    QVERIFY(none != txt);
    QCOMPARE(cache.IndexFor("d.jpg"), 2);
    QCOMPARE(types.Asked(), (QStringList{".TXT", "", ".jpg"}));
    QCOMPARE(cache.TypeName(txt), QStringLiteral("TXT type"));
    QCOMPARE(cache.Extension(txt), std::string(".TXT"));
    QVERIFY(!cache.Icon(none).isNull());
  }

  void systemNamesTypesFromTheExtensionAlone() {
    platform_qt::UseInstalledIconTheme();
    platform_qt::SystemFileTypes types;
    const platform_qt::FileType text = types.ForExtension(QStringLiteral(".txt"));
    QVERIFY(!text.name.isEmpty());
    QVERIFY(text.name != QStringLiteral("TXT File"));
    QVERIFY(!text.icon.isNull());
    QCOMPARE(types.ForExtension(QStringLiteral(".TXT")).name, text.name);

    const platform_qt::FileType none = types.ForExtension(QString());
    QCOMPARE(none.name, QStringLiteral("File"));
    QVERIFY(!none.icon.isNull());
    QCOMPARE(types.ForExtension(QStringLiteral(".")).name, QStringLiteral("File"));
    QCOMPARE(types.ForExtension(QStringLiteral(".zqx9")).name, QStringLiteral("ZQX9 File"));

    // The program's own type is named so whether or not the system knows it yet.
    platform_qt::SystemFileTypes own(
        {{QStringLiteral(".pec"), QStringLiteral("Split piece files")}});
    QCOMPARE(own.ForExtension(QStringLiteral(".PEC")).name, QStringLiteral("Split piece files"));
    QCOMPARE(own.ForExtension(QStringLiteral(".zqx9")).name, QStringLiteral("ZQX9 File"));
  }
};

}  // namespace vornalis::testing

QTEST_MAIN(vornalis::testing::FileTypesTest)
#include "file_types_test.moc"
