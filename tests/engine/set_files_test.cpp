// Finding the set that a chosen file belongs to.
#include <gtest/gtest.h>

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
