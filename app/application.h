// TApplication: the desktop program's application object. An exception that escapes a
// command is shown in an error message with its text, and the program goes on running.
#pragma once

#include <QApplication>

namespace vornalis::app {

class TApplication : public QApplication {
 public:
  TApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

// Shows what an exception says, as the application's standard display of failures.
void ShowException(const char* what);

}  // namespace vornalis::app
