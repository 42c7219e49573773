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
};

}  // namespace vornalis::ui
