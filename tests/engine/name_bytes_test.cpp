// Names as a set stores them: code page 1252 where every character fits, UTF-8 otherwise, and
// read back the same on every system.
#include <gtest/gtest.h>

#include "engine/name_bytes.h"
#include "engine/piece_set.h"
#include "tests/support/raw_set.h"
#include "tests/support/set_fixture.h"

namespace vornalis::testing {
namespace {

struct NameCase {
  const char* what;
  std::string name;    // UTF-8, as the program holds it
  std::string stored;  // the bytes a set holds
};

class NameBytesTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(NameBytesTest, IsStoredAsTheRuleSaysAndReadsBackAsItself) {
  const NameCase& c = GetParam();
  EXPECT_EQ(StoredNameBytes(c.name), c.stored);
  EXPECT_EQ(StoredNameSize(c.name), c.stored.size());
  EXPECT_EQ(NameFromStored(c.stored), c.name);
}

INSTANTIATE_TEST_SUITE_P(
    Names, NameBytesTest,
    ::testing::Values(
        NameCase{"Ascii", "plain name.txt", "plain name.txt"},
        NameCase{"Umlaut", "\xC3\x84.txt", "\xC4.txt"},
        NameCase{"Accent", "caf\xC3\xA9.txt", "caf\xE9.txt"},
        NameCase{"Euro", "\xE2\x82\xACuro", "\x80uro"},
        NameCase{"UnassignedByte", "x\xC2\x81", "x\x81"},  // U+0081 is byte 81 on Windows
        NameCase{"Japanese", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt",
                 "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt"},
        NameCase{"MixedStaysUtf8", "caf\xC3\xA9 \xE6\x97\xA5", "caf\xC3\xA9 \xE6\x97\xA5"},
        // The code page bytes C3 A9 would read back as UTF-8 "é": such a name stays UTF-8.
        NameCase{"CodePageBytesThatLookLikeUtf8", "\xC3\x83\xC2\xA9", "\xC3\x83\xC2\xA9"}),
    [](const ::testing::TestParamInfo<NameCase>& param) { return param.param.what; });

TEST(NameFromStoredTest, BytesThatAreNotUtf8ReadAsTheCodePage) {
  EXPECT_EQ(NameFromStored("\xC0\xAF"), "\xC3\x80\xC2\xAF");  // overlong "/" is no UTF-8
  EXPECT_EQ(NameFromStored("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xE2\x82\xAC");  // nor a surrogate
  EXPECT_EQ(NameFromStored("\x9D"), "\xC2\x9D");
}

class StoredNamesTest : public SetTest {};

// What this program writes, and what a Western Windows program wrote, read the same.
TEST_F(StoredNamesTest, NamesCrossBetweenSystemsInBothDirections) {
  {
    PieceSet set(Base(), 1474560);
    ASSERT_TRUE(AddSources(set, {{"\xC3\x84/caf\xC3\xA9.txt", "1"}, {"\xE6\x97\xA5.txt", "22"}}))
        << set.LastError();
    EXPECT_SET_OK(set, Close());
  }
  const std::string header = ReadFile(Header());
  EXPECT_NE(header.find(U16(2) + "\xC4\\" + U16(8) + "caf\xE9.txt"), std::string::npos);
  EXPECT_NE(header.find(U16(0) + U16(7) + "\xE6\x97\xA5.txt"), std::string::npos);
  {
    PieceSet set(Base());
    ASSERT_EQ(set.Files().size(), 2u);
    EXPECT_EQ(set.Files()[0].Folder + set.Files()[0].Name, "\xC3\x84\\caf\xC3\xA9.txt");
    EXPECT_EQ(set.Files()[1].Name, "\xE6\x97\xA5.txt");
  }

  // A set written in the code page by another program: rebuilt under the names it stands for.
  const std::string other = PathOf("win");
  WriteFile(other + ".pec",
            HeaderBytes(StreamBytes(
                100, 1, "ab",
                BlockBytes({{1, 8, 1, "\xC4\\", "\xE9t\xE9.txt"}, {1, 9, 1, "", "na\xEFve"}}))));
  WriteFile(other + "1.pec", PieceBytes(1, "ab"));
  PieceSet set(other);
  ASSERT_EQ(set.LastError(), "");
  ASSERT_EQ(set.Files().size(), 2u);
  ASSERT_SET_OK(set, ExtractFile(PathOf("out/"), set.Files()[0]));
  ASSERT_SET_OK(set, ExtractFile(PathOf("out/"), set.Files()[1]));
  EXPECT_EQ(ReadFile(PathOf("out/\xC3\x84/\xC3\xA9t\xC3\xA9.txt")), "a");
  EXPECT_EQ(ReadFile(PathOf("out/na\xC3\xAFve")), "b");
}

}  // namespace
}  // namespace vornalis::testing
