#include <gtest/gtest.h>

#include <filesystem>

#include "engine/source_walk.h"
#include "tests/support/test_files.h"

namespace vornalis::testing {
namespace {

class SourceWalkTest : public TempDirTest {};

std::vector<std::string> Names(const SourceGroup& group) {
  std::vector<std::string> names;
  for (const StoredFile& file : group.entries) names.push_back(file.Folder + file.Name);
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(SourceWalkTest, FoldersAreStoredRelativeToTheirParent) {
  WriteFile(PathOf("data/photos/a.jpg"), "a");
  WriteFile(PathOf("data/photos/2000/b.jpg"), "b");
  WriteFile(PathOf("data/photos/2000/deep/.hidden"), "c");
  std::filesystem::create_directories(PathOf("data/photos/empty"));
  WriteFile(PathOf("data/x.txt"), "x");
  WriteFile(PathOf("elsewhere/y.txt"), "y");

  const SourceList list =
      CollectSources({PathOf("data/photos/"), PathOf("data/x.txt"), PathOf("elsewhere/y.txt")});
  EXPECT_TRUE(list.errors.empty());
  ASSERT_EQ(list.groups.size(), 2u);
  EXPECT_EQ(list.groups[0].source_root, PathOf("data/"));
  EXPECT_EQ(Names(list.groups[0]),
            (std::vector<std::string>{"photos\\2000\\b.jpg", "photos\\2000\\deep\\.hidden",
                                      "photos\\a.jpg", "x.txt"}));
  EXPECT_EQ(list.groups[1].source_root, PathOf("elsewhere/"));
  EXPECT_EQ(Names(list.groups[1]), (std::vector<std::string>{"y.txt"}));
  // Breadth first: the folder's own files come before those of its subfolders.
  EXPECT_EQ(list.groups[0].entries.front().Folder, "photos\\");
}

TEST_F(SourceWalkTest, MissingPathsAndLinkedFoldersAreReported) {
  WriteFile(PathOf("data/real/f"), "f");
  std::filesystem::create_directory_symlink(PathOf("data"), PathOf("data/real/loop"));
  const SourceList list = CollectSources({PathOf("data"), PathOf("nothere")});
  EXPECT_EQ(list.errors, (std::vector<std::string>{"Can't open " + PathOf("nothere")}));
  EXPECT_EQ(list.skipped, (std::vector<std::string>{PathOf("data/real/loop")}));
  ASSERT_EQ(list.groups.size(), 1u);
  EXPECT_EQ(Names(list.groups[0]), (std::vector<std::string>{"data\\real\\f"}));
}

}  // namespace
}  // namespace vornalis::testing
