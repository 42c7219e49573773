// Readers beside a writer: a reader sees the set as it was last closed when it opened it, or,
// when a writer commits while the catalogue is being read, as it is after; never a mix, and
// never wrong bytes. The writer's commit is put between the reader's steps through the fault
// file system.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/piece_set.h"
#include "engine/verify.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/set_fixture.h"

namespace vornalis::testing {
namespace {

using Files = std::vector<std::pair<std::string, std::string>>;

class ReadersTest : public SetTest {
 protected:
  // 40 files in 200-byte pieces: several data pieces, a tail in the header, and a catalogue
  // that runs on into overflow pieces.
  void SetUp() override {
    SetTest::SetUp();
    if (!ReplacesOpenFiles())
      GTEST_SKIP() << "this system cannot rename over a file that another program holds open, "
                      "so a writer's commit waits until no reader holds the header";
    for (int i = 0; i < 40; ++i)
      before_.push_back({"file-" + std::to_string(i), PatternBytes(30 + i * 7 % 90, i)});
    PieceSet set(Base(), 200);
    ASSERT_TRUE(AddSources(set, before_));
    ASSERT_TRUE(set.Close());
    ASSERT_GT(PieceSet(Base(), SetAccess::kReadOnly).OverflowPieces(), 1u);
  }

  // Whether a rename replaces a file that is open: POSIX systems and Windows 10 do, Windows
  // before 10 and Wine refuse.
  bool ReplacesOpenFiles() {
    platform::FileSystem& fs = platform::RealFileSystem();
    WriteFile(PathOf("held"), "held");
    WriteFile(PathOf("new"), "new");
    auto held = fs.Open(PathOf("held"), platform::OpenMode::kRead);
    const bool replaced = held.ok() && fs.Rename(PathOf("new"), PathOf("held")).ok();
    held = Status::Ok();
    std::filesystem::remove(FsPath(PathOf("held")));
    std::filesystem::remove(FsPath(PathOf("new")));
    return replaced;
  }

  // Another program's add: enough to take the numbers of the old overflow pieces.
  void AddElsewhere() {
    PieceSet writer(Base());
    ASSERT_TRUE(AddSources(writer, {{"late", PatternBytes(900, 99)}})) << writer.LastError();
    ASSERT_TRUE(writer.Close()) << writer.LastError();
  }

  // Every file the reader lists comes back with its bytes; the rest fail by name, never wrong.
  void ExpectWholeOrRefused(PieceSet& reader, const Files& expected, bool all_whole) {
    std::vector<const StoredFile*> all;
    for (const StoredFile& file : reader.Files()) all.push_back(&file);
    ASSERT_TRUE(reader.ExtractFiles(PathOf("out/"), all, nullptr)) << reader.LastError();
    for (const auto& [name, content] : expected) {
      if (!all_whole && !FileExists(PathOf("out/" + name))) continue;
      EXPECT_EQ(ReadFile(PathOf("out/" + name)), content) << name;
    }
  }

  Files before_;
};

TEST_F(ReadersTest, ARebuildAfterAnotherProgramsCommitReadsTheSetItOpened) {
  PieceSet reader(Base(), SetAccess::kReadOnly);
  ASSERT_EQ(reader.Files().size(), before_.size());
  AddElsewhere();  // replaces the header, lays the tail out and takes the overflow numbers
  ExpectWholeOrRefused(reader, before_, true);
  EXPECT_TRUE(VerifySet(reader).ok());
}

TEST_F(ReadersTest, ACommitWhileTheCatalogueIsReadGivesTheNewCatalogueWhole) {
  // The writer commits after the reader opened the header and before it opens the first
  // overflow piece, whose number the new data now holds: the reader sees that its header was
  // replaced and reads the new one.
  FaultFileSystem faults(platform::RealFileSystem());
  const std::uint32_t overflow = PieceSet(Base(), SetAccess::kReadOnly).LastPiece() + 1;
  faults.OnOpen(Piece(overflow), [&] { AddElsewhere(); });
  PieceSet reader(Base(), SetAccess::kReadOnly, faults);
  EXPECT_EQ(reader.LastError(), "");
  Files now = before_;
  now.push_back({"late", PatternBytes(900, 99)});
  ASSERT_EQ(reader.Files().size(), now.size());
  ExpectWholeOrRefused(reader, now, true);
  EXPECT_TRUE(VerifySet(reader).ok());
}

TEST_F(ReadersTest, ASetReplacedWhileItIsRebuiltFailsByNameAndNeverGivesOtherBytes) {
  PieceSet reader(Base(), SetAccess::kReadOnly);
  {
    PieceSet replacing(Base(), 200, platform::RealFileSystem(), NewSet::kReplaceExisting);
    ASSERT_TRUE(replacing.CanStore()) << replacing.LastError();
    Files other;
    for (const auto& [name, content] : before_) other.push_back({name, PatternBytes(400, 7)});
    ASSERT_TRUE(AddSources(replacing, other));
    // Before the commit the old pieces lie aside, and the reader still gets its own bytes.
    ExpectWholeOrRefused(reader, before_, true);
    ASSERT_TRUE(replacing.Close()) << replacing.LastError();
  }
  std::filesystem::remove_all(PathOf("out"));
  ExpectWholeOrRefused(reader, before_, false);
  EXPECT_FALSE(FileExists(PathOf("out/file-0")));
}

}  // namespace
}  // namespace vornalis::testing
