// Committing a set that stays open: what a reader finds after each commit, that the set goes on
// exactly as a close and an opening would leave it, and a commit that fails.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <map>
#include <memory>

#include "engine/piece_set.h"
#include "engine/verify.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/set_fixture.h"

namespace vornalis::testing {
namespace {

namespace fs = std::filesystem;
using Files = std::vector<std::pair<std::string, std::string>>;

struct CommitCase {
  const char* name;
  std::uint32_t piece_size;
  Files existing;  // a set of these files is there before (none: no set)
  bool replace;    // a new set that replaces it, else the existing set opened
  Files adds[3];   // three adds: a commit after the first two, a close after the third
};

void PrintTo(const CommitCase& c, std::ostream* out) { *out << c.name; }

Files Many(const std::string& folder, int count, std::size_t size) {
  Files files;
  for (int i = 0; i < count; ++i)
    files.push_back(
        {folder + "/f" + std::to_string(i), PatternBytes(size, static_cast<std::uint32_t>(i))});
  return files;
}

class CommitTest : public SetTest, public ::testing::WithParamInterface<CommitCase> {
 protected:
  std::string BaseIn(const std::string& folder) { return PathOf(folder + "/backup"); }

  // Makes the set the case starts from in folder, and the writer the case stores with.
  std::unique_ptr<PieceSet> Writer(const std::string& folder) {
    const CommitCase& c = GetParam();
    fs::create_directories(FsPath(PathOf(folder)));
    if (!c.existing.empty()) {
      PieceSet old(BaseIn(folder), c.piece_size);
      EXPECT_TRUE(
          old.AddFiles(SourceRoot(), MakeSources(c.existing), nullptr, nullptr, SourceRoot()));
      EXPECT_TRUE(old.Close()) << old.LastError();
    }
    if (c.existing.empty() || c.replace)
      return std::make_unique<PieceSet>(BaseIn(folder), c.piece_size, platform::RealFileSystem(),
                                        NewSet::kReplaceExisting);
    return std::make_unique<PieceSet>(BaseIn(folder));
  }

  bool Add(PieceSet& set, const Files& files) {
    return set.AddFiles(SourceRoot(), MakeSources(files), nullptr, nullptr, SourceRoot());
  }

  // A reader of the set in folder finds exactly files, each whole, and every piece sound.
  void ExpectOnDisk(const std::string& folder, const Files& files, const std::string& when) {
    PieceSet reader(BaseIn(folder), SetAccess::kReadOnly);
    ASSERT_EQ(reader.LastError(), "") << when;
    ASSERT_EQ(reader.Files().size(), files.size()) << when;
    EXPECT_TRUE(VerifySet(reader).ok()) << when;
    const std::string out = PathOf("out-" + when + "/");
    for (const auto& [path, content] : files) {
      const StoredFile wanted = EntryFor(path);
      ASSERT_TRUE(reader.ExtractFile(out, wanted.Folder, wanted.Name))
          << when << reader.LastError();
      EXPECT_EQ(ReadFile(out + path), content) << when << ": " << path;
    }
  }

