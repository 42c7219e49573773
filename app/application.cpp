#include "app/application.h"

#include <exception>

#include "ui/dialogs/message_box.h"

namespace vornalis::app {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    ShowException(e.what());
  } catch (...) {
    ShowException("Unknown failure");
  }
  return false;
}

void ShowException(const char* what) {
  ui::MessageBox::Error(QApplication::activeWindow(), QString::fromLocal8Bit(what));
}

}  // namespace vornalis::app
