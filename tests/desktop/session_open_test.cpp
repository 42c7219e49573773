// Open and Close through the session: the set found from its header or any piece, files of no
// set refused with the window left as it was, the listing and its totals, sorting by a column
// with the selection following its rows, sets opened for reading only, and a catalogue that
// cannot be written on the way out.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <cerrno>
#include <filesystem>

#include "engine/messages.h"
#include "engine/piece_set.h"
#include "platform/path.h"
#include "tests/desktop/session_fixture.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/raw_set.h"
#include "tests/support/set_fixture.h"

namespace vornalis::testing {
namespace {

using desktop::Command;

class SessionOpenTest : public SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    Start();
  }
  // backup: b.txt (3 bytes), A.txt (5) and sub/a.txt (7), in 1.44 MB pieces.
  void MakeBackup() {
    ASSERT_EQ(
        MakeSet("backup", "src/", {{"b.txt", "bbb"}, {"A.txt", "AAAAA"}, {"sub/a.txt", "aaaaaaa"}}),
        "");
  }
  void ChooseAndOpen(const std::string& name) {
    view_.set_files.push_back(PathOf(name));
    S().Run(Command::kOpen);
  }
  // Stores new.txt into the open set without committing it: only closing writes the catalogue.
  void AddUncommitted() {
    WriteFile(PathOf("src3/new.txt"), "new");
    ASSERT_TRUE(S().CurrentSet()->AddFiles(PathOf("src3/"), {EntryFor("new.txt")}, nullptr, nullptr,
                                           PathOf("src3/")));
  }
  FaultFileSystem faults_{platform::RealFileSystem()};
};

TEST_F(SessionOpenTest, TheHeaderListsTheSetInNameOrderWithItsTotalsAndCaption) {
  MakeBackup();
  ChooseAndOpen("backup.pec");
  EXPECT_EQ(Told(), std::vector<std::string>());
  EXPECT_EQ(view_.asked, std::vector<std::string>{"ChooseSetFile "});
  ASSERT_TRUE(S().SetOpen());
  EXPECT_EQ(Rows(), (std::vector<std::string>{"A.txt|TXT type|5|", "a.txt|TXT type|7|sub\\",
                                              "b.txt|TXT type|3|"}));
  EXPECT_EQ(S().FileCount(), 3u);
  EXPECT_EQ(S().List().TotalBytes(), 15u);
  EXPECT_EQ(view_.status[1], "Total 3 files, 15 bytes");
  EXPECT_EQ(view_.status[0], "Selected 0 files, 0 bytes");
  EXPECT_EQ(view_.sort_mark, (desktop::FileList::Mark{desktop::FileList::kName, false}));
  EXPECT_EQ(view_.caption, "backup-Dorvelin");
  // The next Open dialog starts where this set lies.
  ChooseAndOpen("backup.pec");
  EXPECT_EQ(view_.asked.back(), "ChooseSetFile " + Dir());

  // Close empties the list and the status, and keeps the caption.
  view_.SelectAllRows();
  EXPECT_EQ(view_.status[0], "Selected 3 files, 15 bytes");
  S().Run(Command::kClose);
  EXPECT_FALSE(S().SetOpen());
  EXPECT_EQ(S().CurrentSet(), nullptr);
  EXPECT_EQ(Rows(), std::vector<std::string>());
  EXPECT_EQ(view_.status[0], "Selected 0 files, 0 bytes");
  EXPECT_EQ(view_.status[1], "Total 0 files, 0 bytes");
  EXPECT_EQ(view_.caption, "backup-Dorvelin");
  EXPECT_EQ(Told(), std::vector<std::string>());
}

