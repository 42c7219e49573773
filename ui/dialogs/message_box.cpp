#include "ui/dialogs/message_box.h"

#include "desktop/texts.h"

#include <QMessageBox>
#include <QPushButton>

#include "ui/dialogs/modal_seam.h"

namespace vornalis::ui {
namespace {

bool Ask(QWidget* parent, MessageKind kind, const QString& text) {
  if (modal::AnsweringInAdvance()) return modal::TakeAnswer(kind, text);

  QMessageBox box(parent);
  box.setText(text);
  switch (kind) {
    case MessageKind::kError:
      box.setWindowTitle(QString::fromUtf8(desktop::texts::kErrorTitle.data()));
      box.setIcon(QMessageBox::Critical);
      box.addButton(QMessageBox::Ok)->setText(QStringLiteral("OK"));
      break;
    case MessageKind::kInformation:
      box.setWindowTitle(QString::fromUtf8(desktop::texts::kInformationTitle.data()));
      box.setIcon(QMessageBox::Information);
      box.addButton(QMessageBox::Ok)->setText(QStringLiteral("OK"));
      break;
    case MessageKind::kWarning:
      box.setWindowTitle(QString::fromUtf8(desktop::texts::kWarningTitle.data()));
      box.setIcon(QMessageBox::Warning);
      box.addButton(QMessageBox::Yes)->setText(QStringLiteral("&Yes"));
      box.addButton(QMessageBox::No)->setText(QStringLiteral("&No"));
      break;
  }
  return box.exec() == QMessageBox::Yes;
}

}  // namespace

void MessageBox::Error(QWidget* parent, const QString& text) {
  Ask(parent, MessageKind::kError, text);
}

bool MessageBox::Warning(QWidget* parent, const QString& text) {
  return Ask(parent, MessageKind::kWarning, text);
}

void MessageBox::Information(QWidget* parent, const QString& text) {
  Ask(parent, MessageKind::kInformation, text);
}

}  // namespace vornalis::ui
