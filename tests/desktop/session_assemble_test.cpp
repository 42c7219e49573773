// Assemble through the session: every row or the selected ones in the list's order, the steps
// and the caption, breaking off, a failing row's lines, where the folder dialog opens, a missing
// folder made after a question, names that differ only in case, and the start-up assemble into
// an existing, a missing and an impossible folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/path.h"
#include "tests/desktop/session_fixture.h"
#include "tests/support/raw_set.h"

namespace vornalis::testing {
namespace {

using desktop::Command;

class SessionAssembleTest : public SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    Start();
    std::filesystem::create_directories(FsPath(PathOf("out")));
  }
  // A set of count files f0.txt ... (f<i>.txt holds i + 1 copies of its digit), one in sub/.
  void OpenSet(int count, const std::string& name = "set") {
    Sources sources;
    for (int i = 0; i < count; ++i) {
      const std::string file = "f" + std::to_string(i) + ".txt";
      sources.push_back({i == 1 ? "sub/" + file : file, std::string(i + 1, char('0' + i))});
    }
    MakeAndOpen(name, sources, 20);
    ASSERT_EQ(Rows().size(), static_cast<std::size_t>(count));
  }
  void AssembleInto(const std::string& name) {
    view_.assemble_folders.push_back(PathOf(name));
    S().Run(Command::kAssemble);
  }
  std::string Out(const std::string& name) { return PathOf("out/" + name); }
  // Files rebuilt below out/, sub/ included.
  std::size_t Made() {
    std::size_t made = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(FsPath(PathOf("out"))))
      made += entry.is_regular_file() ? 1 : 0;
    return made;
  }
};

// The title is set once per percentage, not once per file: setting a window's title costs a
// round trip to the display on some systems, and a set of many small files has thousands of steps
// per percent.
TEST_F(SessionAssembleTest, TheCaptionChangesOnlyWithThePercentage) {
  OpenSet(250);
  const std::size_t before = view_.captions.size();
  AssembleInto("out");
  const std::vector<std::string> shown(view_.captions.begin() + before, view_.captions.end());
  ASSERT_FALSE(shown.empty());
  for (std::size_t i = 1; i < shown.size(); ++i) EXPECT_NE(shown[i], shown[i - 1]) << i;
  EXPECT_EQ(shown.size(), 102u);  // 0 % to 100 % once each, then the caption from before
  EXPECT_EQ(shown.back(), "set-Dorvelin");
  EXPECT_EQ(Made(), 250u);
}

TEST_F(SessionAssembleTest, NoSelectionAssemblesEveryRowWithItsSteps) {
  OpenSet(4);
  bool may_close = true;
  std::vector<std::string> captions;
  view_.on_step = [&](int) {
    may_close = may_close && S().MayClose();
    captions.push_back(view_.caption);
  };
  AssembleInto("out");
  EXPECT_FALSE(may_close);
  EXPECT_EQ(captions, (std::vector<std::string>{"set-Assembling 25%", "set-Assembling 50%",
                                                "set-Assembling 75%", "set-Assembling 100%"}));
  EXPECT_EQ(Told(), std::vector<std::string>());
  EXPECT_EQ(view_.steps, (std::vector<int>{25, 50, 75, 100}));
  EXPECT_EQ(ReadFile(Out("f0.txt")), "0");
  EXPECT_EQ(ReadFile(Out("sub/f1.txt")), "11");
  EXPECT_EQ(ReadFile(Out("f3.txt")), "3333");
  EXPECT_EQ(view_.caption, "set-Dorvelin");
  EXPECT_EQ(view_.status[1], "Total 4 files, 10 bytes");
  EXPECT_FALSE(S().Busy());
  EXPECT_FALSE(view_.in_progress);
}

