#include <gtest/gtest.h>

#include <filesystem>

#include "engine/verify.h"
#include "platform/endian.h"
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

struct WrittenSet {
  const char* what;
  std::uint32_t piece_size;
  std::vector<std::pair<std::string, std::string>> first, second;  // stored in two commands
};

// Whatever the writer makes reads as a sound set from its header alone, with a data piece gone
// too; a bit flipped in the last-piece field never does.
TEST_F(VerifyTest, EveryHeaderTheWriterMakesReadsAsSoundAndAFlippedLastPieceNever) {
  std::vector<std::pair<std::string, std::string>> many;
  for (int i = 0; i < 40; ++i) many.push_back({"file-with-a-long-name-" + std::to_string(i), "x"});
  for (const WrittenSet& written : std::vector<WrittenSet>{
           {"SmallFiles", 100, {{"a", PatternBytes(150, 1)}, {"b", "bb"}}, {}},
           {"EndsOnAPiece", 100, {{"a", PatternBytes(92 * 3, 1)}}, {}},
           {"EmptyFileAfterAFullPiece", 100, {{"a", PatternBytes(92, 1)}, {"e", ""}}, {}},
           {"OnlyEmptyFiles", 100, {{"e", ""}, {"f", ""}}, {}},
           {"CatalogueInOverflowPieces", 60, many, {}},
           {"AddedTo", 100, {{"a", PatternBytes(150, 1)}}, {{"b", PatternBytes(300, 2)}}},
           {"AddedToAFullPiece", 100, {{"a", PatternBytes(92, 1)}}, {{"e", ""}, {"b", "b"}}}}) {
    SCOPED_TRACE(written.what);
    for (const std::string& name : ListFolder(Dir()))
      if (name.ends_with(".pec")) std::filesystem::remove(FsPath(PathOf(name)));
    {
      PieceSet set(Base(), written.piece_size);
      ASSERT_TRUE(AddSources(set, written.first));
    }
    if (!written.second.empty()) {
      PieceSet set(Base());
      ASSERT_TRUE(AddSources(set, written.second));
    }
    const SetPaths paths{Base()};
    platform::FileSystem& fs = platform::RealFileSystem();
    EXPECT_TRUE(HeaderReadsAsSound(fs, paths));
    if (FileExists(Piece(1))) {
      const std::string piece = ReadFile(Piece(1));
      std::filesystem::remove(FsPath(Piece(1)));
      EXPECT_TRUE(HeaderReadsAsSound(fs, paths)) << "without piece 1";
      WriteFile(Piece(1), piece);
    }
    const std::string header = ReadFile(Header());
    for (int bit = 0; bit < 8; ++bit) {
      std::string flipped = header;
      flipped[12] = static_cast<char>(flipped[12] ^ (1 << bit));
      WriteFile(Header(), flipped);
      EXPECT_FALSE(HeaderReadsAsSound(fs, paths)) << "bit " << bit;
    }
    WriteFile(Header(), header);
  }
}

// Headers that parse but disagree with themselves: entries that share bytes, or reach past the
// stored bytes, a tail longer than a piece holds, a last piece no entry reaches.
TEST_F(VerifyTest, AHeaderThatDisagreesWithItselfDoesNotReadAsSound) {
  const std::string tail(92, 't');
  struct Case {
    const char* what;
    std::string stream;
    bool sound;
  };
  for (const Case& c : std::vector<Case>{
           {"Sound",
            StreamBytes(100, 2, "abc", BlockBytes({{1, 8, 92, "", "a"}, {2, 8, 3, "", "b"}})),
            true},
           {"Overlapping",
            StreamBytes(100, 2, "abc", BlockBytes({{1, 8, 92, "", "a"}, {1, 50, 53, "", "b"}})),
            false},
           {"PastTheEnd",
            StreamBytes(100, 2, "abc", BlockBytes({{1, 8, 92, "", "a"}, {2, 8, 4, "", "b"}})),
            false},
           {"TailLongerThanAPiece",
            StreamBytes(100, 2, tail + "x", BlockBytes({{1, 8, 92, "", "a"}, {2, 8, 93, "", "b"}})),
            false},
           {"LastPieceNotReached", StreamBytes(100, 3, "abc", BlockBytes({{1, 8, 92, "", "a"}})),
            false}}) {
    // The stream as a writer lays it out: the header's 92 bytes, then overflow pieces.
    const std::string whole = HeaderBytes(c.stream, (c.stream.size() - 1) / 92);
    WriteFile(Header(), whole.substr(0, 100));
    for (std::size_t at = 100, n = ReadU32(c.stream.data() + 4) + 1; at < whole.size();
         at += 92, ++n)
      WriteFile(Piece(static_cast<std::uint32_t>(n)),
                PieceBytes(static_cast<std::uint32_t>(n), whole.substr(at, 92)));
    EXPECT_EQ(HeaderReadsAsSound(platform::RealFileSystem(), SetPaths{Base()}), c.sound) << c.what;
  }
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
