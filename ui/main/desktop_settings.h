// What the desktop program remembers between runs: the folder of the set last opened or made,
// where the Open and New dialogs start, and the main window's size and place.
#pragma once

#include <QByteArray>
#include <QString>

namespace vornalis::ui {

// "" until a set was opened or made.
QString LastSetFolder();
// Remembers the folder that holds file.
void RememberSetFolder(const QString& file);

QByteArray SavedWindowGeometry();
void SaveWindowGeometry(const QByteArray& geometry);

}  // namespace vornalis::ui
