// The plain open-file dialog, through the modal seam so tests choose the file in advance.
#pragma once

#include <QString>

class QWidget;

namespace vornalis::ui {

class FileDialog {
 public:
  // filter is a description and a pattern joined by "|", as "Split piece files|*.pec"; the
  // dialog shows the description. It starts in folder when that exists. Returns the chosen
  // path, or "" when the user cancelled.
  static QString GetOpenFileName(QWidget* parent, const QString& filter,
                                 const QString& folder = QString());
  // Qt's file dialogs keep their history, last folder and layout in a settings file of the
  // user's (QtProject.conf in the configuration folder) and read it back. The program keeps no
  // settings between runs: called once at start-up, before any dialog, this points the
  // toolkit's settings at a place where no file can be read or made.
  static void KeepNoSettings();
};

}  // namespace vornalis::ui
