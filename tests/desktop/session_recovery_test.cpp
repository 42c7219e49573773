// Recovery files through the session: Protect, Verify and Repair of the open set with the set's
// name in the caption at every step, the repair offered at Open only when it can succeed (and
// otherwise one message saying what a repair would need), and a new protection offered after
// an add to a protected set.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "engine/set_recovery.h"
#include "tests/desktop/session_fixture.h"

namespace vornalis::testing {
namespace {

using desktop::Command;

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
  return text;
}

class SessionRecoveryTest : public SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    Start();
  }
  // A set of four files over pieces of 2,000 bytes, opened.
  void OpenSet() {
    MakeAndOpen("backup",
                {{"a.bin", PatternBytes(3000, 1)},
                 {"b.bin", PatternBytes(2500, 2)},
                 {"c.txt", "c"},
                 {"d.bin", PatternBytes(1800, 3)}},
                2000);
  }
  // The same, protected.
  void OpenProtectedSet(unsigned redundancy) {
    OpenSet();
    view_.redundancies.push_back(redundancy);
    S().Run(Command::kProtect);
    ASSERT_FALSE(RecoveryFiles().empty()) << Joined(view_.messages);
  }
  std::vector<std::string> RecoveryFiles() {
    return FindRecoveryFiles(platform::RealFileSystem(), SetPaths{PathOf("backup")});
  }
  // The caption at each step from now on.
  std::vector<std::string> captions_;
  void WatchCaptions() {
    captions_.clear();
    view_.on_step = [this](int) { captions_.push_back(view_.caption); };
  }
};

TEST_F(SessionRecoveryTest, ProtectVerifyAndRepairTheOpenSet) {
  OpenSet();
  // The caption names the set at every step, as Add's does, although the set is closed while
  // the recovery work reads it.
  WatchCaptions();
  view_.redundancies.push_back(50);
  S().Run(Command::kProtect);
  ASSERT_FALSE(captions_.empty());
  for (const std::string& caption : captions_)
    EXPECT_TRUE(std::regex_match(caption, std::regex("backup-Protecting \\d+%"))) << caption;
  EXPECT_EQ(view_.caption, "backup-Dorvelin");
  ASSERT_FALSE(RecoveryFiles().empty());
  std::vector<std::string> told = Told();
  ASSERT_EQ(told.size(), 1u) << Joined(told);
  EXPECT_EQ(told[0],
            "Information: Made 2 recovery files beside backup.pec: 8 recovery blocks of 512 bytes "
            "for the set's 15, in files of at most 7720 bytes (larger than the piece size).\nThis "
            "covers any 2 lost pieces, or 53 % damaged.")
      << told[0];
  EXPECT_TRUE(S().SetOpen());
  EXPECT_EQ(Rows().size(), 4u);

  // A lost piece: Verify names it and the files it holds; Repair brings it back.
  const std::string piece = ReadFile(PathOf("backup2.pec"));
  std::filesystem::remove(FsPath(PathOf("backup2.pec")));
  S().Run(Command::kVerify);
  const std::string report = Joined(view_.error_list);
  EXPECT_NE(report.find(PathOf("backup2.pec") + " is missing"), std::string::npos) << report;
  EXPECT_NE(report.find("affects: a.bin, b.bin"), std::string::npos) << report;
  EXPECT_NE(view_.error_list.back().find("a repair is possible"), std::string::npos) << report;
  WatchCaptions();
  Told();
  S().Run(Command::kRepair);
  ASSERT_FALSE(captions_.empty());
  EXPECT_EQ(captions_.back().rfind("backup-Repairing ", 0), 0u) << captions_.back();
  EXPECT_EQ(ReadFile(PathOf("backup2.pec")), piece);
  told = Told();
  ASSERT_FALSE(told.empty());
  EXPECT_EQ(told.back().rfind("Information: " + PathOf("backup2.pec") + " is missing", 0), 0u)
      << Joined(told);
  EXPECT_NE(told.back().find("\nRepaired " + PathOf("backup2.pec") + "\nThe set is whole again."),
            std::string::npos)
      << Joined(told);
  EXPECT_TRUE(S().SetOpen());
  EXPECT_EQ(Rows().size(), 4u);
  S().Run(Command::kVerify);
  told = Told();
  ASSERT_FALSE(told.empty());
  EXPECT_EQ(told.back(),
            "Information: All 4 files of the set match their recovery files.\nChecked 4 pieces "
            "and 4 stored files: the structure is sound.")
      << Joined(told);
  // A set that is whole has nothing to repair.
  S().Run(Command::kRepair);
  told = Told();
  ASSERT_EQ(told.size(), 1u) << Joined(told);
  EXPECT_EQ(told[0],
            "Information: All 4 files of the set match their recovery files: nothing to repair.");
}

