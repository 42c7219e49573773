// End-to-end tests of rebuilding and listing as a hostile set or target would try them: names
// that differ only in case or form, planted links, damaged entries, FIFOs, terminal escapes and
// totals past 4 GB.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "cli/json.h"
#include "cli/shown_name.h"
#include "tests/cli/cli_fixture.h"
#include "tests/support/raw_set.h"

namespace vornalis::testing {
namespace {

class CliExtractTest : public CliTest {};

TEST_F(CliExtractTest, NamesDifferingOnlyInCaseOrFormEachComeBackWithTheirOwnBytes) {
  const std::vector<std::pair<std::string, std::string>> files = {
      {"A.txt", "UPPER CONTENT"},       {"a.txt", "lower content"},
      {"README", "capitals"},           {"readme", "small letters"},
      {"\xC3\x84", "A diaeresis"},      {"\xC3\xA4", "a diaeresis"},
      {"caf\xC3\xA9", "composed"},      {"cafe\xCC\x81", "decomposed"},
      {"z\xE2\x80\x8Bw", "zero width"}, {"zw", "plain"},
      {"c\x01t", "control character"},  {"ct", "none"},
  };
  for (const auto& [name, content] : files) WriteFile(PathOf("src/" + name), content);
  ASSERT_EQ(Cli({"create", "set", "--size", "1000", "src"}).status, 0);
  const ProcessResult extracted = Cli({"extract", "set.pec", "out"});
  ASSERT_EQ(extracted.status, 0) << extracted.err;
  for (const auto& [name, content] : files)
    EXPECT_EQ(ReadFile(PathOf("out/src/" + name)), content) << name;

  // A name given exactly picks that file; one that several answer to is refused.
  EXPECT_EQ(Cli({"extract", "set.pec", "one", "src/a.txt"}).status, 0);
  EXPECT_EQ(ReadFile(PathOf("one/src/a.txt")), "lower content");
  EXPECT_FALSE(FileExists(PathOf("one/src/A.txt")));
  const ProcessResult ambiguous = Cli({"extract", "set.pec", "two", "src/Readme"});
  EXPECT_EQ(ambiguous.status, 1);
  EXPECT_NE(ambiguous.err.find("The name src\\Readme matches 2 stored files"), std::string::npos)
      << ambiguous.err;
  EXPECT_FALSE(FileExists(PathOf("two")));
}

TEST_F(CliExtractTest, LinksInTheTargetAreNeverWrittenThrough) {
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

TEST_F(CliExtractTest, AnEntryPastTheStoredBytesOrOverlappingAnotherFailsExtractAndVerify) {
  // The tail holds 20 bytes; "bad" claims 40, which would take catalogue bytes as its own;
  // "x" and "y" share bytes, so one of them has a damaged size.
  const std::vector<RawRecord> records = {
      {1, 8, 40, "", "bad"}, {1, 8, 10, "", "good"}, {1, 18, 6, "", "x"}, {1, 22, 6, "", "y"}};
  WriteFile(PathOf("set.pec"),
            HeaderBytes(StreamBytes(1000, 1, "0123456789abcdefghij", BlockBytes(records))));
  const ProcessResult verified = Cli({"verify", "set.pec"});
  EXPECT_EQ(verified.status, 1);
  EXPECT_NE(verified.out.find("Stored file y shares its bytes with another stored file"),
            std::string::npos)
      << verified.out;
  const ProcessResult extracted = Cli({"extract", "set.pec", "out"});
  EXPECT_EQ(extracted.status, 1);
  EXPECT_NE(extracted.err.find("Stored file bad reaches past the end of the stored bytes"),
            std::string::npos)
      << extracted.err;
  EXPECT_NE(extracted.err.find("Stored file x shares its bytes"), std::string::npos);
  EXPECT_FALSE(FileExists(PathOf("out/bad")));
  EXPECT_FALSE(FileExists(PathOf("out/x")));
  EXPECT_EQ(ReadFile(PathOf("out/good")), "0123456789");
}

TEST_F(CliExtractTest, AFifoInPlaceOfAPieceOrTheHeaderIsRefusedWithItsName) {
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

TEST_F(CliExtractTest, ControlCharactersInNamesAreEscapedOnATerminalOnly) {
  const std::string name = "evil\x1b]0;owned\x07\x1b[2Jname";
  const std::vector<RawRecord> records = {{1, 8, 1, "", name}};
  WriteFile(PathOf("set.pec"), HeaderBytes(StreamBytes(1000, 1, "x", BlockBytes(records))));
  // Into a pipe the exact bytes go out, for scripts.
  EXPECT_NE(Cli({"list", "set.pec"}).out.find(name), std::string::npos);
  const ProcessResult json = Cli({"list", "set.pec", "--json"});
  EXPECT_NE(json.out.find("evil\\u001b]0;owned\\u0007\\u001b[2Jname"), std::string::npos)
      << json.out;
  // On a terminal (script gives the command one) no escape character reaches the screen.
  const ProcessResult shown =
      RunProcess("/usr/bin/script",
                 {"-qec", std::string(VORNALIS_CLI_PATH) + " list set.pec", "/dev/null"}, Dir());
  EXPECT_EQ(shown.status, 0) << shown.err;
  EXPECT_NE(shown.out.find("evil\\x1b]0;owned\\x07\\x1b[2Jname"), std::string::npos) << shown.out;
  EXPECT_EQ(shown.out.find('\x1b'), std::string::npos);
}

TEST_F(CliExtractTest, TotalsPastFourGigabytesDoNotWrap) {
  const std::vector<RawRecord> records = {
      {1, 8, 0xFFFFFFFF, "", "huge"}, {1, 8, 4, "", "small"}, {1, 8, 6, "", "other"}};
  WriteFile(PathOf("set.pec"), HeaderBytes(StreamBytes(1000, 1, "x", BlockBytes(records))));
  const ProcessResult listed = Cli({"list", "set.pec"});
  EXPECT_NE(listed.out.find("Total 3 files, 4096 MB"), std::string::npos) << listed.out;
  const ProcessResult json = Cli({"list", "set.pec", "--json"});
  EXPECT_NE(json.out.find("\"total_bytes\":4294967305"), std::string::npos) << json.out;
}

TEST(ShownNameTest, ControlCharactersAreEscapedAndTextIsKept) {
  using vornalis::EscapeControls;
  EXPECT_EQ(EscapeControls("plain \xC3\xA4 folder\\name"), "plain \xC3\xA4 folder\\name");
  EXPECT_EQ(EscapeControls("a\nb\tc\x7f"), "a\\x0ab\\x09c\\x7f");
  EXPECT_EQ(EscapeControls("csi\xC2\x9b"), "csi\\xc2\\x9b");                  // C1 in UTF-8
  EXPECT_EQ(EscapeControls("csi\x9b[2J"), "csi\\x9b[2J");                     // C1 in an 8-bit name
  EXPECT_EQ(EscapeControls("\xE2\x80\x8B\xC4\x80"), "\xE2\x80\x8B\xC4\x80");  // not controls
  EXPECT_EQ(cli::JsonString("q\"\\\x01\x7f"), "\"q\\\"\\\\\\u0001\\u007f\"");
}

}  // namespace
}  // namespace vornalis::testing
