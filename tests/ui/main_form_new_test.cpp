// New in the main window: the save dialog with the piece-size panel below its controls, the
// set made with the chosen name and piece size, the sizes that are refused, and the folder
// remembered for the next dialog. Some tests drive the real dialog with keys and clicks.
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "tests/ui/support/ui_test_support.h"
#include "ui/dialogs/ext/ap_open_dlg.h"
#include "ui/dialogs/file_new_dialog_ext_lower.h"
#include "ui/dialogs/modal_seam.h"

namespace vornalis::testing {

// What one showing of the New dialog looked like.
struct Seen {
  QSize size;
  QRect panel;          // in the dialog's coordinates
  int controls_bottom;  // lowest edge of the dialog's own controls
  QRect grid;           // the area the dialog lays its controls out in
  QString ok_caption;
  QString folder;
  bool panel_hosted = false;
};

class MainFormNewTest : public QObject, protected FormTestState {
  Q_OBJECT

 private:
  ui::TFileNewDialogExtLower* Panel() { return Form().FileNewDialogExtLower(); }
  template <typename T>
  T* PanelControl(const char* name) {
    return Panel()->findChild<T*>(QString::fromLatin1(name));
  }
  void New(const std::string& path) {
    ui::modal::QueueFileName(QString::fromStdString(path));
    ActionNamed(QStringLiteral("ActionFileNew"))->trigger();
  }
  static QPushButton* Button(QWidget* dialog, QDialogButtonBox::ButtonRole role) {
    auto* box = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    for (QAbstractButton* button : box->buttons())
      if (box->buttonRole(button) == role) return qobject_cast<QPushButton*>(button);
    return nullptr;
  }
  // Shows the real New dialog, notes what it looks like, then runs finish on it.
  Seen ShowNewDialog(std::function<void(QWidget*)> finish) {
    Seen seen;
    ui::modal::ShowFileDialogs(true);
    WhenModalShows([&seen, this, finish](QWidget* dialog) {
      QVERIFY(QTest::qWaitForWindowExposed(dialog));
      dialog->layout()->activate();
      seen.size = dialog->size();
      seen.ok_caption = Button(dialog, QDialogButtonBox::AcceptRole)->text();
      seen.folder = qobject_cast<QFileDialog*>(dialog)->directory().absolutePath();
      seen.panel_hosted = Panel()->parentWidget() == dialog && Panel()->isVisible();
      seen.panel = Panel()->geometry();
      seen.grid = dialog->rect().marginsRemoved(dialog->layout()->contentsMargins());
      seen.controls_bottom = 0;
      for (const char* name : {"fileTypeCombo", "buttonBox", "fileNameEdit", "splitter"}) {
        auto* control = dialog->findChild<QWidget*>(QString::fromLatin1(name));
        seen.controls_bottom = qMax(seen.controls_bottom, control->geometry().bottom());
      }
      finish(dialog);
    });
    ActionNamed(QStringLiteral("ActionFileNew"))->trigger();
    ui::modal::ShowFileDialogs(false);
    return seen;
  }
  static void Cancel(QWidget* dialog) { Button(dialog, QDialogButtonBox::RejectRole)->click(); }
  static void TypeAndCreate(QWidget* dialog, const QString& name) {
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    edit->setFocus();
    edit->clear();
    QTest::keyClicks(edit, name);
    QTest::keyClick(edit, Qt::Key_Return);
  }

 private slots:
  void init() {
    dir_ = std::make_unique<TestFolder>();
    fx_ = std::make_unique<FormFixture>();
  }
  void cleanup() {
    ui::modal::ShowFileDialogs(false);
    fx_.reset();
  }

  void newDialogShowsThePanelBelowItsControls() {
    const int panel_height = Panel()->height();
    const Seen with_panel = ShowNewDialog(Cancel);
    QVERIFY(with_panel.panel_hosted);
    QCOMPARE(with_panel.ok_caption, QStringLiteral("&Create"));
    QCOMPARE(with_panel.panel.height(), panel_height);
    QVERIFY(with_panel.panel.top() > with_panel.controls_bottom);
    QCOMPARE(with_panel.panel.left(), with_panel.grid.left());
    QCOMPARE(with_panel.panel.width(), with_panel.grid.width());
    // Afterwards the panel is the window's again, hidden, and nothing was made.
    QCOMPARE(Panel()->parentWidget(), &Form());
    QVERIFY(!Panel()->isVisible());
    QVERIFY(!Form().Session().SetOpen());

    // The same dialog without a panel (a name that matches no form) is shorter by the
    // panel's height exactly.
    Form().FileNewDialog()->CustDlgParams.SetBottomFormName(QStringLiteral("NoSuchPanel"));
    const Seen plain = ShowNewDialog(Cancel);
    QVERIFY(!plain.panel_hosted);
    QCOMPARE(plain.size.width(), with_panel.size.width());
    QCOMPARE(with_panel.size.height() - plain.size.height(), panel_height);

    // Found again by name, it comes back at the same size.
    Form().FileNewDialog()->CustDlgParams.SetBottomFormName(
        QStringLiteral("fileNewDialogExtLOWER"));
    QCOMPARE(ShowNewDialog(Cancel).size, with_panel.size);
  }

