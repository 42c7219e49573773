// Files other people plant beside a set in a shared folder, where anyone may create files but
// not change another's: a record and pieces where a writer keeps pieces aside, a folder at such
// a name, and files that only look like a writer's leftovers. None is trusted, none stops or
// slows a writer, and none is removed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <filesystem>

#include "engine/aside_pieces.h"
#include "engine/piece_set.h"
#include "tests/support/raw_set.h"
#include "tests/support/set_fixture.h"

namespace vornalis::testing {
namespace {

namespace fs = std::filesystem;

class PlantedFilesTest : public SetTest {
 protected:
  void SetUp() override {
    SetTest::SetUp();
    for (int i = 0; i < 30; ++i) files_.push_back({"file-" + std::to_string(i), "x"});
    PieceSet set(Base(), 200);
    ASSERT_TRUE(AddSources(set, files_));
    ASSERT_TRUE(set.Close());
    PieceSet read(Base(), SetAccess::kReadOnly);
    overflow_ = read.LastPiece() + 1;
    ASSERT_GE(read.OverflowPieces(), 1u);
  }

  std::string Aside(std::uint32_t n) const { return Header() + ".aside" + std::to_string(n); }

  // A record that matches the header on disk, as a writer would write it.
  std::string RecordFor(std::uint32_t first, std::uint32_t count) {
    auto header = platform::RealFileSystem().Open(Header(), platform::OpenMode::kRead);
    std::array<char, 4096> buffer{};
    std::uint64_t size = 0, hash = 0;
    EXPECT_TRUE(header.ok() && HashFile(*header, buffer, &size, &hash).ok());
    std::string bytes = "QBAS";
    bytes += U32(static_cast<std::uint32_t>(size)) + U32(static_cast<std::uint32_t>(size >> 32));
    bytes += U32(static_cast<std::uint32_t>(hash)) + U32(static_cast<std::uint32_t>(hash >> 32));
    return bytes + U32(first) + U32(count);
  }

  std::vector<std::string> Names() {
    PieceSet set(Base(), SetAccess::kReadOnly);
    std::vector<std::string> names;
    for (const StoredFile& file : set.Files()) names.push_back(file.Name);
    return names;
  }

  std::vector<std::pair<std::string, std::string>> files_;
  std::uint32_t overflow_ = 0;
};

TEST_F(PlantedFilesTest, AForgedRecordAndPieceOfAnotherUserAreNeverTrusted) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to make files of another user";
  const std::vector<std::string> names = Names();
  // A copy of the overflow piece with one stored name changed, under a record that matches.
  std::string forged = ReadFile(Piece(overflow_));
  const std::size_t at = forged.find("file-");
  ASSERT_NE(at, std::string::npos);
  forged.replace(at, 5, "EVIL-");
  WriteFile(Aside(overflow_), forged);
  WriteFile(Header() + ".aside", RecordFor(overflow_, 1));
  for (const std::string& path : {Aside(overflow_), Header() + ".aside"})
    ASSERT_EQ(::chown(path.c_str(), 12345, 12345), 0);

