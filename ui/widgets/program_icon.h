// The program's icon, drawn at the sizes a window manager asks for: three pieces of a file,
// stacked, the way a set cuts one file into numbered pieces.
#pragma once

#include <QIcon>

namespace vornalis::ui {

QIcon ProgramIcon();

}  // namespace vornalis::ui