TEST_F(SessionAssembleTest, TheFolderDialogOpensAtTheTypedFolderElseTheLastElseTheSets) {
  OpenSet(2);
  std::filesystem::create_directories(FsPath(PathOf("out/deep/er")));
  S().Run(Command::kAssemble);  // cancelled
  EXPECT_EQ(view_.asked.back(), "ChooseAssembleFolder " + Dir());
  AssembleInto("out");
  EXPECT_EQ(view_.asked.back(), "ChooseAssembleFolder " + Dir());
  S().Run(Command::kAssemble);
  EXPECT_EQ(view_.asked.back(), "ChooseAssembleFolder " + PathOf("out/"));
  // A folder typed that is not there, which the user did not want made, is passed over.
  view_.assemble_folders.push_back(PathOf("nowhere"));
  view_.warnings.push_back(false);
  S().Run(Command::kAssemble);
  S().Run(Command::kAssemble);
  EXPECT_EQ(view_.asked.back(), "ChooseAssembleFolder " + PathOf("out/"));
  view_.assemble_folders.push_back(PathOf("out/deep/er"));
  S().Run(Command::kAssemble);
  S().Run(Command::kAssemble);
  EXPECT_EQ(view_.asked.back(), "ChooseAssembleFolder " + PathOf("out/deep/er/"));
}

TEST_F(SessionAssembleTest, OneSelectedRowGoesWithoutProgressAndItsFailureIsListed) {
  OpenSet(3);
  view_.selected = {2};
  AssembleInto("out");
  EXPECT_EQ(view_.steps, std::vector<int>());
  EXPECT_EQ(view_.progress_shown, 0);
  EXPECT_EQ(view_.caption, "set-Dorvelin");
  EXPECT_EQ(ReadFile(Out("f2.txt")), "222");
  EXPECT_EQ(Made(), 1u);

  // A folder where the file goes: it cannot be rebuilt there.
  std::filesystem::remove(FsPath(Out("f2.txt")));
  std::filesystem::create_directories(FsPath(Out("f2.txt/inside")));
  AssembleInto("out");
  const std::vector<std::string> lines = view_.error_list;
  ASSERT_EQ(lines.size(), 3u) << ::testing::PrintToString(lines);
  EXPECT_EQ(lines[0], "Assembling " + PathOf("out/") + "f2.txt...");
  EXPECT_NE(lines[1].find("f2.txt"), std::string::npos) << lines[1];
  EXPECT_EQ(lines[2], "1 error(s) occured.");
}

TEST_F(SessionAssembleTest, ThreeSelectedRowsOfTenAreRebuiltAlone) {
  OpenSet(10);
  view_.selected = {0, 4, 7};
  AssembleInto("out");
  EXPECT_EQ(view_.steps, (std::vector<int>{33, 66, 100}));
  EXPECT_EQ(ListFolder(PathOf("out")), (std::vector<std::string>{"f0.txt", "f4.txt", "f7.txt"}));
}

TEST_F(SessionAssembleTest, BreakingOffWithNoStopsBeforeTheNextRowInTheListsOrder) {
  OpenSet(4);
  view_.break_offs = {true};
  view_.warnings = {false};
  AssembleInto("out");
  EXPECT_EQ(Told(), std::vector<std::string>{"Warning: Assembling interrupted, continue?"});
  EXPECT_EQ(view_.steps, std::vector<int>{25});
  EXPECT_EQ(Made(), 1u);
  EXPECT_FALSE(S().Busy());

  // Sorted by name the other way round, against the order the bytes lie in: the two top rows
  // come back before the break-off, nothing else.
  std::filesystem::create_directories(FsPath(PathOf("out2")));
  OpenSet(6, "six");
  S().ColumnClicked(0);
  ASSERT_EQ(Rows().front().rfind("f5.txt|", 0), 0u);
  view_.steps.clear();
  view_.break_offs = {false, true};
  view_.warnings = {false};
  AssembleInto("out2");
  EXPECT_EQ(view_.steps, (std::vector<int>{16, 33}));
  EXPECT_EQ(ListFolder(PathOf("out2")), (std::vector<std::string>{"f4.txt", "f5.txt"}));
}

