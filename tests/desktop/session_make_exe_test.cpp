// Make .EXE through the session: the stub looked for where the command line puts it and then
// beside the program, the executable beside the set, and the messages of each outcome.
#include <gtest/gtest.h>

#include <cerrno>

#include "desktop/session.h"
#include "tests/desktop/session_fixture.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/raw_set.h"

namespace vornalis::testing {
namespace {

using desktop::Command;

class SessionMakeExeTest : public SessionTest {
 protected:
  FaultFileSystem faults_{platform::RealFileSystem()};
};

TEST_F(SessionMakeExeTest, TheStubInTheStartingFolderIsCopiedAndPatchedBesideTheSet) {
  Start();  // without arguments the stub is the starting folder's
  ASSERT_EQ(S().StartUp().StubPath, PathOf("ext.dll"));
  WriteFile(PathOf("ext.dll"), std::string(40000, 'S'));
  MakeAndOpen("backup", {{"a", "1"}, {"b", "2"}, {"c", "3"}});
  S().Run(Command::kMakeExe);
  EXPECT_EQ(Told(),
            std::vector<std::string>{"Information: " + PathOf("backup.exe") + " is created!"});
  const std::string bytes = ReadFile(PathOf("backup.exe"));
  ASSERT_EQ(bytes.size(), 40000u);
  EXPECT_EQ(bytes.substr(32824, 10), std::string("\x03\x00\x00\x00", 4) + "backup");
  EXPECT_TRUE(S().SetOpen());
}

TEST_F(SessionMakeExeTest, WithoutAStubWhereTheCommandLinePutsItTheOneBesideTheProgramIsUsed) {
  Start();
  ASSERT_NE(S().StartUp().StubPath, S().StartUp().StubFallback);
  WriteFile(S().StartUp().StubFallback, std::string(40000, 'F'));
  MakeAndOpen("backup", {{"a", "1"}});
  S().Run(Command::kMakeExe);
  EXPECT_EQ(Told(),
            std::vector<std::string>{"Information: " + PathOf("backup.exe") + " is created!"});
  EXPECT_EQ(ReadFile(PathOf("backup.exe")).substr(0, 4), "FFFF");
}

TEST_F(SessionMakeExeTest, ASetWithoutFilesMakesNothing) {
  Start();
  WriteFile(PathOf("ext.dll"), std::string(40000, 'S'));
  WriteFile(PathOf("empty.pec"), HeaderBytes(StreamBytes(1000, 0, "", BlockBytes({}))));
  S().OpenPieceFile(PathOf("empty.pec"));
  S().Run(Command::kMakeExe);
  EXPECT_EQ(Told(), std::vector<std::string>{"Error: Can't Make .EXE without any files added!"});
  EXPECT_FALSE(FileExists(PathOf("empty.exe")));
}

TEST_F(SessionMakeExeTest, AMissingStubIsReportedWithThePlaceTried) {
  faults_.FailPath(FaultFileSystem::Op::kOpen, "ext.dll", ENOENT);  // nowhere to be found
  Start({}, faults_);
  MakeAndOpen("backup", {{"a", "1"}});
  S().Run(Command::kMakeExe);
  // Said as the CLI says it: the place looked in last, and why it could not be read.
  EXPECT_EQ(Told(), std::vector<std::string>{"Error: Can't create " + PathOf("backup.exe") +
                                             ": the program it is made from, " +
                                             S().StartUp().StubFallback +
                                             ", cannot be read: No such file or directory"});
  EXPECT_FALSE(FileExists(PathOf("backup.exe")));
}

}  // namespace
}  // namespace vornalis::testing
