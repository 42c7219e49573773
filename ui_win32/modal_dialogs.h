// The Windows program's own modal dialogs, from the templates in dialogs.rc with the texts of
// desktop/texts.h: the error list, the piece-size dialog, the Protect dialog and the About box.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "desktop/piece_size_choice.h"

namespace vornalis::win32 {

// The lines in a box of their own, titled "Error", until OK.
void RunErrorList(HWND owner, const std::vector<std::string>& lines);
// "Choose piece size": the number and unit, or a preset size when "Specific size:" is checked.
std::optional<desktop::PieceSizeChoice> RunPieceSizeDialog(HWND owner);
// The Protect dialog, opening at last (0 the default, else a percentage); the choice in the same
// terms.
std::optional<unsigned> RunProtectDialog(HWND owner, unsigned last);
// The About box with its web link (desktop/about_link.h), made anew for each showing.
void RunAboutBox(HWND owner);

}  // namespace vornalis::win32
