#include "ui/dialogs/file_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QSettings>

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
  // The toolkit's own dialog, as the program's other file dialogs: a desktop's dialog would
  // note the chosen file in the user's list of recent files.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  if (!folder.isEmpty() && QDir(folder).exists()) dialog.setDirectory(folder);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().first();
}

void FileDialog::KeepNoSettings() {
  // No folder can be made below a device file.
  const QString nowhere = QStringLiteral("/dev/null/no-settings");
  for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
    for (const QSettings::Scope scope : {QSettings::UserScope, QSettings::SystemScope})
      QSettings::setPath(format, scope, nowhere);
}

}  // namespace vornalis::ui
