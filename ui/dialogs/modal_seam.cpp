#include "ui/dialogs/modal_seam.h"

#include <QAction>
#include <QDialog>
#include <QMenu>
#include <deque>

namespace vornalis::ui::modal {
namespace {

struct Seam {
  bool on = false;
  bool show_file_dialogs = false;
  std::deque<bool> answers;
  std::deque<QString> file_names;
  std::deque<int> dialog_results;
  std::deque<QString> menu_choices;
  QStringList last_menu;
  std::vector<AskedQuestion> messages;
  QStringList dialogs;
};

Seam& State() {
  static Seam seam;
  return seam;
}

}  // namespace

void AnswerInAdvance(bool on) {
  State() = Seam();
  State().on = on;
}

bool AnsweringInAdvance() { return State().on; }

void ShowFileDialogs(bool on) { State().show_file_dialogs = on; }

bool ShowingFileDialogs() { return State().show_file_dialogs; }

void QueueAnswer(bool yes) { State().answers.push_back(yes); }

void QueueFileName(const QString& path) { State().file_names.push_back(path); }

void QueueDialogResult(int result) { State().dialog_results.push_back(result); }

void QueueMenuChoice(const QString& action_name) { State().menu_choices.push_back(action_name); }

const QStringList& LastMenu() { return State().last_menu; }

void Popup(QMenu& menu, const QPoint& at) {
  Seam& seam = State();
  if (!seam.on) {
    menu.exec(at);
    return;
  }
  seam.last_menu.clear();
  for (QAction* action : menu.actions()) {
    const QString name = action->objectName();
    seam.last_menu.append(action->isSeparator() ? QStringLiteral("-")
                          : action->isEnabled() ? name
                                                : QStringLiteral("(off) ") + name);
  }
  if (seam.menu_choices.empty()) return;
  const QString choice = seam.menu_choices.front();
  seam.menu_choices.pop_front();
  for (QAction* action : menu.actions())
    if (action->objectName() == choice && action->isEnabled()) action->trigger();
}

const std::vector<AskedQuestion>& Messages() { return State().messages; }

const QStringList& DialogsShown() { return State().dialogs; }

void ForgetAsked() {
  State().messages.clear();
  State().dialogs.clear();
}

bool TakeAnswer(MessageKind kind, const QString& text) {
  Seam& seam = State();
  seam.messages.push_back({kind, text});
  if (kind != MessageKind::kWarning || seam.answers.empty()) return false;
  const bool yes = seam.answers.front();
  seam.answers.pop_front();
  return yes;
}

QString TakeFileName() {
  Seam& seam = State();
  if (seam.file_names.empty()) return QString();
  QString path = seam.file_names.front();
  seam.file_names.pop_front();
  return path;
}

QString TakeFolderName(const QString& dialog_name) {
  State().dialogs.append(dialog_name);
  return TakeFileName();
}

int Exec(QDialog& dialog) {
  Seam& seam = State();
  if (!seam.on) return dialog.exec();
  seam.dialogs.append(dialog.objectName());
  if (seam.dialog_results.empty()) return QDialog::Accepted;
  const int result = seam.dialog_results.front();
  seam.dialog_results.pop_front();
  return result;
}

}  // namespace vornalis::ui::modal
