#include "ui/dialogs/file_dialog.h"

#include <QDir>
#include <QFileDialog>

#include "ui/dialogs/modal_seam.h"

namespace vornalis::ui {

QString FileDialog::GetOpenFileName(QWidget* parent, const QString& filter, const QString& folder) {
  if (modal::AnsweringInAdvance()) return modal::TakeFileName();

  const QString description = filter.section(QLatin1Char('|'), 0, 0);
  const QString pattern = filter.section(QLatin1Char('|'), 1);
  QFileDialog dialog(parent);
  dialog.setObjectName(QStringLiteral("OpenDialog"));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setNameFilter(description + QStringLiteral(" (") + pattern + QLatin1Char(')'));
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  if (!folder.isEmpty() && QDir(folder).exists()) dialog.setDirectory(folder);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().first();
}

}  // namespace vornalis::ui
