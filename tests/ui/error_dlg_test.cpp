// The error list: lines in the order added, cleared for each command, shown modally once.
#include <QtTest>

#include "ui/dialogs/error_dlg.h"
#include "ui/dialogs/modal_seam.h"

namespace vornalis::testing {

class ErrorDlgTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { ui::modal::AnswerInAdvance(); }
  void cleanup() { ui::modal::AnswerInAdvance(false); }

  void twoFailedFilesGiveFiveLines() {
    ui::TErrorDlg dialog;
    dialog.ClearErrors();
    dialog.AddErrorLine(QStringLiteral("Assembling /out/a.txt..."));
    dialog.AddErrorLine(QStringLiteral("Can't create /out/a.txt"));
    dialog.AddErrorLine(QStringLiteral("Assembling /out/b.txt..."));
    dialog.AddErrorLine(QStringLiteral("Can't create /out/b.txt"));
    dialog.AddErrorLine(QStringLiteral("2 error(s) occured."));
    dialog.Execute();
    QCOMPARE(ui::modal::DialogsShown(), QStringList{"ErrorDlg"});
    QCOMPARE(dialog.Lines().size(), 5);
    QCOMPARE(dialog.Lines().last(), QStringLiteral("2 error(s) occured."));
    QCOMPARE(dialog.LastLine(), QStringLiteral("2 error(s) occured."));
  }

  void linesStayUntilTheNextClear() {
    ui::TErrorDlg dialog;
    dialog.AddErrorLine(QStringLiteral("Can't open /x"));
    dialog.AddErrorLine(QStringLiteral("The pieces may be corrupt."));
    dialog.Execute();
    QCOMPARE(dialog.Lines(), (QStringList{"Can't open /x", "The pieces may be corrupt."}));
    dialog.ClearErrors();
    QCOMPARE(dialog.Lines(), QStringList());
    QCOMPARE(dialog.LastLine(), QString());
  }
};

}  // namespace vornalis::testing

QTEST_MAIN(vornalis::testing::ErrorDlgTest)
#include "error_dlg_test.moc"
