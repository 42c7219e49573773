#include <gtest/gtest.h>

#include <filesystem>

#include "engine/verify.h"
#include "tests/support/raw_set.h"
#include "tests/support/set_fixture.h"

namespace vornalis::testing {
namespace {

class VerifyTest : public SetTest {
 protected:
  void MakeSet() {
    PieceSet set(Base(), 100);
    ASSERT_TRUE(
        AddSources(set, {{"a", PatternBytes(150, 1)}, {"b", PatternBytes(100, 2)}, {"c", ""}}));
  }
};

TEST_F(VerifyTest, SpansCoverThePiecesAFileTouches) {
  EXPECT_GT(SpanOf({"", "e", 3, 50, 0}, 100).first, SpanOf({"", "e", 3, 50, 0}, 100).last);
  EXPECT_EQ(SpanOf({"", "f", 1, 8, 92}, 100).last, 1u);
  EXPECT_EQ(SpanOf({"", "f", 1, 8, 93}, 100).last, 2u);
  EXPECT_EQ(SpanOf({"", "f", 2, 99, 1}, 100).last, 2u);
  EXPECT_EQ(SpanOf({"", "f", 2, 99, 2}, 100).last, 3u);
}

TEST_F(VerifyTest, SoundSetHasNoProblems) {
  MakeSet();
  PieceSet set(Base(), SetAccess::kReadOnly);
  const VerifyReport report = VerifySet(set);
  EXPECT_TRUE(report.ok()) << report.problems[0].status.message;
  EXPECT_EQ(report.pieces_checked, 3u);
}

TEST_F(VerifyTest, MissingShortAndForeignPiecesAreNamedWithTheirFiles) {
  MakeSet();
  std::filesystem::remove(Piece(1));
  std::filesystem::resize_file(Piece(2), 99);
  PieceSet set(Base(), SetAccess::kReadOnly);
  const VerifyReport report = VerifySet(set);
  ASSERT_EQ(report.problems.size(), 2u);
  EXPECT_EQ(report.problems[0].status.message, "Missing piece " + Piece(1));
  EXPECT_EQ(report.problems[0].affected, (std::vector<std::string>{"a"}));
  EXPECT_EQ(report.problems[1].status.message,
            "Damaged piece " + Piece(2) + ": it is 99 bytes long, not 100");
  EXPECT_EQ(report.problems[1].affected, (std::vector<std::string>{"a", "b"}));
}

TEST_F(VerifyTest, AHeaderClaimingBillionsOfPiecesThatAreNotThereIsCheckedInBoundedWork) {
  // A header of the large form whose one file spans 4 billion pieces, of which one is there.
  constexpr std::uint32_t kLast = 4000000000u;
  const std::uint64_t size = (kLast - 1ull) * 992 + 10;
  WriteFile(Header(), HeaderBytes(StreamBytes(1000, kLast, std::string(10, 't'),
                                              BlockBytes({{1, 8, size, "", "vast"}}, true)),
                                  0, true));
  WriteFile(Piece(100), PieceBytes(100, std::string(992, 'p')));
  PieceSet set(Base(), SetAccess::kReadOnly);
  ASSERT_EQ(set.Files().size(), 1u) << set.LastError();
  const VerifyReport report = VerifySet(set);
  // 64 missing pieces one by one, the run to the piece that is there, the run after it.
  ASSERT_EQ(report.problems.size(), 64u + 1 + 64 + 1);
  EXPECT_EQ(report.problems[63].status.message, "Missing piece " + Piece(64));
  EXPECT_EQ(report.problems[64].status.message, "Missing pieces " + Piece(65) + " to " + Piece(99));
  EXPECT_EQ(report.problems[65].status.message, "Missing piece " + Piece(101));
  EXPECT_EQ(report.problems.back().status.message,
            "Missing pieces " + Piece(165) + " to " + Piece(kLast - 1));
  EXPECT_EQ(report.problems.back().affected, (std::vector<std::string>{"vast"}));
  EXPECT_EQ(report.pieces_checked, kLast);
}

TEST_F(VerifyTest, EntryPastTheStoredBytesIsReported) {
  WriteFile(Header(),
            HeaderBytes(StreamBytes(100, 1, "abc",
                                    BlockBytes({{1, 8, 3, "", "ok"}, {1, 9, 5, "", "long"}}))));
  PieceSet set(Base(), SetAccess::kReadOnly);
  const VerifyReport report = VerifySet(set);
  ASSERT_EQ(report.problems.size(), 1u) << set.LastError();
  EXPECT_EQ(report.problems[0].status.message,
            "Stored file long reaches past the end of the stored bytes");
  // Bytes stored after it would look like its own: nothing is stored into such a set.
  PieceSet writer(Base());
  EXPECT_FALSE(writer.CanStore());
  EXPECT_EQ(writer.LastError(), "Nothing can be stored: the catalogue of " + Header() +
                                    " is damaged. Stored file long reaches past the end of the "
                                    "stored bytes");
  EXPECT_EQ(writer.Files().size(), 2u);
}

}  // namespace
}  // namespace vornalis::testing
