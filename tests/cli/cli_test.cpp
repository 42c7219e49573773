// End-to-end tests: the built vornalis-cli run on real folders.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/cli/cli_fixture.h"

namespace vornalis::testing {
namespace {

TEST_F(CliTest, CreateListAndExtractGiveBackTheTree) {
  MakeTree();
  ProcessResult created = Cli({"create", "set.pec", "--size", "1000", "src/photos", "src/top.txt"});
  ASSERT_EQ(created.status, 0) << created.err;
  EXPECT_NE(created.out.find("Total 5 files, 7 KB"), std::string::npos) << created.out;
  EXPECT_TRUE(
      FileExists(PathOf("set7.pec")));  // 7,329 bytes: 7 full pieces, the rest in the header
  EXPECT_FALSE(FileExists(PathOf("set8.pec")));

  ProcessResult listed = Cli({"list", "set.pec"});
  ASSERT_EQ(listed.status, 0) << listed.err;
  EXPECT_NE(listed.out.find("photos\\2000\\"), std::string::npos);
  EXPECT_NE(listed.out.find("Ångström ö.txt"), std::string::npos);
  EXPECT_EQ(listed.out.substr(listed.out.rfind("Total")), "Total 5 files, 7 KB\n");

  ProcessResult extracted = Cli({"extract", "set3.pec", "out/new"});
  ASSERT_EQ(extracted.status, 0) << extracted.err;
  ExpectSameTree(PathOf("src/photos"), PathOf("out/new/photos"));
  EXPECT_EQ(ReadFile(PathOf("out/new/top.txt")), "top level");
  EXPECT_EQ(FileSize(PathOf("out/new/photos/2000/empty.txt")), 0);
}

TEST_F(CliTest, AddSkipsWhatIsStoredAndStoresTheRest) {
  MakeTree();
  ASSERT_EQ(Cli({"create", "set", "src/photos"}).status, 0);
  WriteFile(PathOf("src/photos/later.txt"), "added later");
  ProcessResult added = Cli({"add", "set.pec", "src/photos"});
  ASSERT_EQ(added.status, 0) << added.err;
  EXPECT_NE(added.out.find("Skipped photos\\2000\\empty.txt: already in the set"),
            std::string::npos)
      << added.out;
  EXPECT_NE(added.out.find("Stored 1 files"), std::string::npos) << added.out;
  ProcessResult extracted =
      Cli({"extract", "set.pec", "out", "photos/later.txt", "PHOTOS\\A\\B\\C\\DEEP.BIN"});
  ASSERT_EQ(extracted.status, 0) << extracted.err;
  EXPECT_EQ(ReadFile(PathOf("out/photos/later.txt")), "added later");
  EXPECT_EQ(ReadFile(PathOf("out/photos/a/b/c/deep.bin")), PatternBytes(2000, 3));
  EXPECT_FALSE(FileExists(PathOf("out/photos/2000")));
}

TEST_F(CliTest, ListAsJsonAndInfo) {
  WriteFile(PathOf("src/a 'quoted' \xC3\xBC.txt"), PatternBytes(100, 1));
  ASSERT_EQ(Cli({"create", "set", "--size", "720KB", "src"}).status, 0);
  ProcessResult json = Cli({"list", "set.pec", "--json"});
  ASSERT_EQ(json.status, 0);
  EXPECT_NE(
      json.out.find("{\"name\":\"a 'quoted' \xC3\xBC.txt\",\"folder\":\"src\\\\\",\"size\":100,"
                    "\"piece\":1,\"offset\":8}"),
      std::string::npos)
      << json.out;
  EXPECT_NE(json.out.find("\"total_files\":1,\"total_bytes\":100}"), std::string::npos);
  ProcessResult info = Cli({"info", "set.pec"});
  EXPECT_NE(info.out.find("Piece size:        737280 bytes (720 KB)"), std::string::npos)
      << info.out;
  EXPECT_NE(info.out.find("Catalogue blocks:  1"), std::string::npos);
  EXPECT_NE(info.out.find("Overflow pieces:   0"), std::string::npos);
}

TEST_F(CliTest, MissingPieceIsNamedByExtractAndVerify) {
  MakeTree();
  ASSERT_EQ(Cli({"create", "set", "--size", "1000", "src/photos"}).status, 0);
  fs::remove(PathOf("set2.pec"));
  ProcessResult verified = Cli({"verify", "set.pec"});
  EXPECT_EQ(verified.status, 1);
  EXPECT_NE(verified.out.find("Missing piece set2.pec\n"), std::string::npos) << verified.out;
  EXPECT_NE(verified.out.find("affects: "), std::string::npos);
  EXPECT_NE(verified.out.find("structure only"), std::string::npos);

  ProcessResult extracted = Cli({"extract", "set.pec", "out"});
  EXPECT_EQ(extracted.status, 1);
  EXPECT_NE(extracted.err.find("Can't open set2.pec\n"), std::string::npos) << extracted.err;
  EXPECT_NE(extracted.err.find("Assembling out" + std::string(1, platform::kSeparator)),
            std::string::npos)
      << extracted.err;
  EXPECT_NE(extracted.err.find(" error(s) occured.\n"), std::string::npos);
}

TEST_F(CliTest, SoundSetVerifies) {
  MakeTree();
  ASSERT_EQ(Cli({"create", "set", "--size", "1000", "src"}).status, 0);
  ProcessResult verified = Cli({"verify", "set5.pec"});
  EXPECT_EQ(verified.status, 0) << verified.out;
  EXPECT_NE(verified.out.find("the structure is sound"), std::string::npos);
}

TEST_F(CliTest, ErrorsHaveClearMessagesAndStatuses) {
  MakeTree();
  ASSERT_EQ(Cli({"create", "set", "src/top.txt"}).status, 0);
  WriteFile(PathOf("blocker"), "a file where a folder should be");
  WriteFile(PathOf("other.pec"), "MZ not a set");
  WriteFile(PathOf("damaged.pec"), std::string("QBXR") + std::string(30, '\x7f'));

  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"create", "set", "src"}, 1, "already exists\nGive --force to replace it."},
      {{"create", "new", "--size", "8", "src"}, 2, "Piece size of 8 bytes is too small"},
      {{"create", "new", "--size", "lots", "src"}, 2, "Invalid piece size 'lots'"},
      {{"create", "new", "--size", "4096MB", "src"}, 2, "too large"},
      {{"create", "new", "src/nothere"}, 1, "Can't open src/nothere"},
      {{"list", "other.pec"}, 1, "other.pec is an invalid piece!"},
      {{"list", "missing.pec"}, 1, "Can't open missing.pec"},
      {{"list", "damaged.pec"}, 1, "File format is not correct"},
      {{"extract", "set.pec", "blocker/out"}, 1, "Can't create blocker/out"},
      {{"extract", "set.pec", "out", "no/such.txt"}, 1, "No stored file no/such.txt in the set"},
      {{"list"}, 2, "SET is required"},
      {{"frobnicate"}, 2, ""},
  };
  for (const Case& c : cases) {
    const ProcessResult result = Cli(c.args);
    EXPECT_EQ(result.status, c.status) << c.args[0] << " " << result.err;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
  }
  EXPECT_FALSE(FileExists(PathOf("new.pec")));
  EXPECT_FALSE(FileExists(PathOf("new1.pec")));
  EXPECT_EQ(Cli({"create", "set", "--force", "src/photos"}).status, 0);
  EXPECT_EQ(Cli({"extract", "set.pec", "again", "top.txt"}).status, 1)
      << "the old set was replaced";
}

}  // namespace
}  // namespace vornalis::testing
