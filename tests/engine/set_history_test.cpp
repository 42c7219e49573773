// The set's history: which adds lead from the header protected to the header in force, and how
// many pieces they all left alone; what a commit writes into it and what it refuses to write over.
#include <gtest/gtest.h>

#include "engine/piece_set.h"
#include "engine/set_history.h"
#include "tests/support/set_fixture.h"

namespace vornalis::testing {
namespace {

FileIdentity H(std::uint8_t n) {
  FileIdentity id;
  id.length = 100 + n;
  id.md5[0] = n;
  return id;
}

// Adds from 1 to 2 (kept 5), 2 to 3 (kept 7), 3 to 4 (kept 9).
SetHistory Chain() {
  SetHistory history;
  history = WithAdd(history, H(1), H(2), 5);
  history = WithAdd(history, H(2), H(3), 7);
  return WithAdd(history, H(3), H(4), 9);
}

struct Lookup {
  std::uint8_t protected_header, now;
  std::optional<std::uint32_t> kept;
};

TEST(SetHistoryTest, AddsLeadFromTheProtectedHeaderToTheOneInForce) {
  const SetHistory history = Chain();
  ASSERT_EQ(history.adds.size(), 4u);
  for (const Lookup& lookup : std::vector<Lookup>{
           {1, 4, 5},              // every add since: the fewest pieces any left alone
           {2, 4, 7},              // protected after the first add
           {3, 4, 9},              // after the second
           {1, 2, 5},              // the header in force is an older one of the chain
           {4, 1, std::nullopt},   // backwards leads nowhere
           {4, 4, std::nullopt},   // the same header: no add made it
           {9, 4, std::nullopt},   // a header the history never saw
           {1, 9, std::nullopt}})  // nor one no add made
    EXPECT_EQ(PiecesKeptSince(history, H(lookup.protected_header), H(lookup.now)), lookup.kept)
        << int(lookup.protected_header) << " -> " << int(lookup.now);
  // An add from a header the history does not lead to starts it anew.
  const SetHistory fresh = WithAdd(history, H(7), H(8), 3);
  ASSERT_EQ(fresh.adds.size(), 2u);
  EXPECT_EQ(PiecesKeptSince(fresh, H(1), H(8)), std::nullopt);
  EXPECT_EQ(PiecesKeptSince(fresh, H(7), H(8)), 3u);
}

TEST(SetHistoryTest, ANeverEndingRunOfAddsKeepsTheFirstHeaderAndTheFewestPiecesKept) {
  SetHistory history;
  for (std::uint32_t i = 0; i < kMostRecordedAdds + 50; ++i)
    history = WithAdd(history, FileIdentity{i, {}}, FileIdentity{i + 1, {}}, i == 10 ? 2 : 100);
  EXPECT_EQ(history.adds.size(), kMostRecordedAdds);
  const FileIdentity last{kMostRecordedAdds + 50, {}};
  EXPECT_EQ(PiecesKeptSince(history, FileIdentity{0, {}}, last), 2u);
}

class SetHistoryFileTest : public SetTest {};

TEST_F(SetHistoryFileTest, IsWrittenReadAndNeverWrittenOverAFileNotItsOwn) {
  const SetPaths paths{Base()};
  SetHistory history = Chain();
  history.retired.push_back(recovery::Md5::Of(std::span<const char>("x", 1)));
  ASSERT_TRUE(WriteHistory(platform::RealFileSystem(), paths, history).ok());
  EXPECT_EQ(HistoryPath(paths), PathOf("backup.history.par2"));
  EXPECT_EQ(HistoryPath(SetPaths{PathOf("BACKUP"), ".PEC"}), PathOf("BACKUP.HISTORY.PAR2"));
  const SetHistory read = ReadHistory(platform::RealFileSystem(), paths);
  EXPECT_EQ(read.adds.size(), 4u);
  EXPECT_EQ(PiecesKeptSince(read, H(1), H(4)), 5u);
  EXPECT_EQ(read.retired, history.retired);

  // A user's file under the name is neither read nor replaced; an empty history is no file.
  WriteFile(HistoryPath(paths), "a user's notes");
  EXPECT_TRUE(ReadHistory(platform::RealFileSystem(), paths).empty());
  EXPECT_EQ(WriteHistory(platform::RealFileSystem(), paths, history).code,
            Status::Code::kNameTaken);
  EXPECT_EQ(ReadFile(HistoryPath(paths)), "a user's notes");
  std::filesystem::remove(FsPath(HistoryPath(paths)));
  ASSERT_TRUE(WriteHistory(platform::RealFileSystem(), paths, history).ok());
  ASSERT_TRUE(WriteHistory(platform::RealFileSystem(), paths, SetHistory{}).ok());
  EXPECT_FALSE(FileExists(HistoryPath(paths)));
}

}  // namespace
}  // namespace vornalis::testing
