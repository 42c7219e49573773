#include <gtest/gtest.h>

#include <algorithm>

#include "platform/collation.h"

namespace vornalis::platform {
namespace {

TEST(CollationTest, CaseIsIgnoredAndLettersOrderedAlphabetically) {
  Collator root("C");
  EXPECT_EQ(root.LocaleName(), "root");
  EXPECT_EQ(root.Compare("readme.TXT", "Readme.txt"), 0);
  EXPECT_LT(root.Compare("apple", "Banana"), 0);
  EXPECT_LT(root.Compare("Zebra", "zoo"), 0);
  EXPECT_NE(root.Compare("resume", "r\xC3\xA9sum\xC3\xA9"), 0);  // accents still count
}

TEST(CollationTest, SortKeysOrderAsCompareDoes) {
  Collator collator("de_DE");
  // ASCII pairs take a shorter way through Compare than the others; both must agree with keys.
  std::vector<std::string> names = {
      "b",     "A",    "\xC3\xA4pfel", "a",          "Zoo",    "z\xFF\xFE", "10", "9",
      "",      "B",    "file_1.dat",   "file-1.dat", "file.1", "a b",       "_x", "~y",
      "a\x01", "A\tb", "file10",       "File9"};
  for (const auto& a : names) {
    for (const auto& b : names) {
      std::string ka, kb;
      collator.AppendSortKey(a, &ka);
      collator.AppendSortKey(b, &kb);
      const int by_key = ka < kb ? -1 : ka > kb ? 1 : 0;
      EXPECT_EQ(by_key, collator.Compare(a, b)) << a << " vs " << b;
    }
  }
}

TEST(CollationTest, NamesThatAreNotUtf8StayDistinct) {
  Collator root("");
  EXPECT_NE(root.Compare("caf\xE9", "caf\xE8"), 0);
  EXPECT_EQ(root.Compare("CAF\xC9", "caf\xE9"), 0);  // Latin-1 letters fold case too
}

}  // namespace
}  // namespace vornalis::platform
