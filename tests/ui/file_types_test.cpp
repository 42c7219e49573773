// Type names and icons as the system gives them.
#include <QtTest>

#include "platform/collation.h"
#include "platform/qt/file_types.h"
#include "tests/ui/support/ui_test_support.h"

namespace vornalis::testing {

class FileTypesTest : public QObject {
  Q_OBJECT

 private slots:
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
