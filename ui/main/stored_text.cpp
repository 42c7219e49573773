#include "ui/main/stored_text.h"

#include <QFile>

#include "engine/shown_text.h"
#include "platform/text_encoding.h"

namespace vornalis::ui {

QString FromStored(std::string_view text) {
  const std::string decoded = platform::DecodeText(text);
  return QString::fromUtf8(decoded.data(), static_cast<qsizetype>(decoded.size()));
}

QString ShownText(std::string_view text) { return FromStored(EscapeControls(text)); }

std::string ToNativePath(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace vornalis::ui
