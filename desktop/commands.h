// The desktop program's commands: what each is called in the menus and on the toolbar, its
// shortcut and hint, and the one rule that says which may run when. Every face builds its menus,
// toolbar and keys from this table, and asks Enabled before it shows a command as available;
// the session asks it again before it runs one, whatever called it.
#pragma once

#include <array>
#include <optional>
#include <string_view>
#include <vector>

namespace vornalis::desktop {

enum class Command {
  kNew,
  kOpen,
  kClose,
  kExit,
  kAdd,
  kAddFolder,
  kSelectAll,
  kAssemble,
  kMakeExe,
  kVerify,
  kProtect,
  kRepair,
  kHelpContents,
  kHelpHowToUse,
  kHelpAbout,
};
inline constexpr int kCommandCount = 15;

struct CommandInfo {
  Command command;
  std::string_view object_name;  // the action's name, by which tests find it
  std::string_view text;         // in the menu, with its access key
  std::string_view button_text;  // under its toolbar button; "" for none
  std::string_view shortcut;     // "Ctrl+N", "F1"; "" for none
  std::string_view hint;         // in the status line and the tooltip; "" for none
};

// Every command, in the order of the enum.
const std::array<CommandInfo, kCommandCount>& CommandTable();
const CommandInfo& InfoOf(Command command);

// The menus, in order, each with its commands; a null entry is a separator.
struct MenuInfo {
  std::string_view object_name;
  std::string_view text;
  std::vector<std::optional<Command>> entries;
};
const std::array<MenuInfo, 3>& Menus();

// The toolbar's buttons, in order: each runs its command and is named "SpeedButton" + name;
// the last, "Help", runs the help contents with a hint of its own.
struct ButtonInfo {
  std::string_view object_name;
  Command command;
};
inline constexpr std::array<ButtonInfo, 6> kButtons = {{
    {"SpeedButtonNew", Command::kNew},
    {"SpeedButtonOpen", Command::kOpen},
    {"SpeedButtonAdd", Command::kAdd},
    {"SpeedButtonAssemble", Command::kAssemble},
    {"SpeedButtonClose", Command::kClose},
    {"SpeedButtonHelp", Command::kHelpContents},
}};
inline constexpr std::string_view kHelpButtonText = "Help";
inline constexpr std::string_view kHelpButtonHint = "Help Contents";
// The list's context menu: its commands, a null entry a separator.
const std::vector<std::optional<Command>>& ListMenu();

// What the rule looks at.
struct SessionState {
  bool busy = false;       // a long command runs
  bool set_open = false;   // a set is open
  bool can_store = false;  // the open set takes files (not read-only, catalogue read)
};

// While a long command runs nothing else may start; the set's commands need an open set, and
// Add and Add Folder one that takes files.
bool Enabled(Command command, const SessionState& state);

}  // namespace vornalis::desktop
