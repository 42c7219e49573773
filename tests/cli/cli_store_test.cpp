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

}  // namespace
}  // namespace vornalis::testing
