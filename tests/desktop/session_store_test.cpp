// The commands that store files (Add, Add Folder, a drop, the start-up add), through the
// session: files stored in the order given with their rows, steps and totals, a stored name
// skipped, the same layout whichever command stores the same paths, the set committed after
// each command while it stays open, breaking off, a failure's error list, a commit that fails,
// an exception from the view, and a request to end the program.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <stdexcept>

#include "desktop/set_storing.h"
#include "engine/messages.h"
#include "tests/desktop/session_fixture.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/pattern_file_system.h"

namespace vornalis::testing {
namespace {

using desktop::Command;

class SessionStoreTest : public SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    Start();
  }
  void Add(const std::vector<std::string>& names) {
    std::vector<std::string> paths;
    for (const std::string& name : names) paths.push_back(PathOf(name));
    view_.files_to_add.push_back(paths);
    S().Run(Command::kAdd);
  }
  void AddFolder(const std::string& name) {
    view_.folders_to_add.push_back(PathOf(name));
    S().Run(Command::kAddFolder);
  }
  void Drop(const std::vector<std::string>& names) {
    std::vector<std::string> paths;
    for (const std::string& name : names) paths.push_back(PathOf(name));
    S().Drop(paths);
  }
  // c.txt, a.txt and b.txt in src/, chosen in that order.
  void Add3() {
    WriteFile(PathOf("src/c.txt"), "ccc");
    WriteFile(PathOf("src/a.txt"), "a");
    WriteFile(PathOf("src/b.txt"), "bb");
    Add({"src/c.txt", "src/a.txt", "src/b.txt"});
  }
  void ExpectIdle() {
    EXPECT_FALSE(S().Busy());
    EXPECT_FALSE(view_.in_progress);
    EXPECT_TRUE(S().MayClose());
    EXPECT_TRUE(S().Enabled(Command::kOpen));
    EXPECT_EQ(view_.caption, "backup-Dorvelin");
  }
  FaultFileSystem faults_{platform::RealFileSystem()};
  PatternFileSystem patterns_{platform::RealFileSystem()};
};

TEST_F(SessionStoreTest, AnAddOfAFileOf4GiBOrMoreSaysOnceThatTheSetBecameLarge) {
  // A file one byte past 4 GiB, made of a computed pattern that never reaches the disk.
  PatternFileSystem& patterns = patterns_;
  Start({}, patterns);
  MakeAndOpen("backup", {{"z.txt", "zzzz"}});
  constexpr std::uint64_t kSize = (4ull << 30) + 1;
  ASSERT_TRUE(patterns.MakePatternFile(PathOf("src/big.img"), kSize).ok());
  Add({"src/big.img"});
  EXPECT_EQ(Told(), std::vector<std::string>{"Information: " +
                                             messages::SetBecameLarge(PathOf("backup.pec"))});
  EXPECT_EQ(Rows(),
            (std::vector<std::string>{"z.txt|TXT type|4|", "big.img|IMG type|4294967297|"}));
  EXPECT_EQ(S().List().TotalBytes(), kSize + 4);
  EXPECT_EQ(view_.status[1], "Total 2 files, 4096 MB");
  EXPECT_EQ(OnDisk("backup"), (std::vector<std::string>{"|big.img", "|z.txt"}));
  // Said once: the set stays large.
  WriteFile(PathOf("src/later.txt"), "later");
  Add({"src/later.txt"});
  EXPECT_EQ(Told(), std::vector<std::string>());
  // The rows rebuild byte for byte, the large one too.
  std::filesystem::create_directories(PathOf("out"));
  view_.assemble_folders.push_back(PathOf("out"));
  S().Run(Command::kAssemble);
  EXPECT_EQ(Told(), std::vector<std::string>());
  EXPECT_TRUE(patterns.HoldsPattern(PathOf("out/big.img")).ok());
  EXPECT_EQ(ReadFile(PathOf("out/later.txt")), "later");
}

