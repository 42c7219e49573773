// TErrorDlg: the error list. Commands that handle many files collect one line per failure here
// while they run and show the list once, modally, when they end. One instance lives for the
// whole run; ClearErrors empties it for the next command.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QPlainTextEdit;

namespace vornalis::ui {

class TErrorDlg : public QDialog {
  Q_OBJECT

 public:
  explicit TErrorDlg(QWidget* parent = nullptr);

  void ClearErrors();
  // Appends text, unchanged, as the next line.
  void AddErrorLine(const QString& text);
  // Shows the list modally; returns when the user presses OK or closes the window. The lines
  // stay until the next ClearErrors.
  void Execute();

  QStringList Lines() const;
  const QString& LastLine() const { return last_line_; }

 private:
  QPlainTextEdit* EditError;
  QString last_line_;
};

}  // namespace vornalis::ui
