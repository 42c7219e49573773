#include "ui/dialogs/error_dlg.h"

#include "desktop/texts.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/dialogs/modal_seam.h"

namespace vornalis::ui {

TErrorDlg::TErrorDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ErrorDlg"));
  setWindowTitle(QString::fromUtf8(desktop::texts::kErrorTitle.data()));
  setModal(true);

  EditError = new QPlainTextEdit(this);
  EditError->setObjectName(QStringLiteral("EditError"));
  EditError->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  EditError->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  EditError->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, Qt::Horizontal, this);
  buttons->setCenterButtons(true);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OKBtn"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(EditError);
  layout->addWidget(buttons);
  setFixedSize(440, 280);
}

void TErrorDlg::ClearErrors() {
  EditError->clear();
  last_line_.clear();
}

void TErrorDlg::AddErrorLine(const QString& text) {
  EditError->appendPlainText(text);
  last_line_ = text;
}

void TErrorDlg::Execute() { modal::Exec(*this); }

QStringList TErrorDlg::Lines() const {
  if (EditError->document()->isEmpty()) return {};
  return EditError->toPlainText().split(QLatin1Char('\n'));
}

}  // namespace vornalis::ui