TEST_F(SessionOpenTest, AnyPieceLeadsToTheSet) {
  // 24-byte pieces carry 16 bytes each: 60 bytes fill pieces 1 to 3 (the rest of piece 4 goes
  // into the header), 200 bytes pieces 1 to 12.
  ASSERT_EQ(MakeSet("backup", "src/", {{"one.bin", std::string(60, 'x')}}, 24), "");
  ASSERT_EQ(MakeSet("disk2", "src/", {{"two.bin", std::string(200, 'y')}}, 24), "");
  const std::pair<std::string, std::string> cases[] = {{"backup.pec", "backup"},
                                                       {"backup3.pec", "backup"},
                                                       {"disk21.pec", "disk2"},
                                                       {"disk212.pec", "disk2"}};
  for (const auto& [chosen, set] : cases) {
    ChooseAndOpen(chosen);
    EXPECT_EQ(Told(), std::vector<std::string>()) << chosen;
    ASSERT_NE(S().CurrentSet(), nullptr) << chosen;
    EXPECT_EQ(S().CurrentSet()->BasePath(), PathOf(set)) << chosen;
    EXPECT_EQ(view_.caption, set + "-Dorvelin") << chosen;
    EXPECT_EQ(S().FileCount(), 1u) << chosen;
  }
}

TEST_F(SessionOpenTest, FilesOfNoSetAreRefusedAndChangeNothing) {
  MakeBackup();
  WriteFile(PathOf("other.pec"), "MZ not a piece");
  WriteFile(PathOf("tiny.pec"), "QB");
  WriteFile(PathOf("lone5.pec"), PieceBytes(5, "x"));
  WriteFile(PathOf("bad.pec"), "XXXXXXXX");
  WriteFile(PathOf("bad1.pec"), PieceBytes(1, "x"));
  ChooseAndOpen("backup.pec");
  const PieceSet* before = S().CurrentSet();
  const std::vector<std::string> rows = Rows();
  const std::pair<std::string, std::string> cases[] = {
      {"gone.pec", "Can't open " + PathOf("gone.pec")},
      {"other.pec", PathOf("other.pec") + " is an invalid piece!"},
      {"tiny.pec", PathOf("tiny.pec") + " is an invalid piece!"},
      {"lone5.pec", "Can't open " + PathOf("lone.pec")},
      {"bad1.pec", PathOf("bad.pec") + " is an invalid piece!"},
  };
  for (const auto& [chosen, message] : cases) {
    Told();
    ChooseAndOpen(chosen);
    EXPECT_EQ(Told(), std::vector<std::string>{"Error: " + message}) << chosen;
    EXPECT_EQ(S().CurrentSet(), before) << chosen;
    EXPECT_EQ(Rows(), rows) << chosen;
    EXPECT_EQ(view_.caption, "backup-Dorvelin") << chosen;
  }
  // A cancelled dialog changes nothing either.
  S().Run(Command::kOpen);
  EXPECT_EQ(S().CurrentSet(), before);
  EXPECT_EQ(Told(), std::vector<std::string>());
}

TEST_F(SessionOpenTest, OpeningAnotherSetClosesTheFirstWithItsCatalogue) {
  MakeBackup();
  ASSERT_EQ(MakeSet("other", "src2/", {{"x.jpg", "x"}}), "");
  ChooseAndOpen("backup.pec");
  AddUncommitted();
  ChooseAndOpen("other.pec");
  EXPECT_EQ(Rows(), std::vector<std::string>{"x.jpg|JPG type|1|"});
  EXPECT_EQ(view_.caption, "other-Dorvelin");
  EXPECT_EQ(PieceSet(PathOf("backup"), SetAccess::kReadOnly).Files().size(), 4u);
}

TEST_F(SessionOpenTest, NamesWithoutExtensionAreListedAndCounted) {
  ASSERT_EQ(MakeSet("backup", "src/",
                    {{"README", "12345"}, {"a.txt", "1"}, {"Makefile", "123"}, {"z.txt", "12"}}),
            "");
  ChooseAndOpen("backup.pec");
  EXPECT_EQ(Rows(), (std::vector<std::string>{"a.txt|TXT type|1|", "Makefile|no type|3|",
                                              "README|no type|5|", "z.txt|TXT type|2|"}));
  EXPECT_EQ(S().FileCount(), 4u);
  EXPECT_EQ(S().List().TotalBytes(), 11u);
}

