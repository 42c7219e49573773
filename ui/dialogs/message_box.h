// The program's typed message dialogs: an error (title "Error", one "OK" button), a warning
// question (title "Warning", "&Yes" and "&No") and an information (title "Information").
// All pass through the modal seam, so tests answer them in advance.
#pragma once

#include <QString>

class QWidget;

namespace vornalis::ui {

class MessageBox {
 public:
  static void Error(QWidget* parent, const QString& text);
  // True when the user answers "&Yes".
  static bool Warning(QWidget* parent, const QString& text);
  static void Information(QWidget* parent, const QString& text);
};

}  // namespace vornalis::ui
