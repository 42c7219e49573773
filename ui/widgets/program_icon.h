// The program's icon: the window icon of every window and the picture in the About box.
#pragma once

#include <QIcon>

namespace vornalis::ui {

// Never null; built from the program's own resources in 32 and 64 pixel sizes.
QIcon ProgramIcon();

}  // namespace vornalis::ui