// A header another program changed (it reads as a sound set, and nothing this program did leads
// to it): Repair says what putting the protected one back would undo and asks; "No" changes
// nothing, "Yes" puts it back.
TEST_F(SessionRecoveryTest, AHeaderChangedElsewhereIsPutBackOnlyWhenTheUserSaysSo) {
  OpenProtectedSet(100);
  S().Run(Command::kClose);
  const std::string protected_header = ReadFile(PathOf("backup.pec"));
  std::string changed = protected_header;
  changed[changed.rfind("a.bin")] = 'z';  // a stored name changed
  WriteFile(PathOf("backup.pec"), changed);
  S().OpenPieceFile(PathOf("backup.pec"));
  ASSERT_TRUE(S().SetOpen());
  Told();
  view_.warnings.push_back(false);
  S().Run(Command::kRepair);
  std::vector<std::string> told = Told();
  ASSERT_EQ(told.size(), 1u) << Joined(told);
  EXPECT_EQ(
      told[0].rfind(
          "Warning: " + PathOf("backup.pec") + " is not the header its recovery files protect", 0),
      0u)
      << told[0];
  EXPECT_NE(told[0].find("the set would list the 4 stored files it held then instead of the 4"),
            std::string::npos)
      << told[0];
  EXPECT_NE(told[0].find("\nPut the protected header back now?"), std::string::npos) << told[0];
  EXPECT_EQ(ReadFile(PathOf("backup.pec")), changed);
  view_.warnings.push_back(true);
  S().Run(Command::kRepair);
  EXPECT_EQ(ReadFile(PathOf("backup.pec")), protected_header);
  EXPECT_TRUE(S().SetOpen());
}

TEST_F(SessionRecoveryTest, ASetThatLostTooMuchIsToldWhatARepairWouldNeedAndOpensAsItIs) {
  OpenProtectedSet(10);
  S().Run(Command::kClose);
  std::filesystem::remove(FsPath(PathOf("backup2.pec")));
  std::filesystem::remove(FsPath(PathOf("backup3.pec")));
  Told();
  view_.warnings.push_back(true);  // would repair, were it asked
  S().OpenPieceFile(PathOf("backup.pec"));
  // No repair is offered that cannot succeed: one message says what is lost and what a repair
  // would need.
  const std::vector<std::string> told = Told();
  ASSERT_EQ(told.size(), 1u) << Joined(told);
  const std::string& text = told[0];
  EXPECT_EQ(text.rfind("Error: ", 0), 0u) << text;
  EXPECT_NE(text.find("\nToo much is lost to repair.\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nMissing: backup2.pec, backup3.pec.\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nStored files with bytes in them: 4 (a.bin, b.bin, c.txt, d.bin).\n"),
            std::string::npos)
      << text;
  EXPECT_TRUE(std::regex_search(text, std::regex("A repair would need \\d+ recovery blocks of "
                                                 "\\d+ bytes, .* of recovery data; the recovery "
                                                 "files hold \\d+\\.$")))
      << text;
  EXPECT_FALSE(FileExists(PathOf("backup2.pec")));
  // The set opens as it is: the files still whole can be assembled.
  EXPECT_TRUE(S().SetOpen());
  EXPECT_EQ(Rows().size(), 4u);
  EXPECT_EQ(view_.warnings.size(), 1u);
}

TEST_F(SessionRecoveryTest, ALostPieceIsRepairedOnOpenWhenTheUserSaysSoAndAnAddOffersProtection) {
  OpenProtectedSet(50);
  S().Run(Command::kClose);
  const std::string piece = ReadFile(PathOf("backup3.pec"));
  std::filesystem::remove(FsPath(PathOf("backup3.pec")));
  Told();
  // "No" opens the set as it is, the piece still lost.
  S().OpenPieceFile(PathOf("backup.pec"));
  std::vector<std::string> told = Told();
  ASSERT_FALSE(told.empty());
  EXPECT_EQ(told[0].rfind("Warning: ", 0), 0u) << Joined(told);
  EXPECT_NE(told[0].find("Repair it now?"), std::string::npos) << Joined(told);
  EXPECT_FALSE(FileExists(PathOf("backup3.pec")));
  EXPECT_TRUE(S().SetOpen());
  S().Run(Command::kClose);

  view_.warnings.push_back(true);  // repair it now
  S().OpenPieceFile(PathOf("backup.pec"));
  told = Told();
  EXPECT_EQ(ReadFile(PathOf("backup3.pec")), piece) << Joined(told);
  EXPECT_TRUE(S().SetOpen());
  EXPECT_EQ(Rows().size(), 4u);

  // After an add the recovery files are older than the set: protecting again is offered.
  const std::string index_before = ReadFile(RecoveryFiles().front());
  WriteFile(PathOf("new.txt"), "new");
  view_.warnings.push_back(true);
  S().AddPaths({PathOf("new.txt")});
  told = Told();
  EXPECT_NE(Joined(told).find("older than the set"), std::string::npos) << Joined(told);
  EXPECT_NE(ReadFile(RecoveryFiles().front()), index_before);
  EXPECT_EQ(Rows().size(), 5u);
  EXPECT_TRUE(S().SetOpen());
}

}  // namespace
}  // namespace vornalis::testing
