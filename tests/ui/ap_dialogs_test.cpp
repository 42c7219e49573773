// The extensible dialogs' shared parts: finding panel forms by class name, hosting panels on
// all four sides of a dialog laid out in a grid and giving them back, centring a window, the
// file dialogs' filters, caption overrides, hidden controls and events. The names of Qt's
// own file dialog widgets these rely on are pinned here.
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

#include "tests/ui/support/ui_test_support.h"
#include "ui/dialogs/ext/ap_dlg_params.h"
#include "ui/dialogs/ext/ap_open_dlg.h"
#include "ui/dialogs/modal_seam.h"

namespace vornalis::testing {

class TTopPanel : public QWidget {
  Q_OBJECT

 public:
  TTopPanel() : QWidget(nullptr, Qt::Window) { resize(100, 30); }
};
class TSidePanel : public QWidget {
  Q_OBJECT

 public:
  TSidePanel() : QWidget(nullptr, Qt::Window) { resize(40, 100); }
};

class ApDialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { ui::modal::AnswerInAdvance(); }
  void cleanup() {
    ui::modal::ShowFileDialogs(false);
    ui::modal::AnswerInAdvance(false);
  }

  void formsAreFoundByClassName() {
    TTopPanel first;
    TTopPanel second;
    ui::RegisterForm(&first);
    ui::RegisterForm(&second);
    QPointer<QWidget> form;
    ui::CreateFormAs(form, QStringLiteral("toppanel"));
    QCOMPARE(form.data(), &first);  // the first created wins
    ui::CreateFormAs(form, QStringLiteral("SidePanel"));
    QCOMPARE(form.data(), &first);  // a known form is kept
    QPointer<QWidget> none;
    ui::CreateFormAs(none, QStringLiteral("NoSuchPanel"));
    QVERIFY(!none);
    ui::CreateFormAs(none, QString());
    QVERIFY(!none);
    ui::CreateFormAs(none, QStringLiteral("TTopPanel"));  // "T" is added to the name
    QVERIFY(!none);
  }

  void panelsGoOnAllFourSidesAndComeBack() {
    // The windows outlive the panels they hold.
    QWidget home;
    QDialog dialog;
    TTopPanel top, bottom;
    TSidePanel left, right;
    for (QWidget* panel : {static_cast<QWidget*>(&top), static_cast<QWidget*>(&bottom),
                           static_cast<QWidget*>(&left), static_cast<QWidget*>(&right)}) {
      panel->setParent(&home, Qt::Window);
      ui::RegisterForm(panel);
    }
    auto* grid = new QGridLayout(&dialog);
    auto* label = new QLabel(QStringLiteral("name"), &dialog);
    auto* edit = new QLineEdit(&dialog);
    grid->addWidget(label, 0, 0);
    grid->addWidget(edit, 0, 1);
    grid->setColumnStretch(1, 3);
    const QSize base = dialog.sizeHint();

    ui::TApCustDlgParams params;
    params.SetTopFormName(QStringLiteral("TopPanel"));
    params.SetLeftFormName(QStringLiteral("SidePanel"));
    QCOMPARE(params.TopForm.data(), nullptr);
    {
      QDialog other;
      new QGridLayout(&other);
      params.ConnectForms(&other);
      QCOMPARE(params.TopForm.data(), &top);
      QCOMPARE(params.LeftForm.data(), &left);
      QCOMPARE(top.parentWidget(), &other);
      params.DisconnectForms();
    }
    // One class gives one form, so the other two are named directly.
    params.TopForm = &top;
    params.BottomForm = &bottom;
    params.LeftForm = &left;
    params.RightForm = &right;
    params.ConnectForms(&dialog);
    QCOMPARE(dialog.size(), base + QSize(40 + 40, 30 + 30));
    QCOMPARE(params.ExtraWidth(), 80);
    QCOMPARE(params.ExtraHeight(), 60);
    auto position = [grid](QWidget* widget) {
      int row, column, row_span, column_span;
      grid->getItemPosition(grid->indexOf(widget), &row, &column, &row_span, &column_span);
      return QList<int>{row, column, row_span, column_span};
    };
    QCOMPARE(position(&top), (QList<int>{0, 1, 1, 2}));
    QCOMPARE(position(&left), (QList<int>{0, 0, 2, 1}));
    QCOMPARE(position(&right), (QList<int>{0, 3, 2, 1}));
    QCOMPARE(position(&bottom), (QList<int>{2, 0, 1, 4}));
    QCOMPARE(position(label), (QList<int>{1, 1, 1, 1}));
    QCOMPARE(position(edit), (QList<int>{1, 2, 1, 1}));
    QCOMPARE(grid->columnStretch(2), 3);
    QCOMPARE(top.parentWidget(), &dialog);
    QVERIFY(!top.isWindow());

    params.DisconnectForms();
    for (QWidget* panel : {static_cast<QWidget*>(&top), static_cast<QWidget*>(&bottom),
                           static_cast<QWidget*>(&left), static_cast<QWidget*>(&right)}) {
      QCOMPARE(panel->parentWidget(), &home);
      QVERIFY(panel->isWindow());
      QVERIFY(panel->isHidden());
    }
    QCOMPARE(dialog.size(), base);
    QCOMPARE(position(label), (QList<int>{0, 0, 1, 1}));
    QCOMPARE(position(edit), (QList<int>{0, 1, 1, 1}));
    QCOMPARE(grid->columnStretch(1), 3);
  }

