#include "ui/dialogs/modal_seam.h"

#include <QDialog>
#include <deque>

namespace vornalis::ui::modal {
namespace {

struct Seam {
  bool on = false;
  bool show_file_dialogs = false;
  std::deque<bool> answers;
  std::deque<QString> file_names;
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

int Exec(QDialog& dialog) {
  if (!State().on) return dialog.exec();
  State().dialogs.append(dialog.objectName());
  return QDialog::Accepted;
}

}  // namespace vornalis::ui::modal
