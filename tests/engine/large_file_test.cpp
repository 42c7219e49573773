// Files of 4 GB and more: stored and rebuilt through a file system that makes gigabytes of a
// computed pattern without writing them (pattern_file_system.h), the catalogue of the large
// form, and the limits of piece numbers.
#include <gtest/gtest.h>

#include "engine/catalogue.h"
#include "engine/catalogue_stream_writer.h"
#include "engine/format.h"
#include "engine/piece_set.h"
#include "engine/set_state.h"
#include "engine/verify.h"
#include "platform/file_system.h"
#include "recovery/md5.h"
#include "tests/support/pattern_file_system.h"
#include "tests/support/raw_set.h"
#include "tests/support/set_fixture.h"

namespace vornalis::testing {
namespace {

constexpr std::uint64_t kFiveGiB = 5ull << 30;
using format::CatalogueForm;

class LargeFileTest : public SetTest {
 protected:
  // count bytes of path at offset, read through the pattern file system.
  std::string BytesAt(const std::string& path, std::uint64_t offset, std::size_t count) {
    auto file = fs_.Open(path, platform::OpenMode::kRead);
    EXPECT_TRUE(file.ok()) << path;
    if (!file.ok()) return std::string();
    std::string bytes(count, '\0');
    const Result<std::size_t> read = file->ReadAt(offset, bytes);
    bytes.resize(read.ok() ? *read : 0);
    return bytes;
  }
  std::string Pattern(std::uint64_t from, std::size_t count) {
    std::string bytes;
    for (std::size_t i = 0; i < count; ++i) bytes += PatternFileSystem::PatternByte(from + i);
    return bytes;
  }
  std::uint64_t SizeOf(const std::string& path) {
    const Result<platform::FileInfo> info = fs_.Inspect(path, false);
    return info.ok() ? info->size : 0;
  }
  // Rebuilds every stored file of the set below target, through a set opened for reading.
  void RebuildAll(const std::string& target) {
    PieceSet set(Base(), SetAccess::kReadOnly, fs_);
    ASSERT_TRUE(set.CatalogueRead()) << set.LastError();
    EXPECT_TRUE(VerifySet(set).ok());
    std::vector<const StoredFile*> entries;
    for (const StoredFile& file : set.Files()) entries.push_back(&file);
    struct Failures final : RebuildObserver {
      bool Rebuilt(const StoredFile& entry, const Status& status) noexcept override {
        if (!status.ok()) ADD_FAILURE() << entry.Name << ": " << status.message;
        return true;
      }
    } failures;
    EXPECT_SET_OK(set, ExtractFiles(target, entries, &failures));
  }

