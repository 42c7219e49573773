// Full disks, failed renames and other faults put in the engine's way through the file system.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>

#include "engine/piece_set.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/raw_set.h"
#include "tests/support/set_fixture.h"

namespace vornalis::testing {
namespace {

using Op = FaultFileSystem::Op;

class FaultTest : public SetTest {
 protected:
  FaultFileSystem faults_{platform::RealFileSystem()};

  bool AddWithFaults(PieceSet& set, const std::vector<std::pair<std::string, std::string>>& files) {
    const auto entries = MakeSources(files);
    return set.AddFiles(SourceRoot(), entries, nullptr, nullptr, SourceRoot());
  }
  void ExpectRebuilds(const std::vector<std::pair<std::string, std::string>>& files) {
    PieceSet set(Base());
    ASSERT_EQ(set.LastError(), "");
    ASSERT_EQ(set.Files().size(), files.size());
    for (const auto& [name, content] : files) {
      EXPECT_SET_OK(set, ExtractFile(PathOf("out/"), "", name));
      EXPECT_EQ(ReadFile(PathOf("out/" + name)), content) << name;
    }
  }
};

TEST_F(FaultTest, DiskFullWhileStoringGivesTheFileBack) {
  const std::string a = PatternBytes(150, 1), b = PatternBytes(400, 2), c = PatternBytes(70, 3);
  {
    PieceSet set(Base(), 100, faults_);
    faults_.LimitWrites(8 + 150 + 16 + 200);  // runs out inside b, after it started new pieces
    EXPECT_FALSE(AddWithFaults(set, {{"a", a}, {"b", b}}));
    EXPECT_NE(set.LastError().find("Can't write " + PathOf("backup")), std::string::npos)
        << set.LastError();
    EXPECT_NE(set.LastError().find("No space left on device"), std::string::npos);
    ASSERT_EQ(set.Files().size(), 1u);
    EXPECT_EQ(set.LastPiece(), 2u);
    EXPECT_EQ(set.WritePos(), 8u + 150 - 92);
    EXPECT_FALSE(FileExists(Piece(4)));

    faults_.Reset();
    EXPECT_TRUE(AddWithFaults(set, {{"c", c}})) << set.LastError();
    EXPECT_EQ(set.Find("", "c")->Offset, 8u + 150 - 92);
    EXPECT_TRUE(set.Close()) << set.LastError();
  }
  ExpectRebuilds({{"a", a}, {"c", c}});
}

// Small files reach the pieces several in one write: whatever ends an add part way (a write
// that fails, a source that cannot be read, a caller that stops), the callback has heard of
// exactly the files that have entries, and every byte of the files without one is given back:
// the next add stores the rest where they belong, leaving the very set one add would have made.
TEST_F(FaultTest, SmallFilesWrittenTogetherGetEntriesOnlyOnceWritten) {
  std::vector<std::pair<std::string, std::string>> files;
  for (std::uint32_t i = 0; i < 40; ++i)
    files.emplace_back("f" + std::to_string(i), PatternBytes(1 + i * 37 % 700, i));
  const auto entries = MakeSources(files);
  struct Heard {
    std::vector<std::string> names;
    std::size_t stop_after = 0;
  };
  const ProgressCallback hear = [](void* context, int, std::string name, std::string,
                                   std::uint64_t) noexcept {
    auto* heard = static_cast<Heard*>(context);
    heard->names.push_back(name);
    return heard->names.size() == heard->stop_after ? -1 : 0;
  };
  const struct {
    const char* what;
    std::function<void(FaultFileSystem&)> fault;
    std::size_t stop_after;
  } cases[] = {
      {"the first write", [](FaultFileSystem& f) { f.FailNth(Op::kWrite, 1, ENOSPC); }, 0},
      {"a later write", [](FaultFileSystem& f) { f.FailNth(Op::kWrite, 4, EIO); }, 0},
      {"a full disk", [](FaultFileSystem& f) { f.LimitWrites(9000); }, 0},
      {"a source", [](FaultFileSystem& f) { f.FailPath(Op::kRead, "src/f17", EIO); }, 0},
      {"the caller", [](FaultFileSystem&) {}, 9},
  };
  {
    PieceSet one_add(PathOf("whole"), 4000);
    EXPECT_SET_OK(one_add, AddFiles(SourceRoot(), entries, nullptr, nullptr, SourceRoot()));
    EXPECT_SET_OK(one_add, Close());
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    for (const std::string& name : ListFolder(Dir()))
      if (name.starts_with("backup")) std::filesystem::remove(FsPath(PathOf(name)));
    {
      PieceSet set(Base(), 4000, faults_);
      Heard heard{{}, c.stop_after};
      c.fault(faults_);
      EXPECT_EQ(set.AddFiles(SourceRoot(), entries, &heard, hear, SourceRoot()), c.stop_after != 0);
      faults_.Reset();
      std::vector<std::string> kept;
      for (const StoredFile& file : set.Files()) kept.push_back(file.Name);
      std::sort(heard.names.begin(), heard.names.end());
      EXPECT_EQ(heard.names, kept);
      EXPECT_LT(kept.size(), files.size());
      EXPECT_SET_OK(set, AddFiles(SourceRoot(), entries, nullptr, nullptr, SourceRoot()));
      EXPECT_SET_OK(set, Close());
    }
    ExpectRebuilds(files);
    for (const std::string& name : ListFolder(Dir())) {
      if (!name.starts_with("whole")) continue;
      EXPECT_EQ(ReadFile(PathOf("backup" + name.substr(5))), ReadFile(PathOf(name))) << name;
    }
  }
}

TEST_F(FaultTest, FailedReadOfTheSourceStoresNothingOfIt) {
  PieceSet set(Base(), 100, faults_);
  faults_.FailPath(Op::kRead, "src/bad", EIO);
  EXPECT_FALSE(AddWithFaults(set, {{"good", "12345"}, {"bad", PatternBytes(300, 1)}}));
  EXPECT_NE(set.LastError().find("Can't read " + SourceRoot() + "bad"), std::string::npos)
      << set.LastError();
  EXPECT_EQ(set.Files().size(), 1u);
  EXPECT_EQ(set.WritePos(), 13u);
  EXPECT_FALSE(FileExists(Piece(2)));
}

TEST_F(FaultTest, FailedSeekInTheLastPieceIsReported) {
  PieceSet set(Base(), 100, faults_);
  ASSERT_TRUE(AddWithFaults(set, {{"a", "1"}}));
  faults_.FailNth(Op::kSeek, 1, EIO);
  EXPECT_FALSE(AddWithFaults(set, {{"b", "2"}}));
  EXPECT_NE(set.LastError().find("Can't write " + Piece(1)), std::string::npos) << set.LastError();
  EXPECT_EQ(set.Files().size(), 1u);
}

TEST_F(FaultTest, FailedRenameAtCloseKeepsThePreviousHeader) {
  {
    PieceSet set(Base(), 100);
    ASSERT_TRUE(AddSources(set, {{"a", "first"}}));
  }
  const std::string header = ReadFile(Header());
  {
    PieceSet set(Base(), SetAccess::kReadWrite, faults_);
    ASSERT_TRUE(AddWithFaults(set, {{"b", "second"}}));
    faults_.FailPath(Op::kRename, "backup.pec", EIO);
    EXPECT_FALSE(set.Close());
    EXPECT_NE(set.LastError().find("backup.pec"), std::string::npos) << set.LastError();
    EXPECT_FALSE(set.Close()) << "a second Close gives the first result";
  }
  // The folder is as it was: the last piece laid out again from the header's tail goes, with
  // what was appended to it.
  EXPECT_EQ(ReadFile(Header()), header);
  EXPECT_EQ(ListFolder(Dir()), (std::vector<std::string>{"backup.pec", "src"}));
}

TEST_F(FaultTest, DiskFullWhileWritingTheCatalogueLeavesNoTemporaryFile) {
  {
    PieceSet set(Base(), 100);
    ASSERT_TRUE(AddSources(set, {{"a", "first"}}));
  }
  const std::string header = ReadFile(Header());
  PieceSet set(Base(), SetAccess::kReadWrite, faults_);
  ASSERT_TRUE(AddWithFaults(set, {{"b", "second"}}));
  faults_.LimitWrites(20);
  EXPECT_FALSE(set.Close());
  EXPECT_EQ(set.LastError().rfind("Can't write " + Header(), 0), 0u) << set.LastError();
  EXPECT_EQ(ReadFile(Header()), header);

  // A new set that cannot be finished leaves none of its pieces on the full disk.
  faults_.Reset();
  {
    PieceSet fresh(PathOf("new"), 100, faults_);
    const auto entries = MakeSources({{"c", PatternBytes(450, 3)}});
    ASSERT_TRUE(fresh.AddFiles(SourceRoot(), entries, nullptr, nullptr, SourceRoot()));
    faults_.LimitWrites(20);
    EXPECT_FALSE(fresh.Close());
  }
  EXPECT_EQ(ListFolder(Dir()), (std::vector<std::string>{"backup.pec", "src"}));
}

TEST_F(FaultTest, FailedAddOverOverflowPiecesStillLeavesAReadableSet) {
  // A catalogue too long for the 100-byte header goes on in overflow pieces 2 and up; the next
  // file stored takes their numbers.
  std::vector<std::pair<std::string, std::string>> names;
  for (int i = 0; i < 8; ++i) names.push_back({"name-of-some-length-" + std::to_string(i), "x"});
  {
    PieceSet set(Base(), 100);
    ASSERT_TRUE(AddSources(set, names));
  }
  {
    PieceSet set(Base(), SetAccess::kReadWrite, faults_);
    ASSERT_GT(set.OverflowPieces(), 0u);
    faults_.LimitWrites(150);  // runs out inside piece 2, once overflow piece 2 was overwritten
    EXPECT_FALSE(AddWithFaults(set, {{"big", PatternBytes(300, 1)}}));
    faults_.Reset();
    EXPECT_TRUE(set.Close()) << set.LastError();
  }
  PieceSet set(Base());
  EXPECT_EQ(set.LastError(), "");
  EXPECT_EQ(set.Files().size(), names.size());
}

TEST_F(FaultTest, HeaderThatCannotBeCreatedIsNamed) {
  PieceSet set(Base(), 100, faults_);
  ASSERT_TRUE(AddWithFaults(set, {{"a", "x"}}));
  faults_.FailNth(Op::kCreateUnique, 1, EACCES);
  EXPECT_FALSE(set.Close());
  EXPECT_EQ(set.LastError(), "Can't create " + Header());
}

TEST_F(FaultTest, FailedWriteWhileRebuildingNamesTheDestinationAndLeavesNothing) {
  PieceSet set(Base(), 100, faults_);
  ASSERT_TRUE(AddWithFaults(set, {{"a", PatternBytes(50, 1)}}));
  faults_.FailPath(Op::kWrite, "out/", ENOSPC);
  EXPECT_FALSE(set.ExtractFile(PathOf("out/"), "", "a"));
  EXPECT_EQ(set.LastError(), "Can't write " + PathOf("out/a") + ": No space left on device");
  EXPECT_TRUE(ListFolder(PathOf("out")).empty());
}

}  // namespace
}  // namespace vornalis::testing
