#include "ui/widgets/friendly_status_bar.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace vornalis::ui {
namespace {

constexpr int kDesignedHeight = 26;
constexpr int kTextMargin = 4;

}  // namespace

TFriendlyStatusBar::TFriendlyStatusBar(QWidget* parent) : QWidget(parent) {
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setFixedHeight(kDesignedHeight);
}

int TFriendlyStatusBar::AddPanel(int width, const QString& text) {
  panels_.push_back({width, text});
  update();
  return PanelCount() - 1;
}

void TFriendlyStatusBar::SetPanelText(int index, const QString& text) {
  panels_.at(index).text = text;
  update(PanelRect(index));
}

void TFriendlyStatusBar::SetPanelWidth(int index, int width) {
  panels_.at(index).width = width;
  update();
}

QRect TFriendlyStatusBar::PanelRect(int index) const {
  int left = 0;
  for (int i = 0; i < index; ++i) left += panels_.at(i).width;
  const int width =
      index == PanelCount() - 1 ? qMax(0, this->width() - left) : panels_.at(index).width;
  return QRect(left, 0, width, height());
}

QSize TFriendlyStatusBar::sizeHint() const {
  int width = 0;
  for (const Panel& panel : panels_) width += panel.width;
  return QSize(width, kDesignedHeight);
}

void TFriendlyStatusBar::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  for (int i = 0; i < PanelCount(); ++i) {
    const QRect rect = PanelRect(i).adjusted(1, 2, -1, 0);
    QStyleOption option;
    option.initFrom(this);
    option.rect = rect;
    style()->drawPrimitive(QStyle::PE_FrameStatusBarItem, &option, &painter, this);
    const QRect text_rect = rect.adjusted(kTextMargin, 0, -kTextMargin, 0);
    const QString text =
        fontMetrics().elidedText(panels_[i].text, Qt::ElideRight, text_rect.width());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(text_rect, Qt::AlignLeft | Qt::AlignVCenter, text);
  }
}

}  // namespace vornalis::ui
