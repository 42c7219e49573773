#include "desktop/commands.h"

namespace vornalis::desktop {

const std::array<CommandInfo, kCommandCount>& CommandTable() {
  static const std::array<CommandInfo, kCommandCount> kTable = {{
      {Command::kNew, "ActionFileNew", "&New", "New", "Ctrl+N", ""},
      {Command::kOpen, "ActionFileOpen", "&Open", "Open", "Ctrl+O", ""},
      {Command::kClose, "ActionFileClose", "&Close", "Close", "Ctrl+C", ""},
      {Command::kExit, "ActionFileExit", "E&xit", "", "", "Exit this application"},
      {Command::kAdd, "ActionAdd", "&Add", "Add", "Ctrl+A", ""},
      {Command::kAddFolder, "ActionAddFolder", "Add &Folder...", "", "",
       "Add a folder with everything in it"},
      // Ctrl+A is Add's, so selecting every row takes Ctrl+Shift+A.
      {Command::kSelectAll, "ActionSelectAll", "Select &All", "", "Ctrl+Shift+A", ""},
      {Command::kAssemble, "ActionAssemble", "A&ssemble", "Assemble", "Ctrl+S", ""},
      {Command::kMakeExe, "ActionMakeExe", "&Make .EXE", "", "", ""},
      {Command::kVerify, "ActionVerify", "&Verify", "", "",
       "Check the set's pieces, every byte of them where recovery files lie beside it"},
      {Command::kProtect, "ActionProtect", "&Protect...", "", "",
       "Make recovery files, from which a lost or damaged piece can be rebuilt"},
      {Command::kRepair, "ActionRepair", "&Repair", "", "",
       "Rebuild lost and damaged pieces from the recovery files"},
      {Command::kHelpContents, "ActionHelpContents", "&Contents && Index", "", "F1",
       "Display the help contents screen"},
      {Command::kHelpHowToUse, "ActionHelpHowToUse", "&How to Use Help", "", "",
       "Help on using the help system"},
      {Command::kHelpAbout, "ActionHelpAbout", "&About...", "", "", "Show program information"},
  }};
  return kTable;
}

const std::array<MenuInfo, 3>& Menus() {
  static const std::array<MenuInfo, 3> kMenus = {{
      {"FileMenu",
       "&File",
       {Command::kNew, Command::kOpen, Command::kClose, std::nullopt, Command::kExit}},
      {"Action1",
       "&Action",
       {Command::kAdd, Command::kAddFolder, Command::kAssemble, Command::kMakeExe, Command::kVerify,
        Command::kProtect, Command::kRepair}},
      {"HelpMenu",
       "&Help",
       {Command::kHelpContents, Command::kHelpHowToUse, std::nullopt, Command::kHelpAbout}},
  }};
  return kMenus;
}

const std::vector<std::optional<Command>>& ListMenu() {
  static const std::vector<std::optional<Command>> kEntries = {
      Command::kAssemble, Command::kMakeExe, std::nullopt, Command::kSelectAll};
  return kEntries;
}

const CommandInfo& InfoOf(Command command) {
  return CommandTable()[static_cast<std::size_t>(command)];
}

bool Enabled(Command command, const SessionState& state) {
  if (state.busy) return false;
  switch (command) {
    case Command::kNew:
    case Command::kOpen:
    case Command::kExit:
    case Command::kHelpContents:
    case Command::kHelpHowToUse:
    case Command::kHelpAbout:
      return true;
    case Command::kClose:
    case Command::kSelectAll:
    case Command::kAssemble:
    case Command::kMakeExe:
    case Command::kVerify:
    case Command::kProtect:
    case Command::kRepair:
      return state.set_open;
    case Command::kAdd:
    case Command::kAddFolder:
      return state.set_open && state.can_store;
  }
  return false;
}

}  // namespace vornalis::desktop
