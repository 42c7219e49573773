// End-to-end tests that need what only POSIX systems give a test: FIFOs and symbolic links
// planted where the CLI reads or writes, a second writer holding the lock through flock(1),
// signals at any moment, a terminal from script(1), names that differ only in letter case as
// different files, and the stub for this system (Windows' own is tested under Wine).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <thread>

#include "engine/piece_set.h"
#include "tests/cli/cli_fixture.h"
#include "tests/support/raw_set.h"

namespace vornalis::testing {
namespace {

class CliPosixTest : public CliTest {};

TEST_F(CliPosixTest, LinksInTheTargetAreNeverWrittenThrough) {
  WriteFile(PathOf("src/a.txt"), "stored a");
  WriteFile(PathOf("src/sub/b.txt"), "stored b");
  ASSERT_EQ(Cli({"create", "set", "src"}).status, 0);
  WriteFile(PathOf("outside/victim"), "precious");
  fs::create_directories(PathOf("out"));
  fs::create_directory_symlink(PathOf("outside"), PathOf("out/src"));
  ProcessResult result = Cli({"extract", "set.pec", "out"});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("Refused link out/src: rebuilt files are never written through links"),
            std::string::npos)
      << result.err;
  EXPECT_EQ(ListFolder(PathOf("outside")), std::vector<std::string>{"victim"});

