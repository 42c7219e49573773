// The start-up jobs through the session: the job runs once; the add of "/d" folders walked
// breadth first and "/f" files after them, all relative to the folder that holds them, into a
// set named on the command line (after the piece-size dialog, asking before one is replaced) or
// chosen with New; and the start-up assemble, which brings a packed tree back byte for byte.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <algorithm>
#include <filesystem>

#include "tests/desktop/session_fixture.h"

namespace vornalis::testing {
namespace {

using desktop::Command;

class SessionStartUpTest : public SessionTest {
 protected:
  // A list file with these paths below the test folder, one a line.
  std::string ListFile(const std::string& name, const std::vector<std::string>& relative) {
    std::string text;
    for (const std::string& path : relative) text += (path.empty() ? "" : PathOf(path)) + "\r\n";
    WriteFile(PathOf(name), text);
    return PathOf(name);
  }
  // Starts with these arguments and runs the add, the piece-size dialog confirmed as it is.
  void StartAdd(const std::vector<std::string>& arguments) {
    Start(arguments);
    ASSERT_EQ(S().StartUp().StartMode, desktop::StartAddFiles);
    view_.piece_sizes.push_back(desktop::PieceSizeChoice{});
    S().RunStartupJob();
  }
  // The stored entries as "folder|name", in catalogue order.
  std::vector<std::string> Stored() {
    std::vector<std::string> stored;
    for (const StoredFile& file : S().CurrentSet()->Files())
      stored.push_back(file.Folder + "|" + file.Name);
    return stored;
  }
};

TEST_F(SessionStartUpTest, TheJobRunsOnceAndOpensTheSetFromAnyPiece) {
  Start({PathOf("gone.pec")});
  S().RunStartupJob();
  S().RunStartupJob();
  EXPECT_EQ(Told(), std::vector<std::string>{"Error: Can't open " + PathOf("gone.pec")});
  EXPECT_EQ(view_.status[0], "Selected 0 files, 0 bytes");
  EXPECT_EQ(view_.status[1], "Total 0 files, 0 bytes");

  ASSERT_EQ(MakeSet("backup", "src/", {{"a.txt", std::string(2048, 'a')}}, 1024), "");
  Start({PathOf("backup1.pec")});
  EXPECT_EQ(S().StartUp().StartMode, desktop::StartOpen);
  S().RunStartupJob();
  EXPECT_TRUE(S().SetOpen());
  EXPECT_EQ(view_.status[1], "Total 1 files, 2 KB");
  EXPECT_EQ(view_.caption, "backup-Dorvelin");

  // An assemble without a piece file names none, and opens nothing.
  Start({"/e", "out", "x.pec"});
  EXPECT_EQ(S().StartUp().StartMode, desktop::StartAssemble);
  S().RunStartupJob();
  const std::vector<std::string> told = Told();
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0].rfind("Error: Can't open ", 0), 0u) << told[0];
  EXPECT_EQ(told[0].find("x.pec"), std::string::npos) << told[0];
  EXPECT_FALSE(S().SetOpen());
}

