#include "ui/main/desktop_settings.h"

#include <QFileInfo>
#include <QSettings>

namespace vornalis::ui {
namespace {

QSettings Settings() { return QSettings(QStringLiteral("Vornalis"), QStringLiteral("Vornalis")); }

const QString kLastSetFolder = QStringLiteral("LastSetFolder");
const QString kWindowGeometry = QStringLiteral("MainWindow/Geometry");

}  // namespace

QString LastSetFolder() { return Settings().value(kLastSetFolder).toString(); }

void RememberSetFolder(const QString& file) {
  Settings().setValue(kLastSetFolder, QFileInfo(file).absolutePath());
}

QByteArray SavedWindowGeometry() { return Settings().value(kWindowGeometry).toByteArray(); }

void SaveWindowGeometry(const QByteArray& geometry) {
  Settings().setValue(kWindowGeometry, geometry);
}

}  // namespace vornalis::ui
