// OpenWebLink: opens a web address in the user's browser, without waiting for it.
//
// It asks the desktop first. When the desktop cannot, it takes the command the system has
// registered for web pages (on Linux the Exec line of the default handler of text/html, on
// Windows the "open" command of the class registered for ".htm"), cuts that template at its
// placeholder with CutCommandTemplate, appends the address and starts the result as a
// separate process. Nothing is ever shown to the user when all of that fails.
// Call from the GUI thread only.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace vornalis::platform_qt {

// What OpenWebLink asks of the system; tests substitute each part.
struct WebLinkSystem {
  // Hands the address to the desktop; true when it took it.
  std::function<bool(const QString& address)> open_by_desktop;
  // The command template registered for web pages, and the placeholders it may hold for the
  // page to open; an empty template when none is registered.
  std::function<QString()> web_page_command;
  QStringList placeholders;
  // Starts a command line as a separate process, not waited for; true when it started.
  std::function<bool(const QString& command_line)> start_detached;
};

// The real system of this platform.
WebLinkSystem SystemWebLinks();

enum class WebLinkOutcome {
  kOpenedByDesktop,
  kStartedCommand,
  kNoCommand,    // the desktop failed and no command is registered for web pages
  kStartFailed,  // the registered command could not be started
};

WebLinkOutcome OpenWebLink(const QString& address, const WebLinkSystem& system = SystemWebLinks());

// The placeholders a registered template may hold: "%1" on Windows; the field codes of a
// desktop entry's Exec line (%u, %U, %f, %F) on Linux.
QStringList WindowsPlaceholders();
QStringList DesktopEntryPlaceholders();

// The command line that opens address with command_template: the template is cut before the
// first placeholder that stands in double quotes (the quote, the placeholder and all after it
// are dropped); failing that, before the first bare placeholder; a template without any is
// kept whole. One space and the address, unquoted, follow. Arguments after the placeholder
// are lost. Case matters in the search.
QString CutCommandTemplate(const QString& command_template, const QString& address,
                           const QStringList& placeholders = WindowsPlaceholders());

// Desktop entries (Linux). The desktop file names that a mimeapps.list (or defaults.list) text
// names as default applications of mime_type, in order; and the Exec line of a desktop entry's
// text ("" when it has none) with the field codes other than the placeholders taken out and
// "%%" read as "%".
QStringList DefaultApplicationsIn(const QString& mimeapps_text, const QString& mime_type);
QString DesktopEntryExec(const QString& desktop_entry_text);

}  // namespace vornalis::platform_qt
