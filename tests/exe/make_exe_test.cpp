// Make .EXE and the stub: the made executable's bytes, and running it on a real set.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

#include "engine/messages.h"
#include "engine/patch_area.h"
#include "engine/set_recovery.h"
#include "exe/make_exe.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/raw_set.h"
#include "tests/support/run_process.h"
#include "tests/support/set_fixture.h"

namespace vornalis::testing {
namespace {

namespace fs = std::filesystem;

// The programs are made from the stub for this system, which the tests can run; the Windows
// stub is run under Wine by tests/windows/.
class MakeExeTest : public SetTest {
 protected:
  const std::string stub_ = VORNALIS_NATIVE_STUB;
  std::string Exe() const { return PathOf("backup.run"); }
  static Result<std::string> Make(const PieceSet& set, const std::string& stub,
                                  platform::FileSystem& fs = platform::RealFileSystem()) {
    return exe::MakeExe(set, stub, exe::StubKind::kNative, fs);
  }

  void MakeSet(const std::vector<std::pair<std::string, std::string>>& files) {
    PieceSet set(Base(), 1000);
    ASSERT_TRUE(AddSources(set, files)) << set.LastError();
  }
};

TEST_F(MakeExeTest, CopyDiffersFromTheStubOnlyInThePatchAreaForEitherSystem) {
  MakeSet({{"a", "1"}, {"b", "2"}, {"c", "3"}});
  PieceSet set(Base(), SetAccess::kReadOnly);
  const struct {
    exe::StubKind kind;
    std::string stub, made, magic;
  } kinds[] = {{exe::StubKind::kWindows, VORNALIS_WINDOWS_STUB, PathOf("backup.exe"), "MZ"},
               {exe::StubKind::kNative, VORNALIS_NATIVE_STUB, Exe(),
                "\x7f"
                "ELF"}};
  for (const auto& kind : kinds) {
    const Result<std::string> program = exe::MakeExe(set, kind.stub, kind.kind);
    ASSERT_TRUE(program.ok()) << program.status().message;
    EXPECT_EQ(*program, kind.made);
    const std::string stub = ReadFile(kind.stub), made = ReadFile(kind.made);
    EXPECT_EQ(stub.substr(0, kind.magic.size()), kind.magic);
    ASSERT_EQ(made.size(), stub.size());
    ASSERT_GE(stub.size(), exe::kStubMinSize);
    EXPECT_EQ(stub.substr(exe::kCountOffset, 4 + exe::kMaxNameLength), std::string(264, '\0'))
        << "the stub's patch area lies in zero padding";
    EXPECT_EQ(made.substr(0, exe::kCountOffset), stub.substr(0, exe::kCountOffset));
    EXPECT_EQ(made.substr(exe::kCountOffset, 10), U32(3) + "backup");
    EXPECT_EQ(made.substr(exe::kCountOffset + 10), stub.substr(exe::kCountOffset + 10));
    struct stat st {};
    ASSERT_EQ(stat(kind.made.c_str(), &st), 0);
    EXPECT_TRUE(st.st_mode & S_IXUSR);
  }
}

TEST_F(MakeExeTest, EmptySetMakesNothing) {
  WriteFile(Exe(), "an older program");
  PieceSet set(Base(), 1000);
  const Result<std::string> made = Make(set, stub_);
  EXPECT_EQ(made.status().code, Status::Code::kRefused);
  EXPECT_EQ(made.status().message, "Can't Make .EXE without any files added!");
  EXPECT_EQ(ReadFile(Exe()), "an older program");
}

TEST_F(MakeExeTest, MissingStubLeavesNoExecutableAndKeepsAnOlderOne) {
  MakeSet({{"a", "1"}});
  PieceSet set(Base(), SetAccess::kReadOnly);
  Result<std::string> made = Make(set, PathOf("nothere/ext.dll"));
  EXPECT_EQ(made.status().code, Status::Code::kIo);
  // What failed is said: the stub, which is not there.
  EXPECT_EQ(messages::Explained(made.status()),
            "Can't create " + Exe() + ": the program it is made from, " +
                PathOf("nothere/ext.dll") + ", cannot be read: No such file or directory");
  EXPECT_FALSE(FileExists(Exe()));

  WriteFile(Exe(), "an older program");
  made = Make(set, PathOf("nothere/ext.dll"));
  EXPECT_FALSE(made.ok());
  EXPECT_EQ(ReadFile(Exe()), "an older program");
}

TEST_F(MakeExeTest, FailedPatchWriteLeavesNoFileBehind) {
  MakeSet({{"a", "1"}});
  PieceSet set(Base(), SetAccess::kReadOnly);
  FaultFileSystem faults(platform::RealFileSystem());
  faults.FailNth(FaultFileSystem::Op::kWrite, 2, ENOSPC);  // the copy's write, then the patch
  const Result<std::string> made = Make(set, stub_, faults);
  EXPECT_EQ(messages::Explained(made.status()),
            "Can't create " + Exe() + ": No space left on device");
  EXPECT_EQ(ListFolder(Dir()), (std::vector<std::string>{"backup.pec", "src"}));
}

TEST_F(MakeExeTest, ACopyThatADeadMakeLeftIsRemovedByTheNextAndAUsersLookAlikeStays) {
  MakeSet({{"a", "1"}});
  WriteFile(PathOf("Qbtmbackup~dead01"), ReadFile(stub_).substr(0, 5000));  // cut short
  WriteFile(PathOf("Qbtmbackup~notes1"), "my notes");
  PieceSet set(Base(), SetAccess::kReadOnly);
  ASSERT_TRUE(Make(set, stub_).ok());
  EXPECT_FALSE(FileExists(PathOf("Qbtmbackup~dead01")));
  EXPECT_EQ(ReadFile(PathOf("Qbtmbackup~notes1")), "my notes");
  EXPECT_EQ(ListFolder(Dir()),
            (std::vector<std::string>{"Qbtmbackup~notes1", "backup.pec", "backup.run", "src"}));
}

TEST_F(MakeExeTest, MadeExecutableRebuildsTheSetAndASecondMakeOverwrites) {
  const std::vector<std::pair<std::string, std::string>> files = {
      {"top.txt", "top"},
      {"a/b/c/deep.bin", PatternBytes(2500, 1)},  // spans pieces of 1,000 bytes
      {"a/empty", ""},
      {"a/b/tail.txt", PatternBytes(300, 2)},  // ends in the piece kept in the header
  };
  MakeSet(files);
  {
    PieceSet set(Base(), SetAccess::kReadOnly);
    ASSERT_TRUE(Make(set, stub_).ok());
  }
  fs::create_directory(PathOf("out"));
  const ProcessResult run = RunProcess(Exe(), {PathOf("out")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("4 of 4 files rebuilt in " + PathOf("out/") + ", 0 errors"),
            std::string::npos)
      << run.out;
  for (const auto& [path, content] : files)
    EXPECT_EQ(ReadFile(PathOf("out/" + path)), content) << path;

  // The set grows; the old executable notices, a new one is made over it.
  {
    PieceSet set(Base());
    ASSERT_TRUE(AddSources(set, {{"later.txt", "later"}}));
  }
  const ProcessResult stale = RunProcess(Exe(), {PathOf("out2")});
  EXPECT_EQ(stale.status, 1);
  EXPECT_NE(stale.err.find("The set holds 5 files, but this program was made for a set of 4"),
            std::string::npos)
      << stale.err;
  {
    PieceSet set(Base(), SetAccess::kReadOnly);
    ASSERT_TRUE(Make(set, stub_).ok());
  }
  const ProcessResult fresh = RunProcess(Exe(), {}, PathOf("src/a"));  // into the current folder
  EXPECT_EQ(fresh.status, 0) << fresh.err;
  EXPECT_EQ(ReadFile(PathOf("src/a/later.txt")), "later");
}

TEST_F(MakeExeTest, MadeExecutableNeverWritesThroughLinksAndKeepsLookAlikeNamesApart) {
  MakeSet({{"src/a.txt", "stored a"}, {"src/A.txt", "stored A"}, {"top", "top"}});
  {
    PieceSet set(Base(), SetAccess::kReadOnly);
    ASSERT_TRUE(Make(set, stub_).ok());
  }
  WriteFile(PathOf("outside/victim"), "precious");
  fs::create_directories(PathOf("out"));
  fs::create_directory_symlink(PathOf("outside"), PathOf("out/src"));
  ProcessResult run = RunProcess(Exe(), {PathOf("out")});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("Refused link " + PathOf("out/src")), std::string::npos) << run.err;
  EXPECT_EQ(ListFolder(PathOf("outside")), std::vector<std::string>{"victim"});
  EXPECT_EQ(ReadFile(PathOf("out/top")), "top");

  fs::remove(PathOf("out/src"));
  fs::create_directories(PathOf("out/src"));
  fs::create_symlink(PathOf("outside/victim"), PathOf("out/src/a.txt"));
  run = RunProcess(Exe(), {PathOf("out")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadFile(PathOf("outside/victim")), "precious");
  EXPECT_EQ(ReadFile(PathOf("out/src/a.txt")), "stored a");
  EXPECT_EQ(ReadFile(PathOf("out/src/A.txt")), "stored A");
}

TEST_F(MakeExeTest, StubWithoutPatchAndSetWithUnsafeNamesAreRefused) {
  const ProcessResult bare = RunProcess(stub_, {PathOf("out")});
  EXPECT_EQ(bare.status, 1);
  EXPECT_NE(bare.err.find("holds no set name"), std::string::npos) << bare.err;

  WriteFile(Header(),
            HeaderBytes(StreamBytes(1000, 1, "xy",
                                    BlockBytes({{1, 8, 1, "..\\", "up"}, {1, 9, 1, "", "ok"}}))));
  {
    PieceSet set(Base(), SetAccess::kReadOnly);
    ASSERT_TRUE(Make(set, stub_).ok()) << set.LastError();
  }
  const ProcessResult run = RunProcess(Exe(), {PathOf("out")});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("Refused stored name ..\\up"), std::string::npos) << run.err;
  EXPECT_EQ(ReadFile(PathOf("out/ok")), "y");
  EXPECT_FALSE(FileExists(PathOf("up")));
}

TEST_F(MakeExeTest, MadeProgramTakesNoOptionsAndShowsNamesEscapedOnATerminal) {
  const std::string name = "evil\x1b]0;owned\x07\x1b[2Jname";
  WriteFile(Header(), HeaderBytes(StreamBytes(1000, 1, "x", BlockBytes({{1, 8, 1, "", name}}))));
  {
    PieceSet set(Base(), SetAccess::kReadOnly);
    ASSERT_TRUE(Make(set, stub_).ok());
  }
  for (const char* option : {"--help", "-h"}) {
    const ProcessResult asked = RunProcess(Exe(), {option}, Dir());
    EXPECT_EQ(asked.status, 2) << option;
    EXPECT_NE(asked.err.find("Rebuilds every file of the set backup.pec"), std::string::npos);
    EXPECT_FALSE(FileExists(PathOf(option))) << "no folder is made of an option";
  }
  EXPECT_EQ(RunProcess(Exe(), {"a", "b"}, Dir()).status, 2);
  // script gives the program a terminal: no escape character reaches it.
  const ProcessResult shown =
      RunProcess("/usr/bin/script", {"-qec", Exe() + " " + PathOf("out"), "/dev/null"}, Dir());
  EXPECT_EQ(shown.status, 0) << shown.out;
  EXPECT_NE(shown.out.find("evil\\x1b]0;owned\\x07\\x1b[2Jname"), std::string::npos) << shown.out;
  EXPECT_EQ(shown.out.find('\x1b'), std::string::npos);
  EXPECT_EQ(ReadFile(PathOf("out/") + name), "x");
}

// Pieces on several disks: at a terminal the program asks for a missing piece, looks in the
// folder given, and on S fails only the files in that piece; without one it fails at once.
TEST_F(MakeExeTest, AMissingPieceIsAskedForAtATerminalAndSkippedOnlyWhenTheUserSaysSo) {
  // Each file fills one piece's 992 bytes.
  MakeSet({{"a", PatternBytes(992, 1)}, {"b", PatternBytes(992, 2)}, {"c", PatternBytes(992, 3)}});
  {
    PieceSet set(Base(), SetAccess::kReadOnly);
    ASSERT_TRUE(Make(set, stub_).ok());
  }
  fs::create_directories(PathOf("disk2"));
  fs::rename(Piece(2), PathOf("disk2/backup2.pec"));
  // The answers are typed ahead into the terminal that script gives the program.
  const auto at_terminal = [&](const std::string& answers, const std::string& out) {
    return RunProcess("/bin/sh", {"-c", "printf '" + answers + "' | script -qec '" + Exe() + " " +
                                            PathOf(out) + "' /dev/null"});
  };
  const ProcessResult found = at_terminal("nowhere\\n" + PathOf("disk2") + "\\n", "out");
  EXPECT_EQ(found.status, 0) << found.out;
  EXPECT_NE(found.out.find("Insert the disk with backup2.pec, or give the folder that holds it; "
                           "Enter to retry, S to skip the files in it"),
            std::string::npos)
      << found.out;
  for (const char* name : {"a", "b", "c"}) EXPECT_EQ(FileSize(PathOf("out/") + name), 992) << name;

  const ProcessResult skipped = at_terminal("S\\n", "skipped");
  EXPECT_EQ(skipped.status, 1) << skipped.out;
  EXPECT_NE(skipped.out.find("2 of 3 files rebuilt"), std::string::npos) << skipped.out;
  EXPECT_EQ(ListFolder(PathOf("skipped")), (std::vector<std::string>{"a", "c"}));

  const ProcessResult unattended = RunProcess(Exe(), {PathOf("unattended")});
  EXPECT_EQ(unattended.status, 1);
  EXPECT_EQ(unattended.out.find("Insert the disk"), std::string::npos);
  EXPECT_NE(unattended.err.find("Can't open " + Piece(2)), std::string::npos) << unattended.err;
}

// Another set's piece of the same number has the same head; with the set's recovery files
// beside it, the program refuses it by name and asks again.
TEST_F(MakeExeTest, APieceOfAnotherSetGivenAtThePromptIsRefusedWhenRecoveryFilesTell) {
  MakeSet({{"a", PatternBytes(992, 1)}, {"b", PatternBytes(992, 2)}, {"c", PatternBytes(992, 3)}});
  ASSERT_TRUE(ProtectSet(platform::RealFileSystem(), SetPaths{Base()}, {}, nullptr).ok());
  {
    PieceSet set(Base(), SetAccess::kReadOnly);
    ASSERT_TRUE(Make(set, stub_).ok());
  }
  fs::create_directories(PathOf("disk2"));
  fs::rename(Piece(2), PathOf("disk2/backup2.pec"));
  fs::create_directories(PathOf("wrong"));
  {
    PieceSet other(PathOf("wrong/backup"), 1000);
    ASSERT_TRUE(AddSources(other, {{"x", PatternBytes(992 * 3, 9)}}));
  }
  const ProcessResult run = RunProcess(
      "/bin/sh", {"-c", "printf '" + PathOf("wrong") + "\\n" + PathOf("disk2") +
                            "\\n' | script -qec '" + Exe() + " " + PathOf("out") + "' /dev/null"});
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find(PathOf("wrong/backup2.pec") +
                         " is not piece 2 of this set: it does not match the set's recovery files"),
            std::string::npos)
      << run.out;
  EXPECT_EQ(ReadFile(PathOf("out/b")), PatternBytes(992, 2));
}

}  // namespace
}  // namespace vornalis::testing
