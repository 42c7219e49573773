// Opening sets whose header is damaged or was written elsewhere.
#include <gtest/gtest.h>

#include "engine/messages.h"
#include "engine/piece_set.h"
#include "engine/verify.h"
#include "tests/support/raw_set.h"
#include "tests/support/set_fixture.h"

namespace vornalis::testing {
namespace {

class CatalogueReaderTest : public SetTest {
 protected:
  // Opens the set and expects it to be refused with message.
  void ExpectRefused(const std::string& header, const std::string& message) {
    WriteFile(Header(), header);
    PieceSet set(Base());
    EXPECT_EQ(set.LastError(), message);
    EXPECT_TRUE(set.Files().empty());
    EXPECT_FALSE(set.CanStore());
  }
  const std::string kFormat = "File format is not correct";
  const std::string one_block = BlockBytes({{1, 8, 1, "", "a"}});
};

TEST_F(CatalogueReaderTest, DamagedHeadersAreRefused) {
  struct Case {
    const char* what;
    std::string header;
  };
  const std::vector<Case> cases = {
      {"other magic", "QBXX" + U32(0) + StreamBytes(100, 1, "z", one_block)},
      {"too short", "QBXR" + U32(0) + U32(100)},
      {"piece size 8", HeaderBytes(StreamBytes(8, 1, "z", one_block))},
      {"header longer than a piece", HeaderBytes(StreamBytes(30, 1, "z", one_block))},
      {"overflow count without a full header", HeaderBytes(StreamBytes(100, 1, "z", one_block), 1)},
      {"tail as long as a piece's payload",
       HeaderBytes(StreamBytes(100, 1, std::string(92, 't'), one_block))},
      {"tail without a data piece", HeaderBytes(StreamBytes(100, 0, "z", one_block))},
      {"tail longer than the file",
       HeaderBytes(StreamBytes(1000, 1, "", "")).substr(0, 16) + U32(500) + std::string(12, 'x')},
      {"block longer than the buffer",
       HeaderBytes(StreamBytes(1 << 30, 1, "", U32((1 << 20) + 1) + std::string(40, 'r')))},
      {"block longer than the stream",
       HeaderBytes(StreamBytes(100, 1, "", U32(60) + RecordBytes({1, 8, 1, "", "a"})))},
      {"no terminator", HeaderBytes(StreamBytes(100, 1, "", one_block, false))},
      {"bytes after the terminator", HeaderBytes(StreamBytes(100, 1, "", one_block) + "x")},
      {"record past its block",
       HeaderBytes(StreamBytes(100, 1, "",
                               U32(20) + RecordBytes({1, 8, 1, "", "abcdefgh"}).substr(0, 20)))},
      {"record of piece 0", HeaderBytes(StreamBytes(100, 1, "", BlockBytes({{0, 8, 1, "", "a"}})))},
      {"record after the last piece",
       HeaderBytes(StreamBytes(100, 1, "", BlockBytes({{2, 8, 1, "", "a"}})))},
      {"record inside a piece's head",
       HeaderBytes(StreamBytes(100, 1, "", BlockBytes({{1, 7, 1, "", "a"}})))},
      {"record past the piece's end",
       HeaderBytes(StreamBytes(100, 1, "", BlockBytes({{1, 100, 1, "", "a"}})))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ExpectRefused(c.header, kFormat);
  }
}

TEST_F(CatalogueReaderTest, DamagedCataloguesOfTheLargeFormAreRefused) {
  const auto large = [](std::uint64_t size) {
    return HeaderBytes(StreamBytes(100, 1, "z", BlockBytes({{1, 8, size, "", "a"}}, true)), 0,
                       true);
  };
  const std::string sound = large(1);
  struct Case {
    const char* what;
    std::string header;
  };
  const std::vector<Case> cases = {
      {"size 2^64 - 1", large(0xFFFFFFFFFFFFFFFFull)},
      {"size 2^63", large(0x8000000000000000ull)},
      {"records of the standard form",
       HeaderBytes(StreamBytes(100, 1, "z", BlockBytes({{1, 8, 1, "", "a"}})), 0, true)},
      {"cut inside its record", sound.substr(0, sound.size() - 10)},
      {"cut before its terminator", sound.substr(0, sound.size() - 4)},
      {"cut after its fixed fields", sound.substr(0, 20)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ExpectRefused(c.header, kFormat);
  }
  WriteFile(Header(), sound);
  PieceSet set(Base(), SetAccess::kReadOnly);
  ASSERT_EQ(set.Files().size(), 1u) << set.LastError();
  EXPECT_EQ(set.Form(), format::CatalogueForm::kLarge);
}

TEST_F(CatalogueReaderTest, SizesOfTheLargeFormPastTheStoredBytesAreRefusedEntryByEntry) {
  // Two pieces of 192 payload bytes claimed, entries of gigabytes and exabytes: listed, but
  // neither rebuilt nor checked piece by piece, and nothing may be stored after them.
  WriteFile(Piece(1), PieceBytes(1, std::string(192, 'p')));
  const std::vector<RawRecord> records = {{1, 8, 196, "", "fits"},
                                          {1, 8, 5ull << 30, "", "five-gib"},
                                          {2, 50, 0x7FFFFFFFFFFFFFFFull, "", "largest"}};
  WriteFile(Header(), HeaderBytes(StreamBytes(200, 2, "tail", BlockBytes(records, true)), 0, true));
  WriteFile(SourceRoot() + "new", "data");
  {
    PieceSet set(Base());
    ASSERT_EQ(set.Files().size(), 3u) << set.LastError();
    EXPECT_FALSE(set.AddFiles(SourceRoot(), {EntryFor("new")}, nullptr, nullptr, SourceRoot()));
    EXPECT_NE(set.LastError().find("five-gib"), std::string::npos) << set.LastError();
  }
  PieceSet set(Base(), SetAccess::kReadOnly);
  const VerifyReport report = VerifySet(set);
  ASSERT_EQ(report.problems.size(), 2u);
  EXPECT_EQ(report.problems[0].status.message, messages::EntryPastStoredBytes("five-gib"));
  EXPECT_EQ(report.problems[1].status.message, messages::EntryPastStoredBytes("largest"));
  EXPECT_FALSE(set.ExtractFile(PathOf("out/"), *set.Find("", "largest")));
  EXPECT_EQ(set.LastError(), messages::EntryPastStoredBytes("largest"));
  EXPECT_SET_OK(set, ExtractFile(PathOf("out/"), *set.Find("", "fits")));
  EXPECT_EQ(ReadFile(PathOf("out/fits")), std::string(192, 'p') + "tail");
}

TEST_F(CatalogueReaderTest, MissingOrForeignOverflowPieceIsNamed) {
  // A full 40-byte header whose stream goes on in overflow piece 2.
  const std::string stream =
      StreamBytes(40, 1, "", BlockBytes({{1, 8, 0, "", "name-long-enough"}}));
  ASSERT_GT(stream.size(), 32u);
  const std::string header = HeaderBytes(stream.substr(0, 32), 1);
  ExpectRefused(header, "Can't open " + Piece(2));
  WriteFile(Piece(2), PieceBytes(3, stream.substr(32)));
  ExpectRefused(header, Piece(2) + " is an invalid piece!");
  WriteFile(Piece(2), PieceBytes(2, stream.substr(32)));
  WriteFile(Header(), header);
  PieceSet set(Base());
  EXPECT_EQ(set.LastError(), "");
  EXPECT_EQ(set.Files().size(), 1u);
}

TEST_F(CatalogueReaderTest, HugeOverflowCountStopsAtTheFirstMissingPiece) {
  // A full header whose first block runs on past it.
  const std::string full = (U32(100) + U32(1) + U32(0) + U32(200)).append(76, 'r');
  ExpectRefused(HeaderBytes(full, 0xFFFFFFFFu), kFormat);  // LastPiece + K would pass 2^32
  ExpectRefused(HeaderBytes(full, 1000000), "Can't open " + Piece(2));
}

TEST_F(CatalogueReaderTest, CatalogueInAnotherOrderIsSortedForLookups) {
  const std::vector<RawRecord> records = {{1, 8, 1, "", "zeta"},
                                          {1, 9, 1, "b\\", "Alpha"},
                                          {1, 10, 1, "", "mid"},
                                          {1, 11, 1, "a\\", "alpha"}};
  WriteFile(Header(), HeaderBytes(StreamBytes(1000, 1, "wxyz", BlockBytes(records))));
  PieceSet set(Base());
  ASSERT_EQ(set.Files().size(), 4u) << set.LastError();
  EXPECT_EQ(set.Files()[0].Folder, "a\\");
  EXPECT_EQ(set.Files()[1].Folder, "b\\");
  EXPECT_EQ(set.Files()[3].Name, "zeta");
  ASSERT_NE(set.Find("", "MID"), nullptr);
  EXPECT_EQ(set.Find("", "MID")->Offset, 10u);
}

TEST_F(CatalogueReaderTest, TextIsTakenUpToAZeroByte) {
  WriteFile(Header(), HeaderBytes(StreamBytes(
                          100, 1, "", BlockBytes({{1, 8, 0, "", std::string("ab\0cd", 5)}}))));
  PieceSet set(Base());
  ASSERT_EQ(set.Files().size(), 1u) << set.LastError();
  EXPECT_EQ(set.Files()[0].Name, "ab");
}

TEST_F(CatalogueReaderTest, UnreadableSetRefusesToStoreAndWritesNothing) {
  const std::string stream =
      StreamBytes(40, 1, "", BlockBytes({{1, 8, 0, "", "name-long-enough"}}));
  const std::string header = HeaderBytes(stream.substr(0, 32), 1);
  WriteFile(Header(), header);  // its overflow piece 2 is missing
  WriteFile(SourceRoot() + "new", "data");
  {
    PieceSet set(Base());
    EXPECT_FALSE(set.AddFiles(SourceRoot(), {EntryFor("new")}, nullptr, nullptr, SourceRoot()));
    EXPECT_NE(set.LastError().find("could not be read"), std::string::npos) << set.LastError();
    EXPECT_TRUE(set.Close());
  }
  EXPECT_EQ(ReadFile(Header()), header);
  EXPECT_EQ(ListFolder(Dir()), (std::vector<std::string>{"backup.pec", "src"}));
}

TEST_F(CatalogueReaderTest, OpeningAndClosingWithoutStoringKeepsTheHeader) {
  {
    PieceSet set(Base(), 100);
    ASSERT_TRUE(AddSources(set, {{"a", PatternBytes(30, 1)}}));
  }
  const std::string header = ReadFile(Header());
  {
    PieceSet set(Base());
    EXPECT_TRUE(FileExists(Piece(1)));
    EXPECT_TRUE(set.Close());
  }
  EXPECT_EQ(ReadFile(Header()), header);
  EXPECT_FALSE(FileExists(Piece(1)));
}

}  // namespace
}  // namespace vornalis::testing
