// TMainForm: the busy display that long commands show while they work.
#include <QGuiApplication>
#include <QProgressBar>

#include "ui/main/main_form.h"
#include "ui/widgets/friendly_status_bar.h"

namespace vornalis::ui {

void TMainForm::BeginProgress() {
  // The bar starts from nothing rather than from where the previous command left it.
  ProgressBar1->setValue(0);
  ProgressBar1->show();
  ProgressBar1->raise();
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  Progressing_ = true;
  updateActions();
}

void TMainForm::StepProgress(ProgressStep step, const QString& file_name, int percent) {
  const QString word =
      step == ProgressStep::kAdding ? QStringLiteral("Adding ") : QStringLiteral("Assembling ");
  StatusLine->SetPanelText(1, word + file_name + QStringLiteral(" ..."));
  // The command keeps the event loop busy between steps, so paint now.
  StatusLine->repaint();
  ProgressBar1->setValue(percent);
  const int shown = step == ProgressStep::kAdding ? percent : ProgressBar1->value();
  setWindowTitle(SetNameText() + QLatin1Char('-') + word + QString::number(shown) +
                 QLatin1Char('%'));
}

void TMainForm::EndProgress(const QString& caption) {
  if (Progressing_) QGuiApplication::restoreOverrideCursor();
  Progressing_ = false;
  updateActions();
  ProgressBar1->hide();
  setWindowTitle(caption);
}

}  // namespace vornalis::ui