  fs::remove(PathOf("out/src"));
  fs::create_directories(PathOf("out/src"));
  fs::create_symlink(PathOf("outside/victim"), PathOf("out/src/a.txt"));
  fs::create_hard_link(PathOf("outside/victim"), PathOf("out/src/hard"));
  WriteFile(PathOf("src/hard"), "stored hard");
  ASSERT_EQ(Cli({"add", "set.pec", "src/hard"}).status, 0);
  result = Cli({"extract", "set.pec", "out"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(ReadFile(PathOf("outside/victim")), "precious");
  EXPECT_EQ(ReadFile(PathOf("out/src/a.txt")), "stored a");
  EXPECT_EQ(ReadFile(PathOf("out/hard")), "stored hard");
}

TEST_F(CliPosixTest, AFifoInPlaceOfAPieceOrTheHeaderIsRefusedWithItsName) {
  WriteFile(PathOf("src/big"), PatternBytes(2500, 1));
  ASSERT_EQ(Cli({"create", "set", "--size", "1000", "src"}).status, 0);
  fs::remove(PathOf("set2.pec"));
  ASSERT_EQ(mkfifo(PathOf("set2.pec").c_str(), 0644), 0);
  ProcessResult result = Cli({"extract", "set.pec", "out"});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("Can't open set2.pec: Not a regular file"), std::string::npos)
      << result.err;
  EXPECT_EQ(Cli({"verify", "set.pec"}).status, 1);

  fs::rename(PathOf("set.pec"), PathOf("kept.pec"));
  ASSERT_EQ(mkfifo(PathOf("set.pec").c_str(), 0644), 0);
  for (const char* command : {"list", "verify", "info"}) {
    result = Cli({command, "set.pec"});
    EXPECT_EQ(result.status, 1) << command;
    EXPECT_NE(result.err.find("Can't open set.pec: Not a regular file"), std::string::npos)
        << result.err;
  }
  result = Cli({"extract", "set2.pec", "out"});  // a piece that names a FIFO header
  EXPECT_EQ(result.status, 1);
}

TEST_F(CliPosixTest, ControlCharactersInNamesAreEscapedOnATerminalOnly) {
  const std::string name = "evil\x1b]0;owned\x07\x1b[2Jname";
  const std::vector<RawRecord> records = {{1, 8, 1, "", name}};
  WriteFile(PathOf("set.pec"), HeaderBytes(StreamBytes(1000, 1, "x", BlockBytes(records))));
  // Into a pipe the exact bytes go out, for scripts.
  EXPECT_NE(Cli({"list", "set.pec"}).out.find(name), std::string::npos);
  const ProcessResult json = Cli({"list", "set.pec", "--json"});
  EXPECT_NE(json.out.find("evil\\u001b]0;owned\\u0007\\u001b[2Jname"), std::string::npos)
      << json.out;
  // On a terminal (script gives the command one) no escape character reaches the screen.
  const ProcessResult shown = RunProcess(
      "/usr/bin/script", {"-qec", std::string(CliPath()) + " list set.pec", "/dev/null"}, Dir());
  EXPECT_EQ(shown.status, 0) << shown.err;
  EXPECT_NE(shown.out.find("evil\\x1b]0;owned\\x07\\x1b[2Jname"), std::string::npos) << shown.out;
  EXPECT_EQ(shown.out.find('\x1b'), std::string::npos);
}

TEST_F(CliPosixTest, SourcesThatAreNoFilesAreNamedAndSkippedAndTheRestIsStored) {
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

TEST_F(CliPosixTest, ALinkWhereTheNextPieceGoesIsRefusedAndNotWrittenThrough) {
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

TEST_F(CliPosixTest, ASecondWriterIsRefusedAtOnceWhileReadersGoOn) {
  WriteFile(PathOf("src/a"), "a");
  ASSERT_EQ(Cli({"create", "set", "src/a"}).status, 0);
  ASSERT_EQ(Cli({"protect", "set.pec"}).status, 0);
  // Another writer holds the set's lock (flock, as the engine takes it), as the desktop program
  // does while the set is open in it.
  BackgroundProcess holder("/usr/bin/flock", {PathOf("set.pec.lock"), "sleep", "3"});
  for (int i = 0; i < 300 && !FileExists(PathOf("set.pec.lock")); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  WriteFile(PathOf("src/b"), "b");
  const auto start = std::chrono::steady_clock::now();
  const ProcessResult added = Cli({"add", "set.pec", "src/b"});
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(added.status, 1);
  EXPECT_NE(added.err.find("set.pec is open in another program"), std::string::npos) << added.err;
  EXPECT_EQ(Cli({"list", "set.pec"}).status, 0);
  // Nor may the set be replaced under the writer.
  const ProcessResult replaced = Cli({"create", "--force", "set", "src/b"});
  EXPECT_EQ(replaced.status, 1);
  EXPECT_NE(replaced.err.find("set.pec is open in another program"), std::string::npos)
      << replaced.err;
  EXPECT_NE(Cli({"list", "set.pec"}).out.find("Total 1 files"), std::string::npos);
  // The set is verified as last committed; protect, which must hold it, names the true reason.
  const ProcessResult verified = Cli({"verify", "set.pec"});
  EXPECT_EQ(verified.status, 0) << verified.out << verified.err;
  const ProcessResult protected_again = Cli({"protect", "set.pec"});
  EXPECT_EQ(protected_again.status, 1);
  EXPECT_NE(protected_again.err.find("set.pec is open in another program"), std::string::npos)
      << protected_again.err;
  holder.Signal(SIGTERM);
  holder.Wait();
}

TEST_F(CliPosixTest, SigtermStopsAfterTheCurrentFileAndClosesTheSet) {
  constexpr int kFiles = 6000;
  for (int i = 0; i < kFiles; ++i) WriteFile(PathOf("src/f" + std::to_string(i)), "x");
  BackgroundProcess cli(CliPath(),
                        {"create", "-q", "--size", "1000", PathOf("set"), PathOf("src")});
  for (int i = 0; i < 5000 && !FileExists(PathOf("set1.pec")); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  cli.Signal(SIGTERM);
  const ProcessResult result = cli.Wait();
  EXPECT_EQ(result.status, 143) << result.err;
  EXPECT_EQ(Cli({"verify", "set.pec"}).status, 0);
  EXPECT_FALSE(FileExists(PathOf("set.pec.lock")));
}

TEST_F(CliPosixTest, ASignalAtAnyMomentLeavesNoLockAndAReplacedSetOnlyWhenTheNewOneIsWhole) {
  for (int i = 0; i < 400; ++i) WriteFile(PathOf("old/f" + std::to_string(i)), "old");
  for (int i = 0; i < 400; ++i) WriteFile(PathOf("new/g" + std::to_string(i)), "new");
  ASSERT_EQ(Cli({"create", "-q", "--size", "1000", "set", "old"}).status, 0);
  // From the first instant on (before the set's lock is taken) a signal lets the set close.
  for (int delay = 0; delay < 40; delay += 2) {
    BackgroundProcess cli(
        CliPath(), {"create", "-q", "--force", "--size", "1000", PathOf("set"), PathOf("new")});
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

TEST_F(CliPosixTest, CtrlCStopsAfterTheCurrentFileAndKeepsTheSet) {
  // Enough files that storing them all takes far longer than noticing the first piece.
  constexpr int kFiles = 6000;
  for (int i = 0; i < kFiles; ++i)
    WriteFile(PathOf("src/f" + std::to_string(i)),
              PatternBytes(100, static_cast<std::uint32_t>(i)));
  BackgroundProcess cli(CliPath(),
                        {"create", "-q", "--size", "1000", PathOf("set"), PathOf("src")});
  for (int i = 0; i < 5000 && !FileExists(PathOf("set1.pec")); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_TRUE(FileExists(PathOf("set1.pec")));
  cli.Signal(SIGINT);
  const ProcessResult result = cli.Wait();
  EXPECT_EQ(result.status, 130) << result.err;
  EXPECT_NE(result.err.find("Interrupted"), std::string::npos) << result.err;

  // The files stored before the interrupt are in the set, whole.
  const ProcessResult verified = Cli({"verify", "set.pec"});
  EXPECT_EQ(verified.status, 0) << verified.out;
  const ProcessResult extracted = Cli({"extract", "set.pec", "out"});
  ASSERT_EQ(extracted.status, 0) << extracted.err;
  const std::vector<std::string> rebuilt = ListFolder(PathOf("out/src"));
  EXPECT_GT(rebuilt.size(), 0u);
  EXPECT_LT(rebuilt.size(), static_cast<std::size_t>(kFiles));
  for (const std::string& name : rebuilt)
    EXPECT_EQ(ReadFile(PathOf("out/src/" + name)), ReadFile(PathOf("src/" + name))) << name;
}

// Names of one folder that differ only in letter case are one file to a set: the later one is
// named and left out (a system that ignores case could rebuild only one). Names that differ in
// their Unicode form, an invisible character or a control character are other files, and each
// comes back with its own bytes.
TEST_F(CliPosixTest, NamesDifferingOnlyInCaseAreLeftOutAndOtherFormsComeBackWithTheirOwnBytes) {
  const std::vector<std::pair<std::string, std::string>> twins = {
      {"A.txt", "UPPER CONTENT"},  {"a.txt", "lower content"},  {"README", "capitals"},
      {"readme", "small letters"}, {"\xC3\x84", "A diaeresis"}, {"\xC3\xA4", "a diaeresis"},
  };
  const std::vector<std::pair<std::string, std::string>> others = {
      {"caf\xC3\xA9", "composed"},      {"cafe\xCC\x81", "decomposed"},
      {"z\xE2\x80\x8Bw", "zero width"}, {"zw", "plain"},
      {"c\x01t", "control character"},  {"ct", "none"},
  };
  for (const auto& [name, content] : twins) WriteFile(PathOf("src/" + name), content);
  for (const auto& [name, content] : others) WriteFile(PathOf("src/" + name), content);
  const ProcessResult created = Cli({"create", "set", "--size", "1000", "src"});
  EXPECT_EQ(created.status, 1);
  EXPECT_NE(created.err.find("differ only in letter case"), std::string::npos) << created.err;
  const ProcessResult extracted = Cli({"extract", "set.pec", "out"});
  ASSERT_EQ(extracted.status, 0) << extracted.err;
  for (const auto& [name, content] : others)
    EXPECT_EQ(ReadFile(PathOf("out/src/" + name)), content) << name;
  for (std::size_t i = 0; i < twins.size(); i += 2) {
    const auto& [first, first_content] = twins[i];
    const auto& [second, second_content] = twins[i + 1];
    EXPECT_NE(FileExists(PathOf("out/src/" + first)), FileExists(PathOf("out/src/" + second)))
        << first << " and " << second << ": exactly one is stored";
    if (FileExists(PathOf("out/src/" + first)))
      EXPECT_EQ(ReadFile(PathOf("out/src/" + first)), first_content);
    else
      EXPECT_EQ(ReadFile(PathOf("out/src/" + second)), second_content);
  }
}

// A set that holds two such names (as sets made elsewhere may): a name given exactly picks that
// file, and one that several answer to is refused.
TEST_F(CliPosixTest, ANameSeveralStoredFilesAnswerToIsRefused) {
  WriteFile(PathOf("src/A.txt"), "UPPER CONTENT");
  WriteFile(PathOf("src/a.txt"), "lower content");
  {
    PieceSet set(PathOf("set"), 1000);
    ASSERT_TRUE(set.AddFiles(PathOf("src/"), {{"", "A.txt"}, {"", "a.txt"}}, nullptr, nullptr,
                             PathOf("src/")));
  }
  EXPECT_EQ(Cli({"extract", "set.pec", "one", "a.txt"}).status, 0);
  EXPECT_EQ(ReadFile(PathOf("one/a.txt")), "lower content");
  EXPECT_FALSE(FileExists(PathOf("one/A.txt")));
  const ProcessResult ambiguous = Cli({"extract", "set.pec", "two", "a.TXT"});
  EXPECT_EQ(ambiguous.status, 1);
  EXPECT_NE(ambiguous.err.find("The name a.TXT matches 2 stored files"), std::string::npos)
      << ambiguous.err;
  EXPECT_FALSE(FileExists(PathOf("two")));
}

TEST_F(CliPosixTest, ASetNamedInCapitalsOpensGrowsAndRebuilds) {
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

TEST_F(CliPosixTest, ASetOfAnySpellingIsReplacedOnlyWithForceInItsSpellingAndWhole) {
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

// make-exe makes the Windows program (run under Wine by tests/windows/); --native makes one for
// this system.
TEST_F(CliPosixTest, MakeExeMakesAWindowsProgramAndNativeOneForThisSystem) {
  MakeTree();
  ASSERT_EQ(Cli({"create", "set", "--size", "1000", "src/photos"}).status, 0);
  const ProcessResult made = Cli({"make-exe", "set1.pec"});
  ASSERT_EQ(made.status, 0) << made.err;
  EXPECT_EQ(made.out, "set.exe is created!\n");
  EXPECT_EQ(ReadFile(PathOf("set.exe")).substr(0, 2), "MZ");
  const ProcessResult native = Cli({"make-exe", "--native", "set1.pec"});
  ASSERT_EQ(native.status, 0) << native.err;
  EXPECT_EQ(native.out, "set.run is created!\n");
  const ProcessResult run = RunProcess(PathOf("set.run"), {"rebuilt"}, Dir());
  EXPECT_EQ(run.status, 0) << run.err;
  ExpectSameTree(PathOf("src/photos"), PathOf("rebuilt/photos"));
}

}  // namespace
}  // namespace vornalis::testing
