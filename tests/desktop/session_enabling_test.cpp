// Which commands the session lets run as its state changes, and that a command it does not
// enable does nothing, whoever asks: no set, a set that takes files, one that does not, a long
// command running; and commands cancelled in their dialogs change nothing.
#include <gtest/gtest.h>

#include "desktop/busy_period.h"
#include "tests/desktop/session_fixture.h"

namespace vornalis::testing {
namespace {

using desktop::Command;

constexpr Command kSetCommands[] = {Command::kClose,     Command::kAdd,      Command::kAddFolder,
                                    Command::kSelectAll, Command::kAssemble, Command::kMakeExe,
                                    Command::kVerify,    Command::kProtect,  Command::kRepair};
constexpr Command kAlwaysCommands[] = {Command::kNew,          Command::kOpen,
                                       Command::kExit,         Command::kHelpContents,
                                       Command::kHelpHowToUse, Command::kHelpAbout};

class SessionEnablingTest : public SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    Start();
  }
  std::vector<Command> EnabledOf(const Command* first, std::size_t count) {
    std::vector<Command> enabled;
    for (std::size_t i = 0; i < count; ++i)
      if (S().Enabled(first[i])) enabled.push_back(first[i]);
    return enabled;
  }
  std::vector<Command> SetCommandsEnabled() {
    return EnabledOf(kSetCommands, std::size(kSetCommands));
  }
};

TEST_F(SessionEnablingTest, TheSetsCommandsNeedAnOpenSetAndNothingRunsWhileBusy) {
  EXPECT_EQ(view_.caption, "Dorvelin");
  EXPECT_EQ(SetCommandsEnabled(), std::vector<Command>());
  EXPECT_EQ(EnabledOf(kAlwaysCommands, std::size(kAlwaysCommands)).size(),
            std::size(kAlwaysCommands));
  EXPECT_TRUE(S().TakesDrop());  // a piece file dropped opens its set
  // Disabled commands do nothing, however they are started.
  for (const Command command : kSetCommands) S().Run(command);
  EXPECT_EQ(view_.asked, std::vector<std::string>());
  EXPECT_EQ(view_.messages, std::vector<std::string>());

  MakeAndOpen("backup", {{"a.txt", "aaa"}, {"b.txt", "bb"}});
  EXPECT_EQ(SetCommandsEnabled().size(), std::size(kSetCommands));
  {
    desktop::BusyPeriod busy(S());
    EXPECT_EQ(SetCommandsEnabled(), std::vector<Command>());
    EXPECT_EQ(EnabledOf(kAlwaysCommands, std::size(kAlwaysCommands)), std::vector<Command>());
    EXPECT_FALSE(S().MayClose());
    EXPECT_FALSE(S().TakesDrop());
    S().Run(Command::kOpen);
    S().Run(Command::kClose);
    S().Drop({PathOf("src-backup/a.txt")});
    EXPECT_EQ(view_.asked, std::vector<std::string>());
    EXPECT_TRUE(S().SetOpen());
  }
  EXPECT_TRUE(S().MayClose());
  EXPECT_EQ(SetCommandsEnabled().size(), std::size(kSetCommands));

  S().Run(Command::kClose);
  EXPECT_EQ(SetCommandsEnabled(), std::vector<Command>());
  EXPECT_EQ(view_.caption, "backup-Dorvelin");
  EXPECT_EQ(view_.sort_mark, (desktop::FileList::Mark{desktop::FileList::kName, false}));
}

TEST_F(SessionEnablingTest, ASetWhoseCatalogueCannotBeReadTakesNoFiles) {
  WriteFile(PathOf("bad.pec"), "QBXR");
  WriteFile(PathOf("bad1.pec"), "QBTM");
  S().OpenPieceFile(PathOf("bad.pec"));
  if (!S().SetOpen()) GTEST_SKIP() << "the file is refused before opening";
  EXPECT_FALSE(S().Enabled(Command::kAdd));
  EXPECT_FALSE(S().Enabled(Command::kAddFolder));
  EXPECT_FALSE(S().TakesDrop());
}

TEST_F(SessionEnablingTest, CancelledDialogsChangeNothing) {
  MakeAndOpen("backup", {{"a.txt", "aaa"}, {"b.txt", "bb"}});
  const std::vector<std::string> rows = Rows();
  const int resets = view_.list_resets;
  for (const Command command : {Command::kNew, Command::kOpen, Command::kAdd, Command::kAddFolder,
                                Command::kAssemble, Command::kProtect})
    S().Run(command);
  EXPECT_EQ(view_.asked.size(), 6u);
  EXPECT_EQ(Told(), std::vector<std::string>());
  EXPECT_EQ(Rows(), rows);
  EXPECT_EQ(view_.list_resets, resets);
  EXPECT_EQ(view_.sort_mark, (desktop::FileList::Mark{desktop::FileList::kName, false}));
  EXPECT_TRUE(S().SetOpen());
  EXPECT_FALSE(S().Busy());
  EXPECT_EQ(view_.progress_shown, 0);
}

}  // namespace
}  // namespace vornalis::testing