TEST_F(SessionStoreTest, FilesAreStoredInTheOrderGivenAndAStoredNameIsSkipped) {
  MakeAndOpen("backup", {{"z.txt", "zzzz"}});
  Add3();
  EXPECT_EQ(Told(), std::vector<std::string>());
  EXPECT_EQ(Rows(), (std::vector<std::string>{"z.txt|TXT type|4|", "c.txt|TXT type|3|",
                                              "a.txt|TXT type|1|", "b.txt|TXT type|2|"}));
  EXPECT_EQ(view_.steps, (std::vector<int>{33, 66, 100}));
  EXPECT_EQ(view_.progress_shown, 1);
  EXPECT_EQ(S().FileCount(), 4u);
  EXPECT_EQ(S().List().TotalBytes(), 10u);
  EXPECT_EQ(view_.status[1], "Total 4 files, 10 bytes");
  // The new rows came at the end: the list is no longer sorted.
  EXPECT_EQ(view_.sort_mark, (desktop::FileList::Mark{}));
  ExpectIdle();
  for (const char* name : {"a.txt", "b.txt", "c.txt"})
    EXPECT_EQ(S().CurrentSet()->Find("", name)->Folder, "") << name;

  // A file of a stored name is skipped whatever its content: no row, no step.
  WriteFile(PathOf("src2/a.txt"), "different");
  view_.steps.clear();
  Add({"src2/a.txt"});
  EXPECT_EQ(Rows().size(), 4u);
  EXPECT_EQ(view_.steps, std::vector<int>());
  EXPECT_EQ(S().FileCount(), 4u);
}

TEST_F(SessionStoreTest, EachStoringCommandLeavesWhatTheWindowShowsOnDisk) {
  WriteFile(PathOf("src/a.txt"), "a");
  WriteFile(PathOf("src/b.txt"), PatternBytes(70000, 2));
  WriteFile(PathOf("src/dir/c.txt"), "ccc");
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"Add", {"|a.txt", "|b.txt", "|z.txt"}},
      {"Add Folder", {"dir\\|c.txt", "|z.txt"}},
      {"drop", {"dir\\|c.txt", "|a.txt", "|z.txt"}},
      {"start-up /f", {"|a.txt", "|b.txt"}},
  };
  int n = 0;
  for (const auto& [command, stored] : cases) {
    const std::string name = "set" + std::to_string(++n);
    if (command == "start-up /f") {
      WriteFile(PathOf("files.lst"), PathOf("src/a.txt") + "\n" + PathOf("src/b.txt") + "\n");
      Start({PathOf(name + ".pec"), "/f", PathOf("files.lst")});
      view_.piece_sizes.push_back(desktop::PieceSizeChoice{});
      S().RunStartupJob();
    } else {
      Start();
      MakeAndOpen(name, {{"z.txt", "zzzz"}});
      if (command == "Add") Add({"src/a.txt", "src/b.txt"});
      if (command == "Add Folder") AddFolder("src/dir");
      if (command == "drop") Drop({"src/dir", "src/a.txt"});
    }
    EXPECT_EQ(Told(), std::vector<std::string>()) << command;
    EXPECT_EQ(Shown(), stored) << command;
    // On disk while the session still holds the set open, which may take more.
    EXPECT_EQ(OnDisk(name), stored) << command;
    ASSERT_TRUE(S().SetOpen()) << command;
    EXPECT_TRUE(S().CurrentSet()->CanStore()) << command;
    EXPECT_FALSE(PieceSet(PathOf(name)).CanStore()) << command;  // still the set's one writer
  }
}

