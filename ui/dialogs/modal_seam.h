// The one door through which every modal question of the program passes: message boxes, file
// dialogs and modal forms. A test calls AnswerInAdvance(), queues its answers, and then no
// window waits for a person: questions are recorded and answered from the queues.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

class QDialog;
class QMenu;
class QPoint;
class QWidget;

namespace vornalis::ui {

enum class MessageKind { kError, kWarning, kInformation };

struct AskedQuestion {
  MessageKind kind;
  QString text;
};

namespace modal {

// Switches answering in advance on (tests) or off; either way the queues and records restart.
void AnswerInAdvance(bool on = true);
bool AnsweringInAdvance();

// Answers for the next warning questions, in order; with none queued a question gets "&No".
void QueueAnswer(bool yes);
// Names the next file and folder dialogs return, in order; "" or none queued means the user
// cancelled.
void QueueFileName(const QString& path);
// Results of the next modal forms (QDialog::Accepted or Rejected), in order; with none queued
// a form is accepted.
void QueueDialogResult(int result);
// Object names of the actions the next popup menus choose, in order; with none queued a menu
// closes without a choice.
void QueueMenuChoice(const QString& action_name);

// While on, file dialogs really show although answers are given in advance, so that a test
// can drive one with keys and clicks; message boxes are still answered from the queue.
void ShowFileDialogs(bool on);
bool ShowingFileDialogs();

// What was asked while answering in advance, oldest first.
const std::vector<AskedQuestion>& Messages();
// Object names of the modal forms that were shown, oldest first.
const QStringList& DialogsShown();
// The entries of the last popup menu: its enabled actions' object names, "-" for a separator
// and "(off) " + name for a disabled one.
const QStringList& LastMenu();
void ForgetAsked();

// Used by the seam's own front doors (message_box.h, file_dialog.h, modal forms).
bool TakeAnswer(MessageKind kind, const QString& text);
QString TakeFileName();
// A folder dialog's answer: records the dialog's name among the forms shown and takes the next
// queued name.
QString TakeFolderName(const QString& dialog_name);
// Shows dialog modally and returns its result, or records it and returns QDialog::Accepted.
int Exec(QDialog& dialog);
// Pops menu up at at (global coordinates), the chosen action running as it does; or records
// its entries and triggers the queued choice, when it is one of them and enabled.
void Popup(QMenu& menu, const QPoint& at);

}  // namespace modal
}  // namespace vornalis::ui
