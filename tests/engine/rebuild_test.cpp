// Rebuilding stored files: by catalogue entry, never through a link, never a damaged entry or a
// partial file under its name, and each piece read once.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "engine/piece_set.h"
#include "engine/verify.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/raw_set.h"
#include "tests/support/set_fixture.h"

namespace vornalis::testing {
namespace {

namespace fs = std::filesystem;
using Op = FaultFileSystem::Op;

// Keeps every entry's outcome.
class Outcomes final : public RebuildObserver {
 public:
  bool Rebuilt(const StoredFile& entry, const Status& status) noexcept override {
    order.push_back(entry.Folder + entry.Name);
    if (!status.ok()) failures.push_back(status);
    return true;
  }
  std::vector<std::string> order;
  std::vector<Status> failures;
};

std::vector<const StoredFile*> AllOf(const PieceSet& set) {
  std::vector<const StoredFile*> entries;
  for (const StoredFile& file : set.Files()) entries.push_back(&file);
  return entries;
}

class RebuildTest : public SetTest {
 protected:
  std::string Target() const { return PathOf("out/"); }
  std::string Outside() const { return PathOf("outside/"); }

  // Stores files into a new set of piece_size and closes it.
  void MakeSet(const std::vector<std::pair<std::string, std::string>>& files,
               std::uint32_t piece_size = 1000) {
    PieceSet set(Base(), piece_size);
    ASSERT_TRUE(AddSources(set, files)) << set.LastError();
    ASSERT_TRUE(set.Close()) << set.LastError();
  }

