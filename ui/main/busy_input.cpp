#include "ui/main/busy_input.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QWidget>
#include <QWindow>

namespace vornalis::ui {

BusyInput::BusyInput(QWidget* window) : window_(window) {
  QCoreApplication::instance()->installEventFilter(this);
}

BusyInput::~BusyInput() {
  if (QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(this);
}

void BusyInput::FlushKeyMessages() {
  counting_ = false;
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
  counting_ = true;
  requested_ = false;
}

bool BusyInput::CheckInterrupt() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
  const bool requested = requested_;
  requested_ = false;
  return requested;
}

bool BusyInput::InWindow(QObject* watched) const {
  if (!window_) return false;
  if (watched->isWidgetType()) return static_cast<QWidget*>(watched)->window() == window_;
  if (watched->isWindowType()) return watched == window_->windowHandle();
  return false;
}

bool BusyInput::eventFilter(QObject* watched, QEvent* event) {
  bool request = false;
  switch (event->type()) {
    case QEvent::KeyPress: {
      // Keys with Alt belong to the system (moving the window, its menu) and pass.
      const auto* key = static_cast<QKeyEvent*>(event);
      if (key->modifiers() & Qt::AltModifier) return QObject::eventFilter(watched, event);
      request = true;
      break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
      request = true;
      break;
    case QEvent::KeyRelease:
    case QEvent::MouseButtonRelease:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
      break;
    default:
      return QObject::eventFilter(watched, event);
  }
  if (!InWindow(watched)) return QObject::eventFilter(watched, event);
  if (request && counting_) requested_ = true;
  return true;
}

}  // namespace vornalis::ui