  void wideningTheDialogWidensThePanel() {
    int widened = 0;
    int before = 0;
    ShowNewDialog([&](QWidget* dialog) {
      before = Panel()->width();
      dialog->resize(dialog->width() + 120, dialog->height());
      dialog->layout()->activate();
      widened = Panel()->width();
      Cancel(dialog);
    });
    QCOMPARE(widened, before + 120);
  }

  void typingANameMakesTheSet() {
    const QString folder = QString::fromStdString(At(""));
    const Seen seen = ShowNewDialog(
        [folder](QWidget* dialog) { TypeAndCreate(dialog, folder + QStringLiteral("x")); });
    QVERIFY(seen.panel_hosted);
    QCOMPARE(AskedMessages(), QStringList());
    QVERIFY(Form().Session().SetOpen());
    QVERIFY(Form().Session().CurrentSet());
    QCOMPARE(Form().Session().CurrentSet()->PieceSize(), 204800u);
    QCOMPARE(Form().Session().CurrentSet()->SetName(), std::string("x"));
    QCOMPARE(Form().Session().StartUp().PieceFileArg, At("x.pec"));
    QCOMPARE(Form().Session().StartUp().PieceFilePath, At("x.pec"));
    QCOMPARE(Form().windowTitle(), QStringLiteral("x-Dorvelin"));
    QCOMPARE(ListRows(Form()), QStringList());
    QVERIFY(!FileExists(At("x.pec")));
    QVERIFY(ActionNamed(QStringLiteral("ActionAdd"))->isEnabled());

    // The next dialog of this run starts in that folder.
    QCOMPARE(QDir(ShowNewDialog(Cancel).folder), QDir(folder));
  }

  void replacingAnExistingFileIsAskedFirst() {
    MakeSet(At("old"), At("src/"), {{"kept", "old set"}});
    const QString path = QString::fromStdString(At("old.pec"));
    ui::modal::QueueAnswer(false);
    ShowNewDialog([path](QWidget* dialog) {
      TypeAndCreate(dialog, path);
      // "No" keeps the dialog open for another name.
      QVERIFY(dialog->isVisible());
      Cancel(dialog);
    });
    QCOMPARE(AskedMessages(),
             QStringList{"Warning: old.pec already exists.\nDo you want to replace it?"});
    QVERIFY(!Form().Session().SetOpen());

    ui::modal::ForgetAsked();
    ui::modal::QueueAnswer(true);
    ShowNewDialog([path](QWidget* dialog) { TypeAndCreate(dialog, path); });
    QCOMPARE(AskedMessages().size(), 1);
    QVERIFY(Form().Session().SetOpen());
    QCOMPARE(Form().Session().CurrentSet()->SetName(), std::string("old"));
    // Nothing stored: closing keeps the old set as it was.
    ActionNamed(QStringLiteral("ActionFileClose"))->trigger();
    PieceSet old(At("old"), SetAccess::kReadOnly);
    QCOMPARE(old.Files().size(), std::size_t{1});
    QCOMPARE(old.Files()[0].Name, std::string("kept"));
  }

  void pieceSizeComesFromThePanel_data() {
    QTest::addColumn<bool>("specific");
    QTest::addColumn<QString>("number");
    QTest::addColumn<int>("unit");
    QTest::addColumn<int>("preset");
    QTest::addColumn<uint>("size");
    QTest::newRow("untouched: 200 KB") << false << "200" << 1 << 0 << 204800u;
    QTest::newRow("1.44MB Floopy disk") << true << "200" << 1 << 0 << 1474560u;
    QTest::newRow("720KB Floopy disk") << true << "200" << 1 << 1 << 737280u;
    QTest::newRow("3 MB") << false << "3" << 2 << 0 << 3145728u;
    QTest::newRow("3000 bytes") << false << "3000" << 0 << 0 << 3000u;
    QTest::newRow("4095 MB, the largest") << false << "4095" << 2 << 0 << 4293918720u;
  }

  void pieceSizeComesFromThePanel() {
    QFETCH(bool, specific);
    QFETCH(QString, number);
    QFETCH(int, unit);
    QFETCH(int, preset);
    QFETCH(uint, size);
    if (specific) PanelControl<QRadioButton>("RadioButton2")->click();
    PanelControl<QLineEdit>("MaskEditSize")->setText(number);
    PanelControl<QComboBox>("ComboBoxSizeUnit")->setCurrentIndex(unit);
    PanelControl<QComboBox>("ComboBoxSpeSize")->setCurrentIndex(preset);
    New(At("set.pec"));
    QCOMPARE(AskedMessages(), QStringList());
    QVERIFY(Form().Session().CurrentSet());
    QCOMPARE(Form().Session().CurrentSet()->PieceSize(), std::uint32_t(size));
    QCOMPARE(Form().Session().CurrentSet()->SetName(), std::string("set"));
  }

