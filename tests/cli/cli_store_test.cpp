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

TEST_F(CliStoreTest, SourcesThatAreNoFilesAreNamedAndSkippedAndTheRestIsStored) {
  WriteFile(PathOf("src/a.txt"), "a");
  ASSERT_EQ(mkfifo(PathOf("src/pipe").c_str(), 0644), 0);
  WriteFile(PathOf("src/back\\slash"), "cannot be held");
  WriteFile(PathOf("src/z.txt"), "z");
  const ProcessResult created = Cli({"create", "set", "src", "/dev/zero", "src/pipe"});
  EXPECT_EQ(created.status, 1);
  for (const std::string& path : {PathOf("src/pipe"), std::string("/dev/zero")})
    EXPECT_NE(created.err.find("Skipped " + path + ": it is not a regular file"), std::string::npos)
        << created.err;
  EXPECT_NE(created.err.find("Skipped " + PathOf("src/back\\slash") + ": a set cannot hold"),
            std::string::npos)
      << created.err;
  EXPECT_NE(created.out.find("Stored 2 files."), std::string::npos) << created.out;
  const ProcessResult listed = Cli({"list", "set.pec"});
  EXPECT_NE(listed.out.find("a.txt"), std::string::npos);
  EXPECT_NE(listed.out.find("z.txt"), std::string::npos);
  EXPECT_EQ(listed.out.find("pipe"), std::string::npos);
}

TEST_F(CliStoreTest, ALinkWhereTheNextPieceGoesIsRefusedAndNotWrittenThrough) {
  WriteFile(PathOf("src/one"), PatternBytes(1500, 1));
  ASSERT_EQ(Cli({"create", "set", "--size", "1000", "src/one"}).status, 0);
  WriteFile(PathOf("victim"), "precious");
  fs::create_symlink(PathOf("victim"), PathOf("set3.pec"));
  WriteFile(PathOf("src/two"), PatternBytes(1500, 2));
  const ProcessResult added = Cli({"add", "set.pec", "src/two"});
  EXPECT_EQ(added.status, 1);
  EXPECT_NE(added.err.find("set3.pec is in the way"), std::string::npos) << added.err;
  EXPECT_NE(added.err.find("Nothing was stored; the set is as it was before. Total 1 files"),
            std::string::npos)
      << added.err;
  EXPECT_EQ(ReadFile(PathOf("victim")), "precious");
  const ProcessResult verified = Cli({"verify", "set.pec"});
  EXPECT_EQ(verified.status, 0) << verified.out;
  EXPECT_NE(Cli({"list", "set.pec"}).out.find("Total 1 files"), std::string::npos);
}

