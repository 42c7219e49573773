#include <gtest/gtest.h>

#include "engine/stored_path.h"
#include "platform/path.h"

namespace vornalis {
namespace {

TEST(StoredPathTest, FoldersConvertBothWays) {
  const std::string separator(1, platform::kSeparator);
  EXPECT_EQ(NativeFolder("photos\\2000\\"), "photos" + separator + "2000" + separator);
  EXPECT_EQ(StoredFolder("photos/2000"), "photos\\2000\\");
  EXPECT_EQ(StoredFolder("photos/"), "photos\\");
  EXPECT_EQ(StoredFolder(""), "");
}

TEST(StoredPathTest, OnlyPathsBelowTheTargetAreSafe) {
  struct Case {
    const char* folder;
    const char* name;
    bool safe;
  };
  const Case cases[] = {
      {"", "a.txt", true},
      {"photos\\2000\\", "x", true},
      {"a b\\", "10:30 notes", true},
      {"", "", false},
      {"", ".", false},
      {"", "..", false},
      {"..\\", "x", false},
      {"a\\..\\", "x", false},
      {"\\abs\\", "x", false},
      {"C:\\", "x", false},
      {"", "c:x", false},
      {"a\\\\", "x", false},
      {"a", "x", false},
      {"", "a\\b", false},
      {"", "a/b", false},
      {"a/b\\", "x", false},
      {".\\", "x", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsSafeStoredPath(c.folder, c.name), c.safe) << c.folder << " | " << c.name;
}

}  // namespace
}  // namespace vornalis
