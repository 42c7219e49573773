// The desktop program's command line: switches, values, list files, the stub path, --help and
// --version, and the piece file resolved against the disk.
#include "desktop/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "exe/make_exe.h"
#include "platform/path.h"
#include "tests/support/test_files.h"
#include "vornalis/version.h"

namespace vornalis::testing {
namespace {

using desktop::CommandLine;
using desktop::ParseCommandLine;

const std::string kProgram = "/opt/vornalis/bin/vornalis";
const std::string kCurrent = "/home/user/work";

class CommandLineTest : public TempDirTest {
 protected:
  static CommandLine Parse(const std::vector<std::string>& args) {
    return ParseCommandLine(args, kProgram, kCurrent);
  }
};

TEST_F(CommandLineTest, TheStubIsLookedForInTheCurrentFolderWithoutArgumentsElseBesideTheProgram) {
  const CommandLine none = Parse({});
  EXPECT_EQ(none.StartMode, desktop::StartNone);
  EXPECT_EQ(none.StubPath, platform::WithSeparator(kCurrent) + "ext.dll");
  EXPECT_EQ(Parse({"x.pec"}).StubPath, exe::StubBeside(kProgram));
  EXPECT_EQ(Parse({"/e"}).StubPath, exe::StubBeside(kProgram));
  // Without a current folder there is no stub path at all.
  EXPECT_EQ(ParseCommandLine({"x.pec"}, kProgram, "").StubPath, "");
}

TEST_F(CommandLineTest, SwitchesAndValues) {
  struct Case {
    std::vector<std::string> args;
    int mode;
    std::string piece, target;
  };
  const Case cases[] = {
      {{"x.pec"}, desktop::StartOpen, "x.pec", ""},
      {{"x.pec", "/e"}, desktop::StartAssemble, "x.pec", ""},
      {{"x.pec", "/e", "out"}, desktop::StartAssemble, "x.pec", "out"},
      {{"x.pec", "/E", "out"}, desktop::StartAssemble, "x.pec", "out"},
      // A value after /e is never the piece file; the last value counts.
      {{"/e", "out", "x.pec"}, desktop::StartAssemble, "", "x.pec"},
      {{"x.pec", "/e", "a", "b"}, desktop::StartAssemble, "x.pec", "b"},
      // -f is a piece file's name; a switch counts only as a whole argument.
      {{"-f"}, desktop::StartOpen, "-f", ""},
      {{"/fx"}, desktop::StartOpen, "/fx", ""},
  };
  for (const Case& c : cases) {
    const CommandLine line = Parse(c.args);
    EXPECT_EQ(line.StartMode, c.mode) << c.args[0];
    EXPECT_EQ(line.PieceFileArg, c.piece) << c.args[0];
    EXPECT_EQ(line.PieceFilePath, c.piece) << c.args[0];
    EXPECT_EQ(line.AssembleTarget, c.target) << c.args[0];
  }
}

TEST_F(CommandLineTest, ListFilesAreReadAndDeletedTheLastAfterASwitchCountingAndAddingWins) {
  WriteFile(PathOf("files.txt"), "/data/a.txt\r\n/data/b c.txt\n");
  WriteFile(PathOf("dirs.txt"), "/data/photos");
  CommandLine line = Parse({"/F", PathOf("files.txt"), "/D", PathOf("dirs.txt")});
  EXPECT_EQ(line.StartMode, desktop::StartAddFiles);
  EXPECT_EQ(line.FilesToAdd, (std::vector<std::string>{"/data/a.txt", "/data/b c.txt"}));
  EXPECT_EQ(line.FoldersToAdd, (std::vector<std::string>{"/data/photos"}));
  EXPECT_FALSE(FileExists(PathOf("files.txt")));
  EXPECT_FALSE(FileExists(PathOf("dirs.txt")));

  WriteFile(PathOf("a.txt"), "/data/a\n");
  WriteFile(PathOf("b.txt"), "/data/b\n");
  line = Parse({"/f", PathOf("a.txt"), "/f", PathOf("b.txt")});
  EXPECT_EQ(line.FilesToAdd, std::vector<std::string>{"/data/b"});
  EXPECT_TRUE(FileExists(PathOf("a.txt")));
  EXPECT_FALSE(FileExists(PathOf("b.txt")));

  WriteFile(PathOf("dirs.txt"), "/data/photos\n");
  line = Parse({"x.pec", "/d", PathOf("dirs.txt"), "/e", "out"});
  EXPECT_EQ(line.StartMode, desktop::StartAddFiles);
  EXPECT_EQ(line.PieceFileArg, "x.pec");

  // One that cannot be read adds nothing.
  line = Parse({"/f", PathOf("missing.txt")});
  EXPECT_EQ(line.StartMode, desktop::StartAddFiles);
  EXPECT_TRUE(line.FilesToAdd.empty());
}

TEST_F(CommandLineTest, HelpAndVersionOnlyAloneAndWhenNoFileIsCalledSo) {
  struct Case {
    std::vector<std::string> args;
    std::string file;    // made in the current folder first
    std::string starts;  // the text printed begins so; "" when none is
  };
  const std::string usage = "Usage: vornalis [PIECEFILE]";
  const std::string version = std::string("vornalis ") + kVersion + "\n";
  const Case cases[] = {
      {{"--help"}, "", usage},
      {{"-h"}, "", usage},
      {{"-?"}, "", usage},
      {{"/?"}, "", usage},
      {{"--version"}, "", version},
      {{"-v"}, "", version},
      // Only as the one argument, only so spelt, and only while no file is called so.
      {{"--help", "x.pec"}, "", ""},
      {{"x.pec", "-h"}, "", ""},
      {{"-v", "/?"}, "", ""},
      {{"-H"}, "", ""},
      {{"-V"}, "", ""},
      {{"/h"}, "", ""},
      {{"-help"}, "", ""},
      {{"--help"}, "--help", ""},
      {{"-h"}, "-h", ""},
      {{"-v"}, "-v", ""},
  };
  const std::filesystem::path before = std::filesystem::current_path();
  for (const Case& c : cases) {
    std::filesystem::current_path(FsPath(Dir()));
    if (!c.file.empty()) WriteFile(PathOf(c.file), "QBXR");
    const std::optional<std::string> text = desktop::OptionText(c.args);
    std::filesystem::current_path(before);
    if (!c.file.empty()) std::filesystem::remove(FsPath(PathOf(c.file)));
    ASSERT_EQ(text.has_value(), !c.starts.empty())
        << c.args[0] << " with the file '" << c.file << "'";
    if (text) {
      EXPECT_EQ(text->rfind(c.starts, 0), 0u) << *text;
      EXPECT_EQ(text->back(), '\n');
    }
  }
}

TEST_F(CommandLineTest, APieceFileTakesTheNameFoundOnDiskWildcardsIncluded) {
  WriteFile(PathOf("Backup.pec"), "QBXR");
  WriteFile(PathOf("backup3.pec"), "QBTM");
  const CommandLine line = Parse({PathOf("BACKUP.PEC")});
  EXPECT_EQ(line.PieceFileArg, PathOf("BACKUP.PEC"));
  // Also where the file system ignores case: the set is shown under its own name.
  EXPECT_EQ(line.PieceFilePath, PathOf("Backup.pec"));
  EXPECT_EQ(Parse({PathOf("back*.pec")}).PieceFilePath, PathOf("Backup.pec"));
  EXPECT_EQ(Parse({PathOf("backup?.pec")}).PieceFilePath, PathOf("backup3.pec"));
  EXPECT_EQ(Parse({PathOf("gone.pec")}).PieceFilePath, PathOf("gone.pec"));
  // "?" is one character, however many bytes it takes.
  WriteFile(PathOf("caf\xC3\xA9.pec"), "QBXR");
  EXPECT_EQ(Parse({PathOf("CAF?.PEC")}).PieceFilePath, PathOf("caf\xC3\xA9.pec"));
}

}  // namespace
}  // namespace vornalis::testing