  void aSizeOutOfRangeKeepsTheDialogOpenWithItsName() {
    const QString name = QString::fromStdString(At("big"));
    bool kept_open = false;
    QString kept_name;
    ShowNewDialog([&](QWidget* dialog) {
      PanelControl<QLineEdit>("MaskEditSize")->setText(QStringLiteral("4096"));
      PanelControl<QComboBox>("ComboBoxSizeUnit")->setCurrentIndex(2);
      auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      edit->setText(name);
      Button(dialog, QDialogButtonBox::AcceptRole)->click();
      kept_open = dialog->isVisible();
      kept_name = edit->text();
      PanelControl<QLineEdit>("MaskEditSize")->setText(QStringLiteral("300"));
      Button(dialog, QDialogButtonBox::AcceptRole)->click();
    });
    QVERIFY(kept_open);
    QCOMPARE(kept_name, name);
    QCOMPARE(AskedMessages(),
             QStringList{"Error: Piece size 4096MB is too large: a piece must be below 4 GB"});
    QVERIFY(Form().Session().CurrentSet());
    QCOMPARE(Form().Session().CurrentSet()->PieceSize(), 300u * 1024 * 1024);
    QCOMPARE(Form().Session().CurrentSet()->SetName(), std::string("big"));
  }

  void sizesTheEngineCannotUseAreRefusedBeforeAnythingChanges_data() {
    QTest::addColumn<QString>("number");
    QTest::addColumn<int>("unit");
    QTest::addColumn<QString>("message");
    QTest::newRow("4096 MB") << "4096" << 2
                             << "Piece size 4096MB is too large: a piece must be below 4 GB";
    QTest::newRow("5000000 KB") << "5000000" << 1
                                << "Piece size 5000000KB is too large: a piece must be below 4 GB";
    QTest::newRow("3 bytes") << "3" << 0
                             << "Piece size of 3 bytes is too small: a piece must be at least 20 "
                                "bytes, to hold the set's header";
  }

  void sizesTheEngineCannotUseAreRefusedBeforeAnythingChanges() {
    QFETCH(QString, number);
    QFETCH(int, unit);
    QFETCH(QString, message);
    QCOMPARE(MakeSet(At("backup"), At("src/"), {{"a.txt", "aaa"}}), std::string());
    Form().Session().OpenPieceFile(At("backup.pec"));
    PanelControl<QLineEdit>("MaskEditSize")->setText(number);
    PanelControl<QComboBox>("ComboBoxSizeUnit")->setCurrentIndex(unit);
    New(At("big.pec"));
    QCOMPARE(AskedMessages(), QStringList{"Error: " + message});
    QCOMPARE(Form().Session().CurrentSet()->SetName(), std::string("backup"));
    QCOMPARE(ListRows(Form()).size(), 1);
    QCOMPARE(Form().windowTitle(), QStringLiteral("backup-Dorvelin"));
  }

  void newReplacesTheOpenSetAndCancelChangesNothing() {
    QCOMPARE(MakeSet(At("backup"), At("src/"), {{"a.txt", "aaa"}}), std::string());
    Form().Session().OpenPieceFile(At("backup.pec"));
    New("");  // cancelled
    QCOMPARE(Form().Session().CurrentSet()->SetName(), std::string("backup"));
    QCOMPARE(ListRows(Form()).size(), 1);

    New(At("fresh.pec"));
    QCOMPARE(Form().Session().CurrentSet()->SetName(), std::string("fresh"));
    QCOMPARE(ListRows(Form()), QStringList());
    QCOMPARE(PanelText(Form(), 1), QStringLiteral("Total 0 files, 0 bytes"));
    QVERIFY((Form().Session().List().SortMark() ==
             desktop::FileList::Mark{desktop::FileList::kName,
                                     false}));  // New leaves the sort state alone
    QCOMPARE(Form().windowTitle(), QStringLiteral("fresh-Dorvelin"));
    // Closing the set made nothing on disk, since nothing was stored.
    ActionNamed(QStringLiteral("ActionFileClose"))->trigger();
    QVERIFY(!FileExists(At("fresh.pec")));
  }

  void panelKeepsTheLastChoiceForTheNextNew() {
    PanelControl<QRadioButton>("RadioButton2")->click();
    PanelControl<QComboBox>("ComboBoxSpeSize")->setCurrentIndex(1);
    New(At("one.pec"));
    QCOMPARE(Form().Session().CurrentSet()->PieceSize(), 737280u);
    ShowNewDialog([this](QWidget* dialog) {
      QVERIFY(PanelControl<QRadioButton>("RadioButton2")->isChecked());
      QCOMPARE(PanelControl<QComboBox>("ComboBoxSpeSize")->currentIndex(), 1);
      QVERIFY(PanelControl<QComboBox>("ComboBoxSpeSize")->isEnabled());
      QVERIFY(!PanelControl<QLineEdit>("MaskEditSize")->isEnabled());
      Cancel(dialog);
    });
    New(At("two.pec"));
    QCOMPARE(Form().Session().CurrentSet()->PieceSize(), 737280u);
  }
};

}  // namespace vornalis::testing

QTEST_MAIN(vornalis::testing::MainFormNewTest)
#include "main_form_new_test.moc"
