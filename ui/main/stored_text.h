// Names and folders of stored files as the window shows them. Texts are UTF-8; bytes that are
// not (a path from the file system in another encoding) are read as the catalogue order reads
// them (platform/text_encoding.h), so every name shows as something.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace vornalis::ui {

QString FromStored(std::string_view text);
// A stored name, or a one-line message naming files, as the window shows it: decoded as above,
// with control characters escaped as \xNN (engine/shown_text.h), so that a name holding a line
// end or an escape shows as one row of the list, the status line or the error list.
QString ShownText(std::string_view text);
// The native path for a file name a dialog or the command line gave.
std::string ToNativePath(const QString& path);

}  // namespace vornalis::ui