TEST_F(SessionStartUpTest, FoldersAreWalkedBreadthFirstThenTheFilesFollow) {
  WriteFile(PathOf("data/photos/a.jpg"), "a");
  WriteFile(PathOf("data/photos/2000/b.jpg"), "bb");
  WriteFile(PathOf("data/photos/2000/deep/c.jpg"), "ccc");
  WriteFile(PathOf("data/photos/.hidden/h.jpg"), "hhhh");
  std::filesystem::create_directories(FsPath(PathOf("data/photos/empty")));
  WriteFile(PathOf("data/x.txt"), "x");
  WriteFile(PathOf("data/y.txt"), "yy");
  const std::string folders = ListFile("folders.lst", {"data/photos", ""});
  const std::string files = ListFile("files.lst", {"data/x.txt", "data/y.txt"});
  StartAdd({PathOf("pack.pec"), "/d", folders, "/f", files});
  EXPECT_EQ(Told(), std::vector<std::string>());
  EXPECT_EQ(view_.asked, std::vector<std::string>{"ChoosePieceSize"});
  EXPECT_FALSE(FileExists(folders));
  EXPECT_FALSE(FileExists(files));
  ASSERT_NE(S().CurrentSet(), nullptr);
  EXPECT_EQ(S().CurrentSet()->BasePath(), PathOf("pack"));
  EXPECT_EQ(S().CurrentSet()->SourceRoot(), PathOf("data/"));
  EXPECT_EQ(S().CurrentSet()->PieceSize(), 204800u);

  const std::vector<std::string> rows = Rows();
  ASSERT_EQ(rows.size(), 6u);
  // Breadth first: photos, then its subfolders, then deeper; the files of the "/f" list last.
  EXPECT_EQ(rows[0], "a.jpg|JPG type|1|photos\\");
  const std::vector<std::string> second(rows.begin() + 1, rows.begin() + 3);
  for (const char* row : {"b.jpg|JPG type|2|photos\\2000\\", "h.jpg|JPG type|4|photos\\.hidden\\"})
    EXPECT_NE(std::find(second.begin(), second.end(), row), second.end()) << row;
  EXPECT_EQ(rows[3], "c.jpg|JPG type|3|photos\\2000\\deep\\");
  EXPECT_EQ(std::vector<std::string>(rows.begin() + 4, rows.end()),
            (std::vector<std::string>{"x.txt|TXT type|1|", "y.txt|TXT type|2|"}));
  EXPECT_EQ(view_.status[1], "Total 6 files, 13 bytes");
  EXPECT_EQ(view_.caption, "pack-Dorvelin");
  EXPECT_EQ(view_.sort_mark, (desktop::FileList::Mark{}));
  // The walked subfolders joined the queue.
  EXPECT_EQ(S().StartUp().FoldersToAdd.size(), 5u);
  EXPECT_FALSE(S().Busy());
  EXPECT_EQ(OnDisk("pack").size(), 6u);
}

TEST_F(SessionStartUpTest, EntriesFromOtherFoldersKeepTheirTrueFolders) {
  WriteFile(PathOf("data/a/x.txt"), "x");
  WriteFile(PathOf("data/b/x.txt"), "xx");
  WriteFile(PathOf("data/c/z.txt"), "z");
  const std::string files = ListFile("files.lst", {"data/a/x.txt", "data/b/x.txt"});
  const std::string folders = ListFile("folders.lst", {"data/c"});
  StartAdd({PathOf("pack.pec"), "/f", files, "/d", folders});
  EXPECT_EQ(Stored(), (std::vector<std::string>{"a\\|x.txt", "b\\|x.txt", "c\\|z.txt"}));
}

#ifndef _WIN32
TEST_F(SessionStartUpTest, AFifoInAFolderIsNamedAndTheOtherFilesAreStored) {
  WriteFile(PathOf("data/a.txt"), "a");
  WriteFile(PathOf("data/b.txt"), "b");
  ASSERT_EQ(mkfifo(PathOf("data/pipe").c_str(), 0644), 0);
  StartAdd({PathOf("pack.pec"), "/d", ListFile("folders.lst", {"data"})});
  EXPECT_EQ(Stored(), (std::vector<std::string>{"data\\|a.txt", "data\\|b.txt"}));
  EXPECT_EQ(view_.error_list,
            std::vector<std::string>{"Skipped " + PathOf("data/pipe") +
                                     ": it is not a regular file (a FIFO, socket or device)"});
}
#endif

