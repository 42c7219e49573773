// TMainForm: the busy state of long commands and the progress display they show.
#include <QGuiApplication>
#include <QProgressBar>

#include "ui/main/busy_input.h"
#include "ui/main/main_form.h"
#include "ui/widgets/friendly_status_bar.h"

namespace vornalis::ui {

void TMainForm::SetBusy(bool busy) {
  if (busy && !Busy_) BusySetName_ = SetNameText();
  Busy_ = busy;
  updateActions();
}

void TMainForm::StartBusy() {
  BusyCaption_ = windowTitle();
  Input_ = std::make_unique<BusyInput>(this, Callbacks_);
  if (CurrentSet_) CurrentSet_->SetByteProgress(Input_.get());
  SetBusy(true);
}

void TMainForm::EndBusy() {
  // Normally the command has ended its display already; after an exception this gives back
  // what it left.
  if (CursorOverridden_ || ProgressBar1->isVisible()) EndProgress(BusyCaption_);
  if (CurrentSet_) CurrentSet_->SetByteProgress(nullptr);
  Input_.reset();
  SetBusy(false);
}

void TMainForm::BeginProgress() {
  // The bar starts from nothing rather than from where the previous command left it.
  ProgressBar1->setValue(0);
  ProgressBar1->show();
  ProgressBar1->raise();
  if (!CursorOverridden_) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  CursorOverridden_ = true;
  updateActions();
}

void TMainForm::StepProgress(ProgressStep step, const QString& file_name, int percent) {
  static const QString kWords[] = {QStringLiteral("Adding "), QStringLiteral("Assembling "),
                                   QStringLiteral("Checking "), QStringLiteral("Protecting "),
                                   QStringLiteral("Repairing ")};
  const QString& word = kWords[static_cast<int>(step)];
  StatusLine->SetPanelText(1, word + file_name + QStringLiteral(" ..."));
  // The command keeps the event loop busy between steps, so paint now.
  StatusLine->repaint();
  ProgressBar1->setValue(percent);
  const int shown = step == ProgressStep::kAdding ? percent : ProgressBar1->value();
  setWindowTitle(BusySetName_ + QLatin1Char('-') + word + QString::number(shown) +
                 QLatin1Char('%'));
  emit ProgressStepped(shown);
}

void TMainForm::EndProgress(const QString& caption) {
  if (CursorOverridden_) QGuiApplication::restoreOverrideCursor();
  CursorOverridden_ = false;
  ProgressBar1->hide();
  setWindowTitle(caption);
  updateActions();
}

}  // namespace vornalis::ui