TEST_F(SessionStoreTest, ADropAddAndAddFolderStoreTheSameLayoutTheSetsOwnFilesMovingNothing) {
  WriteFile(PathOf("data/nodejs/a.js"), "a");
  WriteFile(PathOf("data/nodejs/lib/b.js"), "bb");
  WriteFile(PathOf("data/x.txt"), "x");
  WriteFile(PathOf("data/y.txt"), "yy");
  struct Case {
    std::vector<std::string> dropped;  // "own" stands for the set's own header
    std::vector<std::string> folders;  // given to Add Folder, one by one
    std::vector<std::string> files;    // given to Add, together
    std::vector<std::string> stored;
  };
  const Case cases[] = {
      {{"data/nodejs"}, {"data/nodejs"}, {}, {"nodejs\\lib\\|b.js", "nodejs\\|a.js", "|z.txt"}},
      {{"data/x.txt", "data/y.txt"},
       {},
       {"data/x.txt", "data/y.txt"},
       {"|x.txt", "|y.txt", "|z.txt"}},
      {{"data/nodejs", "data/x.txt", "own", "data/y.txt"},
       {"data/nodejs"},
       {"data/x.txt", "data/y.txt"},
       {"nodejs\\lib\\|b.js", "nodejs\\|a.js", "|x.txt", "|y.txt", "|z.txt"}},
  };
  int n = 0;
  for (const Case& c : cases) {
    // The sets lie above the folder the paths share, so their own header would move it.
    const std::string dropped = "dropped" + std::to_string(++n);
    MakeAndOpen(dropped, {{"z.txt", "zzzz"}});
    std::vector<std::string> drop;
    for (const std::string& path : c.dropped)
      drop.push_back(path == "own" ? dropped + ".pec" : path);
    Drop(drop);
    EXPECT_EQ(OnDisk(dropped), c.stored) << n;
    // The set's own header is left out, as the CLI leaves it out: no failure, no error list.
    EXPECT_EQ(view_.error_list, std::vector<std::string>()) << n;

    const std::string added = "added" + std::to_string(n);
    MakeAndOpen(added, {{"z.txt", "zzzz"}});
    for (const std::string& folder : c.folders) AddFolder(folder);
    if (!c.files.empty()) Add(c.files);
    EXPECT_EQ(OnDisk(added), c.stored) << n;
    EXPECT_EQ(Told(), std::vector<std::string>()) << n;
  }
}

TEST_F(SessionStoreTest, WithoutASetADroppedPieceFileOpensItsSet) {
  ASSERT_EQ(MakeSet("backup", "old/", {{"z.txt", "zzzz"}}), "");
  WriteFile(PathOf("drop/a.txt"), "a");
  WriteFile(PathOf("drop/deep/b.txt"), "bb");
  WriteFile(PathOf("c.txt"), "ccc");
  Drop({"backup.pec"});
  ASSERT_TRUE(S().SetOpen());
  EXPECT_EQ(Shown(), std::vector<std::string>{"|z.txt"});
  Drop({"drop", "c.txt", "backup.pec"});
  EXPECT_EQ(Rows(),
            (std::vector<std::string>{"z.txt|TXT type|4|", "a.txt|TXT type|1|drop\\",
                                      "b.txt|TXT type|2|drop\\deep\\", "c.txt|TXT type|3|"}));
  EXPECT_EQ(Told(), std::vector<std::string>());
}

TEST_F(SessionStoreTest, BreakingOffAsksAfterTheCurrentFileAndNoKeepsWhatWasStored) {
  for (const bool go_on : {true, false}) {
    Start();
    MakeAndOpen(go_on ? "backup" : "backup2", {{"z.txt", "zzzz"}});
    bool may_close = true;
    view_.on_step = [&](int) { may_close = may_close && S().MayClose(); };
    view_.break_offs = {true};
    view_.warnings = {go_on};
    Add3();
    EXPECT_FALSE(may_close);
    EXPECT_EQ(Told(), std::vector<std::string>{"Warning: Adding interrupted, continue?"});
    EXPECT_EQ(Rows().size(), go_on ? 4u : 2u);
    EXPECT_EQ(S().FileCount(), go_on ? 4u : 2u);
    EXPECT_EQ(S().CurrentSet()->Files().size(), go_on ? 4u : 2u);
    EXPECT_EQ(OnDisk(go_on ? "backup" : "backup2").size(), go_on ? 4u : 2u);
    EXPECT_EQ(view_.caption, go_on ? "backup-Dorvelin" : "backup2-Dorvelin");
    EXPECT_FALSE(S().Busy());
  }
}

