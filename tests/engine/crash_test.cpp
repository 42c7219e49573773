// A set survives its writer: whether an add dies after any number of changes to the disk, or
// closing fails at any step, the set opens as it was before the add or as it is after it, with
// every stored file whole, and the next writer cleans up what was left behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <map>
#include <memory>

#include "engine/piece_set.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/set_fixture.h"

namespace vornalis::testing {
namespace {

namespace fs = std::filesystem;
using Op = FaultFileSystem::Op;
using Files = std::vector<std::pair<std::string, std::string>>;

// Sets of 200-byte pieces whose catalogue needs no, one or several overflow pieces.
Files Sources(int count, int seed) {
  Files files;
  for (int i = 0; i < count; ++i)
    files.push_back(
        {"dir" + std::to_string(i % 4) + "/file-" + std::to_string(seed) + "-" + std::to_string(i),
         PatternBytes(static_cast<std::size_t>((i * 37 + seed) % 260),
                      static_cast<std::uint32_t>(seed * 1000 + i))});
  return files;
}

Files Joined(Files first, const Files& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

class CrashTest : public SetTest, public ::testing::WithParamInterface<int> {
 protected:
  static constexpr std::uint32_t kPieceSize = 200;

  void SetUp() override {
    SetTest::SetUp();
    before_ = Sources(GetParam(), 1);
    added_ = Sources(4, 2);
    MakeSources(added_);
    {
      PieceSet set(Base(), kPieceSize);
      ASSERT_SET_OK(set,
                    AddFiles(SourceRoot(), MakeSources(before_), nullptr, nullptr, SourceRoot()));
      ASSERT_SET_OK(set, Close());
    }
    RecordProperty("overflow_pieces",
                   static_cast<int>(PieceSet(Base(), SetAccess::kReadOnly).OverflowPieces()));
    fs::create_directories(PathOf("template"));
    for (const auto& entry : fs::directory_iterator(Dir()))
      if (entry.path().extension() == ".pec")
        fs::copy_file(entry.path(), PathOf("template/") + entry.path().filename().string());
  }

  // Puts the set back as it was before the add.
  void Restore() {
    for (const auto& entry : fs::directory_iterator(Dir()))
      if (entry.is_regular_file() || entry.is_symlink()) fs::remove(entry.path());
    for (const auto& entry : fs::directory_iterator(PathOf("template")))
      fs::copy_file(entry.path(), PathOf(entry.path().filename().string()));
  }

  // Adds added_ through faults and closes; what the faults do is up to the caller.
  void AddThrough(FaultFileSystem& faults, Op fail_in_close = Op::kOpen, int n = 0) {
    PieceSet set(Base(), SetAccess::kReadWrite, faults);
    std::vector<StoredFile> entries;
    for (const auto& [path, content] : added_) entries.push_back(EntryFor(path));
    set.AddFiles(SourceRoot(), entries, nullptr, nullptr, SourceRoot());
    if (n > 0) faults.FailNth(fail_in_close, n, fail_in_close == Op::kWrite ? ENOSPC : EIO);
    set.Close();
  }

  // The set opens as before or as after (the files added, or only those when replaced), every
  // file whole; returns "before" or "after".
  std::string ExpectBeforeOrAfter(const std::string& what, bool replaced = false) {
    PieceSet set(Base(), SetAccess::kReadOnly);
    EXPECT_EQ(set.LastError(), "") << what;
    Files expected = before_;
    if (set.Files().size() != before_.size()) {
      if (replaced) expected.clear();
      expected.insert(expected.end(), added_.begin(), added_.end());
    }
    EXPECT_EQ(set.Files().size(), expected.size()) << what;
    fs::remove_all(PathOf("out"));
    std::vector<const StoredFile*> all;
    for (const StoredFile& file : set.Files()) all.push_back(&file);
    EXPECT_TRUE(set.ExtractFiles(PathOf("out/"), all, nullptr)) << what << set.LastError();
    for (const auto& [path, content] : expected)
      EXPECT_EQ(ReadFile(PathOf("out/" + path)), content) << what << ": " << path;
    return expected.size() == before_.size() ? "before" : "after";
  }

  // The set opens as one of states (each a name and the files the set holds then, of different
  // counts), every file whole; returns the name of the state found.
  std::string ExpectOneOf(const std::vector<std::pair<std::string, Files>>& states,
                          const std::string& what) {
    PieceSet set(Base(), SetAccess::kReadOnly);
    EXPECT_EQ(set.LastError(), "") << what;
    const auto found = std::find_if(states.begin(), states.end(), [&](const auto& state) {
      return state.second.size() == set.Files().size();
    });
    if (found == states.end()) {
      ADD_FAILURE() << what << ": " << set.Files().size() << " files";
      return "";
    }
    fs::remove_all(PathOf("out"));
    std::vector<const StoredFile*> all;
    for (const StoredFile& file : set.Files()) all.push_back(&file);
    EXPECT_TRUE(set.ExtractFiles(PathOf("out/"), all, nullptr)) << what << set.LastError();
    for (const auto& [path, content] : found->second)
      EXPECT_EQ(ReadFile(PathOf("out/" + path)), content) << what << ": " << path;
    return found->first;
  }

  // A writer that opens and closes the set cleans up after the one that died, and the set
  // still reads the same.
  void ExpectCleanedUpByTheNextWriter(const std::string& what) {
    const std::size_t count = PieceSet(Base(), SetAccess::kReadOnly).Files().size();
    {
      PieceSet set(Base());
      EXPECT_EQ(set.LastError(), "") << what;
      ASSERT_TRUE(set.AddFiles(SourceRoot(), {EntryFor("late")}, nullptr, nullptr, SourceRoot()))
          << what << set.LastError();
      EXPECT_TRUE(set.Close()) << what << set.LastError();
    }
    for (const auto& entry : fs::directory_iterator(Dir())) {
      const std::string name = entry.path().filename().string();
      EXPECT_EQ(name.find("Qbtm"), std::string::npos) << what << ": " << name;
      EXPECT_EQ(name.find(".aside"), std::string::npos) << what << ": " << name;
      EXPECT_EQ(name.find(".lock"), std::string::npos) << what << ": " << name;
    }
    EXPECT_EQ(PieceSet(Base(), SetAccess::kReadOnly).Files().size(), count + 1) << what;
  }

  Files before_, added_;
};

TEST_P(CrashTest, AnAddThatDiesAtAnyStepLeavesTheSetAsBeforeOrAfter) {
  WriteFile(SourceRoot() + "late", "late");
  std::map<std::string, int> outcomes;
  for (int n = 0;; ++n) {
    Restore();
    FaultFileSystem faults(platform::RealFileSystem());
    faults.DieAfter(n);
    AddThrough(faults);
    const std::string what = "died after " + std::to_string(n) + " changes";
    ++outcomes[ExpectBeforeOrAfter(what)];
    ExpectCleanedUpByTheNextWriter(what);
    if (!faults.Dead()) {  // the add and the close went through whole
      RecordProperty("deaths", n);
      break;
    }
    ASSERT_LT(n, 2000);
  }
  // Dying before the new header is in place gives the set as before; after it, as after.
  EXPECT_GT(outcomes["before"], 0);
  EXPECT_GT(outcomes["after"], 0);
}

TEST_P(CrashTest, ASetThatReplacesAnotherAndDiesAtAnyStepLeavesTheOldOneOrItself) {
  WriteFile(SourceRoot() + "late", "late");
  std::vector<StoredFile> entries;
  for (const auto& [path, content] : added_) entries.push_back(EntryFor(path));
  std::map<std::string, int> outcomes;
  for (int n = 0;; ++n) {
    Restore();
    FaultFileSystem faults(platform::RealFileSystem());
    faults.DieAfter(n);
    {
      PieceSet set(Base(), kPieceSize, faults, NewSet::kReplaceExisting);
      set.AddFiles(SourceRoot(), entries, nullptr, nullptr, SourceRoot());
      set.Close();
    }
    const std::string what = "died after " + std::to_string(n) + " changes";
    ++outcomes[ExpectBeforeOrAfter(what, true)];
    ExpectCleanedUpByTheNextWriter(what);
    if (!faults.Dead()) break;
    ASSERT_LT(n, 2000);
  }
  EXPECT_GT(outcomes["before"], 0);
  EXPECT_GT(outcomes["after"], 0);

  // A disk that fills up: the store fails, is thrown away, and the old set stays as it was.
  Restore();
  {
    FaultFileSystem faults(platform::RealFileSystem());
    faults.LimitWrites(100);
    PieceSet set(Base(), kPieceSize, faults, NewSet::kReplaceExisting);
    EXPECT_FALSE(set.AddFiles(SourceRoot(), entries, nullptr, nullptr, SourceRoot()));
    set.Discard();
  }
  EXPECT_EQ(ExpectBeforeOrAfter("disk full", true), "before");
  for (const auto& entry : fs::directory_iterator(Dir()))
    EXPECT_EQ(entry.path().filename().string().find(".aside"), std::string::npos);
}

// A writer that commits after a first add and goes on storing: wherever it dies, the set opens
// as before, as committed or as after, every file whole; once Commit has returned, never as
// before. So it goes for a set opened and for a new set that replaces it.
TEST_P(CrashTest, AWriterThatDiesAfterItsCommitKeepsWhatItCommitted) {
  // Two overflow pieces meet nothing that one and nine do not.
  if (GetParam() == 14) GTEST_SKIP();
  WriteFile(SourceRoot() + "late", "late");
  const Files more = Sources(3, 3);
  MakeSources(more);
  std::vector<StoredFile> first, second;
  for (const auto& [path, content] : added_) first.push_back(EntryFor(path));
  for (const auto& [path, content] : more) second.push_back(EntryFor(path));
  for (const bool replace : {false, true}) {
    std::map<std::string, int> outcomes;
    for (int n = 0;; ++n) {
      Restore();
      FaultFileSystem faults(platform::RealFileSystem());
      faults.DieAfter(n);
      bool committed = false;
      {
        std::unique_ptr<PieceSet> set =
            replace
                ? std::make_unique<PieceSet>(Base(), kPieceSize, faults, NewSet::kReplaceExisting)
                : std::make_unique<PieceSet>(Base(), SetAccess::kReadWrite, faults);
        committed =
            set->AddFiles(SourceRoot(), first, nullptr, nullptr, SourceRoot()) && set->Commit();
        set->AddFiles(SourceRoot(), second, nullptr, nullptr, SourceRoot());
        set->Close();
      }
      const std::string what = std::string(replace ? "replacing, " : "") + "died after " +
                               std::to_string(n) + " changes";
      const Files committed_files = replace ? added_ : Joined(before_, added_);
      const std::string outcome = ExpectOneOf({{"before", before_},
                                               {"committed", committed_files},
                                               {"after", Joined(committed_files, more)}},
                                              what);
      ++outcomes[outcome];
      if (committed) {
        EXPECT_NE(outcome, "before") << what;
      }
      ExpectCleanedUpByTheNextWriter(what);
      if (!faults.Dead()) break;
      ASSERT_LT(n, 3000);
    }
    EXPECT_GT(outcomes["before"], 0);
    EXPECT_GT(outcomes["committed"], 0);
    EXPECT_GT(outcomes["after"], 0);
  }
}

TEST_P(CrashTest, ACreateThatDiesLeavesNoSetOrAWholeOneAndTheNextCreateGoesOn) {
  // Every step of a create is met by the smaller sets already.
  if (GetParam() > 14) GTEST_SKIP();
  for (int n = 0;; ++n) {
    fs::remove_all(Dir());
    MakeSources(before_);
    FaultFileSystem faults(platform::RealFileSystem());
    faults.DieAfter(n);
    {
      PieceSet set(Base(), kPieceSize, faults);
      set.AddFiles(SourceRoot(), MakeSources(before_), nullptr, nullptr, SourceRoot());
      set.Close();
    }
    const std::string what = "died after " + std::to_string(n) + " changes";
    if (FileExists(Header())) {
      PieceSet set(Base(), SetAccess::kReadOnly);
      EXPECT_EQ(set.Files().size(), before_.size()) << what << set.LastError();
    } else {
      // What the dead create left is no set: the next one is made in its place.
      PieceSet set(Base(), kPieceSize);
      EXPECT_TRUE(set.CanStore()) << what << set.LastError();
      EXPECT_TRUE(set.AddFiles(SourceRoot(), MakeSources(before_), nullptr, nullptr, SourceRoot()))
          << what << set.LastError();
      EXPECT_TRUE(set.Close()) << what;
      ExpectBeforeOrAfter(what);
    }
    if (!faults.Dead()) break;
    ASSERT_LT(n, 2000);
  }
}

TEST_P(CrashTest, AFailureAtAnyStepOfClosingLeavesTheSetAsBeforeOrAfter) {
  WriteFile(SourceRoot() + "late", "late");
  for (const Op op : {Op::kOpen, Op::kRead, Op::kWrite, Op::kClose, Op::kRename, Op::kRemove,
                      Op::kCreateUnique, Op::kSync, Op::kSize, Op::kSeek}) {
    for (int n = 1; n <= 12; ++n) {
      Restore();
      FaultFileSystem faults(platform::RealFileSystem());
      AddThrough(faults, op, n);
      const std::string what = "op " + std::to_string(static_cast<int>(op)) + " failing at " +
                               std::to_string(n) + " in closing";
      ExpectBeforeOrAfter(what);
      ExpectCleanedUpByTheNextWriter(what);
    }
  }
}

// 1 file needs no overflow piece, 3 need one, 14 two and 60 nine.
INSTANTIATE_TEST_SUITE_P(OverflowPieces, CrashTest, ::testing::Values(1, 3, 14, 60));

TEST_F(SetTest, ASecondWriterIsRefusedAtOnceAndReadersSeeTheLastClosedSet) {
  {
    PieceSet set(Base(), 1000);
    ASSERT_TRUE(AddSources(set, {{"a", "first"}}));
  }
  PieceSet writer(Base());
  ASSERT_EQ(writer.LastError(), "");
  ASSERT_TRUE(AddSources(writer, {{"b", "second"}}));
  {
    PieceSet second(Base());
    EXPECT_EQ(second.LastError(), "The set " + Header() +
                                      " is open in another program, which may be storing files "
                                      "into it. Try again when it is closed there");
    EXPECT_FALSE(second.CanStore());
    EXPECT_FALSE(second.AddFiles(SourceRoot(), {EntryFor("a")}, nullptr, nullptr, SourceRoot()));
    EXPECT_EQ(second.Files().size(), 1u);  // the set as last closed
    PieceSet reader(Base(), SetAccess::kReadOnly);
    EXPECT_EQ(reader.LastError(), "");
    EXPECT_EQ(reader.Files().size(), 1u);
    EXPECT_TRUE(reader.ExtractFile(PathOf("out/"), reader.Files()[0]));
  }
  ASSERT_TRUE(writer.Close()) << writer.LastError();
  PieceSet after(Base());
  EXPECT_EQ(after.LastError(), "");
  EXPECT_EQ(after.Files().size(), 2u);
}

}  // namespace
}  // namespace vornalis::testing
