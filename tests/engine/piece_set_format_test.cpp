// The bytes a set leaves on disk: header, tail, blocks, overflow pieces.
#include <gtest/gtest.h>

#include "engine/piece_set.h"
#include "platform/endian.h"
#include "tests/support/raw_set.h"
#include "tests/support/set_fixture.h"

namespace vornalis::testing {
namespace {

class FormatTest : public SetTest {};

TEST_F(FormatTest, OneSmallFileGivesThe149ByteHeader) {
  const std::string content = PatternBytes(100, 1);
  {
    PieceSet set(Base(), 1474560);
    ASSERT_TRUE(AddSources(set, {{"a.txt", content}})) << set.LastError();
    EXPECT_EQ(ReadFile(Piece(1)), PieceBytes(1, content));
    ASSERT_EQ(set.Files().size(), 1u);
    EXPECT_EQ(set.Files()[0].Piece, 1u);
    EXPECT_EQ(set.Files()[0].Offset, 8u);
    EXPECT_EQ(set.Files()[0].Size, 100u);
    EXPECT_SET_OK(set, Close());
  }
  EXPECT_FALSE(FileExists(Piece(1)));
  const std::string expected = "QBXR" + U32(0) + std::string("\x00\x80\x16\x00", 4) + U32(1) +
                               U32(100) + content + U32(21) + U32(1) + U32(8) + U32(100) + U16(0) +
                               U16(5) + "a.txt" + std::string(4, '\xFF');
  ASSERT_EQ(expected.size(), 149u);
  EXPECT_EQ(ReadFile(Header()), expected);

  PieceSet reopened(Base());
  EXPECT_EQ(reopened.LastError(), "");
  EXPECT_EQ(ReadFile(Piece(1)), PieceBytes(1, content));
  EXPECT_TRUE(reopened.LastPieceOpen());
  EXPECT_EQ(reopened.WritePos(), 108u);
  EXPECT_EQ(reopened.PieceSize(), 1474560u);
}

TEST_F(FormatTest, NothingStoredWritesNoFile) {
  {
    PieceSet set(Base(), 1474560);
    std::uint32_t total = 99;
    EXPECT_EQ(set.GetTotals(total), 0);
    EXPECT_EQ(total, 0u);
  }
  EXPECT_TRUE(ListFolder(Dir()).empty());
}

TEST_F(FormatTest, FullLastPieceStaysAndNextFileStartsANewPiece) {
  {
    PieceSet set(Base(), 100);
    ASSERT_TRUE(AddSources(set, {{"full.bin", PatternBytes(92, 2)}}));
    EXPECT_FALSE(set.LastPieceOpen());
  }
  EXPECT_EQ(FileSize(Piece(1)), 100);
  EXPECT_EQ(ReadFile(Header()).substr(12, 8), U32(1) + U32(0));  // LastPiece 1, no tail

  PieceSet set(Base());
  EXPECT_FALSE(set.LastPieceOpen());
  ASSERT_TRUE(AddSources(set, {{"next.bin", PatternBytes(5, 3)}}));
  const StoredFile* next = set.Find("", "next.bin");
  ASSERT_NE(next, nullptr);
  EXPECT_EQ(next->Piece, 2u);
  EXPECT_EQ(next->Offset, 8u);
}

// With piece size 200 (payload 192), one file of 10 bytes whose name has n characters gives a
// stream of 12 + 10 + 4 + (16 + n) + 4 = 46 + n bytes.
TEST_F(FormatTest, StreamOfExactlyThePayloadNeedsNoOverflowPiece) {
  const std::string name = std::string(142, 'a') + ".txt";  // 146 characters: S = 192
  {
    PieceSet set(Base(), 200);
    ASSERT_TRUE(AddSources(set, {{name, PatternBytes(10, 4)}}));
  }
  EXPECT_EQ(FileSize(Header()), 200);
  EXPECT_EQ(ReadFile(Header()).substr(4, 4), U32(0));
  EXPECT_FALSE(FileExists(Piece(2)));
  PieceSet set(Base());
  ASSERT_EQ(set.Files().size(), 1u) << set.LastError();
  EXPECT_EQ(set.Files()[0].Name, name);
}

TEST_F(FormatTest, OneByteMoreMakesANineByteOverflowPiece) {
  const std::string name = std::string(143, 'a') + ".txt";  // S = 193
  {
    PieceSet set(Base(), 200);
    ASSERT_TRUE(AddSources(set, {{name, PatternBytes(10, 4)}}));
  }
  const std::string header = ReadFile(Header());
  EXPECT_EQ(header.size(), 200u);
  EXPECT_EQ(header.substr(4, 4), U32(1));
  EXPECT_EQ(ReadFile(Piece(2)), PieceBytes(2, std::string(4, '\xFF').substr(3)));
  PieceSet set(Base());
  ASSERT_EQ(set.Files().size(), 1u) << set.LastError();
  EXPECT_EQ(set.Files()[0].Name, name);
  EXPECT_EQ(set.OverflowPieces(), 1u);
}

// Long folder and file names make records of about 470 bytes, so 5,000 files need three
// blocks, and with 100,000-byte pieces the catalogue needs many overflow pieces.
TEST_F(FormatTest, LargeCatalogueUsesBlocksAndOverflowPiecesAndReadsBack) {
  const std::string folder = std::string(200, 'd') + "/";
  std::vector<std::pair<std::string, std::string>> sources;
  for (int i = 0; i < 5000; ++i) {
    std::string name = std::to_string(i * 7919 % 5000) + std::string(240, 'n');
    sources.push_back({folder + name, i % 3 == 0 ? PatternBytes(i % 50, i) : std::string()});
  }
  std::vector<StoredFile> written;
  std::uint32_t last_piece = 0;
  {
    PieceSet set(Base(), 100000);
    ASSERT_TRUE(AddSources(set, sources)) << set.LastError();
    written = set.Files();
    last_piece = set.LastPiece();
  }
  const std::string header = ReadFile(Header());
  ASSERT_EQ(header.size(), 100000u);
  const std::uint32_t k = ReadU32(header.data() + 4);
  EXPECT_GT(k, 20u);

  // Join the stream back together by hand and walk its blocks.
  std::string stream = header.substr(8);
  for (std::uint32_t n = last_piece + 1; n <= last_piece + k; ++n) {
    const std::string piece = ReadFile(Piece(n));
    ASSERT_EQ(piece.substr(0, 8), PieceBytes(n, "")) << n;
    if (n < last_piece + k) {
      EXPECT_EQ(piece.size(), 100000u);
    }
    stream += piece.substr(8);
  }
  EXPECT_FALSE(FileExists(Piece(last_piece + k + 1)));
  std::size_t pos = 12 + ReadU32(stream.data() + 8);
  std::vector<std::uint32_t> blocks;
  while (ReadU32(stream.data() + pos) != 0xFFFFFFFFu) {
    blocks.push_back(ReadU32(stream.data() + pos));
    pos += 4 + blocks.back();
  }
  EXPECT_EQ(pos + 4, stream.size());
  ASSERT_EQ(blocks.size(), 3u);
  EXPECT_GE(blocks[0], 0xFFC00u);
  EXPECT_GE(blocks[1], 0xFFC00u);

  PieceSet set(Base());
  ASSERT_EQ(set.LastError(), "");
  ASSERT_EQ(set.Files().size(), written.size());
  for (std::size_t i = 0; i < written.size(); ++i) {
    EXPECT_EQ(set.Files()[i].Name, written[i].Name);
    EXPECT_EQ(set.Files()[i].Folder, written[i].Folder);
    EXPECT_EQ(set.Files()[i].Offset, written[i].Offset);
  }
}

TEST_F(FormatTest, OverflowPiecesFollowTheLastDataPiece) {
  // Seven full pieces of data, then a catalogue two pieces too long for the header.
  // The empty files come first: one stored while no piece has room would start a piece.
  std::vector<std::pair<std::string, std::string>> sources;
  for (int i = 0; i < 60; ++i)
    sources.push_back({"empty" + std::to_string(i) + std::string(20, 'x'), ""});
  for (int i = 0; i < 7; ++i) sources.push_back({"f" + std::to_string(i), PatternBytes(992, i)});
  {
    PieceSet set(Base(), 1000);
    ASSERT_TRUE(AddSources(set, sources));
    EXPECT_EQ(set.LastPiece(), 7u);
    EXPECT_FALSE(set.LastPieceOpen());
  }
  EXPECT_EQ(ReadFile(Header()).substr(4, 4), U32(2));
  EXPECT_EQ(ReadFile(Piece(8)).substr(0, 8), PieceBytes(8, ""));
  EXPECT_EQ(ReadFile(Piece(9)).substr(0, 8), PieceBytes(9, ""));
  EXPECT_FALSE(FileExists(Piece(10)));
  PieceSet set(Base());
  EXPECT_EQ(set.Files().size(), sources.size()) << set.LastError();
}

// With the smallest pieces the header holds nothing but its fixed fields, and the tail and
// every block lie in overflow pieces.
TEST_F(FormatTest, SmallestPiecesReadBack) {
  for (std::uint32_t piece_size : {20u, 21u, 23u, 24u}) {
    SCOPED_TRACE(piece_size);
    const std::string base = PathOf("tiny" + std::to_string(piece_size));
    const std::vector<std::pair<std::string, std::string>> files = {
        {"a.txt", PatternBytes(40, 1)}, {"sub/b.bin", PatternBytes(7, 2)}, {"empty", ""}};
    {
      PieceSet set(base, piece_size);
      ASSERT_TRUE(set.AddFiles(SourceRoot(), MakeSources(files), nullptr, nullptr, SourceRoot()))
          << set.LastError();
    }
    PieceSet set(base, SetAccess::kReadOnly);
    ASSERT_EQ(set.LastError(), "");
    ASSERT_EQ(set.Files().size(), files.size());
    EXPECT_GT(set.OverflowPieces(), 0u);
    const std::string out = PathOf("out" + std::to_string(piece_size) + "/");
    for (const auto& [path, content] : files) {
      const StoredFile entry = EntryFor(path);
      EXPECT_SET_OK(set, ExtractFile(out, entry.Folder, entry.Name));
      EXPECT_EQ(ReadFile(out + path), content) << path;
    }
  }
}

}  // namespace
}  // namespace vornalis::testing