TEST_F(CliStoreTest, ASecondWriterIsRefusedAtOnceWhileReadersGoOn) {
  WriteFile(PathOf("src/a"), "a");
  ASSERT_EQ(Cli({"create", "set", "src/a"}).status, 0);
  // Another writer holds the set's lock (flock, as the engine takes it).
  BackgroundProcess holder("/usr/bin/flock", {PathOf("set.pec.lock"), "sleep", "3"});
  for (int i = 0; i < 300 && !FileExists(PathOf("set.pec.lock")); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  WriteFile(PathOf("src/b"), "b");
  const auto start = std::chrono::steady_clock::now();
  const ProcessResult added = Cli({"add", "set.pec", "src/b"});
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(added.status, 1);
  EXPECT_NE(added.err.find("set.pec is in use"), std::string::npos) << added.err;
  EXPECT_EQ(Cli({"list", "set.pec"}).status, 0);
  // Nor may the set be replaced under the writer.
  const ProcessResult replaced = Cli({"create", "--force", "set", "src/b"});
  EXPECT_EQ(replaced.status, 1);
  EXPECT_NE(replaced.err.find("set.pec is in use"), std::string::npos) << replaced.err;
  EXPECT_NE(Cli({"list", "set.pec"}).out.find("Total 1 files"), std::string::npos);
  holder.Signal(SIGTERM);
  holder.Wait();
}

TEST_F(CliStoreTest, ADamagedHeaderIsNamedWithTheMessage) {
  WriteFile(PathOf("s.pec"), "QBXR and nothing of sense");
  const ProcessResult listed = Cli({"list", "s.pec"});
  EXPECT_EQ(listed.status, 1);
  EXPECT_NE(listed.err.find("s.pec: File format is not correct"), std::string::npos) << listed.err;
}

TEST_F(CliStoreTest, SigtermStopsAfterTheCurrentFileAndClosesTheSet) {
  constexpr int kFiles = 6000;
  for (int i = 0; i < kFiles; ++i) WriteFile(PathOf("src/f" + std::to_string(i)), "x");
  BackgroundProcess cli(VORNALIS_CLI_PATH,
                        {"create", "-q", "--size", "1000", PathOf("set"), PathOf("src")});
  for (int i = 0; i < 5000 && !FileExists(PathOf("set1.pec")); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  cli.Signal(SIGTERM);
  const ProcessResult result = cli.Wait();
  EXPECT_EQ(result.status, 143) << result.err;
  EXPECT_EQ(Cli({"verify", "set.pec"}).status, 0);
  EXPECT_FALSE(FileExists(PathOf("set.pec.lock")));
}

TEST_F(CliStoreTest, ASetNamedInCapitalsOpensGrowsAndRebuilds) {
  // As copied from a FAT floppy: every name in capitals.
  WriteFile(PathOf("src/a.txt"), PatternBytes(2500, 1));
  ASSERT_EQ(Cli({"create", "demo", "--size", "1000", "src/a.txt"}).status, 0);
  fs::rename(PathOf("demo.pec"), PathOf("DEMO.PEC"));
  fs::rename(PathOf("demo1.pec"), PathOf("DEMO1.PEC"));
  fs::rename(PathOf("demo2.pec"), PathOf("DEMO2.PEC"));
  for (const char* chosen : {"DEMO.PEC", "DEMO1.PEC"}) {
    const ProcessResult listed = Cli({"list", chosen});
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_NE(listed.out.find("a.txt"), std::string::npos);
  }
  WriteFile(PathOf("src/b.txt"), PatternBytes(1800, 2));
  const ProcessResult added = Cli({"add", "DEMO.PEC", "src/b.txt"});
  EXPECT_EQ(added.status, 0) << added.err;
  EXPECT_TRUE(FileExists(PathOf("DEMO4.PEC")));
  EXPECT_FALSE(FileExists(PathOf("DEMO4.pec")));
  EXPECT_FALSE(FileExists(PathOf("DEMO.pec")));
  EXPECT_EQ(Cli({"verify", "DEMO.PEC"}).status, 0);
  ASSERT_EQ(Cli({"extract", "DEMO2.PEC", "out"}).status, 0);
  EXPECT_EQ(ReadFile(PathOf("out/a.txt")), PatternBytes(2500, 1));
  EXPECT_EQ(ReadFile(PathOf("out/b.txt")), PatternBytes(1800, 2));
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

TEST_F(CliStoreTest, ASignalAtAnyMomentLeavesNoLockAndAReplacedSetOnlyWhenTheNewOneIsWhole) {
  for (int i = 0; i < 400; ++i) WriteFile(PathOf("old/f" + std::to_string(i)), "old");
  for (int i = 0; i < 400; ++i) WriteFile(PathOf("new/g" + std::to_string(i)), "new");
  ASSERT_EQ(Cli({"create", "-q", "--size", "1000", "set", "old"}).status, 0);
  // From the first instant on (before the set's lock is taken) a signal lets the set close.
  for (int delay = 0; delay < 40; delay += 2) {
    BackgroundProcess cli(VORNALIS_CLI_PATH, {"create", "-q", "--force", "--size", "1000",
                                              PathOf("set"), PathOf("new")});
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    cli.Signal(delay % 4 == 0 ? SIGTERM : SIGHUP);
    const ProcessResult result = cli.Wait();
    EXPECT_FALSE(FileExists(PathOf("set.pec.lock"))) << delay;
    const ProcessResult listed = Cli({"list", "set.pec"});
    EXPECT_EQ(listed.status, 0) << delay << listed.err;
    // Stopped, the replacing is thrown away; done, the new set is whole.
    const bool replaced = result.status == 0;
    EXPECT_NE(listed.out.find(replaced ? "g399" : "f399"), std::string::npos) << delay;
    if (replaced) {
      ASSERT_EQ(Cli({"create", "-q", "--force", "--size", "1000", "set", "old"}).status, 0);
    }
  }
}

TEST_F(CliStoreTest, ASetOfAnySpellingIsReplacedOnlyWithForceInItsSpellingAndWhole) {
  WriteFile(PathOf("src/big"), PatternBytes(12000, 1));
  WriteFile(PathOf("src/small"), "s");
  ASSERT_EQ(Cli({"create", "-q", "--size", "1000", "SET", "src/big"}).status, 0);
  for (const auto& entry : fs::directory_iterator(Dir()))
    if (entry.path().extension() == ".pec")
      fs::rename(entry.path(), PathOf(entry.path().stem().string() + ".PEC"));
  const ProcessResult refused = Cli({"create", "SET.PEC", "src/small"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("The set SET.PEC already exists\nGive --force to replace it."),
            std::string::npos)
      << refused.err;
  ASSERT_EQ(Cli({"create", "--force", "SET.PEC", "src/small"}).status, 0);
  EXPECT_EQ(ListFolder(Dir()), (std::vector<std::string>{"SET.PEC", "src"}));
  EXPECT_NE(Cli({"list", "SET.PEC"}).out.find("Total 1 files, 1 bytes"), std::string::npos);
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