TEST_F(SessionOpenTest, AClickOnAColumnSortsTheRowsAndTheSelectionFollowsThem) {
  ASSERT_EQ(MakeSet("sample", "src/",
                    {{"b10.txt", std::string(10, 'b')},
                     {"a9.dat", std::string(9, 'a')},
                     {"pics/C.jpg", std::string(1500, 'c')},
                     {"pics/readme.TXT", std::string(600, 'r')},
                     {"Readme.txt", std::string(2048, 'R')}}),
            "");
  ChooseAndOpen("sample.pec");
  EXPECT_EQ(view_.status[1], "Total 5 files, 4 KB");
  auto column = [this](int c) {
    std::vector<std::string> cells;
    for (std::size_t row = 0; row < S().List().Size(); ++row)
      cells.push_back(S().List().Text(row, c));
    return cells;
  };
  EXPECT_EQ(column(0),
            (std::vector<std::string>{"a9.dat", "b10.txt", "C.jpg", "Readme.txt", "readme.TXT"}));
  // C.jpg and readme.TXT selected.
  view_.selected = {2, 4};
  S().RowsSelected(view_.selected);
  EXPECT_EQ(view_.status[0], "Selected 2 files, 2 KB");
  S().ColumnClicked(2);
  EXPECT_EQ(column(2), (std::vector<std::string>{"9", "10", "600", "1500", "2048"}));
  EXPECT_EQ(view_.sort_mark, (desktop::FileList::Mark{desktop::FileList::kSize, false}));
  EXPECT_EQ(view_.selected, (std::vector<std::size_t>{2, 3}));
  EXPECT_EQ(S().List().SelectedBytes(), 2100u);
  S().ColumnClicked(2);
  EXPECT_EQ(column(2), (std::vector<std::string>{"2048", "1500", "600", "10", "9"}));
  EXPECT_EQ(view_.sort_mark, (desktop::FileList::Mark{desktop::FileList::kSize, true}));
  EXPECT_EQ(view_.selected, (std::vector<std::size_t>{1, 2}));
  // Another column starts ascending; a column that is not there changes nothing.
  S().ColumnClicked(1);
  EXPECT_EQ(view_.sort_mark, (desktop::FileList::Mark{desktop::FileList::kType, false}));
  S().ColumnClicked(4);
  EXPECT_EQ(view_.sort_mark, (desktop::FileList::Mark{desktop::FileList::kType, false}));
  EXPECT_EQ(view_.status[0], "Selected 2 files, 2 KB");
  S().RowSelected(view_.selected[0], false);
  EXPECT_EQ(S().List().SelectedCount(), 1);
}

TEST_F(SessionOpenTest, AnOpenThatFailsLeavesNoSetOpenAndNamesTheHeader) {
  // The header promises a block that the file does not hold; the other is damaged early.
  const std::string block = BlockBytes({{1, 8, 5, "", "a.txt"}});
  WriteFile(PathOf("broken.pec"),
            HeaderBytes(StreamBytes(100, 1, "", block.substr(0, block.size() - 3), false)));
  WriteFile(PathOf("DAMAGED.PEC"), "QBXR and nothing of sense");
  ChooseAndOpen("broken.pec");
  EXPECT_FALSE(S().SetOpen());
  EXPECT_EQ(S().CurrentSet(), nullptr);
  std::vector<std::string> told = Told();
  ASSERT_EQ(told.size(), 1u);
  EXPECT_NE(told[0].find(PathOf("broken.pec")), std::string::npos) << told[0];
  EXPECT_EQ(Rows(), std::vector<std::string>());
  for (const Command command :
       {Command::kClose, Command::kAdd, Command::kAssemble, Command::kMakeExe})
    EXPECT_FALSE(S().Enabled(command)) << static_cast<int>(command);

  const std::string damaged = "Error: " + PathOf("DAMAGED.PEC") + ": File format is not correct";
  ChooseAndOpen("DAMAGED.PEC");
  EXPECT_FALSE(S().SetOpen());
  EXPECT_EQ(Told(), std::vector<std::string>{damaged});

  // With a set open, a set that cannot be read leaves the window as it was.
  MakeBackup();
  ChooseAndOpen("backup.pec");
  const std::vector<std::string> rows = Rows();
  ChooseAndOpen("DAMAGED.PEC");
  EXPECT_EQ(Told(), std::vector<std::string>{damaged});
  EXPECT_TRUE(S().SetOpen());
  EXPECT_EQ(view_.caption, "backup-Dorvelin");
  EXPECT_EQ(Rows(), rows);
  EXPECT_TRUE(S().Enabled(Command::kAdd));
  // The open set's own piece opens it again: it is closed first, as it holds its lock.
  ChooseAndOpen("backup1.pec");
  EXPECT_EQ(Told(), std::vector<std::string>());
  EXPECT_EQ(Rows(), rows);
  EXPECT_TRUE(S().Enabled(Command::kAdd));
}

