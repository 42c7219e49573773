// Finding the set that a chosen file belongs to.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "engine/set_files.h"
#include "tests/support/raw_set.h"
#include "tests/support/test_files.h"

namespace vornalis::testing {
namespace {

class SetFilesTest : public TempDirTest {
 protected:
  const std::string kHeader = HeaderBytes(StreamBytes(100, 0, "", BlockBytes({})));
};

TEST_F(SetFilesTest, NamesOfTheFilesOfASet) {
  EXPECT_EQ(HeaderPath("/d/backup"), "/d/backup.pec");
  EXPECT_EQ(PiecePath("/d/backup", 10), "/d/backup10.pec");
  EXPECT_EQ(SetNameOf("/d/backup"), "backup");
}

TEST_F(SetFilesTest, HeaderOrAnyPieceLeadsToTheSetWhateverItsName) {
  struct Case {
    const char* chosen;
    std::string bytes;
    const char* base;       // "" when the file leads to no set
    const char* extension;  // as the set's files spell it
  };
  const Case cases[] = {
      {"backup.pec", kHeader, "backup", ".pec"},
      {"backup3.pec", PieceBytes(3, "x"), "backup", ".pec"},
      {"backup12.pec", PieceBytes(12, "x"), "backup", ".pec"},
      {"disk2.pec", kHeader, "disk2", ".pec"},
      {"disk21.pec", PieceBytes(1, "x"), "disk2", ".pec"},  // the head says which digits go
      {"hdrcopy", kHeader, "hdrcopy", ""},                  // a header copied without extension
      {"SET.PEC", kHeader, "SET", ".PEC"},
      {"SET2.PEC", PieceBytes(2, "x"), "SET", ".PEC"},
      {"twice.pec.pec", kHeader, "twice.pec", ".pec"},
      {"in.pec.folder/s.pec", kHeader, "in.pec.folder/s", ".pec"},
      {"seven7.pec", PieceBytes(3, "x"), "", ""},  // its number is not in its name
      {"plain.pec", PieceBytes(1, "x"), "", ""},   // a piece named as a header
  };
  for (const Case& c : cases) {
    WriteFile(PathOf(c.chosen), c.bytes);
    if (std::string(c.base).size() > 0 && c.bytes != kHeader)
      WriteFile(PathOf(std::string(c.base) + c.extension), kHeader);
    const Result<SetPaths> paths = IdentifySetFile(PathOf(c.chosen));
    EXPECT_EQ(paths.ok(), *c.base != '\0') << c.chosen << ": " << paths.status().message;
    if (!paths.ok()) {
      EXPECT_EQ(paths.status().message, PathOf(c.chosen) + " is an invalid piece!");
      continue;
    }
    EXPECT_EQ(paths->base, PathOf(c.base)) << c.chosen;
    EXPECT_EQ(paths->extension, c.extension) << c.chosen;
  }
}

struct NameCase {
  const char* name;
  std::vector<std::string> folder;  // names in the set's folder, on a system that tells case
  std::optional<std::uint32_t> number;
};

// Backup (header Backup.pec): which names are its own. Exact spellings always are; others only
// when no set of their exact spelling lies beside it; a folder that ignores case has no such set.
TEST(SetNameMatcherTest, ExactSpellingFirstCaseIgnoredOnlyWhereNoOtherSetIsSpeltSo) {
  const SetPaths paths{"/d/Backup"};
  for (const NameCase& c : std::vector<NameCase>{
           {"Backup.pec", {"Backup.pec", "backup.pec"}, 0},
           {"Backup3.pec", {"Backup.pec", "backup.pec"}, 3},
           {"backup.pec", {"Backup.pec"}, 0},  // a FAT copy's spelling
           {"BACKUP12.PEC", {"Backup.pec"}, 12},
           {"backup.pec", {"Backup.pec", "backup.pec"}, std::nullopt},
           {"backup3.pec", {"Backup.pec", "backup.pec"}, std::nullopt},
           {"backup3.pec", {"Backup.pec", "backup3.pec"}, std::nullopt},  // its header lost
           {"backup3.PEC", {"Backup.pec", "backup.PEC"}, std::nullopt},
           {"backup3.pec", {"Backup.pec", "backup.PEC"}, 3},  // no set spelt backup.pec
           {"Backup03.pec", {"Backup.pec"}, std::nullopt},
           {"Backupx.pec", {"Backup.pec"}, std::nullopt},
           {"d/Backup.pec", {"Backup.pec"}, std::nullopt}}) {
    std::vector<platform::DirEntry> folder;
    for (const std::string& name : c.folder) folder.push_back({name, false, false, true});
    EXPECT_EQ(SetNameMatcher(paths, &FoldAscii, folder, false).Of(c.name), c.number) << c.name;
    // Where the folder ignores case, no other set can be spelt so: case is ignored.
    const std::optional<std::uint32_t> folded = SetNameMatcher(paths, &FoldAscii).Of(c.name);
    EXPECT_EQ(SetNameMatcher(paths, &FoldAscii, folder, true).Of(c.name), folded) << c.name;
  }
}

TEST_F(SetFilesTest, FilesOfNoSetGetTheOpenMessages) {
  WriteFile(PathOf("other.pec"), "MZ\x90\x00 not a piece");
  WriteFile(PathOf("tiny.pec"), "QB");
  WriteFile(PathOf("lone5.pec"), PieceBytes(5, "x"));
  WriteFile(PathOf("bad.pec"), "XXXX");
  WriteFile(PathOf("bad1.pec"), PieceBytes(1, "x"));
  EXPECT_EQ(IdentifySetFile(PathOf("missing.pec")).status().message,
            "Can't open " + PathOf("missing.pec"));
  EXPECT_EQ(IdentifySetFile(PathOf("other.pec")).status().message,
            PathOf("other.pec") + " is an invalid piece!");
  EXPECT_EQ(IdentifySetFile(PathOf("tiny.pec")).status().message,
            PathOf("tiny.pec") + " is an invalid piece!");
  EXPECT_EQ(IdentifySetFile(PathOf("lone5.pec")).status().message,
            "Can't open " + PathOf("lone.pec"));
  WriteFile(PathOf("gone12.pec"), PieceBytes(2, "x"));  // the name holds 2 after "gone1"
  EXPECT_EQ(IdentifySetFile(PathOf("gone12.pec")).status().message,
            "Can't open " + PathOf("gone1.pec"));
  EXPECT_EQ(IdentifySetFile(PathOf("bad1.pec")).status().message,
            PathOf("bad.pec") + " is an invalid piece!");
  EXPECT_FALSE(IdentifySetFile(PathOf("bad1.pec")).ok());
}

}  // namespace
}  // namespace vornalis::testing
