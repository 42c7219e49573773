#include "platform/qt/file_types.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QMimeType>
#include <QStandardPaths>

namespace vornalis::platform_qt {
namespace {

QIcon GenericFileIcon() {
  static const QIcon icon = QFileIconProvider().icon(QAbstractFileIconProvider::File);
  return icon;
}

QString Capitalised(QString text) {
  if (!text.isEmpty()) text[0] = text[0].toUpper();
  return text;
}

}  // namespace

FileType SystemFileTypes::ForExtension(const QString& extension) {
  if (extension.size() <= 1) return {QStringLiteral("File"), GenericFileIcon()};

  // A bare ".txt" is a hidden file's name to the database, so ask about a name that has one.
  static const QMimeDatabase database;
  const QMimeType mime =
      database.mimeTypeForFile(QStringLiteral("file") + extension, QMimeDatabase::MatchExtension);
  if (!mime.isValid() || mime.isDefault()) {
    for (const OwnType& own : own_)
      if (own.extension.compare(extension, Qt::CaseInsensitive) == 0)
        return {own.name, GenericFileIcon()};
    return {extension.mid(1).toUpper() + QStringLiteral(" File"), GenericFileIcon()};
  }

  QIcon icon = QIcon::fromTheme(mime.iconName());
  if (icon.isNull()) icon = QIcon::fromTheme(mime.genericIconName());
  if (icon.isNull()) icon = GenericFileIcon();
  return {Capitalised(mime.comment()), icon};
}

void UseInstalledIconTheme() {
  if (QIcon::hasThemeIcon(QStringLiteral("text-x-generic"))) return;
  QStringList paths = QIcon::themeSearchPaths();
  for (const QString& dir :
       QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                 QStandardPaths::LocateDirectory)) {
    if (!paths.contains(dir)) paths.append(dir);
  }
  QIcon::setThemeSearchPaths(paths);
  for (const QString& theme : {QStringLiteral("Adwaita"), QStringLiteral("breeze"),
                               QStringLiteral("gnome"), QStringLiteral("oxygen")}) {
    for (const QString& dir : paths) {
      if (QFileInfo::exists(dir + QLatin1Char('/') + theme + QStringLiteral("/index.theme"))) {
        QIcon::setThemeName(theme);
        return;
      }
    }
  }
}

}  // namespace vornalis::platform_qt