// At the window's pace: with no time passing, the first file and the last are shown, 100 % with
// the last file's name; with a step due at every other file, a break-off asked for between two
// is honoured at the next, and "No" leaves every file rebuilt whole.
TEST_F(SessionAssembleTest, StepsComeAtAHumanRateTheLastAlwaysAndABreakOffBetweenIsHonoured) {
  OpenSet(10);
  tick_ = std::chrono::milliseconds(0);
  std::vector<std::string> shown;
  view_.on_step = [&](int) { shown.push_back(view_.status[1]); };
  AssembleInto("out");
  EXPECT_EQ(view_.steps, (std::vector<int>{10, 100}));
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown.back(), "Assembling f9.txt ...");
  EXPECT_EQ(Made(), 10u);

  std::filesystem::create_directories(FsPath(PathOf("out2")));
  view_.steps.clear();
  tick_ = std::chrono::milliseconds(20);  // due at every other file
  view_.break_offs = {false, true};       // pressed after file 1 is shown, seen at file 3
  view_.warnings = {false};
  AssembleInto("out2");
  EXPECT_EQ(view_.steps, (std::vector<int>{10, 30}));
  EXPECT_EQ(Told(), std::vector<std::string>{"Warning: Assembling interrupted, continue?"});
  EXPECT_EQ(ListFolder(PathOf("out2")), (std::vector<std::string>{"f0.txt", "f2.txt", "sub"}));
  EXPECT_EQ(ReadFile(PathOf("out2/f0.txt")), "0");
  EXPECT_EQ(ReadFile(PathOf("out2/sub/f1.txt")), "11");
  EXPECT_EQ(ReadFile(PathOf("out2/f2.txt")), "222");
}

TEST_F(SessionAssembleTest, AMissingFolderIsMadeAfterTheQuestionOneLevelOnly) {
  OpenSet(2);
  const std::string ask_new =
      "Warning: Folder " + PathOf("new") + " doesn't exist, do you want to create it?";
  // "&No" makes nothing; a folder whose parent is missing is wrong; "&Yes" makes a folder whose
  // parent exists.
  view_.warnings = {false, true, true};
  AssembleInto("new");
  AssembleInto("x/y");
  AssembleInto("new");
  EXPECT_EQ(
      Told(),
      (std::vector<std::string>{
          ask_new, "Warning: Folder " + PathOf("x/y") + " doesn't exist, do you want to create it?",
          "Error: The folder path you've specified is wrong!", ask_new}));
  EXPECT_FALSE(FileExists(PathOf("x")));
  EXPECT_EQ(ReadFile(PathOf("new/f0.txt")), "0");
  EXPECT_EQ(ReadFile(PathOf("new/sub/f1.txt")), "11");
}

TEST_F(SessionAssembleTest, NamesThatDifferOnlyInCaseBothComeBack) {
  const std::string block =
      BlockBytes({{1, 8, 5, "", "A.txt"}, {1, 13, 3, "", "a.txt"}, {1, 16, 2, "", "b.txt"}});
  WriteFile(PathOf("case.pec"), HeaderBytes(StreamBytes(1000, 1, "AAAAAaaabb", block)));
  S().OpenPieceFile(PathOf("case.pec"));
  EXPECT_EQ(Told(), std::vector<std::string>());
  ASSERT_EQ(Rows().size(), 3u);
  // Each row alone and into a folder of its own, so the two do not land on one another where
  // the file system ignores case.
  for (std::size_t row = 0; row < 2; ++row) {
    const std::string folder = row == 0 ? "one" : "two";
    std::filesystem::create_directories(FsPath(PathOf(folder)));
    view_.selected = {row};
    AssembleInto(folder);
    const std::string name = S().List().Text(row, 0);
    EXPECT_EQ(ReadFile(PathOf(folder + "/" + name)), name == "A.txt" ? "AAAAA" : "aaa");
  }
  EXPECT_EQ(Told(), std::vector<std::string>());
}

}  // namespace
}  // namespace vornalis::testing
