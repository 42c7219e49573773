// Storing files: skipping, progress, where bytes land, and what is refused.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/piece_set.h"
#include "platform/path.h"
#include "tests/support/raw_set.h"
#include "tests/support/set_fixture.h"

namespace vornalis::testing {
namespace {

struct Progress {
  std::vector<int> percents;
  std::vector<std::string> names;
  int stop_after = -1;  // number of calls after which to return -1
};

int RecordProgress(void* context, int percent, std::string name, std::string folder,
                   std::uint64_t) noexcept {
  auto* progress = static_cast<Progress*>(context);
  progress->percents.push_back(percent);
  progress->names.push_back(folder + name);
  return static_cast<int>(progress->percents.size()) == progress->stop_after ? -1 : 0;
}

class AddTest : public SetTest {
 protected:
  bool Add(PieceSet& set, const std::vector<StoredFile>& entries, Progress* progress) {
    return set.AddFiles(SourceRoot(), entries, progress, RecordProgress, SourceRoot());
  }
};

TEST_F(AddTest, StoredFilesAreSkippedWhateverTheirCase) {
  PieceSet set(Base(), 1000);
  ASSERT_TRUE(AddSources(set, {{"Report.TXT", "first"}, {"sub/Data.bin", "x"}}));
  const auto size_before = FileSize(Piece(1));
  Progress progress;
  WriteFile(SourceRoot() + "report.txt", "other content");
  WriteFile(SourceRoot() + "SUB/data.BIN", "y");
  EXPECT_TRUE(Add(set, {EntryFor("report.txt"), EntryFor("SUB/data.BIN")}, &progress));
  EXPECT_TRUE(progress.percents.empty());
  EXPECT_EQ(FileSize(Piece(1)), size_before);
  EXPECT_EQ(set.Files().size(), 2u);
}

TEST_F(AddTest, ANameCountsAsStoredOnlyWhenItIsTheSameOnceCaseIsFolded) {
  PieceSet set(Base(), 1000);
  ASSERT_TRUE(AddSources(set, {{"a.txt", "1"},
                               {"Caf\xC3\xA9.txt", "2"},
                               {"softhy", "3"},
                               {"cx", "4"},
                               {"\xC3\x84rger", "5"}}));
  // The locale's order ranks all of these like a stored name; only the case-folded ones are it.
  const std::pair<const char*, bool> names[] = {
      {"A.TXT", false},
      {"\xC3\xA4RGER", false},
      {"a\xE2\x80\x8B.txt", true},  // a zero-width space
      {"Cafe\xCC\x81.txt", true},   // another Unicode form of Café
      {"soft\xC2\xADhy", true},     // a soft hyphen
      {"c\x01x", true},             // a control character
  };
  for (const auto& [name, stored] : names) {
    // No Windows file has a control character in its name.
    if (platform::kWindows && name[1] == '\x01') continue;
    WriteFile(SourceRoot() + name, "new");
    const std::size_t before = set.Files().size();
    ASSERT_TRUE(set.AddFiles(SourceRoot(), {{"", name}}, nullptr, nullptr, SourceRoot()));
    EXPECT_EQ(set.Files().size(), before + (stored ? 1 : 0)) << name;
    EXPECT_EQ(set.Find("", name) != nullptr, true) << name;
  }
}

TEST_F(AddTest, SameEntryTwiceInOneCallIsStoredTwice) {
  PieceSet set(Base(), 1000);
  const auto entries = MakeSources({{"a.txt", "abc"}});
  EXPECT_SET_OK(set,
                AddFiles(SourceRoot(), {entries[0], entries[0]}, nullptr, nullptr, SourceRoot()));
  EXPECT_EQ(set.Files().size(), 2u);
  EXPECT_EQ(set.WritePos(), 14u);
}

TEST_F(AddTest, ProgressCountsTheFilesStoredAndCanStop) {
  PieceSet set(Base(), 1000);
  const auto entries = MakeSources({{"a", "1"}, {"b", "22"}, {"c", "333"}});
  Progress all;
  EXPECT_TRUE(Add(set, entries, &all));
  EXPECT_EQ(all.percents, (std::vector<int>{33, 66, 100}));
  EXPECT_EQ(all.names, (std::vector<std::string>{"a", "b", "c"}));

  PieceSet second(PathOf("other"), 1000);
  Progress stop;
  stop.stop_after = 1;
  EXPECT_TRUE(second.AddFiles(SourceRoot(), entries, &stop, RecordProgress, SourceRoot()));
  ASSERT_EQ(second.Files().size(), 1u);
  EXPECT_EQ(second.Files()[0].Name, "a");
}

TEST_F(AddTest, FileFillingTheRoomLeftClosesThePiece) {
  PieceSet set(Base(), 100);
  ASSERT_TRUE(AddSources(set, {{"a", PatternBytes(50, 1)}, {"b", PatternBytes(42, 2)}}));
  EXPECT_EQ(FileSize(Piece(1)), 100);
  EXPECT_FALSE(set.LastPieceOpen());
  ASSERT_TRUE(AddSources(set, {{"c", "c"}}));
  EXPECT_EQ(set.Find("", "c")->Piece, 2u);
  EXPECT_EQ(set.Find("", "c")->Offset, 8u);
}

TEST_F(AddTest, LargeFileRunsOnIntoNewPieces) {
  PieceSet set(Base(), 3145736);
  const std::string content = PatternBytes(4 << 20, 5);
  ASSERT_TRUE(AddSources(set, {{"big", content}}));
  EXPECT_EQ(FileSize(Piece(1)), 3145736);
  EXPECT_EQ(FileSize(Piece(2)), 8 + (1 << 20));
  EXPECT_TRUE(set.LastPieceOpen());
  EXPECT_EQ(set.WritePos(), 1048584u);
  EXPECT_EQ(ReadFile(Piece(1)).substr(8) + ReadFile(Piece(2)).substr(8), content);
}

TEST_F(AddTest, EmptyFileWithoutRoomStartsAPieceOfItsHeadOnly) {
  PieceSet set(Base(), 100);
  ASSERT_TRUE(AddSources(set, {{"empty", ""}}));
  EXPECT_EQ(ReadFile(Piece(1)), PieceBytes(1, ""));
  EXPECT_EQ(set.Files()[0].Size, 0u);
  EXPECT_EQ(set.Files()[0].Offset, 8u);
}

TEST_F(AddTest, MissingSourceEndsTheCallAndKeepsEarlierFiles) {
  PieceSet set(Base(), 1000);
  auto entries = MakeSources({{"a", "1"}});
  entries.push_back(EntryFor("missing"));
  EXPECT_FALSE(set.AddFiles(SourceRoot(), entries, nullptr, nullptr, SourceRoot()));
  EXPECT_EQ(set.LastError(), "Can't open " + SourceRoot() + "missing");
  ASSERT_EQ(set.Files().size(), 1u);
}

TEST_F(AddTest, AFileThatWouldNeedPieceNumbersPastTheLastIsRefusedBeforeAnythingIsWritten) {
  // 64 GiB in pieces of 12 payload bytes would need 5.7 billion pieces.
  const std::string path = SourceRoot() + "huge.img";
  WriteFile(path, "");
  std::filesystem::resize_file(FsPath(path), 1ull << 36);  // sparse: takes no disk space
  PieceSet set(Base(), 20);
  ASSERT_TRUE(AddSources(set, {{"first", "1"}}));
  EXPECT_FALSE(set.AddFiles(SourceRoot(), {EntryFor("huge.img")}, nullptr, nullptr, SourceRoot()));
  EXPECT_EQ(set.LastError(), "Can't store " + path +
                                 ": its bytes would reach piece 5726623062, and a set's pieces "
                                 "are numbered up to 4294967295 only; choose a larger piece size");
  EXPECT_FALSE(FileExists(Piece(2)));
  ASSERT_EQ(set.Files().size(), 1u);
  EXPECT_TRUE(set.Close());
}

TEST_F(AddTest, PieceSizeTooSmallForTheHeaderIsRefused) {
  for (std::uint32_t size : {0u, 1u, 8u, 19u}) {
    PieceSet set(Base(), size);
    EXPECT_FALSE(set.CanStore());
    EXPECT_FALSE(AddSources(set, {{"a", "1"}}));
    EXPECT_NE(set.LastError().find(std::to_string(size) + " bytes"), std::string::npos)
        << set.LastError();
    EXPECT_TRUE(set.Close());
    EXPECT_FALSE(FileExists(Piece(1)));
    EXPECT_FALSE(FileExists(Header()));
  }
  EXPECT_TRUE(PieceSet::CheckPieceSize(20).ok());
}

TEST_F(AddTest, NamesARebuildWouldRefuseAreLeftOutAndTheRestIsStored) {
  if (platform::kWindows) GTEST_SKIP() << "no Windows file has a colon in its name";
  PieceSet set(Base(), 1000);
  MakeSources({{"ok", "1"}, {"c:notes.txt", "2"}, {"12:30.log", "3"}});
  const std::vector<StoredFile> entries = {
      {"..\\", "ok"}, {"", "c:notes.txt"}, {"", "12:30.log"}, {"", "ok"}};
  ASSERT_SET_OK(set, AddFiles(SourceRoot(), entries, nullptr, nullptr, SourceRoot()));
  ASSERT_EQ(set.Skipped().size(), 2u);
  EXPECT_EQ(
      set.Skipped()[0].reason.rfind("Skipped " + SourceRoot() + "../ok: a set cannot hold", 0), 0u)
      << set.Skipped()[0].reason;
  EXPECT_EQ(set.Skipped()[1].path, SourceRoot() + "c:notes.txt");
  EXPECT_FALSE(set.Skipped()[1].harmless);
  ASSERT_EQ(set.Files().size(), 2u);
  EXPECT_EQ(set.Files()[0].Name, "12:30.log");  // a colon alone is no drive
  EXPECT_EQ(set.Files()[1].Name, "ok");
}

// A snapshot made while the set is open (cp -al) hard-links its partly filled last piece: the next
// add appends to a copy of its own, and the snapshot keeps the bytes it saw.
TEST_F(AddTest, AnAddNeverWritesThroughASecondNameOfTheLastPiece) {
  PieceSet set(Base(), 1000);
  ASSERT_TRUE(AddSources(set, {{"a.txt", "first file"}}));
  std::error_code error;
  std::filesystem::create_hard_link(FsPath(Piece(1)), FsPath(PathOf("snapshot1.pec")), error);
  if (error) GTEST_SKIP() << "no hard links here: " << error.message();
  const std::string seen = ReadFile(PathOf("snapshot1.pec"));
  ASSERT_TRUE(AddSources(set, {{"b.txt", "second file"}}));
  EXPECT_EQ(ReadFile(PathOf("snapshot1.pec")), seen);
  EXPECT_EQ(ReadFile(Piece(1)), seen + "second file");
  ASSERT_TRUE(set.Close()) << set.LastError();
  PieceSet again(Base(), SetAccess::kReadOnly);
  EXPECT_EQ(again.Files().size(), 2u);
}

}  // namespace
}  // namespace vornalis::testing
