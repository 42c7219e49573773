// CliTest: a fresh folder in which the built vornalis-cli is run as a user would run it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/path.h"
#include "tests/support/run_process.h"
#include "tests/support/test_files.h"

namespace vornalis::testing {

namespace fs = std::filesystem;

class CliTest : public TempDirTest {
 protected:
  // The built vornalis-cli, which lies beside the test program.
  static std::string CliPath() {
    return platform::FolderOf(platform::ProgramPath()) + VORNALIS_CLI_NAME;
  }
  ProcessResult Cli(const std::vector<std::string>& args) {
    return RunProcess(CliPath(), args, Dir());
  }

  // A tree with nested folders, empty files, files spanning 1,000-byte pieces, and names with
  // spaces and non-ASCII letters.
  void MakeTree() {
    WriteFile(PathOf("src/photos/2000/big picture.jpg"), PatternBytes(4321, 1));
    WriteFile(PathOf("src/photos/2000/empty.txt"), "");
    WriteFile(PathOf("src/photos/Ångström ö.txt"), PatternBytes(999, 2));
    WriteFile(PathOf("src/photos/a/b/c/deep.bin"), PatternBytes(2000, 3));
    WriteFile(PathOf("src/top.txt"), "top level");
    fs::create_directories(PathOf("src/photos/nothing"));
  }

  // Every file below a is in b with the same bytes.
  void ExpectSameTree(const std::string& a, const std::string& b) {
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(FsPath(a))) {
      if (!entry.is_regular_file()) continue;
      const std::u8string name = fs::relative(entry.path(), FsPath(a)).generic_u8string();
      const std::string relative(name.begin(), name.end());
      EXPECT_EQ(ReadFile(b + "/" + relative), ReadFile(a + "/" + relative)) << relative;
      ++files;
    }
    EXPECT_GT(files, 0);
  }
};

}  // namespace vornalis::testing
