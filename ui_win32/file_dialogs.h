// The system's Explorer-style file dialogs as the desktop program uses them: the New dialog (a
// save dialog hosting the piece-size panel below its own controls, OK reading "&Create", the
// size checked when the user confirms), the plain open dialog for a set, and the Add dialog
// (several files, OK reading "&Add"). Paths are UTF-8.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "desktop/piece_size_choice.h"
#include "desktop/view.h"

namespace vornalis::win32 {

// panel: the piece-size panel's state, shown when the dialog opens and kept when it closes,
// confirmed or not, so that the panel remembers it for the next New of the run. may_close is
// asked when the user confirms, with the panel's choice; false keeps the dialog open.
std::optional<desktop::NewSetChoice> RunNewDialog(
    HWND owner, const std::string& start_folder, desktop::PieceSizeChoice& panel,
    const std::function<bool(const desktop::PieceSizeChoice& size)>& may_close);
std::optional<std::string> RunOpenSetDialog(HWND owner, const std::string& start_folder);
// Empty when cancelled.
std::vector<std::string> RunAddDialog(HWND owner);

// A filter of the desktop texts ("Description|*.pec") as the dialogs take it.
std::wstring DialogFilter(std::string_view filter);

}  // namespace vornalis::win32