  PatternFileSystem fs_{platform::RealFileSystem()};
};

TEST_F(LargeFileTest, A5GiBFileCrossing4GiBInsideAPieceTurnsTheSetLargeAndComesBackWhole) {
  constexpr std::uint32_t kPieceSize = 1000000000;  // the 4 GiB mark falls inside piece 5
  constexpr std::uint64_t kPayload = kPieceSize - 8;
  {
    PieceSet set(Base(), kPieceSize, fs_);
    ASSERT_TRUE(AddSources(set, {{"small.txt", "hello"}}));
    ASSERT_SET_OK(set, Close());
  }
  EXPECT_EQ(BytesAt(Header(), 0, 4), "QBXR");
  ASSERT_TRUE(fs_.MakePatternFile(SourceRoot() + "big.img", kFiveGiB).ok());
  {
    PieceSet set(Base(), SetAccess::kReadWrite, fs_);
    EXPECT_EQ(set.Form(), CatalogueForm::kStandard);
    ASSERT_SET_OK(set,
                  AddFiles(SourceRoot(), {EntryFor("big.img")}, nullptr, nullptr, SourceRoot()));
    EXPECT_EQ(set.Form(), CatalogueForm::kLarge);
    ASSERT_SET_OK(set, Close());
  }
  // The bytes follow "hello" with no gap: 5 full pieces, the rest the header's tail.
  const std::uint64_t stored = 5 + kFiveGiB;
  const std::uint64_t tail = stored - 5 * kPayload;
  for (std::uint32_t n = 1; n <= 5; ++n) EXPECT_EQ(SizeOf(Piece(n)), kPieceSize) << n;
  EXPECT_FALSE(FileExists(Piece(6)));
  const std::string fixed = BytesAt(Header(), 0, 20);
  EXPECT_EQ(fixed,
            "QBXL" + U32(0) + U32(kPieceSize) + U32(6) + U32(static_cast<std::uint32_t>(tail)));
  // The catalogue after the tail: one block of records with 64-bit sizes, then the terminator.
  const std::string records = RecordBytes({1, 13, kFiveGiB, "", "big.img"}, true) +
                              RecordBytes({1, 8, 5, "", "small.txt"}, true);
  EXPECT_EQ(BytesAt(Header(), 20 + tail, records.size() + 8),
            BlockBytes({{1, 13, kFiveGiB, "", "big.img"}, {1, 8, 5, "", "small.txt"}}, true) +
                U32(0xFFFFFFFFu));
  EXPECT_EQ(SizeOf(Header()), 20 + tail + 4 + records.size() + 4);
  // The file's byte 2^32 is stored 5 + 2^32 bytes into the sequence: inside piece 5.
  const std::uint64_t at = 5 + (1ull << 32) - 4 * kPayload;
  EXPECT_EQ(BytesAt(Piece(5), 8 + at - 2, 4), Pattern((1ull << 32) - 2, 4));

  RebuildAll(PathOf("out/"));
  EXPECT_TRUE(fs_.HoldsPattern(PathOf("out/big.img")).ok())
      << fs_.HoldsPattern(PathOf("out/big.img")).message;
  EXPECT_EQ(SizeOf(PathOf("out/big.img")), kFiveGiB);
  EXPECT_EQ(ReadFile(PathOf("out/small.txt")), "hello");
  // Gigabytes went through the engine; megabytes reached the disk.
  EXPECT_LT(fs_.BytesWritten(), 1u << 20);
}

TEST_F(LargeFileTest, A5GiBFileEndingAtAPiecesEndLeavesTheNextFileToTheNextPiece) {
  constexpr std::uint32_t kPieceSize = (1u << 30) + 8;  // 5 GiB fill 5 pieces exactly
  ASSERT_TRUE(fs_.MakePatternFile(SourceRoot() + "big.img", kFiveGiB).ok());
  {
    PieceSet set(Base(), kPieceSize, fs_);
    ASSERT_SET_OK(set,
                  AddFiles(SourceRoot(), {EntryFor("big.img")}, nullptr, nullptr, SourceRoot()));
    EXPECT_FALSE(set.LastPieceOpen());
    EXPECT_EQ(set.LastPiece(), 5u);
    ASSERT_SET_OK(set, Close());
  }
  EXPECT_EQ(BytesAt(Header(), 0, 20), "QBXL" + U32(0) + U32(kPieceSize) + U32(5) + U32(0));
  EXPECT_EQ(BytesAt(Piece(5), kPieceSize - 3, 3), Pattern(kFiveGiB - 3, 3));
  {
    PieceSet set(Base(), SetAccess::kReadWrite, fs_);
    ASSERT_TRUE(AddSources(set, {{"after.txt", "next"}}));
    const StoredFile* after = set.Find("", "after.txt");
    ASSERT_NE(after, nullptr);
    EXPECT_EQ(after->Piece, 6u);
    EXPECT_EQ(after->Offset, 8u);
    ASSERT_SET_OK(set, Close());
  }
  RebuildAll(PathOf("out/"));
  EXPECT_TRUE(fs_.HoldsPattern(PathOf("out/big.img")).ok())
      << fs_.HoldsPattern(PathOf("out/big.img")).message;
  EXPECT_EQ(ReadFile(PathOf("out/after.txt")), "next");
}

TEST_F(LargeFileTest, TheLargeFormIsTakenForAFileOf4GiBOrMoreAndNeverLeft) {
  struct Case {
    std::uint64_t size;
    CatalogueForm was;
    CatalogueForm form;
  };
  const Case cases[] = {
      {0xFFFFFFFFull, CatalogueForm::kStandard, CatalogueForm::kStandard},
      {0x100000000ull, CatalogueForm::kStandard, CatalogueForm::kLarge},
      {format::kMaxFileSize, CatalogueForm::kStandard, CatalogueForm::kLarge},
      {1, CatalogueForm::kLarge, CatalogueForm::kLarge},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    const std::vector<StoredFile> files = {{"", "small", 1, 8, 1}, {"", "file", 1, 9, c.size}};
    EXPECT_EQ(catalogue::FormFor(files, c.was), c.form);
  }
}

TEST_F(LargeFileTest, RecoveryRecordsHashAnEntryBelow4GiBAsTheyAlwaysHaveInEitherForm) {
  // A set of one entry: the record's sum of entry hashes is that entry's hash, an MD5 of its
  // piece, offset, size (its low 32 bits, and the high ones only when there are any), folder and
  // name. Recovery files made before sizes grew hold such hashes.
  struct Case {
    std::uint64_t size;
    bool large;
    std::string hashed_size;
  };
  const Case cases[] = {{5, false, U32(5)},
                        {5, true, U32(5)},
                        {0xFFFFFFFFull, true, U32(0xFFFFFFFFu)},
                        {kFiveGiB, true, U32(0x40000000u) + U32(1)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    WriteFile(Header(), HeaderBytes(StreamBytes(1000, 1, "tail",
                                                BlockBytes({{1, 8, c.size, "", "a"}}, c.large)),
                                    0, c.large));
    const Result<SetState> read = ReadSetState(platform::RealFileSystem(), SetPaths{Base()});
    ASSERT_TRUE(read.ok()) << read.status().message;
    const std::string hashed = U32(1) + U32(8) + c.hashed_size + U32(0) + U32(1) + "a";
    EXPECT_EQ(read->entries_sum, recovery::Md5::Of(hashed));
  }
}

TEST_F(LargeFileTest, ACatalogueWhoseOverflowPiecesWouldPassTheLastNumberIsRefusedUnwritten) {
  // Stored bytes up to the last piece number there is leave no number for an overflow piece.
  const std::vector<StoredFile> files = {{"", std::string(40, 'n'), 1, 8, 1}};
  const CatalogueForm form = CatalogueForm::kStandard;
  CatalogueStreamWriter out(fs_, SetPaths{Base()}, 40, format::kMaxPieceNumber, form,
                            CatalogueStreamWriter::StreamSize(files, 0, 1 << 20, form));
  const Status begun = out.Begin(0);
  EXPECT_EQ(begun.message, "Can't write " + Header() +
                               ": its catalogue would reach piece 4294967297, and a set's "
                               "pieces are numbered up to 4294967295 only");
  EXPECT_EQ(ListFolder(Dir()), std::vector<std::string>{});
}

}  // namespace
}  // namespace vornalis::testing
