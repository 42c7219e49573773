// CliTest: a fresh folder in which the built vornalis-cli is run as a user would run it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/run_process.h"
#include "tests/support/test_files.h"

namespace vornalis::testing {

namespace fs = std::filesystem;

class CliTest : public TempDirTest {
 protected:
  ProcessResult Cli(const std::vector<std::string>& args) {
    return RunProcess(VORNALIS_CLI_PATH, args, Dir());
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
    for (const auto& entry : fs::recursive_directory_iterator(a)) {
      if (!entry.is_regular_file()) continue;
      const std::string relative = fs::relative(entry.path(), a);
      EXPECT_EQ(ReadFile(b + "/" + relative), ReadFile(entry.path())) << relative;
      ++files;
    }
    EXPECT_GT(files, 0);
  }
};

}  // namespace vornalis::testing
