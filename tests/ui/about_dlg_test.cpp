// The About box: its texts, the link's colours through plain, hot, visited and back, the mouse
// capture, the hidden second link, and a fresh box for every showing.
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QtTest>

#include "tests/ui/support/ui_test_support.h"
#include "ui/dialogs/about_dlg.h"
#include "ui/dialogs/modal_seam.h"

namespace vornalis::testing {
namespace {

QColor TextColor(QLabel* label) { return label->palette().color(QPalette::WindowText); }

void Send(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::NoButton) {
  const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? button : Qt::NoButton;
  QMouseEvent event(type, at, target->mapToGlobal(at), button, held, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &event);
}

}  // namespace

class AboutDlgTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<ui::TAboutDlg> dlg_;
  QStringList opened_;

  QLabel* Link(int number) {
    return dlg_->findChild<QLabel*>(QStringLiteral("LabelHLink%1").arg(number));
  }
  void MakeBox() {
    dlg_ = std::make_unique<ui::TAboutDlg>(
        nullptr, [this](const QString& address) { opened_.append(address); });
    dlg_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg_.get()));
  }
  void Click(QLabel* link) {
    Send(link, QEvent::MouseButtonPress, QPoint(2, 2), Qt::LeftButton);
    Send(link, QEvent::MouseButtonRelease, QPoint(2, 2), Qt::LeftButton);
  }

 private slots:
  void init() {
    ui::modal::AnswerInAdvance();
    opened_.clear();
  }
  void cleanup() {
    dlg_.reset();
    ui::modal::AnswerInAdvance(false);
  }

  void textsAndControls() {
    MakeBox();
    QCOMPARE(dlg_->windowTitle(), QStringLiteral("About Vornalis"));
    QCOMPARE(dlg_->findChild<QLabel*>("Label1")->text(),
             QStringLiteral("Vornalis Version 1.0.1399"));
    QVERIFY(!dlg_->findChild<QLabel*>("Image1")->pixmap().isNull());
    auto* ok = dlg_->findChild<QPushButton*>("BitBtn1");
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QVERIFY(ok->isDefault());
    QVERIFY(Link(1)->isVisible());
    QVERIFY(Link(1)->font().underline());
    QCOMPARE(Link(1)->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(Link(1)->text(), dlg_->LinkAddress(0));
    QVERIFY(!Link(2)->isVisible());
    QCOMPARE(Link(2)->text(), dlg_->LinkAddress(1));
    QCOMPARE(TextColor(Link(1)), ui::TAboutDlg::kLinkColor);
    QCOMPARE(TextColor(Link(2)), ui::TAboutDlg::kLinkColor);
    QCOMPARE(ui::TAboutDlg::kLinkColor, QColor(0, 0, 255));
    QCOMPARE(ui::TAboutDlg::kHotColor, QColor(255, 0, 0));
    QCOMPARE(ui::TAboutDlg::kVisitedColor, QColor(128, 0, 128));

    ok->click();
    QVERIFY(!dlg_->isVisible());
    QCOMPARE(dlg_->result(), int(QDialog::Accepted));
  }

  void linkGoesHotAndBackToBlue() {
    MakeBox();
    QLabel* link = Link(1);
    Send(link, QEvent::MouseMove, QPoint(3, 3));
    QVERIFY(dlg_->LinkHot(0));
    QCOMPARE(TextColor(link), ui::TAboutDlg::kHotColor);
    QCOMPARE(QWidget::mouseGrabber(), link);
    // Moving within the label changes nothing.
    Send(link, QEvent::MouseMove, QPoint(link->width() - 1, link->height() - 1));
    QVERIFY(dlg_->LinkHot(0));
    QCOMPARE(QWidget::mouseGrabber(), link);
    // Leaving it, by any edge, gives the capture back.
    Send(link, QEvent::MouseMove, QPoint(link->width(), 2));
    QVERIFY(!dlg_->LinkHot(0));
    QCOMPARE(TextColor(link), ui::TAboutDlg::kLinkColor);
    QCOMPARE(QWidget::mouseGrabber(), nullptr);
    Send(link, QEvent::MouseMove, QPoint(2, 2));
    Send(link, QEvent::MouseMove, QPoint(2, -1));
    QCOMPARE(TextColor(link), ui::TAboutDlg::kLinkColor);
    QCOMPARE(opened_, QStringList());
  }

  void clickVisitsAndOpensTheAddress() {
    MakeBox();
    QLabel* link = Link(1);
    Send(link, QEvent::MouseMove, QPoint(2, 2));
    Click(link);
    QCOMPARE(opened_, QStringList{dlg_->LinkAddress(0)});
    QVERIFY(dlg_->LinkVisited(0));
    QVERIFY(!dlg_->LinkHot(0));
    QCOMPARE(TextColor(link), ui::TAboutDlg::kVisitedColor);
    QCOMPARE(QWidget::mouseGrabber(), nullptr);

    // Plain, hot, visited, hot again and back to visited.
    Send(link, QEvent::MouseMove, QPoint(2, 2));
    QCOMPARE(TextColor(link), ui::TAboutDlg::kHotColor);
    Send(link, QEvent::MouseMove, QPoint(-1, 2));
    QCOMPARE(TextColor(link), ui::TAboutDlg::kVisitedColor);
    QVERIFY(!dlg_->LinkVisited(1));
  }

  void releaseOutsideIsNoClick() {
    MakeBox();
    QLabel* link = Link(1);
    Send(link, QEvent::MouseMove, QPoint(2, 2));
    Send(link, QEvent::MouseButtonPress, QPoint(2, 2), Qt::LeftButton);
    Send(link, QEvent::MouseButtonRelease, QPoint(link->width() + 5, 2), Qt::LeftButton);
    QCOMPARE(opened_, QStringList());
    QVERIFY(!dlg_->LinkVisited(0));
  }

  void otherSendersAreIgnored() {
    MakeBox();
    auto* label1 = dlg_->findChild<QLabel*>("Label1");
    dlg_->LabelHLink1MouseMove(label1, 1, 1);
    dlg_->LabelHLink1Click(label1);
    QVERIFY(!dlg_->LinkHot(0) && !dlg_->LinkVisited(0));
    QCOMPARE(opened_, QStringList());
    QCOMPARE(QWidget::mouseGrabber(), nullptr);
  }

  void reopenedBoxStartsBlue() {
    MakeBox();
    Click(Link(1));
    QCOMPARE(TextColor(Link(1)), ui::TAboutDlg::kVisitedColor);
    MakeBox();
    QVERIFY(!dlg_->LinkVisited(0));
    QCOMPARE(TextColor(Link(1)), ui::TAboutDlg::kLinkColor);
  }

  void aboutCommandShowsAFreshBoxEachTime() {
    FormFixture fx;
    QAction* about = fx.form->findChild<QAction*>(QStringLiteral("ActionHelpAbout"));
    QCOMPARE(about->text(), QStringLiteral("&About..."));
    about->trigger();
    about->trigger();
    QCOMPARE(ui::modal::DialogsShown(), (QStringList{"AboutDlg", "AboutDlg"}));
    QCOMPARE(fx.form->findChildren<ui::TAboutDlg*>().size(), 0);
  }
};

}  // namespace vornalis::testing

QTEST_MAIN(vornalis::testing::AboutDlgTest)
#include "about_dlg_test.moc"
