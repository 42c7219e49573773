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

TEST_F(SetFilesTest, HeaderOrAnyPieceLeadsToTheSet) {
  WriteFile(PathOf("backup.pec"), kHeader);
  WriteFile(PathOf("backup3.pec"), PieceBytes(3, "x"));
  WriteFile(PathOf("backup12.pec"), PieceBytes(12, "x"));
  WriteFile(PathOf("disk2.pec"), kHeader);
  WriteFile(PathOf("disk21.pec"), PieceBytes(1, "x"));
  for (const char* name : {"backup.pec", "backup3.pec", "backup12.pec"}) {
    const SetIdentity identity = IdentifySetFile(PathOf(name));
    EXPECT_TRUE(identity.ok) << name << ": " << identity.message;
    EXPECT_EQ(identity.base_path, PathOf("backup")) << name;
  }
  EXPECT_EQ(IdentifySetFile(PathOf("disk21.pec")).base_path, PathOf("disk2"));
}

TEST_F(SetFilesTest, FilesOfNoSetGetTheOpenMessages) {
  WriteFile(PathOf("other.pec"), "MZ\x90\x00 not a piece");
  WriteFile(PathOf("tiny.pec"), "QB");
  WriteFile(PathOf("lone5.pec"), PieceBytes(5, "x"));
  WriteFile(PathOf("bad.pec"), "XXXX");
  WriteFile(PathOf("bad1.pec"), PieceBytes(1, "x"));
  EXPECT_EQ(IdentifySetFile(PathOf("missing.pec")).message, "Can't open " + PathOf("missing.pec"));
  EXPECT_EQ(IdentifySetFile(PathOf("other.pec")).message,
            PathOf("other.pec") + " is an invalid piece!");
  EXPECT_EQ(IdentifySetFile(PathOf("tiny.pec")).message,
            PathOf("tiny.pec") + " is an invalid piece!");
  EXPECT_EQ(IdentifySetFile(PathOf("lone5.pec")).message, "Can't open " + PathOf("lone.pec"));
  EXPECT_EQ(IdentifySetFile(PathOf("bad1.pec")).message,
            PathOf("bad.pec") + " is an invalid piece!");
  EXPECT_FALSE(IdentifySetFile(PathOf("bad1.pec")).ok);
}

}  // namespace
}  // namespace vornalis::testing
