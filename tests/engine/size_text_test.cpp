#include <gtest/gtest.h>

#include "engine/size_text.h"

namespace vornalis {
namespace {

TEST(SizeTextTest, UnitsDropTheRemainder) {
  const std::vector<std::pair<std::uint32_t, std::string>> cases = {
      {0, "0 bytes"},    {1023, "1023 bytes"}, {1024, "1 KB"},           {1048575, "1023 KB"},
      {1048576, "1 MB"}, {5000000, "4 MB"},    {4294967295u, "4095 MB"},
  };
  for (const auto& [bytes, text] : cases) EXPECT_EQ(SizeText(bytes), text) << bytes;
}

TEST(SizeTextTest, TotalsAndSelection) {
  EXPECT_EQ(TotalsText(3, 12500), "Total 3 files, 12 KB");
  EXPECT_EQ(TotalsText(1, 2048), "Total 1 files, 2 KB");
  EXPECT_EQ(SelectionText(2, 2100), "Selected 2 files, 2 KB");
  EXPECT_EQ(SelectionText(0, 0), "Selected 0 files, 0 bytes");
}

}  // namespace
}  // namespace vornalis