  // Every file below out/ is either absent or holds exactly its source's bytes, and no
  // temporary file is left anywhere below out/. Returns how many files are present.
  int ExpectWholeOrAbsent(const std::vector<std::pair<std::string, std::string>>& files) {
    int present = 0;
    for (const auto& [path, content] : files) {
      if (!FileExists(Target() + path)) continue;
      ++present;
      EXPECT_EQ(ReadFile(Target() + path), content) << path;
    }
    if (!fs::exists(Target())) return present;
    for (const auto& entry : fs::recursive_directory_iterator(Target()))
      EXPECT_EQ(entry.path().filename().string().rfind("Qbtm", 0), std::string::npos)
          << entry.path();
    return present;
  }
};

// Names that the catalogue's order treats as equal (case, Unicode form, ignorable characters).
const std::vector<std::pair<std::string, std::string>> kLookalikes = {
    {"A.txt", "UPPER CONTENT"},
    {"a.txt", "lower content"},
    {"README", "readme in capitals"},
    {"readme", "readme in small letters"},
    {"\xC3\x84.txt", "A with diaeresis, capital"},  // Ä
    {"\xC3\xA4.txt", "a with diaeresis, small"},    // ä
    {"caf\xC3\xA9", "cafe composed"},               // café, é as one code point
    {"cafe\xCC\x81", "cafe decomposed"},            // café, e + combining acute
    {"zero\xE2\x80\x8Bwidth", "with a zero-width space"},
    {"zerowidth", "without it"},
    {"ctl\x01name", "with a control character"},
    {"ctlname", "without a control character"},
};

TEST_F(RebuildTest, NamesTheOrderTreatsAsEqualEachComeBackWithTheirOwnBytes) {
  MakeSet(kLookalikes, 100);  // small pieces: the tail and the catalogue spill over
  for (const SetAccess access : {SetAccess::kReadOnly, SetAccess::kReadWrite}) {
    fs::remove_all(Target());
    PieceSet set(Base(), access);
    ASSERT_EQ(set.LastError(), "");
    ASSERT_EQ(set.Files().size(), kLookalikes.size());
    Outcomes outcomes;
    ASSERT_SET_OK(set, ExtractFiles(Target(), AllOf(set), &outcomes));
    EXPECT_TRUE(outcomes.failures.empty()) << outcomes.failures[0].message;
    for (const auto& [name, content] : kLookalikes)
      EXPECT_EQ(ReadFile(Target() + name), content) << name;
  }
}

TEST_F(RebuildTest, ANameOnlyCallerGetsTheExactEntryOrARefusal) {
  auto files = kLookalikes;
  files.push_back({"Unique.txt", "the only one"});
  MakeSet(files);
  PieceSet set(Base(), SetAccess::kReadOnly);
  // Spelt exactly as stored: that entry, even when others answer to the name too.
  EXPECT_SET_OK(set, ExtractFile(Target(), "", "a.txt"));
  EXPECT_EQ(ReadFile(Target() + "a.txt"), "lower content");
  EXPECT_FALSE(FileExists(Target() + "A.txt"));
  // One entry answers: it comes back under the caller's spelling.
  EXPECT_SET_OK(set, ExtractFile(Target(), "", "UNIQUE.TXT"));
  EXPECT_EQ(ReadFile(Target() + "UNIQUE.TXT"), "the only one");
  // Several answer and none is spelt so: refused, nothing written.
  EXPECT_FALSE(set.ExtractFile(Target(), "", "Readme"));
  EXPECT_EQ(set.LastError(),
            "The name Readme matches 2 stored files that differ only in case or form; give it "
            "exactly as stored");
  EXPECT_FALSE(FileExists(Target() + "Readme"));
  // None answers: nothing to do, nothing made.
  set.ClearLastError();
  EXPECT_TRUE(set.ExtractFile(PathOf("elsewhere/"), "", "nothere"));
  EXPECT_FALSE(FileExists(PathOf("elsewhere")));
}

TEST_F(RebuildTest, AFolderLinkInTheTargetIsRefusedAndNothingIsWrittenThroughIt) {
  MakeSet({{"src/a.txt", "a"}, {"src/deeper/b.txt", "b"}, {"top.txt", "top"}});
  fs::create_directories(Outside());
  fs::create_directories(Target());
  fs::create_directory_symlink(Outside(), Target() + "src");
  PieceSet set(Base(), SetAccess::kReadOnly);
  Outcomes outcomes;
  ASSERT_SET_OK(set, ExtractFiles(Target(), AllOf(set), &outcomes));
  ASSERT_EQ(outcomes.failures.size(), 2u);
  for (const Status& failure : outcomes.failures) {
    EXPECT_EQ(failure.code, Status::Code::kRefused);
    EXPECT_EQ(failure.message,
              "Refused link " + Target() + "src: rebuilt files are never written through links");
  }
  EXPECT_TRUE(ListFolder(Outside()).empty());
  EXPECT_EQ(ReadFile(Target() + "top.txt"), "top");
}

TEST_F(RebuildTest, AFileOrLinkAtAFilesPlaceIsReplacedNeverWrittenThrough) {
  MakeSet({{"src/sym.txt", "new one"}, {"src/hard.txt", "new two"}, {"src/plain.txt", "3"}});
  WriteFile(Outside() + "secret", "outside, by symbolic link");
  WriteFile(Outside() + "other", "outside, by hard link");
  fs::create_directories(Target() + "src");
  fs::create_symlink(Outside() + "secret", Target() + "src/sym.txt");
  fs::create_hard_link(Outside() + "other", Target() + "src/hard.txt");
  WriteFile(Target() + "src/plain.txt", "an older and longer file");
  PieceSet set(Base(), SetAccess::kReadOnly);
  ASSERT_SET_OK(set, ExtractFiles(Target(), AllOf(set), nullptr));
  EXPECT_EQ(ReadFile(Outside() + "secret"), "outside, by symbolic link");
  EXPECT_EQ(ReadFile(Outside() + "other"), "outside, by hard link");
  EXPECT_FALSE(fs::is_symlink(Target() + "src/sym.txt"));
  EXPECT_EQ(ReadFile(Target() + "src/sym.txt"), "new one");
  EXPECT_EQ(ReadFile(Target() + "src/hard.txt"), "new two");
  EXPECT_EQ(ReadFile(Target() + "src/plain.txt"), "3");
}

TEST_F(RebuildTest, AFolderAtAFilesPlaceIsNamedAndTheOthersGoOn) {
  MakeSet({{"a", "1"}, {"b", "2"}});
  fs::create_directories(Target() + "a/inside");
  PieceSet set(Base(), SetAccess::kReadOnly);
  Outcomes outcomes;
  ASSERT_SET_OK(set, ExtractFiles(Target(), AllOf(set), &outcomes));
  ASSERT_EQ(outcomes.failures.size(), 1u);
  EXPECT_EQ(outcomes.failures[0].message.rfind("Can't create " + Target() + "a: ", 0), 0u)
      << outcomes.failures[0].message;
  EXPECT_EQ(ReadFile(Target() + "b"), "2");
  EXPECT_EQ(ListFolder(Target()), (std::vector<std::string>{"a", "b"}));
}

TEST_F(RebuildTest, EntriesReachingPastTheStoredBytesAreRefusedLikeVerifyDoes) {
  // Piece 1 holds 20 bytes; "long" claims 30 of them, and "tail" would read the header's
  // catalogue as file bytes.
  const std::vector<RawRecord> records = {
      {1, 8, 30, "", "long"}, {2, 8, 50, "", "tail"}, {1, 38, 20, "", "sound"}};
  WriteFile(Piece(1), PieceBytes(1, PatternBytes(92, 1)));
  WriteFile(Header(), HeaderBytes(StreamBytes(100, 2, "0123456789", BlockBytes(records))));
  PieceSet set(Base(), SetAccess::kReadOnly);
  ASSERT_EQ(set.Files().size(), 3u) << set.LastError();
  Outcomes outcomes;
  ASSERT_SET_OK(set, ExtractFiles(Target(), AllOf(set), &outcomes));
  ASSERT_EQ(outcomes.failures.size(), 1u);
  EXPECT_EQ(outcomes.failures[0].code, Status::Code::kFormat);
  EXPECT_EQ(outcomes.failures[0].message,
            "Stored file tail reaches past the end of the stored bytes");
  EXPECT_FALSE(FileExists(Target() + "tail"));
  EXPECT_EQ(ReadFile(Target() + "long"), PatternBytes(92, 1).substr(0, 30));
}

TEST_F(RebuildTest, NoEntryEverReplacesAnotherOrAFileOfTheSetAndDamagedOnesAreNamed) {
  // Piece 1 is full: "twin" twice (a writer of another program may make that), an entry named
  // like the set's own piece, two entries sharing bytes, and a sound one at its end.
  const std::vector<RawRecord> records = {
      {1, 8, 5, "", "twin"},        {1, 13, 5, "", "twin"},       {1, 18, 4, "", "backup1.pec"},
      {1, 22, 10, "", "overlap-a"}, {1, 27, 10, "", "overlap-b"}, {1, 96, 4, "", "sound"}};
  WriteFile(Piece(1), PieceBytes(1,
                                 "first"
                                 "other"
                                 "evil"
                                 "0123456789" +
                                     std::string(64, '-') + "tail"));
  // The catalogue runs on into an overflow piece.
  const std::string stream = StreamBytes(100, 2, "T", BlockBytes(records));
  WriteFile(Header(), HeaderBytes(stream.substr(0, 92), 1));
  WriteFile(Piece(3), PieceBytes(3, stream.substr(92)));
  const std::string piece = ReadFile(Piece(1));
  PieceSet set(Base(), SetAccess::kReadOnly);
  ASSERT_EQ(set.Files().size(), 6u) << set.LastError();
  for (const std::string& target : {Target(), Dir()}) {
    SCOPED_TRACE(target);
    Outcomes outcomes;
    ASSERT_SET_OK(set, ExtractFiles(target, AllOf(set), &outcomes));
    std::vector<std::string> messages;
    for (const Status& failure : outcomes.failures) messages.push_back(failure.message);
    std::vector<std::string> expected = {
        "Refused " + target +
            "twin: a stored file of the same name and folder was rebuilt there "
            "already; this one is left out",
        "Stored file overlap-a shares its bytes with another stored file: the catalogue is damaged",
        "Stored file overlap-b shares its bytes with another stored file: the catalogue is "
        "damaged"};
    if (target == Dir())
      expected.insert(expected.begin() + 1, "Refused " + target +
                                                "backup1.pec: it is a file of the set being read, "
                                                "which stays as it is");
    EXPECT_EQ(messages, expected);
    EXPECT_EQ(ReadFile(target + "twin"), "first");
    EXPECT_EQ(ReadFile(target + "sound"), "tail");
    EXPECT_FALSE(FileExists(target + "overlap-a"));
  }
  EXPECT_EQ(ReadFile(Piece(1)), piece);
  EXPECT_EQ(ReadFile(Target() + "backup1.pec"), "evil");
  const VerifyReport report = VerifySet(set);
  ASSERT_EQ(report.problems.size(), 2u);
  EXPECT_EQ(report.problems[0].affected, std::vector<std::string>{"overlap-a"});
}

TEST_F(RebuildTest, EachPieceIsOpenedOnceInTheOrderTheBytesLieOrInAnyOrderGiven) {
  std::vector<std::pair<std::string, std::string>> files;
  // Names in reverse of the storing order, so the catalogue's order is not the pieces'.
  for (int i = 0; i < 60; ++i)
    files.push_back(
        {"d" + std::to_string(i % 3) + "/" + std::string(1, char('z' - i % 26)) + std::to_string(i),
         PatternBytes(37 + i * 11, static_cast<std::uint32_t>(i))});
  MakeSet(files, 500);
  FaultFileSystem counting(platform::RealFileSystem());
  PieceSet set(Base(), SetAccess::kReadWrite, counting);
  ASSERT_EQ(set.Files().size(), files.size());
  counting.Reset();
  ASSERT_SET_OK(set, ExtractFiles(Target(), AllOf(set), nullptr));
  EXPECT_EQ(counting.Count(Op::kOpen), static_cast<int>(set.LastPiece()));
  EXPECT_EQ(counting.Count(Op::kOpenDirectory), 1 + 3);  // the target and its three folders
  EXPECT_EQ(ExpectWholeOrAbsent(files), static_cast<int>(files.size()));

  // As a sorted list gives them, against the order the bytes lie in: rebuilt in that order, and
  // the pieces used are kept open, not opened again for every file.
  fs::remove_all(Target());
  std::vector<const StoredFile*> by_size = AllOf(set);
  std::stable_sort(by_size.begin(), by_size.end(),
                   [](const StoredFile* a, const StoredFile* b) { return a->Size > b->Size; });
  counting.Reset();
  Outcomes outcomes;
  ASSERT_SET_OK(set, ExtractFiles(Target(), by_size, &outcomes, RebuildOrder::kAsGiven));
  std::vector<std::string> given;
  for (const StoredFile* file : by_size) given.push_back(file->Folder + file->Name);
  EXPECT_EQ(outcomes.order, given);
  EXPECT_TRUE(outcomes.failures.empty());
  EXPECT_EQ(counting.Count(Op::kOpen), static_cast<int>(set.LastPiece()));
  EXPECT_EQ(ExpectWholeOrAbsent(files), static_cast<int>(files.size()));
}

TEST_F(RebuildTest, FilesGivenBackwardsOverMorePiecesThanAreKeptOpenComeBackWhole) {
  std::vector<std::pair<std::string, std::string>> files;
  for (int i = 0; i < 60; ++i)
    files.push_back(
        {"f" + std::to_string(i), PatternBytes(37 + i * 11, static_cast<std::uint32_t>(i))});
  MakeSet(files, 60);
  PieceSet set(Base(), SetAccess::kReadOnly);
  ASSERT_GT(set.LastPiece(), 200u);
  std::vector<const StoredFile*> backwards = AllOf(set);
  std::reverse(backwards.begin(), backwards.end());
  ASSERT_SET_OK(set, ExtractFiles(Target(), backwards, nullptr, RebuildOrder::kAsGiven));
  EXPECT_EQ(ExpectWholeOrAbsent(files), static_cast<int>(files.size()));
}

TEST_F(RebuildTest, EveryFailingStepLeavesFilesWholeOrAbsentAndSaysSo) {
  std::vector<std::pair<std::string, std::string>> files = {
      {"a/one", PatternBytes(700, 1)},       {"a/two", ""},
      {"b/c/three", PatternBytes(90000, 3)}, {"four", PatternBytes(5, 4)},
      {"b/five", PatternBytes(1300, 5)},
  };
  MakeSet(files, 1000);
  int runs = 0;
  for (const bool kernel_copy : {false, true}) {
    for (const Op op : {Op::kOpen, Op::kRead, Op::kWrite, Op::kSeek, Op::kClose, Op::kRename,
                        Op::kCreateUnique, Op::kOpenDirectory, Op::kCopy}) {
      for (int n = 1; n <= 12; ++n) {
        fs::remove_all(Target());
        FaultFileSystem faults(platform::RealFileSystem());
        faults.UseKernelCopy(kernel_copy);
        PieceSet set(Base(), SetAccess::kReadOnly, faults);
        ASSERT_EQ(set.Files().size(), files.size());
        faults.FailNth(op, n, op == Op::kWrite || op == Op::kCopy ? ENOSPC : EIO);
        Outcomes outcomes;
        const bool opened = set.ExtractFiles(Target(), AllOf(set), &outcomes);
        const int present = ExpectWholeOrAbsent(files);
        const int failed =
            opened ? static_cast<int>(outcomes.failures.size()) : static_cast<int>(files.size());
        EXPECT_EQ(present + failed, static_cast<int>(files.size()))
            << "op " << static_cast<int>(op) << " n " << n;
        for (const Status& failure : outcomes.failures) EXPECT_FALSE(failure.message.empty());
        ++runs;
      }
    }
  }
  EXPECT_EQ(runs, 2 * 9 * 12);
}

TEST_F(RebuildTest, AFullDiskLeavesNoFileCutShortUnderItsName) {
  std::vector<std::pair<std::string, std::string>> files;
  for (int i = 0; i < 8; ++i)
    files.push_back({"f" + std::to_string(i), PatternBytes(150 + 40 * i, i)});
  MakeSet(files, 400);
  for (std::uint64_t budget = 0; budget < 2400; budget += 97) {
    fs::remove_all(Target());
    FaultFileSystem faults(platform::RealFileSystem());
    PieceSet set(Base(), SetAccess::kReadOnly, faults);
    faults.LimitWrites(budget);
    Outcomes outcomes;
    ASSERT_SET_OK(set, ExtractFiles(Target(), AllOf(set), &outcomes));
    const int present = ExpectWholeOrAbsent(files);
    EXPECT_EQ(present + static_cast<int>(outcomes.failures.size()), 8) << budget;
    for (const Status& failure : outcomes.failures)
      EXPECT_NE(failure.message.find(": No space left on device"), std::string::npos)
          << failure.message;
  }
}

TEST_F(RebuildTest, AFifoWherePiecesOrTheHeaderShouldBeIsRefusedWithoutBlocking) {
  MakeSet({{"a", PatternBytes(300, 1)}}, 100);
  fs::remove(Piece(2));
  ASSERT_EQ(mkfifo(Piece(2).c_str(), 0644), 0);
  {
    PieceSet set(Base(), SetAccess::kReadOnly);
    EXPECT_FALSE(set.ExtractFile(Target(), set.Files()[0]));
    EXPECT_EQ(set.LastError(), "Can't open " + Piece(2) + ": Not a regular file");
    EXPECT_FALSE(FileExists(Target() + "a"));
  }
  fs::rename(Header(), PathOf("kept.pec"));
  ASSERT_EQ(mkfifo(Header().c_str(), 0644), 0);
  PieceSet set(Base(), SetAccess::kReadOnly);
  EXPECT_EQ(set.LastError(), "Can't open " + Header() + ": Not a regular file");
  EXPECT_TRUE(set.Files().empty());
}

// Records what the engine says of a large file's progress, and stops it at call stop_at.
class Recorder final : public ByteProgress {
 public:
  bool Copied(std::uint64_t done, std::uint64_t size) noexcept override {
    calls.push_back({done, size});
    return calls.size() != stop_at;
  }
  std::vector<std::pair<std::uint64_t, std::uint64_t>> calls;
  std::size_t stop_at = 0;
};

TEST_F(RebuildTest, LargeFilesReportTheirProgressWhileTheyAreCopied) {
  const std::string large = PatternBytes(20u << 20, 9);  // 20 MiB: three chunks
  Recorder stored, rebuilt;
  {
    PieceSet set(Base(), 3u << 20);
    set.SetByteProgress(&stored);
    ASSERT_TRUE(AddSources(set, {{"small", "s"}, {"large", large}})) << set.LastError();
  }
  PieceSet set(Base(), SetAccess::kReadOnly);
  set.SetByteProgress(&rebuilt);
  ASSERT_SET_OK(set, ExtractFiles(Target(), AllOf(set), nullptr));
  EXPECT_EQ(ReadFile(Target() + "large"), large);
  for (const auto* calls : {&stored.calls, &rebuilt.calls}) {
    ASSERT_GE(calls->size(), 3u);
    std::uint64_t last = 0;
    for (const auto& [done, size] : *calls) {
      EXPECT_GT(done, last);
      EXPECT_LE(done - last, ByteProgress::kChunk);
      EXPECT_EQ(size, large.size());
      last = done;
    }
    EXPECT_EQ(last, large.size());
  }
}

// Stopped inside a large file, storing gives the file up and keeps the files before it; a rebuild
// never puts the half-made file in place, and leaves nothing of it.
TEST_F(RebuildTest, ALargeFileStoppedInsideIsGivenUpWhole) {
  const std::string large = PatternBytes(20u << 20, 9);
  Recorder stored;
  stored.stop_at = 2;
  {
    PieceSet set(Base(), 3u << 20);
    set.SetByteProgress(&stored);
    ASSERT_TRUE(AddSources(set, {{"small", "s"}, {"large", large}})) << set.LastError();
    ASSERT_EQ(set.Files().size(), 1u);
  }
  PieceSet smaller(Base(), SetAccess::kReadOnly);
  ASSERT_EQ(smaller.Files().size(), 1u);
  EXPECT_EQ(smaller.Files()[0].Name, "small");
  {
    PieceSet set(Base());
    ASSERT_TRUE(AddSources(set, {{"large", large}, {"after", "a"}}));
  }
  PieceSet set(Base(), SetAccess::kReadOnly);
  Recorder rebuilt;
  rebuilt.stop_at = 2;
  set.SetByteProgress(&rebuilt);
  ASSERT_SET_OK(set, ExtractFiles(Target(), AllOf(set), nullptr));
  EXPECT_EQ(ListFolder(Target()), std::vector<std::string>{"small"});
}

}  // namespace
}  // namespace vornalis::testing
