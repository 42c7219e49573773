#include "ui/widgets/program_icon.h"

#include <QPainter>
#include <QPixmap>

namespace vornalis::ui {
namespace {

QPixmap Draw(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal unit = size / 16.0;
  const QColor fills[] = {QColor(0x2d, 0x6c, 0xb5), QColor(0x3f, 0x8f, 0xd9),
                          QColor(0x7c, 0xbc, 0xf0)};
  // Three pieces, each a little lower and further right than the one before.
  for (int piece = 0; piece < 3; ++piece) {
    const QRectF rect(unit * (1 + 2.5 * piece), unit * (1 + 2.5 * piece), unit * 9, unit * 9);
    painter.setPen(QPen(QColor(0x1a, 0x3a, 0x60), qMax(1.0, unit * 0.6)));
    painter.setBrush(fills[piece]);
    painter.drawRoundedRect(rect, unit * 1.2, unit * 1.2);
  }
  return pixmap;
}

}  // namespace

QIcon ProgramIcon() {
  static const QIcon icon = [] {
    QIcon drawn;
    for (int size : {16, 24, 32, 48, 64, 128}) drawn.addPixmap(Draw(size));
    return drawn;
  }();
  return icon;
}

}  // namespace vornalis::ui