  void centringKeepsAWindowOnTheScreen() {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QWidget small;
    small.resize(200, 100);
    ui::ApCenterWindow(&small);
    QCOMPARE(small.pos(),
             QPoint(screen.left() + (screen.width() - small.frameGeometry().width()) / 2,
                    screen.top() + (screen.height() - small.frameGeometry().height()) / 2));
    QWidget large;
    large.resize(screen.width() + 300, screen.height() + 200);
    ui::ApCenterWindow(&large);
    QCOMPARE(large.pos(), screen.topLeft());
  }

  void filtersBecomeQtNameFilters() {
    QCOMPARE(ui::ApNameFilters(QStringLiteral("Split piece files(*.pec)|*.pec")),
             QStringList{"Split piece files(*.pec) (*.pec)"});
    QCOMPARE(ui::ApNameFilters(QStringLiteral("Text|*.txt;*.text|All files (*.*) |*.*")),
             (QStringList{"Text (*.txt *.text)", "All files (*.*)  (*)"}));
    QCOMPARE(ui::ApNameFilters(QString()), QStringList());
  }

  void shownDialogTakesCaptionsHidesControlsAndReports() {
    TestFolder dir;
    WriteFile(dir.Path("sub/a.txt"), "a");
    ui::TApOpenDialog open(nullptr);
    open.setObjectName(QStringLiteral("FileAddDialog"));
    open.Filter = QStringLiteral("All files (*.*) |*.*");
    open.AllowMultiSelect = true;
    open.InitialDir = QString::fromStdString(dir.Path(""));
    open.Title = QStringLiteral("Pick");
    open.DlgItemsCaptions.OK = QStringLiteral("&Add");
    open.DlgItemsCaptions.Cancel = QStringLiteral("&Stop");
    open.DlgItemsCaptions.FileName = QStringLiteral("Na&me:");
    open.VisibleControls.erase(ui::dcToolBar);
    open.VisibleControls.erase(ui::dcFileType);
    QStringList events;
    open.OnShow = [&events](ui::TApCustomOpenDialog*) { events.append("show"); };
    open.OnClose = [&events](ui::TApCustomOpenDialog*) { events.append("close"); };
    open.OnFolderChange = [&events](ui::TApCustomOpenDialog*, const QString& folder) {
      events.append("folder " + QFileInfo(folder).fileName());
    };
    open.OnFilenameEntering = [&events](ui::TApCustomOpenDialog*, bool& proceed) {
      events.append("entering");
      proceed = events.count("entering") > 1;  // the first press is refused
    };

    ui::modal::ShowFileDialogs(true);
    WhenModalShows([&open](QWidget* shown) {
      QVERIFY(QTest::qWaitForWindowExposed(shown));
      QCOMPARE(shown->objectName(), QStringLiteral("FileAddDialog"));
      QCOMPARE(shown->windowTitle(), QStringLiteral("Pick"));
      auto* box = shown->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
      QVERIFY(box);
      QCOMPARE(box->button(QDialogButtonBox::Open)->text(), QStringLiteral("&Add"));
      QCOMPARE(box->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("&Stop"));
      QCOMPARE(shown->findChild<QLabel*>(QStringLiteral("fileNameLabel"))->text(),
               QStringLiteral("Na&me:"));
      for (const char* hidden :
           {"backButton", "toParentButton", "newFolderButton", "fileTypeCombo"})
        QVERIFY2(shown->findChild<QWidget*>(QString::fromLatin1(hidden))->isHidden(), hidden);
      for (const char* visible :
           {"lookInCombo", "fileNameEdit", "treeView", "listView", "fileTypeLabel"})
        QVERIFY2(shown->findChild<QWidget*>(QString::fromLatin1(visible)), visible);

      open.SetSelPath(open.InitialDir + QStringLiteral("sub"));
      QCOMPARE(QFileInfo(open.GetSelPath()).fileName(), QStringLiteral("sub"));
      open.SetFNameText(QStringLiteral("\"a.txt\" \"b.txt\""));
      QCOMPARE(open.GetSelFilesList(), (QStringList{"a.txt", "b.txt"}));
      auto* edit = shown->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      edit->setFocus();
      edit->setText(QStringLiteral("a.txt"));
      QTest::keyClick(edit, Qt::Key_Return);  // refused by OnFilenameEntering
      QVERIFY(shown->isVisible());
      QTest::keyClick(edit, Qt::Key_Return);
    });
    QVERIFY(open.Execute());
    QCOMPARE(QFileInfo(open.FileName).fileName(), QStringLiteral("a.txt"));
    QCOMPARE(open.Files.size(), 1);
    QCOMPARE(events, (QStringList{"show", "folder sub", "entering", "entering", "close"}));
    QVERIFY(!open.Dialog());
  }

  void openingAMissingFileIsAnsweredThroughTheSeam() {
    TestFolder dir;
    ui::TApOpenDialog open(nullptr);
    open.InitialDir = QString::fromStdString(dir.Path(""));
    ui::modal::ShowFileDialogs(true);
    WhenModalShows([](QWidget* shown) {
      auto* edit = shown->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      edit->setText(QStringLiteral("gone.txt"));
      QTest::keyClick(edit, Qt::Key_Return);
      QVERIFY(shown->isVisible());
      qobject_cast<QDialog*>(shown)->reject();
    });
    QVERIFY(!open.Execute());
    QCOMPARE(AskedMessages(), QStringList{"Error: gone.txt\nFile not found.\nCheck the file "
                                          "name and try again."});
  }
};

}  // namespace vornalis::testing

QTEST_MAIN(vornalis::testing::ApDialogsTest)
#include "ap_dialogs_test.moc"
