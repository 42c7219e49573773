// The names a set needs: whatever lies under the next piece's name decides whether the set may
// take it. Only the set's own files are replaced; anything else stops the add before anything
// changes, and stays as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "engine/piece_set.h"
#include "tests/support/raw_set.h"
#include "tests/support/set_fixture.h"

namespace vornalis::testing {
namespace {

namespace fs = std::filesystem;

class NameClaimTest : public SetTest {
 protected:
  // A set of one 100-byte file in 100-byte pieces: piece 1 is full, the next file starts
  // piece 2.
  void SetUp() override {
    SetTest::SetUp();
    PieceSet set(Base(), 100);
    ASSERT_TRUE(AddSources(set, {{"first", PatternBytes(92, 1)}}));
    ASSERT_TRUE(set.Close());
  }
};

struct Planted {
  const char* what;
  // Puts something at path; returns the bytes it must keep ("" when it may go).
  std::string (*plant)(const std::string& path, const std::string& dir);
  bool refused;
  const char* message;  // the end of the refusal, after the path
};

const Planted kPlanted[] = {
    {"another set's header",
     [](const std::string& path, const std::string&) {
       const std::string bytes = HeaderBytes(StreamBytes(100, 0, "", BlockBytes({})));
       WriteFile(path, bytes);
       return bytes;
     },
     true, " belongs to another set; move one of the two sets to its own folder"},
    {"a piece of another set",
     [](const std::string& path, const std::string&) {
       const std::string bytes = PieceBytes(7, "other");
       WriteFile(path, bytes);
       return bytes;
     },
     true, " belongs to another set; move one of the two sets to its own folder"},
    {"a user's file",
     [](const std::string& path, const std::string&) {
       WriteFile(path, "notes");
       return std::string("notes");
     },
     true, " is in the way: it is not a file of this set; move it, or the set, to another folder"},
    {"a hard link to an outside file",
     [](const std::string& path, const std::string& dir) {
       WriteFile(dir + "outside", PieceBytes(2, "looks like piece 2"));
       fs::create_hard_link(dir + "outside", path);
       return PieceBytes(2, "looks like piece 2");
     },
     true, " is in the way: it is not a file of this set; move it, or the set, to another folder"},
    {"a link",
     [](const std::string& path, const std::string& dir) {
       WriteFile(dir + "target", "precious");
       fs::create_symlink(dir + "target", path);
       return std::string("precious");
     },
     true, " is in the way: it is not a file of this set; move it, or the set, to another folder"},
    {"a piece of this set a dead writer left",
     [](const std::string& path, const std::string&) {
       WriteFile(path, PieceBytes(2, "stale"));
       return std::string();
     },
     false, ""},
    {"an empty piece a dead writer left",
     [](const std::string& path, const std::string&) {
       WriteFile(path, "");
       return std::string();
     },
     false, ""},
};

TEST_F(NameClaimTest, OnlyTheSetsOwnFileUnderTheNextPiecesNameIsReplaced) {
  const std::string before = ReadFile(Header());
  for (const Planted& planted : kPlanted) {
    SCOPED_TRACE(planted.what);
    const std::string kept = planted.plant(Piece(2), Dir());
    {
      PieceSet set(Base());
      ASSERT_EQ(set.LastError(), "");
      const bool added = AddSources(set, {{"second", PatternBytes(150, 2)}});
      EXPECT_EQ(added, !planted.refused) << set.LastError();
      if (planted.refused) {
        EXPECT_EQ(set.LastError(), Piece(2) + planted.message);
        EXPECT_EQ(set.LastStatus().code, Status::Code::kNameTaken);
        EXPECT_FALSE(FileExists(Piece(3))) << "refused before anything changed";
      }
      EXPECT_TRUE(set.Close()) << set.LastError();
    }
    if (planted.refused) {
      EXPECT_EQ(ReadFile(Piece(2)), kept);
      EXPECT_EQ(ReadFile(Header()), before);
    } else {
      PieceSet after(Base(), SetAccess::kReadOnly);
      ASSERT_EQ(after.Files().size(), 2u);
      ASSERT_TRUE(after.ExtractFile(PathOf("out/"), "", "second")) << after.LastError();
      EXPECT_EQ(ReadFile(PathOf("out/second")), PatternBytes(150, 2));
    }
    // Back to the set of one file for the next case.
    for (const auto& entry : fs::directory_iterator(Dir()))
      if (entry.path().filename() != "backup.pec" && entry.path().filename() != "backup1.pec" &&
          entry.path().filename() != "src")
        fs::remove_all(entry.path());
    WriteFile(Header(), before);
  }
}

TEST_F(NameClaimTest, NamesFarAheadAreCheckedBeforeTheFirstByteAndTheCatalogueNamesToo) {
  // A neighbour's header at piece 5: an add of 250 bytes reaches it, one of 150 does not.
  const std::string neighbour = HeaderBytes(StreamBytes(100, 0, "", BlockBytes({})));
  WriteFile(Piece(5), neighbour);
  {
    PieceSet set(Base());
    EXPECT_FALSE(AddSources(set, {{"big", PatternBytes(250, 3)}}));
    EXPECT_EQ(set.LastError(),
              Piece(5) + " belongs to another set; move one of the two sets to its own folder");
    EXPECT_FALSE(FileExists(Piece(2)));
    EXPECT_TRUE(AddSources(set, {{"small", PatternBytes(150, 4)}})) << set.LastError();
    EXPECT_TRUE(set.Close()) << set.LastError();
  }
  EXPECT_EQ(ReadFile(Piece(5)), neighbour);
  // The new catalogue's further overflow piece would take the next name: a stranger there
  // stops the add before anything changes.
  const std::uint32_t next = [&] {
    PieceSet read(Base(), SetAccess::kReadOnly);
    return read.LastPiece() + read.OverflowPieces() + 1;
  }();
  const std::string closed = ReadFile(Header());
  WriteFile(Piece(next), "mine");
  {
    PieceSet set(Base());
    std::vector<std::pair<std::string, std::string>> many;
    for (int i = 0; i < 8; ++i) many.push_back({"name-" + std::to_string(i), ""});
    EXPECT_FALSE(AddSources(set, many));
    EXPECT_EQ(set.LastError(), Piece(next) +
                                   " is in the way: it is not a file of this set; move it, or the "
                                   "set, to another folder");
  }
  EXPECT_EQ(ReadFile(Piece(next)), "mine");
  EXPECT_EQ(ReadFile(Header()), closed);
}

TEST_F(NameClaimTest, ANeighboursHeaderAtTheTailPiecesNameKeepsTheSetFromStoring) {
  // Set "a" of one small file keeps it as the tail of its header; its piece 1 would be named
  // a1.pec, the header of the set "a1".
  for (const char* name : {"a", "a1"}) {
    PieceSet set(PathOf(name), 1000);
    ASSERT_TRUE(AddSources(set, {{name, name}}));
  }
  const std::string neighbour = ReadFile(PathOf("a1.pec"));
  {
    PieceSet a(PathOf("a"));
    EXPECT_FALSE(a.CanStore());
    EXPECT_EQ(a.LastError(), PathOf("a1.pec") +
                                 " belongs to another set; move one of the two sets to its own "
                                 "folder");
    ASSERT_EQ(a.Files().size(), 1u);  // still listed and rebuilt, from the header
    EXPECT_TRUE(a.ExtractFile(PathOf("out/"), a.Files()[0])) << a.LastError();
  }
  EXPECT_EQ(ReadFile(PathOf("out/a")), "a");
  EXPECT_EQ(ReadFile(PathOf("a1.pec")), neighbour);
  // Nor does a new set take a neighbour's piece as its header.
  PieceSet other(PathOf("a1"), 1000);
  EXPECT_EQ(other.LastStatus().code, Status::Code::kExists);
  WriteFile(PathOf("big"), PatternBytes(3000, 5));
  {
    PieceSet b(PathOf("b"), 1000);
    ASSERT_TRUE(b.AddFiles(Dir(), {{"", "big"}}, nullptr, nullptr, Dir()));
  }
  PieceSet b2(PathOf("b2"), 1000);
  EXPECT_FALSE(b2.CanStore());
  EXPECT_EQ(
      b2.LastError(),
      PathOf("b2.pec") + " belongs to another set; move one of the two sets to its own folder");
}

}  // namespace
}  // namespace vornalis::testing
