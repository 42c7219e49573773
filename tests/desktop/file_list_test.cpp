// The file list's rows: the type names asked once per extension whatever the letter case, the
// comparison of every column, the order sorting leaves, the selection's totals, and rows mapped
// to their catalogue entries by exact name.
#include "desktop/file_list.h"

#include <gtest/gtest.h>

#include "desktop/commands.h"
#include "platform/collation.h"
#include "tests/desktop/fake_view.h"

namespace vornalis::testing {
namespace {

class FileListTest : public ::testing::Test {
 protected:
  CountingTypes source_;
  desktop::TypeNames types_{source_, platform::Collator::Default()};
  desktop::FileList list_{types_, platform::Collator::Default()};

  static StoredFile File(const char* name, std::uint32_t size, const char* folder = "") {
    StoredFile file;
    file.Name = name;
    file.Folder = folder;
    file.Size = size;
    return file;
  }
  desktop::FileRow Row(const char* name, std::uint32_t size, const char* folder = "") {
    return {name, folder, size, types_.IndexFor(name)};
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (std::size_t row = 0; row < list_.Size(); ++row) names.push_back(list_.Row(row).name);
    return names;
  }
};

TEST_F(FileListTest, TypesAreAskedOncePerExtensionWhateverTheLetterCase) {
  const int txt = types_.IndexFor("a.TXT");
  EXPECT_EQ(types_.IndexFor("b.txt"), txt);
  EXPECT_EQ(types_.IndexFor("c.Txt"), txt);
  const int none = types_.IndexFor("README");
  EXPECT_EQ(types_.IndexFor("Makefile"), none);
  EXPECT_NE(none, txt);
  EXPECT_EQ(types_.IndexFor("d.jpg"), 2);
  EXPECT_EQ(source_.asked, (std::vector<std::string>{".TXT", "", ".jpg"}));
  EXPECT_EQ(types_.TypeName(txt), "TXT type");
  EXPECT_EQ(types_.Extension(txt), ".TXT");
  for (const auto& [name, extension] : {std::pair{"a.txt", ".txt"},
                                        {"a.tar.gz", ".gz"},
                                        {"README", ""},
                                        {".profile", ".profile"},
                                        {"odd.", "."}})
    EXPECT_EQ(desktop::ExtensionOf(name), extension) << name;
}

TEST_F(FileListTest, RowsCompareByEveryColumnSizesAsUnsignedNumbers) {
  const desktop::FileRow a = Row("readme.TXT", 9, "");
  const desktop::FileRow b = Row("Readme.txt", 10, "docs\\");
  const std::pair<int, int> cases[] = {{1, 0}, {2, 0}, {3, -1}, {-3, 1}, {4, -1}, {-4, 1}};
  for (const auto& [key, expected] : cases)
    EXPECT_EQ(list_.CompareRows(a, b, key), expected) << key;
  EXPECT_EQ(list_.CompareRows(Row("small", 1), Row("big", 3000000000u), 3), -1);
  EXPECT_EQ(list_.CompareRows(Row("max", 0xFFFFFFFFu), Row("zero", 0), 3), 1);
}

TEST_F(FileListTest, EqualRowsKeepTheirOrderAndAClickReversesTheSortedColumn) {
  list_.SetRows({File("b.txt", 1), File("A.txt", 2), File("a.TXT", 3), File("c.txt", 2)});
  const std::vector<std::size_t> place = list_.SortRows(1);
  EXPECT_EQ(Names(), (std::vector<std::string>{"A.txt", "a.TXT", "b.txt", "c.txt"}));
  EXPECT_EQ(place, (std::vector<std::size_t>{2, 0, 1, 3}));
  list_.SortRows(-3);
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.TXT", "A.txt", "c.txt", "b.txt"}));
  // The entries followed their rows.
  EXPECT_EQ(list_.Row(0).entry, 2u);
  list_.SetSortMark(1);
  EXPECT_EQ(list_.KeyOfClick(0), -1);
  EXPECT_EQ(list_.KeyOfClick(2), 3);
  list_.SetSortMark(-1);
  EXPECT_EQ(list_.KeyOfClick(0), 1);
}

TEST_F(FileListTest, TotalsAndSelectionAddUpIn64Bits) {
  list_.SetRows({File("a", 0xFFFFFFFFu), File("b", 0xFFFFFFFFu), File("c", 5)});
  EXPECT_EQ(list_.TotalBytes(), 2 * 0xFFFFFFFFull + 5);
  list_.Select(0, true);
  list_.Select(1, true);
  EXPECT_EQ(list_.SelectedCount(), 2);
  EXPECT_EQ(list_.SelectedBytes(), 2 * 0xFFFFFFFFull);
  list_.Select(0, false);
  EXPECT_EQ(list_.SelectedCount(), 1);
  list_.AppendRow(File("d", 1));
  EXPECT_EQ(list_.TotalBytes(), 2 * 0xFFFFFFFFull + 6);
  list_.Clear();
  EXPECT_EQ(list_.SelectedCount(), 0);
  EXPECT_EQ(list_.TotalBytes(), 0u);
}

TEST_F(FileListTest, RowsFindTheirEntriesByExactNameTwinsInCaseIncluded) {
  list_.AppendRow(File("a.txt", 1));
  list_.AppendRow(File("A.txt", 2));
  list_.AppendRow(File("a.txt", 3, "sub\\"));
  // The catalogue's order, as the set merged the rows into it.
  list_.MapToEntries({File("A.txt", 2), File("a.txt", 1), File("a.txt", 3, "sub\\")});
  EXPECT_EQ(list_.Row(0).entry, 1u);
  EXPECT_EQ(list_.Row(1).entry, 0u);
  EXPECT_EQ(list_.Row(2).entry, 2u);
  // A name shown is escaped: a line end stays on its row.
  list_.AppendRow(File("line\nend", 1));
  EXPECT_EQ(list_.Text(3, desktop::FileList::kName), "line\\x0aend");
}

// The one rule of which commands may run: nothing while busy; the set's commands with a set
// open; Add and Add Folder with one that takes files.
TEST(CommandsTest, EnablingFollowsBusyOpenAndStoring) {
  using desktop::Command;
  const desktop::SessionState idle{false, false, false}, open{false, true, false},
      storing{false, true, true}, busy{true, true, true};
  for (const desktop::CommandInfo& info : desktop::CommandTable()) {
    const Command c = info.command;
    const bool always = c == Command::kNew || c == Command::kOpen || c == Command::kExit ||
                        c == Command::kHelpContents || c == Command::kHelpHowToUse ||
                        c == Command::kHelpAbout;
    const bool stores = c == Command::kAdd || c == Command::kAddFolder;
    EXPECT_EQ(desktop::Enabled(c, idle), always) << info.object_name;
    EXPECT_EQ(desktop::Enabled(c, open), !stores) << info.object_name;
    EXPECT_TRUE(desktop::Enabled(c, storing)) << info.object_name;
    EXPECT_FALSE(desktop::Enabled(c, busy)) << info.object_name;
    EXPECT_EQ(desktop::InfoOf(c).object_name, info.object_name);
  }
}

}  // namespace
}  // namespace vornalis::testing
