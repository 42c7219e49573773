// End-to-end tests of storing as a hostile machine would try it: sources that are no files, a
// link planted where the next piece goes, a second writer, a damaged header, and SIGTERM.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <thread>

#include "tests/cli/cli_fixture.h"
#include "tests/support/raw_set.h"

namespace vornalis::testing {
namespace {

class CliStoreTest : public CliTest {};

TEST_F(CliStoreTest, ADamagedHeaderIsNamedWithTheMessage) {
  WriteFile(PathOf("s.pec"), "QBXR and nothing of sense");
  const ProcessResult listed = Cli({"list", "s.pec"});
  EXPECT_EQ(listed.status, 1);
  EXPECT_NE(listed.err.find("s.pec: File format is not correct"), std::string::npos) << listed.err;
}

TEST_F(CliStoreTest, NeighbouringSetsNeverGrowIntoEachOther) {
  WriteFile(PathOf("src/big"), PatternBytes(3000, 1));
  WriteFile(PathOf("src/one"), "1");
  WriteFile(PathOf("src/two"), "2");
  ASSERT_EQ(Cli({"create", "--size", "1000", "backup", "src/one"}).status, 0);
  ASSERT_EQ(Cli({"create", "--size", "1000", "backup2", "src/two"}).status, 0);
  ASSERT_EQ(Cli({"create", "--size", "1000", "a1", "src/two"}).status, 0);
  ASSERT_EQ(Cli({"create", "--size", "1000", "a", "src/one"}).status, 1);  // a1.pec is not a's
  fs::remove(PathOf("a1.pec"));
  ASSERT_EQ(Cli({"create", "--size", "1000", "a", "src/one"}).status, 0);
  ASSERT_EQ(Cli({"create", "--size", "1000", "a1", "src/two"}).status, 0);
  const std::string neighbours = ReadFile(PathOf("backup2.pec")) + ReadFile(PathOf("a1.pec"));

  // Piece 2 of backup would be the header of backup2.
  const ProcessResult grown = Cli({"add", "backup.pec", "src/big"});
  EXPECT_EQ(grown.status, 1);
  EXPECT_NE(grown.err.find("backup2.pec belongs to another set; move one of the two sets to its "
                           "own folder"),
            std::string::npos)
      << grown.err;
  // Opening a for storing would lay its tail out as a1.pec, and closing would remove it.
  const ProcessResult nothing = Cli({"add", "a.pec", "src/one"});
  EXPECT_EQ(nothing.status, 1);
  EXPECT_EQ(ReadFile(PathOf("backup2.pec")) + ReadFile(PathOf("a1.pec")), neighbours);
  for (const char* set : {"backup.pec", "backup2.pec", "a.pec", "a1.pec"}) {
    const ProcessResult listed = Cli({"list", set});
    EXPECT_EQ(listed.status, 0) << set;
    EXPECT_NE(listed.out.find("Total 1 files"), std::string::npos) << set;
  }
}

TEST_F(CliStoreTest, TheSetsOwnFilesAreNeverStoredAndTwoFoldersOfOneNameStayApart) {
  WriteFile(PathOf("d/a"), PatternBytes(2500, 1));
  ASSERT_EQ(Cli({"create", "--size", "1000", "d/s", "d/a"}).status, 0);
  ASSERT_EQ(Cli({"make-exe", "d/s.pec"}).status, 0);
  fs::copy_file(PathOf("d/s.exe"), PathOf("d/renamed.bin"));
  WriteFile(PathOf("d/b"), "b");
  const ProcessResult added = Cli({"add", "d/s.pec", "d"});
  EXPECT_EQ(added.status, 0) << added.err;
  for (const char* own : {"s.pec", "s1.pec", "s2.pec", "s.exe", "renamed.bin"})
    EXPECT_NE(added.out.find("Skipped " + PathOf("d/") + own + ": it is a file of the set itself"),
              std::string::npos)
        << own << added.out;
  const ProcessResult listed = Cli({"list", "d/s.pec"});
  EXPECT_NE(listed.out.find("Total 3 files"), std::string::npos) << listed.out;

  WriteFile(PathOf("home/photos/img1.jpg"), "home");
  WriteFile(PathOf("usb/photos/img1.jpg"), "usb");
  const ProcessResult both = Cli({"create", "p", "home/photos", "usb/photos"});
  EXPECT_EQ(both.status, 0) << both.err;
  ASSERT_EQ(Cli({"extract", "p.pec", "out"}).status, 0);
  EXPECT_EQ(ReadFile(PathOf("out/home/photos/img1.jpg")), "home");
  EXPECT_EQ(ReadFile(PathOf("out/usb/photos/img1.jpg")), "usb");
}

TEST_F(CliStoreTest, AHeaderCopiedWithoutItsExtensionListsAndRebuildsButTakesNoFiles) {
  WriteFile(PathOf("src/a"), "a");
  ASSERT_EQ(Cli({"create", "-q", "hdr", "src/a"}).status, 0);
  fs::copy_file(PathOf("hdr.pec"), PathOf("hdrcopy"));
  EXPECT_NE(Cli({"list", "hdrcopy"}).out.find("Total 1 files"), std::string::npos);
  EXPECT_EQ(Cli({"extract", "-q", "hdrcopy", "out"}).status, 0);
  EXPECT_EQ(ReadFile(PathOf("out/a")), "a");
  const ProcessResult added = Cli({"add", "hdrcopy", "src/a"});
  EXPECT_EQ(added.status, 1);
  EXPECT_NE(added.err.find("rename it to hdrcopy.pec"), std::string::npos) << added.err;
  EXPECT_EQ(ListFolder(Dir()), (std::vector<std::string>{"hdr.pec", "hdrcopy", "out", "src"}));
}

}  // namespace
}  // namespace vornalis::testing