  // The set's files in folder, by name, with their bytes.
  std::map<std::string, std::string> SetFiles(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const std::string& name : ListFolder(PathOf(folder)))
      files[name] = ReadFile(PathOf(folder + "/" + name));
    return files;
  }
};

TEST_P(CommitTest, EachCommitIsOnTheMediumAndTheSetGoesOnAsAfterACloseAndAnOpening) {
  const CommitCase& c = GetParam();
  Files expected = c.replace ? Files() : c.existing;
  {
    std::unique_ptr<PieceSet> set = Writer("kept-open");
    for (int i = 0; i < 2; ++i) {
      const std::string when = "commit " + std::to_string(i + 1);
      ASSERT_TRUE(Add(*set, c.adds[i])) << when << set->LastError();
      ASSERT_TRUE(set->Commit()) << when << set->LastError();
      EXPECT_FALSE(set->Replaces()) << when;
      expected.insert(expected.end(), c.adds[i].begin(), c.adds[i].end());
      ExpectOnDisk("kept-open", expected, when);
      // It stays the one writer, and may store more.
      EXPECT_FALSE(PieceSet(BaseIn("kept-open")).CanStore()) << when;
      EXPECT_TRUE(set->CanStore()) << when;
      // A commit with nothing new stored writes nothing.
      const platform::FileInfo header =
          *platform::RealFileSystem().Inspect(BaseIn("kept-open") + ".pec");
      ASSERT_TRUE(set->Commit()) << when;
      EXPECT_TRUE(
          platform::RealFileSystem().Inspect(BaseIn("kept-open") + ".pec")->SameFile(header));
    }
    ASSERT_TRUE(Add(*set, c.adds[2])) << set->LastError();
    ASSERT_TRUE(set->Close()) << set->LastError();
    expected.insert(expected.end(), c.adds[2].begin(), c.adds[2].end());
    ExpectOnDisk("kept-open", expected, "close");
  }
  // The same adds, each by a writer of its own that closes the set: the same files, byte for byte,
  // and nothing left beside them (no lock, no piece kept aside, no temporary file).
  for (int i = 0; i < 3; ++i) {
    std::unique_ptr<PieceSet> set =
        i == 0 ? Writer("reopened") : std::make_unique<PieceSet>(BaseIn("reopened"));
    ASSERT_TRUE(Add(*set, c.adds[i])) << set->LastError();
    ASSERT_TRUE(set->Close()) << set->LastError();
  }
  EXPECT_EQ(SetFiles("kept-open"), SetFiles("reopened"));
}

INSTANTIATE_TEST_SUITE_P(
    Sets, CommitTest,
    ::testing::Values(
        CommitCase{"NewSetLastPiecePartlyFilled",
                   1000,
                   {},
                   false,
                   {{{"a", PatternBytes(300, 1)}},
                    {{"b", PatternBytes(400, 2)}, {"d/c", "c"}},
                    {{"e", PatternBytes(900, 3)}}}},
        CommitCase{"PiecesFilledToTheByte",
                   108,
                   {},
                   false,
                   {{{"a", PatternBytes(100, 1)}},
                    {{"b", PatternBytes(200, 2)}},
                    {{"c", PatternBytes(50, 3)}}}},
        CommitCase{"EmptyFilesOnly", 100, {}, false, {{{"e", ""}}, {{"f", ""}}, {{"g", "g"}}}},
        CommitCase{"OpenedSetWithOverflowPieces",
                   200,
                   Many("old", 60, 30),
                   false,
                   {{{"x", PatternBytes(500, 4)}}, {{"y", "y"}}, Many("new", 5, 90)}},
        CommitCase{"NewSetReplacingAnother",
                   500,
                   {{"old", PatternBytes(1200, 5)}},
                   true,
                   {{{"a", PatternBytes(700, 6)}}, {{"b", "b"}}, {{"c", "c"}}}}),
    [](const ::testing::TestParamInfo<CommitCase>& param) { return param.param.name; });

TEST_F(SetTest, ACommitThatFailsLeavesTheSetAsItsLastCommitAndStoresNoMore) {
  FaultFileSystem faults(platform::RealFileSystem());
  PieceSet set(Base(), 300, faults);
  ASSERT_TRUE(AddSources(set, {{"a", PatternBytes(500, 1)}}));
  ASSERT_TRUE(set.Commit()) << set.LastError();
  ASSERT_TRUE(AddSources(set, {{"b", PatternBytes(400, 2)}}));
  faults.FailPath(FaultFileSystem::Op::kRename, "backup.pec", EACCES);
  EXPECT_FALSE(set.Commit());
  EXPECT_NE(set.LastError(), "");
  EXPECT_FALSE(set.CanStore());
  EXPECT_FALSE(AddSources(set, {{"c", "c"}}));
  EXPECT_FALSE(set.Close());
  faults.Reset();
  // The pieces b took are gone; the set is as the first commit left it.
  PieceSet reader(Base(), SetAccess::kReadOnly);
  ASSERT_EQ(reader.LastError(), "");
  ASSERT_EQ(reader.Files().size(), 1u);
  EXPECT_TRUE(VerifySet(reader).ok());
  EXPECT_FALSE(FileExists(Piece(4)));
  EXPECT_TRUE(reader.ExtractFile(PathOf("out/"), "", "a"));
  EXPECT_EQ(ReadFile(PathOf("out/a")), PatternBytes(500, 1));
}

}  // namespace
}  // namespace vornalis::testing