TEST_F(SessionOpenTest, ASetAnotherProgramStoresIntoOpensForReadingAndCannotBeMadeAnew) {
  ASSERT_EQ(MakeSet("busy", "src/", {{"a.txt", "a"}}), "");
  PieceSet writer(PathOf("busy"));  // holds the set's lock, as another program would
  ASSERT_EQ(writer.LastError(), "");
  ChooseAndOpen("busy.pec");
  ASSERT_TRUE(S().SetOpen());
  EXPECT_FALSE(S().CurrentSet()->CanStore());
  EXPECT_FALSE(S().Enabled(Command::kAdd));
  EXPECT_TRUE(S().Enabled(Command::kAssemble));
  EXPECT_EQ(Rows().size(), 1u);
  // One message, that says both why and what follows.
  EXPECT_EQ(Told(), std::vector<std::string>{"Information: The set " + PathOf("busy.pec") +
                                             " is open for reading only: it is open in another "
                                             "program, which may be storing files into it."});

  // New over it is refused, and leaves no set open.
  view_.new_sets.push_back(desktop::NewSetChoice{PathOf("busy.pec"), {}});
  S().Run(Command::kNew);
  EXPECT_FALSE(S().SetOpen());
  EXPECT_EQ(S().CurrentSet(), nullptr);
  const std::vector<std::string> told = Told();
  ASSERT_FALSE(told.empty());
  EXPECT_NE(told.back().find("is open in another program"), std::string::npos) << told.back();
}

// The New dialog closes only with a size in range: one below the smallest is told over it (the
// session's word, the same in both faces), and the dialog stays open for another.
TEST_F(SessionOpenTest, NewRefusesAPieceSizeOutOfRangeWhileItsDialogIsOpen) {
  Start();
  desktop::PieceSizeChoice tiny;
  tiny.number = "10";
  tiny.unit = 0;  // bytes
  view_.new_sets.push_back(desktop::NewSetChoice{PathOf("made.pec"), tiny});
  view_.new_sets.push_back(desktop::NewSetChoice{PathOf("made.pec"), {}});
  S().Run(Command::kNew);
  EXPECT_EQ(Told(), std::vector<std::string>{"Error: " + messages::PieceSizeTooSmall(10)});
  ASSERT_TRUE(S().SetOpen());
  EXPECT_EQ(S().CurrentSet()->PieceSize(), 200u * 1024);
}

TEST_F(SessionOpenTest, AFilePlantedWherePiecesAreKeptAsideIsIgnoredAndNamed) {
  ASSERT_EQ(MakeSet("planted", "src/", {{"big", std::string(300, 'b')}}, 100), "");
  WriteFile(PathOf("planted.pec.aside"), "not a record");
  ChooseAndOpen("planted.pec");
  EXPECT_TRUE(S().SetOpen());
  EXPECT_EQ(Rows().size(), 1u);
  EXPECT_EQ(Told(), std::vector<std::string>{"Information: Ignored " + PathOf("planted.pec.aside") +
                                             ": it was not left there by this set's own writer"});
}

