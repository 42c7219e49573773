// Rebuilding stored files: spans over pieces, missing pieces, folders and unsafe names.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/piece_set.h"
#include "tests/support/raw_set.h"
#include "tests/support/set_fixture.h"

namespace vornalis::testing {
namespace {

class ExtractTest : public SetTest {
 protected:
  std::string Target() const { return PathOf("out/"); }
};

TEST_F(ExtractTest, NestedFoldersRebuildIntoAnEmptyFolder) {
  const std::vector<std::pair<std::string, std::string>> sources = {
      {"top.txt", PatternBytes(300, 1)},
      {"a/b/c/deep.bin", PatternBytes(2500, 2)},  // spans three 1,000-byte pieces
      {"a/empty", ""},
      {"a/b/Zeta.txt", PatternBytes(10, 3)},
  };
  {
    PieceSet set(Base(), 1000);
    ASSERT_TRUE(AddSources(set, sources)) << set.LastError();
  }
  PieceSet set(Base());
  ASSERT_EQ(set.Files().size(), sources.size()) << set.LastError();
  std::filesystem::create_directory(Target());
  for (const StoredFile& file : set.Files())
    EXPECT_SET_OK(set, ExtractFile(Target(), file.Folder, file.Name));
  for (const auto& [path, content] : sources) EXPECT_EQ(ReadFile(Target() + path), content) << path;
}

TEST_F(ExtractTest, UnknownNameCreatesNothing) {
  PieceSet set(Base(), 1000);
  ASSERT_TRUE(AddSources(set, {{"a", "1"}}));
  EXPECT_TRUE(set.ExtractFile(Target(), "sub\\", "nothere"));
  EXPECT_FALSE(FileExists(Target()));
}

TEST_F(ExtractTest, FileStartingDeepInAPieceSpansThreePieces) {
  const std::string content = PatternBytes(3000000, 7);
  PieceSet set(Base(), 1474560);
  ASSERT_TRUE(AddSources(set, {{"first", PatternBytes(999992, 6)}, {"span", content}}));
  const StoredFile* span = set.Find("", "span");
  ASSERT_NE(span, nullptr);
  EXPECT_EQ(span->Piece, 1u);
  EXPECT_EQ(span->Offset, 1000000u);
  EXPECT_EQ(FileSize(Piece(3)), 8 + 1050888);
  ASSERT_SET_OK(set, ExtractFile(Target(), "", "span"));
  EXPECT_EQ(ReadFile(Target() + "span"), content);
}

TEST_F(ExtractTest, FileEndingAtThePieceEndNeedsNoNextPiece) {
  PieceSet set(Base(), 100);
  ASSERT_TRUE(AddSources(set, {{"a", PatternBytes(50, 1)}, {"b", PatternBytes(42, 2)}}));
  ASSERT_FALSE(FileExists(Piece(2)));
  EXPECT_SET_OK(set, ExtractFile(Target(), "", "b"));
  EXPECT_EQ(ReadFile(Target() + "b"), PatternBytes(42, 2));
}

TEST_F(ExtractTest, MissingMiddlePieceIsNamed) {
  PieceSet set(Base(), 100);
  ASSERT_TRUE(AddSources(set, {{"long", PatternBytes(400, 1)}}));
  std::filesystem::remove(Piece(2));
  EXPECT_FALSE(set.ExtractFile(Target(), "", "long"));
  EXPECT_EQ(set.LastError(), "Can't open " + Piece(2));
}

TEST_F(ExtractTest, TruncatedPieceIsAReadErrorNotWrongBytes) {
  PieceSet set(Base(), 100);
  ASSERT_TRUE(AddSources(set, {{"long", PatternBytes(250, 1)}}));
  std::filesystem::resize_file(Piece(2), 50);
  EXPECT_FALSE(set.ExtractFile(Target(), "", "long"));
  EXPECT_NE(set.LastError().find("Can't read " + Piece(2)), std::string::npos) << set.LastError();
}

TEST_F(ExtractTest, PieceOfAnotherSetIsRefused) {
  PieceSet set(Base(), 100);
  ASSERT_TRUE(AddSources(set, {{"long", PatternBytes(250, 1)}}));
  WriteFile(Piece(2), ReadFile(Piece(3)));
  EXPECT_FALSE(set.ExtractFile(Target(), "", "long"));
  EXPECT_EQ(set.LastError(), Piece(2) + " is an invalid piece!");
}

TEST_F(ExtractTest, ExistingFileIsOverwrittenAndCaseOfTheCallerKept) {
  PieceSet set(Base(), 1000);
  ASSERT_TRUE(AddSources(set, {{"Report.TXT", "new"}}));
  WriteFile(Target() + "report.txt", "old and longer");
  EXPECT_SET_OK(set, ExtractFile(Target(), "", "report.txt"));
  EXPECT_EQ(ReadFile(Target() + "report.txt"), "new");
}

TEST_F(ExtractTest, EmptyFileIsRebuiltEvenWhenItsPieceWasDropped) {
  {
    PieceSet set(Base(), 100);
    ASSERT_TRUE(AddSources(set, {{"full", PatternBytes(92, 1)}, {"empty", ""}}));
    EXPECT_EQ(set.Find("", "empty")->Piece, 2u);
  }
  EXPECT_FALSE(FileExists(Piece(2)));  // its payload was empty, so closing dropped it
  PieceSet set(Base());
  EXPECT_SET_OK(set, ExtractFile(Target(), "", "empty"));
  EXPECT_EQ(FileSize(Target() + "empty"), 0);
}

TEST_F(ExtractTest, StoredNamesLeadingOutsideTheTargetAreRefused) {
  const std::vector<RawRecord> records = {
      {1, 8, 1, "..\\", "up"},     {1, 8, 1, "", "..\\x"},           {1, 8, 1, "C:\\", "drive"},
      {1, 8, 1, "\\abs\\", "abs"}, {1, 8, 1, "a\\..\\..\\", "dots"}, {1, 8, 1, "", "sl/ash"},
  };
  WriteFile(Header(), HeaderBytes(StreamBytes(1000, 1, "z", BlockBytes(records))));
  PieceSet set(Base());
  ASSERT_EQ(set.Files().size(), records.size()) << set.LastError();
  std::filesystem::create_directory(Target());
  for (const RawRecord& r : records) {
    EXPECT_FALSE(set.ExtractFile(Target(), r.folder, r.name)) << r.folder << r.name;
    EXPECT_NE(set.LastError().find(r.folder + r.name), std::string::npos) << set.LastError();
  }
  EXPECT_TRUE(ListFolder(Target()).empty());
  // The lock file is the set's, held while it is open for storing.
  EXPECT_EQ(ListFolder(Dir()),
            (std::vector<std::string>{"backup.pec", "backup.pec.lock", "backup1.pec", "out"}));
}

TEST_F(ExtractTest, ReadOnlyOpenRebuildsTheLastPieceWithoutTouchingTheSet) {
  {
    PieceSet set(Base(), 200);
    ASSERT_TRUE(AddSources(set, {{"a", PatternBytes(250, 1)}}));
  }
  const std::string header = ReadFile(Header());
  {
    PieceSet set(Base(), SetAccess::kReadOnly);
    ASSERT_EQ(set.LastError(), "");
    EXPECT_FALSE(FileExists(Piece(2)));
    EXPECT_FALSE(set.CanStore());
    EXPECT_SET_OK(set, ExtractFile(Target(), "", "a"));
  }
  EXPECT_EQ(ReadFile(Target() + "a"), PatternBytes(250, 1));
  EXPECT_EQ(ReadFile(Header()), header);
  EXPECT_EQ(ListFolder(Dir()),
            (std::vector<std::string>{"backup.pec", "backup1.pec", "out", "src"}));
}

}  // namespace
}  // namespace vornalis::testing
