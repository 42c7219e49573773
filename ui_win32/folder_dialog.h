// The system's folder browser (SHBrowseForFolderW) as the desktop program uses it: the tree
// opens at a start folder under the line "&Folders/drives:", the window has the command's title
// and OK the command's caption, and it is centred on the screen.
//
// With the assemble panel, a box "A&ssemble to:" sits above the tree: it follows the folder the
// user selects, may be typed into, and is what OK confirms. Before the browser closes on OK,
// may_close is asked with the box's folder; false keeps the browser open.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace vornalis::win32 {

struct FolderDialog {
  std::string_view title;
  std::string_view ok_text;
  std::string start_folder;
  // The assemble panel: its box's text when the browser opens and as the user left it, the
  // browser confirmed or not. Null for the browser alone.
  std::string* panel = nullptr;
  std::function<bool(const std::string& folder)> may_close;
};

// The folder chosen: the panel's, or the selected item's path ("" for an item that has none).
std::optional<std::string> RunFolderDialog(HWND owner, FolderDialog& dialog);

}  // namespace vornalis::win32
