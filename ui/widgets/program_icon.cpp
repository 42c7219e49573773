#include "ui/widgets/program_icon.h"

#include <QString>

namespace vornalis::ui {

QIcon ProgramIcon() {
  QIcon icon;
  icon.addFile(QStringLiteral(":/vornalis/vornalis-32.png"), QSize(32, 32));
  icon.addFile(QStringLiteral(":/vornalis/vornalis-64.png"), QSize(64, 64));
  return icon;
}

}  // namespace vornalis::ui