TEST_F(SessionStoreTest, AFailureShowsTheEnginesMessageAndKeepsWhatWasStored) {
  faults_.FailPath(FaultFileSystem::Op::kOpen, "unreadable.txt", EACCES);
  Start({}, faults_);
  MakeAndOpen("backup", {{"z.txt", "zzzz"}});
  WriteFile(PathOf("src/a.txt"), "a");
  WriteFile(PathOf("src/unreadable.txt"), "u");
  Add({"src/a.txt", "src/unreadable.txt"});
  std::vector<std::string> lines = view_.error_list;
  ASSERT_EQ(lines.size(), 2u) << ::testing::PrintToString(lines);
  EXPECT_EQ(lines[0].rfind("Can't open ", 0), 0u) << lines[0];
  EXPECT_NE(lines[0].find("unreadable.txt"), std::string::npos) << lines[0];
  EXPECT_EQ(lines[1], "The pieces may be corrupt.");
  // What was stored before stays, and the totals come from the set.
  EXPECT_EQ(Rows().size(), 2u);
  EXPECT_EQ(S().FileCount(), 2u);
  EXPECT_EQ(OnDisk("backup"), (std::vector<std::string>{"|a.txt", "|z.txt"}));
  ExpectIdle();
  // A file that is gone by the time the add looks is named, and the pieces are fine.
  Add({"src/missing.txt"});
  EXPECT_EQ(view_.error_list, std::vector<std::string>{"Can't open " + PathOf("src/missing.txt")});
}

TEST_F(SessionStoreTest, ACommitThatFailsShowsTheSetAsItLiesOnDisk) {
  Start({}, faults_);
  MakeAndOpen("backup", {{"z.txt", "zzzz"}});
  WriteFile(PathOf("src/a.txt"), "a");
  faults_.FailPath(FaultFileSystem::Op::kRename, "backup.pec", EACCES);
  Add({"src/a.txt"});
  const std::vector<std::string> lines = view_.error_list;
  ASSERT_EQ(lines.size(), 2u) << ::testing::PrintToString(lines);
  EXPECT_NE(lines[0].find("backup.pec"), std::string::npos) << lines[0];
  EXPECT_EQ(lines[1], messages::kStoredNotKept);
  // The window lists what the set holds on disk, and the set takes files again.
  EXPECT_EQ(Shown(), std::vector<std::string>{"|z.txt"});
  EXPECT_EQ(OnDisk("backup"), std::vector<std::string>{"|z.txt"});
  EXPECT_EQ(S().FileCount(), 1u);
  EXPECT_TRUE(S().SetOpen());
  faults_.Reset();
  Add({"src/a.txt"});
  EXPECT_EQ(OnDisk("backup"), (std::vector<std::string>{"|a.txt", "|z.txt"}));
}

// New over a protected set, as create --force does: the old set, with its recovery files, stays
// until the new one's first storing went through whole; then its recovery files go, and the
// user is told so, not that files were added.
TEST_F(SessionStoreTest, NewOverAProtectedSetReplacesItOnlyOnceItsFirstAddWentThrough) {
  faults_.FailPath(FaultFileSystem::Op::kOpen, "unreadable.txt", EACCES);
  Start({}, faults_);
  MakeAndOpen("backup", {{"z.txt", "zzzz"}}, 100);
  view_.redundancies.push_back(50);
  S().Run(Command::kProtect);
  ASSERT_TRUE(FileExists(PathOf("backup.par2")));
  view_.new_sets.push_back(desktop::NewSetChoice{PathOf("backup.pec"), {}});
  view_.warnings.push_back(true);  // replace it
  S().Run(Command::kNew);
  WriteFile(PathOf("src/a.txt"), "a");
  WriteFile(PathOf("src/unreadable.txt"), "u");
  Told();
  Add({"src/a.txt", "src/unreadable.txt"});
  EXPECT_EQ(view_.error_list.back(), messages::kNotReplaced)
      << ::testing::PrintToString(view_.error_list);
  EXPECT_EQ(OnDisk("backup"), std::vector<std::string>{"|z.txt"});
  EXPECT_EQ(Shown(), std::vector<std::string>{"|z.txt"});
  EXPECT_TRUE(FileExists(PathOf("backup.par2")));

  view_.new_sets.push_back(desktop::NewSetChoice{PathOf("backup.pec"), {}});
  view_.warnings.push_back(true);
  S().Run(Command::kNew);
  Told();
  Add({"src/a.txt"});
  EXPECT_EQ(OnDisk("backup"), std::vector<std::string>{"|a.txt"});
  EXPECT_FALSE(FileExists(PathOf("backup.par2")));
  const std::vector<std::string> told = Told();
  ASSERT_EQ(told.size(), 1u) << ::testing::PrintToString(told);
  EXPECT_EQ(told[0].rfind("Information: Removed the recovery files of the set that " +
                              PathOf("backup.pec") + " replaced",
                          0),
            0u)
      << told[0];
}

