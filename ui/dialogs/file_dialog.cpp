#include "ui/dialogs/file_dialog.h"

#include <QFileDialog>

#include "ui/dialogs/modal_seam.h"

namespace vornalis::ui {

QString FileDialog::GetOpenFileName(QWidget* parent, const QString& filter) {
  if (modal::AnsweringInAdvance()) return modal::TakeFileName();

  const QString description = filter.section(QLatin1Char('|'), 0, 0);
  const QString pattern = filter.section(QLatin1Char('|'), 1);
  QFileDialog dialog(parent);
  dialog.setObjectName(QStringLiteral("OpenDialog"));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setNameFilter(description + QStringLiteral(" (") + pattern + QLatin1Char(')'));
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().first();
}

}  // namespace vornalis::ui
