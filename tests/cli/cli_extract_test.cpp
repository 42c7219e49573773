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

TEST_F(CliExtractTest, TotalsPastFourGigabytesDoNotWrap) {
  const std::vector<RawRecord> records = {
      {1, 8, 0xFFFFFFFF, "", "huge"}, {1, 8, 4, "", "small"}, {1, 8, 6, "", "other"}};
  WriteFile(PathOf("set.pec"), HeaderBytes(StreamBytes(1000, 1, "x", BlockBytes(records))));
  const ProcessResult listed = Cli({"list", "set.pec"});
  EXPECT_NE(listed.out.find("Total 3 files, 4096 MB"), std::string::npos) << listed.out;
  const ProcessResult json = Cli({"list", "set.pec", "--json"});
  EXPECT_NE(json.out.find("\"total_bytes\":4294967305"), std::string::npos) << json.out;
}

TEST_F(CliExtractTest, ThreadsChangeNothingButTheTimeAWholeSetTakes) {
  // 300 files in 5 folders over 4,000-byte pieces, with a piece damaged in each half.
  for (int i = 0; i < 300; ++i) {
    WriteFile(PathOf("src/d" + std::to_string(i % 5) + "/f" + std::to_string(i)),
              PatternBytes(static_cast<std::size_t>(i * 53 % 2500), i));
  }
  ASSERT_EQ(Cli({"create", "-q", "--size", "4000", "set", "src"}).status, 0);
  for (const char* name : {"set10.pec", "set80.pec"}) {
    std::string piece = ReadFile(PathOf(name));
    piece[0] ^= 1;
    WriteFile(PathOf(name), piece);
  }

  const ProcessResult one = Cli({"extract", "-q", "--threads", "1", "set.pec", "one"});
  EXPECT_EQ(one.status, 1);
  EXPECT_LT(one.err.find("set10.pec"), one.err.find("set80.pec")) << one.err;
  for (const char* threads : {"2", "7"}) {
    SCOPED_TRACE(threads);
    const std::string out = std::string("out") + threads;
    const ProcessResult many = Cli({"extract", "-q", "--threads", threads, "set.pec", out});
    EXPECT_EQ(many.status, one.status);
    std::string expected = one.err;
    for (std::size_t at;
         (at = expected.find("one" + std::string(1, platform::kSeparator))) != std::string::npos;) {
      expected.replace(at, 3, out);
    }
    EXPECT_EQ(many.err, expected);  // the same failures, in the same order
    ExpectSameTree(PathOf("one"), PathOf(out));
  }
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
