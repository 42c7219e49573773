#include "ui/main/stored_text.h"

#include <QFile>
#include <QStringDecoder>

#include "engine/shown_text.h"

namespace vornalis::ui {

QString FromStored(std::string_view text) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString decoded = utf8.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
  if (!utf8.hasError()) return decoded;
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QString ShownText(std::string_view text) { return FromStored(EscapeControls(text)); }

std::string ToNativePath(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace vornalis::ui
