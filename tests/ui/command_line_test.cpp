// The desktop program's command line: switches, values, list files, the stub path and the
// piece file resolved against the disk.
#include <QtTest>

#include "tests/ui/support/ui_test_support.h"
#include "ui/main/command_line.h"
#include "vornalis/version.h"

using vornalis::ui::CommandLine;
using vornalis::ui::ParseCommandLine;

namespace vornalis::testing {
namespace {

const std::string kProgram = "/opt/vornalis/bin/vornalis";
const std::string kCurrent = "/home/user/work";

std::vector<std::string> Args(const QStringList& list) {
  std::vector<std::string> args;
  for (const QString& arg : list) args.push_back(arg.toStdString());
  return args;
}

}  // namespace

class CommandLineTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestFolder> dir_;
  CommandLine Parse(const QStringList& args) {
    return ParseCommandLine(Args(args), kProgram, kCurrent);
  }
  std::string At(const std::string& name) { return dir_->Path(name); }

 private slots:
  void init() { dir_ = std::make_unique<TestFolder>(); }

  void noArgumentsRunNoJobAndLookForTheStubInTheCurrentFolder() {
    const CommandLine line = Parse({});
    QCOMPARE(line.StartMode, int(ui::StartNone));
    QCOMPARE(line.StubPath, kCurrent + "/ext.dll");
  }

  void anyArgumentLooksForTheStubBesideTheProgram() {
    QCOMPARE(Parse({"x.pec"}).StubPath, std::string("/opt/vornalis/bin/ext.dll"));
    QCOMPARE(Parse({"/e"}).StubPath, std::string("/opt/vornalis/bin/ext.dll"));
    // Without a current folder there is no stub path at all.
    QCOMPARE(ParseCommandLine({"x.pec"}, kProgram, "").StubPath, std::string());
  }

