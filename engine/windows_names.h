// Names Windows does not keep as they are stored, and the names a rebuild on Windows gives them.
//
// A set made on another system may hold names an ordinary Windows program cannot open or
// delete: a device name (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, the same with a
// superscript digit, CONIN$, CONOUT$), alone or before an extension and in any case ("aux.c",
// "Nul.txt"), and a name that ends in a dot or a space ("name.", "name "), which Windows cuts
// off. A rebuild on Windows writes such a file under an accepted name: every trailing dot or
// space becomes "_", and a device name gets "_" in front ("aux.c" -> "_aux.c", "name." ->
// "name_"). The rule is the same for every folder of the stored path.
#pragma once

#include <string>
#include <string_view>

namespace vornalis {

enum class WindowsName {
  kKept,      // Windows keeps the name as it is
  kDevice,    // a device name, which Windows reserves
  kTrailing,  // it ends in a dot or a space, which Windows cuts off
};

// Why Windows would not keep name (one folder or file name, in UTF-8) as it is.
WindowsName JudgeWindowsName(std::string_view name);

// The name Windows accepts for name: name itself when Windows keeps it.
std::string WindowsAcceptedName(std::string_view name);

// The stored folder ("a\b\" or "") with every folder name Windows would not keep changed by
// WindowsAcceptedName; *reason receives the first reason found (kKept when none).
std::string WindowsAcceptedFolder(std::string_view stored_folder, WindowsName* reason);

}  // namespace vornalis
