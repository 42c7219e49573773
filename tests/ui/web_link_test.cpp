// Opening web links: cutting a registered command at its placeholder, reading the desktop's
// default web page handler, and the order in which OpenWebLink tries the desktop and the
// command.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "platform/qt/web_link.h"

namespace vornalis::testing {
namespace {

const QString kAddress = QStringLiteral("http://www.vornalis.example.org/");

void WriteText(const QString& path, const QByteArray& text) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(text);
}

// A system whose parts answer as told and remember what they were asked.
struct FakeSystem {
  bool desktop_opens = false;
  QString command_template;
  bool start_works = true;
  QStringList desktop_asked;
  QStringList started;

  platform_qt::WebLinkSystem Get() {
    platform_qt::WebLinkSystem system;
    system.open_by_desktop = [this](const QString& address) {
      desktop_asked.append(address);
      return desktop_opens;
    };
    system.web_page_command = [this] { return command_template; };
    system.placeholders = platform_qt::WindowsPlaceholders();
    system.start_detached = [this](const QString& command_line) {
      started.append(command_line);
      return start_works;
    };
    return system;
  }
};

}  // namespace

class WebLinkTest : public QObject {
  Q_OBJECT

 private slots:
  void cutting_data() {
    QTest::addColumn<QString>("command_template");
    QTest::addColumn<QStringList>("placeholders");
    QTest::addColumn<QString>("command_line");
    const QStringList windows = platform_qt::WindowsPlaceholders();
    const QStringList desktop = platform_qt::DesktopEntryPlaceholders();
    QTest::newRow("bare placeholder") << "C:\\b\\browser.exe -nohome %1 -x" << windows
                                      << "C:\\b\\browser.exe -nohome  " + kAddress;
    QTest::newRow("quoted placeholder: cut at the quote, two spaces")
        << "\"C:\\Program Files\\b.exe\" \"%1\"" << windows
        << "\"C:\\Program Files\\b.exe\"  " + kAddress;
    QTest::newRow("no placeholder: kept whole")
        << "C:\\b\\browser.exe -new" << windows << "C:\\b\\browser.exe -new " + kAddress;
    QTest::newRow("quoted one wins over an earlier bare one")
        << "b.exe %1 \"%1\" -y" << windows << "b.exe %1  " + kAddress;
    QTest::newRow("case matters") << "b.exe %L" << windows << "b.exe %L " + kAddress;
    QTest::newRow("desktop %u") << "firefox-esr %u" << desktop << "firefox-esr  " + kAddress;
    QTest::newRow("desktop %U with arguments after it")
        << "chromium --new %U --flag" << desktop << "chromium --new  " + kAddress;
    QTest::newRow("desktop %F quoted") << "viewer \"%F\"" << desktop << "viewer  " + kAddress;
    QTest::newRow("desktop without field code") << "lynx" << desktop << "lynx " + kAddress;
  }
  void cutting() {
    QFETCH(QString, command_template);
    QFETCH(QStringList, placeholders);
    QFETCH(QString, command_line);
    QCOMPARE(platform_qt::CutCommandTemplate(command_template, kAddress, placeholders),
             command_line);
  }

  void desktopEntries() {
    const QString mimeapps = QStringLiteral(
        "[Added Associations]\ntext/html=other.desktop;\n"
        "[Default Applications]\n# comment\ntext/plain=editor.desktop\n"
        "text/html=firefox-esr.desktop;chromium.desktop;\n");
    QCOMPARE(platform_qt::DefaultApplicationsIn(mimeapps, QStringLiteral("text/html")),
             (QStringList{"firefox-esr.desktop", "chromium.desktop"}));
    QCOMPARE(platform_qt::DefaultApplicationsIn(mimeapps, QStringLiteral("image/png")),
             QStringList());

    const QString entry = QStringLiteral(
        "[Desktop Entry]\nName=Browser\nExec[de]=wrong %u\nExec=browser --class=%c -i %i "
        "100%% %u\n[Desktop Action new]\nExec=browser --new %u\n");
    QCOMPARE(platform_qt::DesktopEntryExec(entry), QStringLiteral("browser --class= -i  100% %u"));
    QCOMPARE(platform_qt::DesktopEntryExec(QStringLiteral("[Desktop Entry]\nName=x\n")), QString());
  }

  void desktopFirstThenCommand() {
    FakeSystem fake;
    fake.desktop_opens = true;
    fake.command_template = QStringLiteral("b.exe \"%1\"");
    QCOMPARE(platform_qt::OpenWebLink(kAddress, fake.Get()),
             platform_qt::WebLinkOutcome::kOpenedByDesktop);
    QCOMPARE(fake.desktop_asked, QStringList{kAddress});
    QCOMPARE(fake.started, QStringList());

    fake.desktop_opens = false;
    QCOMPARE(platform_qt::OpenWebLink(kAddress, fake.Get()),
             platform_qt::WebLinkOutcome::kStartedCommand);
    QCOMPARE(fake.started, QStringList{"b.exe  " + kAddress});

    fake.start_works = false;
    QCOMPARE(platform_qt::OpenWebLink(kAddress, fake.Get()),
             platform_qt::WebLinkOutcome::kStartFailed);
  }

  void nothingRunsWithoutARegisteredCommand() {
    FakeSystem fake;
    QCOMPARE(platform_qt::OpenWebLink(kAddress, fake.Get()),
             platform_qt::WebLinkOutcome::kNoCommand);
    QCOMPARE(fake.desktop_asked.size(), 1);
    QCOMPARE(fake.started, QStringList());
  }

#ifndef Q_OS_WIN
  void systemCommandComesFromTheDefaultHandler() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray root = dir.path().toUtf8();
    qputenv("XDG_CONFIG_HOME", root + "/config");
    qputenv("XDG_CONFIG_DIRS", root + "/etc");
    qputenv("XDG_DATA_HOME", root + "/data");
    qputenv("XDG_DATA_DIRS", root + "/share");
    qunsetenv("XDG_CURRENT_DESKTOP");
    const platform_qt::WebLinkSystem system = platform_qt::SystemWebLinks();
    QCOMPARE(system.web_page_command(), QString());

    // The user's list names a browser that is not installed, then one that is.
    WriteText(dir.filePath("config/mimeapps.list"),
              "[Default Applications]\ntext/html=gone.desktop;web.desktop\n");
    WriteText(dir.filePath("share/applications/web.desktop"),
              "[Desktop Entry]\nType=Application\nExec=/opt/web/run %U\n");
    QCOMPARE(system.web_page_command(), QStringLiteral("/opt/web/run %U"));
    QCOMPARE(
        platform_qt::CutCommandTemplate(system.web_page_command(), kAddress, system.placeholders),
        "/opt/web/run  " + kAddress);
  }
#endif
};

}  // namespace vornalis::testing

QTEST_GUILESS_MAIN(vornalis::testing::WebLinkTest)
#include "web_link_test.moc"