TEST_F(SessionOpenTest, ASetOnAMediumThatCannotBeWrittenOpensForReadingAndStillAssembles) {
  std::filesystem::create_directories(FsPath(PathOf("ro")));
  ASSERT_EQ(MakeSet("ro/backup", "old/", {{"z.txt", "zzzz"}, {"y.txt", "yy"}}, 100), "");
  const std::string ro = std::string(1, platform::kSeparator) + "ro" + platform::kSeparator;
  faults_.FailPath(FaultFileSystem::Op::kCreateUnique, ro, EROFS);
  Start({}, faults_);
  S().OpenPieceFile(PathOf("ro/backup.pec"));
  EXPECT_EQ(Rows().size(), 2u);
  const std::vector<std::string> told = Told();
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0].rfind("Information: ", 0), 0u) << told[0];
  EXPECT_NE(told[0].find("reading only"), std::string::npos) << told[0];
  EXPECT_FALSE(S().Enabled(Command::kAdd));
  EXPECT_FALSE(S().Enabled(Command::kAddFolder));
  EXPECT_TRUE(S().Enabled(Command::kAssemble));
  EXPECT_TRUE(S().Enabled(Command::kClose));
  EXPECT_FALSE(S().TakesDrop());
  view_.assemble_folders.push_back(PathOf("out"));
  view_.warnings.push_back(true);  // make the folder
  S().Run(Command::kAssemble);
  EXPECT_EQ(ReadFile(PathOf("out/z.txt")), "zzzz");
}

#ifndef _WIN32
TEST_F(SessionOpenTest, ASetInAFolderThatCannotBeWrittenOpensForReading) {
  if (geteuid() == 0) GTEST_SKIP() << "the superuser writes into any folder";
  std::filesystem::create_directories(FsPath(PathOf("ro")));
  ASSERT_EQ(MakeSet("ro/backup", "old/", {{"z.txt", "zzzz"}, {"y.txt", "yy"}}, 100), "");
  std::filesystem::permissions(PathOf("ro"), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  S().OpenPieceFile(PathOf("ro/backup.pec"));
  std::filesystem::permissions(PathOf("ro"), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  EXPECT_EQ(Rows().size(), 2u);
  const std::vector<std::string> told = Told();
  ASSERT_EQ(told.size(), 1u);
  EXPECT_NE(told[0].find("reading only"), std::string::npos) << told[0];
  EXPECT_FALSE(S().Enabled(Command::kAdd));
  EXPECT_TRUE(S().Enabled(Command::kAssemble));
}
#endif

TEST_F(SessionOpenTest, ACatalogueThatCannotBeWrittenIsReportedByCloseOpenAndExit) {
  for (const char* how : {"close", "open", "exit"}) {
    faults_.Reset();
    Start({}, faults_);
    std::filesystem::remove_all(FsPath(Dir()));
    std::filesystem::create_directories(FsPath(Dir()));
    MakeBackup();
    ASSERT_EQ(MakeSet("other", "src2/", {{"x.jpg", "x"}}), "");
    ChooseAndOpen("backup.pec");
    AddUncommitted();
    faults_.FailPath(FaultFileSystem::Op::kCreateUnique, "Qbtmbackup", EACCES);  // its catalogue
    const std::string how_s = how;
    if (how_s == "close") S().Run(Command::kClose);
    if (how_s == "open") ChooseAndOpen("other.pec");
    if (how_s == "exit") S().CloseForExit();
    EXPECT_EQ(Told(), std::vector<std::string>{"Error: Can't create " + PathOf("backup.pec")})
        << how;
    if (how_s == "open") {
      EXPECT_EQ(view_.caption, "other-Dorvelin");
    }
    End();
  }
}

}  // namespace
}  // namespace vornalis::testing