TEST_F(SessionStartUpTest, CancellingTheSizeDialogOrTheReplaceQuestionMakesNoSet) {
  WriteFile(PathOf("data/x.txt"), "x");
  Start({PathOf("pack.pec"), "/f", ListFile("files.lst", {"data/x.txt"})});
  S().RunStartupJob();  // the size dialog cancelled
  EXPECT_EQ(view_.asked, std::vector<std::string>{"ChoosePieceSize"});
  EXPECT_FALSE(S().SetOpen());
  EXPECT_EQ(S().CurrentSet(), nullptr);
  EXPECT_EQ(Rows(), std::vector<std::string>());
  EXPECT_FALSE(FileExists(PathOf("pack.pec")));
  EXPECT_FALSE(S().Busy());
  EXPECT_TRUE(S().Enabled(Command::kNew));

  // A set of that name is replaced only after asking; "No" keeps it.
  ASSERT_EQ(MakeSet("pack", "old/", {{"keep.txt", "keep"}}), "");
  StartAdd({PathOf("pack.pec"), "/f", ListFile("files.lst", {"data/x.txt"})});
  EXPECT_EQ(Told(), std::vector<std::string>{
                        "Warning: pack.pec already exists.\nDo you want to replace it?"});
  EXPECT_FALSE(S().SetOpen());
  EXPECT_EQ(OnDisk("pack"), std::vector<std::string>{"|keep.txt"});
}

TEST_F(SessionStartUpTest, WithoutAPieceFileNewAsksForTheSet) {
  WriteFile(PathOf("data/x.txt"), "xyz");
  Start({"/f", ListFile("files.lst", {"data/x.txt"})});
  view_.new_sets.push_back(desktop::NewSetChoice{PathOf("made.pec"), {}});
  S().RunStartupJob();
  EXPECT_EQ(view_.asked, std::vector<std::string>{"ChooseNewSet "});
  EXPECT_EQ(Rows(), std::vector<std::string>{"x.txt|TXT type|3|"});
  ASSERT_NE(S().CurrentSet(), nullptr);
  EXPECT_EQ(S().CurrentSet()->BasePath(), PathOf("made"));
  EXPECT_EQ(S().StartUp().PieceFilePath, PathOf("made.pec"));
  EXPECT_EQ(view_.caption, "made-Dorvelin");
}

TEST_F(SessionStartUpTest, APackedTreeComesBackByteForByteThroughTheStartUpAssemble) {
  const Sources tree = {
      {"tree/big.bin", std::string(450000, 'b') + "end"},
      {"tree/sub/one.txt", "one"},
      {"tree/sub/deeper/two.txt", std::string(5000, '2')},
      {"tree/.dot/three", "3"},
      {"tree/empty.txt", ""},
      {"loose.txt", "loose"},
  };
  for (const auto& [path, content] : tree) WriteFile(PathOf("src/" + path), content);
  std::filesystem::create_directories(FsPath(PathOf("set")));
  StartAdd({PathOf("set/pack.pec"), "/d", ListFile("folders.lst", {"src/tree"}), "/f",
            ListFile("files.lst", {"src/loose.txt"})});
  EXPECT_EQ(Told(), std::vector<std::string>());
  EXPECT_EQ(S().FileCount(), 6u);
  End();

  // Into an existing folder, one made with its parent there, and one that cannot be made,
  // which leaves the choice to the folder dialog.
  std::filesystem::create_directories(FsPath(PathOf("out")));
  for (const std::string target : {"out", "made", "no/such/folder"}) {
    Start({PathOf("set/pack.pec"), "/e", PathOf(target)});
    S().RunStartupJob();
    EXPECT_EQ(Told(), std::vector<std::string>()) << target;
    const bool asked = !view_.asked.empty();
    EXPECT_EQ(asked, target == "no/such/folder") << target;
    for (const auto& [path, content] : tree)
      EXPECT_EQ(FileExists(PathOf(target + "/" + path)) &&
                    ReadFile(PathOf(target + "/" + path)) == content,
                !asked)
          << target << " " << path;
    EXPECT_EQ(Rows().size(), 6u);
    EXPECT_TRUE(S().SetOpen());
  }
  // Without a folder the dialog asks.
  Start({PathOf("set/pack.pec"), "/e"});
  view_.assemble_folders.push_back(PathOf("asked"));
  view_.warnings.push_back(true);
  S().RunStartupJob();
  EXPECT_EQ(ReadFile(PathOf("asked/loose.txt")), "loose");
}

}  // namespace
}  // namespace vornalis::testing