  void switchesAndValues_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("piece");
    QTest::addColumn<QString>("target");
    QTest::newRow("piece file") << QStringList{"x.pec"} << int(ui::StartOpen) << "x.pec"
                                << "";
    QTest::newRow("assemble, folder asked")
        << QStringList{"x.pec", "/e"} << int(ui::StartAssemble) << "x.pec"
        << "";
    QTest::newRow("assemble into out")
        << QStringList{"x.pec", "/e", "out"} << int(ui::StartAssemble) << "x.pec"
        << "out";
    QTest::newRow("capital switch")
        << QStringList{"x.pec", "/E", "out"} << int(ui::StartAssemble) << "x.pec"
        << "out";
    QTest::newRow("value after /e is never the piece file")
        << QStringList{"/e", "out", "x.pec"} << int(ui::StartAssemble) << ""
        << "x.pec";
    QTest::newRow("last value counts")
        << QStringList{"x.pec", "/e", "a", "b"} << int(ui::StartAssemble) << "x.pec"
        << "b";
    QTest::newRow("-f is a piece file name") << QStringList{"-f"} << int(ui::StartOpen) << "-f"
                                             << "";
    QTest::newRow("switch only as a whole argument")
        << QStringList{"/fx"} << int(ui::StartOpen) << "/fx"
        << "";
  }

  void switchesAndValues() {
    QFETCH(QStringList, args);
    QFETCH(int, mode);
    QFETCH(QString, piece);
    QFETCH(QString, target);
    const CommandLine line = Parse(args);
    QCOMPARE(line.StartMode, mode);
    QCOMPARE(QString::fromStdString(line.PieceFileArg), piece);
    QCOMPARE(QString::fromStdString(line.PieceFilePath), piece);
    QCOMPARE(QString::fromStdString(line.AssembleTarget), target);
  }

  void listFilesAreReadAndDeleted() {
    WriteFile(At("files.txt"), "/data/a.txt\r\n/data/b c.txt\n");
    WriteFile(At("dirs.txt"), "/data/photos");
    const CommandLine line = Parse({"/F", QString::fromStdString(At("files.txt")), "/D",
                                    QString::fromStdString(At("dirs.txt"))});
    QCOMPARE(line.StartMode, int(ui::StartAddFiles));
    QCOMPARE(line.FilesToAdd, (std::vector<std::string>{"/data/a.txt", "/data/b c.txt"}));
    QCOMPARE(line.FoldersToAdd, (std::vector<std::string>{"/data/photos"}));
    QVERIFY(!FileExists(At("files.txt")));
    QVERIFY(!FileExists(At("dirs.txt")));
  }

  void onlyTheLastListFileAfterASwitchIsRead() {
    WriteFile(At("a.txt"), "/data/a\n");
    WriteFile(At("b.txt"), "/data/b\n");
    const CommandLine line = Parse(
        {"/f", QString::fromStdString(At("a.txt")), "/f", QString::fromStdString(At("b.txt"))});
    QCOMPARE(line.FilesToAdd, (std::vector<std::string>{"/data/b"}));
    QVERIFY(FileExists(At("a.txt")));
    QVERIFY(!FileExists(At("b.txt")));
  }

  void addingWinsOverAssembling() {
    WriteFile(At("dirs.txt"), "/data/photos\n");
    const CommandLine line =
        Parse({"x.pec", "/d", QString::fromStdString(At("dirs.txt")), "/e", "out"});
    QCOMPARE(line.StartMode, int(ui::StartAddFiles));
    QCOMPARE(line.PieceFileArg, std::string("x.pec"));
    QCOMPARE(line.FoldersToAdd, (std::vector<std::string>{"/data/photos"}));
  }

  void unreadableListFileIsIgnored() {
    const CommandLine line = Parse({"/f", QString::fromStdString(At("missing.txt"))});
    QCOMPARE(line.StartMode, int(ui::StartAddFiles));
    QVERIFY(line.FilesToAdd.empty());
  }

  void helpAndVersionOnlyAloneAndWhenNoFileIsCalledSo_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("file");    // made in the current folder first
    QTest::addColumn<QString>("starts");  // the text printed begins so; "" when none is
    QTest::newRow("--help") << QStringList{"--help"} << ""
                            << "Usage: vornalis [PIECEFILE]";
    QTest::newRow("--version") << QStringList{"--version"} << ""
                               << "vornalis " + QString(kVersion);
    QTest::newRow("with another argument") << QStringList{"--help", "x.pec"} << ""
                                           << "";
    QTest::newRow("a set called so") << QStringList{"--help"} << "--help"
                                     << "";
    QTest::newRow("another option") << QStringList{"-h"} << ""
                                    << "";
  }
  void helpAndVersionOnlyAloneAndWhenNoFileIsCalledSo() {
    QFETCH(QStringList, args);
    QFETCH(QString, file);
    QFETCH(QString, starts);
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(QString::fromStdString(At(""))));
    if (!file.isEmpty()) WriteFile(At(file.toStdString()), "QBXR");
    const std::optional<std::string> text = ui::OptionText(Args(args));
    QDir::setCurrent(before);
    QCOMPARE(text.has_value(), !starts.isEmpty());
    if (text) {
      QVERIFY2(QString::fromStdString(*text).startsWith(starts), text->c_str());
      QVERIFY(text->back() == '\n');
    }
  }

  void pieceFileTakesTheNameFoundOnDisk() {
    WriteFile(At("Backup.pec"), "QBXR");
    WriteFile(At("backup3.pec"), "QBTM");
    const CommandLine line = Parse({QString::fromStdString(At("BACKUP.PEC"))});
    QCOMPARE(line.PieceFileArg, At("BACKUP.PEC"));
    QCOMPARE(line.PieceFilePath, At("Backup.pec"));
    // A wildcard resolves to its first match; a name found nowhere stays as typed.
    QCOMPARE(Parse({QString::fromStdString(At("back*.pec"))}).PieceFilePath, At("Backup.pec"));
    QCOMPARE(Parse({QString::fromStdString(At("backup?.pec"))}).PieceFilePath, At("backup3.pec"));
    QCOMPARE(Parse({QString::fromStdString(At("gone.pec"))}).PieceFilePath, At("gone.pec"));
  }
};

}  // namespace vornalis::testing

QTEST_GUILESS_MAIN(vornalis::testing::CommandLineTest)
#include "command_line_test.moc"