// Rows reach the window in batches at its pace, none lost at the end, and every row it lists is
// on disk when the add ends.
TEST_F(SessionStoreTest, RowsComeInBatchesAndNoneIsLostAtTheEnd) {
  Start();
  MakeAndOpen("backup", {{"z.txt", "zzzz"}});
  std::vector<std::string> names;
  for (int i = 0; i < 50; ++i) {
    names.push_back("src/n" + std::to_string(100 + i) + ".txt");
    WriteFile(PathOf(names.back()), std::to_string(i));
  }
  tick_ = std::chrono::milliseconds(0);
  view_.appended.clear();
  Add(names);
  ASSERT_EQ(view_.appended.size(), 2u);  // the first file, then the rest at the end
  EXPECT_EQ(view_.appended[0], (std::pair<std::size_t, std::size_t>{1, 1}));
  EXPECT_EQ(view_.appended[1], (std::pair<std::size_t, std::size_t>{2, 49}));
  EXPECT_EQ(Rows().size(), 51u);
  EXPECT_EQ(OnDisk("backup").size(), 51u);
}

// A break-off inside a large file is asked there, not after it; "No" gives that file up and
// keeps every file stored before it.
TEST_F(SessionStoreTest, ABreakOffInsideALargeFileIsAskedThereAndNoGivesItUp) {
  Start();
  MakeAndOpen("backup", {{"z.txt", "zzzz"}});
  WriteFile(PathOf("src/a.txt"), "a");
  WriteFile(PathOf("src/large.bin"), PatternBytes(20u << 20, 3));
  view_.break_offs = {false, true};  // after a.txt, then within large.bin
  view_.warnings = {false};
  Add({"src/a.txt", "src/large.bin"});
  EXPECT_EQ(Told(), std::vector<std::string>{"Warning: Adding interrupted, continue?"});
  EXPECT_EQ(OnDisk("backup"), (std::vector<std::string>{"|a.txt", "|z.txt"}));
  EXPECT_EQ(Shown(), OnDisk("backup"));
}

TEST_F(SessionStoreTest, AnExceptionFromTheViewStopsTheAddAndLosesNoEntry) {
  MakeAndOpen("backup", {{"z.txt", "zzzz"}});
  view_.on_step = [](int) { throw std::runtime_error("failure inside a step"); };
  EXPECT_THROW(Add3(), std::runtime_error);
  ExpectIdle();
  // The file stored before the failure is in the catalogue's order: adding the same files
  // again stores only those that were not.
  EXPECT_EQ(S().CurrentSet()->Files().size(), 2u);
  EXPECT_EQ(OnDisk("backup").size(), 2u);
  view_.on_step = nullptr;
  Add3();
  std::vector<std::string> names;
  for (const StoredFile& file : S().CurrentSet()->Files()) names.push_back(file.Name);
  EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "b.txt", "c.txt", "z.txt"}));
}

TEST_F(SessionStoreTest, ARequestToEndStopsAnAddKeepsWhatItStoredAndClosesTheSet) {
  MakeAndOpen("backup", {{"z.txt", "zzzz"}});
  // Files too large to be gathered, so the session hears of each as it is written.
  std::vector<std::string> big;
  for (int i = 0; i < 5; ++i) {
    big.push_back(PathOf("big/" + std::to_string(i) + ".bin"));
    WriteFile(big.back(), PatternBytes(100000, static_cast<std::uint32_t>(i)));
  }
  int steps = 0;
  view_.on_step = [&](int) {
    if (++steps == 2) S().RequestEnd();
  };
  S().AddPaths(big);
  EXPECT_TRUE(S().EndRequested());
  EXPECT_EQ(Shown(), (std::vector<std::string>{"|0.bin", "|1.bin", "|z.txt"}));
  EXPECT_EQ(OnDisk("backup"), Shown());
  EXPECT_EQ(S().CloseAtEnd(), "");
  EXPECT_FALSE(FileExists(PathOf("backup.pec.lock")));
  EXPECT_FALSE(S().SetOpen());
}

}  // namespace
}  // namespace vornalis::testing