  PieceSet reader(Base(), SetAccess::kReadOnly);
  EXPECT_EQ(Names(), names);
  ASSERT_FALSE(reader.Warnings().empty());
  EXPECT_EQ(reader.Warnings()[0],
            "Ignored " + Header() + ".aside: it was not left there by this set's own writer");
  // A writer can neither use the names nor remove what is there: it stops before anything
  // changes, naming the file in its way.
  const std::string header = ReadFile(Header());
  {
    PieceSet writer(Base());
    EXPECT_FALSE(AddSources(writer, {{"late", PatternBytes(700, 1)}}));
    EXPECT_EQ(writer.LastStatus().code, Status::Code::kNameTaken) << writer.LastError();
  }
  EXPECT_EQ(ReadFile(Header()), header);
  EXPECT_EQ(Names(), names);
  EXPECT_EQ(ReadFile(Aside(overflow_)), forged);  // not this program's to remove
}

TEST_F(PlantedFilesTest, ARecordClaimingMorePiecesThanItsHeaderIsIgnoredAtOnce) {
  // Once this would have had the next writer remove four billion names, holding the lock.
  WriteFile(Header() + ".aside", RecordFor(overflow_, 0xFFFFFFFFu));
  const std::vector<std::string> names = Names();
  {
    PieceSet writer(Base());
    ASSERT_TRUE(AddSources(writer, {{"late", "1"}})) << writer.LastError();
    ASSERT_TRUE(writer.Close()) << writer.LastError();
  }
  EXPECT_EQ(Names().size(), names.size() + 1);
}

TEST_F(PlantedFilesTest, AFolderAtAnAsideNameStopsTheAddBeforeTheCatalogueIsTouched) {
  fs::create_directory(Aside(overflow_));
  const std::string header = ReadFile(Header());
  const std::string piece = ReadFile(Piece(overflow_));
  {
    PieceSet writer(Base());
    EXPECT_FALSE(AddSources(writer, {{"big", PatternBytes(2000, 2)}}));
    EXPECT_EQ(writer.LastError(), Aside(overflow_) +
                                      " is in the way: it is not a file of this set; move it, or "
                                      "the set, to another folder");
    EXPECT_TRUE(writer.Close());
  }
  EXPECT_EQ(ReadFile(Header()), header);
  EXPECT_EQ(ReadFile(Piece(overflow_)), piece);
  EXPECT_EQ(Names().size(), files_.size());
  EXPECT_TRUE(fs::is_directory(Aside(overflow_)));
}

TEST_F(PlantedFilesTest, FilesThatOnlyLookLikeAWritersLeftoversStay) {
  const std::vector<std::pair<std::string, std::string>> users = {
      {"Qbtmbackup~notes1", "my notes"},
      {"backup.pec.aside7", "my draft"},
      {"backup.pec.asidex", "other"},
      {"Qbtmbackup~Ab3dE", PieceBytes(1, "too short a name")}};
  for (const auto& [name, content] : users) WriteFile(PathOf(name), content);
  // A leftover of this program: its exact name pattern and its magic.
  WriteFile(PathOf("Qbtmbackup~Ab3dEf"), PieceBytes(3, "left by a writer that died"));
  {
    PieceSet writer(Base());
    ASSERT_TRUE(AddSources(writer, {{"late", "1"}}));
    ASSERT_TRUE(writer.Close());
  }
  // A writer that must keep a piece aside cannot write its record over a user's file there: the
  // set stays as it was last closed.
  WriteFile(Header() + ".aside", "my list");
  const std::string header = ReadFile(Header());
  {
    PieceSet writer(Base());
    ASSERT_TRUE(AddSources(writer, {{"later", "2"}}));
    EXPECT_FALSE(writer.Close());
    EXPECT_EQ(writer.LastError(),
              Header() +
                  ".aside is in the way: it is not a file of this set; move it, "
                  "or the set, to another folder");
  }
  EXPECT_EQ(ReadFile(Header()), header);
  EXPECT_EQ(ReadFile(Header() + ".aside"), "my list");
  // Nor is a file at the lock's name taken for a lock, or removed.
  WriteFile(Header() + ".lock", "not a lock");
  {
    PieceSet writer(Base());
    EXPECT_FALSE(writer.CanStore());
    EXPECT_EQ(writer.LastStatus().code, Status::Code::kNameTaken) << writer.LastError();
  }
  EXPECT_EQ(ReadFile(Header() + ".lock"), "not a lock");
  for (const auto& [name, content] : users) EXPECT_EQ(ReadFile(PathOf(name)), content) << name;
  EXPECT_FALSE(FileExists(PathOf("Qbtmbackup~Ab3dEf")));
}

}  // namespace
}  // namespace vornalis::testing
