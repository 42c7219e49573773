#include "platform/qt/web_link.h"

#include "platform/web_link_command.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#ifdef Q_OS_WIN
#include <QSettings>
#endif

namespace vornalis::platform_qt {
namespace {

// The value of key in group of an ini-style text (desktop entries, mimeapps.list); null when
// the group or the key is missing. Localised keys ("Exec[de]") are other keys.
QString IniValue(const QString& text, const QString& group, const QString& key) {
  bool in_group = false;
  for (const QString& raw : text.split(QLatin1Char('\n'))) {
    const QString line = raw.trimmed();
    if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
    if (line.startsWith(QLatin1Char('['))) {
      in_group = line == QLatin1Char('[') + group + QLatin1Char(']');
      continue;
    }
    if (!in_group) continue;
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals > 0 && line.left(equals).trimmed() == key) return line.mid(equals + 1).trimmed();
  }
  return QString();
}

QString ReadText(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QString();
  return QString::fromUtf8(file.readAll());
}

#ifdef Q_OS_WIN
// The default (unnamed) value of a key below HKEY_CLASSES_ROOT; "" when it cannot be read.
QString ReadRegistryDefault(const QString& key_path) {
  const QSettings key(QStringLiteral("HKEY_CLASSES_ROOT\\") + key_path, QSettings::NativeFormat);
  return key.value(QStringLiteral(".")).toString();
}

QString RegisteredWebPageCommand() {
  const QString page_class = ReadRegistryDefault(QStringLiteral(".htm"));
  if (page_class.isEmpty()) return QString();
  return ReadRegistryDefault(page_class + QStringLiteral("\\shell\\open\\command"));
}
#else
// The lists that name default applications, most important first: per desktop and general,
// in the configuration folders, then in the applications folders.
QStringList MimeAppsLists() {
  QStringList names;
  for (const QString& desktop :
       qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts))
    names.append(desktop.toLower() + QStringLiteral("-mimeapps.list"));
  names.append(QStringLiteral("mimeapps.list"));

  QStringList lists;
  for (const QString& dir :
       QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation))
    for (const QString& name : names) lists.append(dir + QLatin1Char('/') + name);
  names.append(QStringLiteral("defaults.list"));
  for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation))
    for (const QString& name : names) lists.append(dir + QLatin1Char('/') + name);
  return lists;
}

QString DesktopEntryPath(const QString& desktop_id) {
  for (const QString& dir :
       QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)) {
    const QString path = dir + QLatin1Char('/') + desktop_id;
    if (QFileInfo(path).isFile()) return path;
  }
  return QString();
}

QString RegisteredWebPageCommand() {
  const QString mime_type = QStringLiteral("text/html");
  for (const QString& list : MimeAppsLists()) {
    for (const QString& desktop_id : DefaultApplicationsIn(ReadText(list), mime_type)) {
      const QString entry = DesktopEntryPath(desktop_id);
      if (entry.isEmpty()) continue;
      const QString exec = DesktopEntryExec(ReadText(entry));
      if (!exec.isEmpty()) return exec;
    }
  }
  return QString();
}
#endif

bool StartDetached(const QString& command_line) {
  QStringList arguments = QProcess::splitCommand(command_line);
  if (arguments.isEmpty()) return false;
  const QString program = arguments.takeFirst();
  return QProcess::startDetached(program, arguments);
}

}  // namespace

QStringList WindowsPlaceholders() {
  QStringList placeholders;
  for (const std::string& placeholder : platform::WindowsPlaceholders())
    placeholders.append(QString::fromStdString(placeholder));
  return placeholders;
}

QStringList DesktopEntryPlaceholders() {
  return {QStringLiteral("%u"), QStringLiteral("%U"), QStringLiteral("%f"), QStringLiteral("%F")};
}

WebLinkSystem SystemWebLinks() {
  WebLinkSystem system;
  system.open_by_desktop = [](const QString& address) {
    return QDesktopServices::openUrl(QUrl::fromUserInput(address));
  };
  system.web_page_command = &RegisteredWebPageCommand;
#ifdef Q_OS_WIN
  system.placeholders = WindowsPlaceholders();
#else
  system.placeholders = DesktopEntryPlaceholders();
#endif
  system.start_detached = &StartDetached;
  return system;
}

WebLinkOutcome OpenWebLink(const QString& address, const WebLinkSystem& system) {
  if (system.open_by_desktop(address)) return WebLinkOutcome::kOpenedByDesktop;
  const QString command_template = system.web_page_command();
  if (command_template.trimmed().isEmpty()) return WebLinkOutcome::kNoCommand;
  const QString command_line = CutCommandTemplate(command_template, address, system.placeholders);
  return system.start_detached(command_line) ? WebLinkOutcome::kStartedCommand
                                             : WebLinkOutcome::kStartFailed;
}

QString CutCommandTemplate(const QString& command_template, const QString& address,
                           const QStringList& placeholders) {
  std::vector<std::string> each;
  for (const QString& placeholder : placeholders) each.push_back(placeholder.toStdString());
  return QString::fromStdString(
      platform::CutCommandTemplate(command_template.toStdString(), address.toStdString(), each));
}

QStringList DefaultApplicationsIn(const QString& mimeapps_text, const QString& mime_type) {
  QStringList ids;
  for (const QString& id :
       IniValue(mimeapps_text, QStringLiteral("Default Applications"), mime_type)
           .split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
    if (!id.trimmed().isEmpty()) ids.append(id.trimmed());
  }
  return ids;
}

QString DesktopEntryExec(const QString& desktop_entry_text) {
  const QString exec =
      IniValue(desktop_entry_text, QStringLiteral("Desktop Entry"), QStringLiteral("Exec"));
  const QStringList kept = DesktopEntryPlaceholders();
  QString result;
  for (qsizetype i = 0; i < exec.size(); ++i) {
    if (exec[i] != QLatin1Char('%') || i + 1 >= exec.size()) {
      result += exec[i];
      continue;
    }
    const QString code = exec.mid(i, 2);
    if (code == QStringLiteral("%%"))
      result += QLatin1Char('%');
    else if (kept.contains(code))
      result += code;
    // Any other field code (%i, %c, %k and the deprecated ones) is dropped.
    ++i;
  }
  return result.trimmed();
}

}  // namespace vornalis::platform_qt
