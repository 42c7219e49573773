#include "ui/dialogs/about_dlg.h"

#include "desktop/texts.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/qt/web_link.h"
#include "ui/dialogs/modal_seam.h"
#include "ui/widgets/program_icon.h"
#include "vornalis/version.h"

namespace vornalis::ui {
namespace {

constexpr int kClientWidth = 460;
constexpr int kClientHeight = 352;
constexpr int kIconSize = 33;

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QColor ColorOf(desktop::Colour colour) { return QColor(colour.red, colour.green, colour.blue); }

void OpenInBrowser(const QString& address) { platform_qt::OpenWebLink(address); }

}  // namespace

const QColor TAboutDlg::kLinkColor = ColorOf(desktop::AboutLink::kPlain);
const QColor TAboutDlg::kHotColor = ColorOf(desktop::AboutLink::kHot);
const QColor TAboutDlg::kVisitedColor = ColorOf(desktop::AboutLink::kVisited);

TAboutDlg::TAboutDlg(QWidget* parent, LinkOpener open_link)
    : QDialog(parent), open_link_(open_link ? std::move(open_link) : LinkOpener(&OpenInBrowser)) {
  setObjectName(QStringLiteral("AboutDlg"));
  setWindowTitle(Text(desktop::texts::kAboutTitle));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(kClientWidth, kClientHeight);

  auto* frame = new QFrame(this);
  frame->setObjectName(QStringLiteral("Panel1"));
  frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
  frame->setLineWidth(2);
  frame->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  auto* frame_layout = new QVBoxLayout(frame);
  frame_layout->setContentsMargins(6, 6, 6, 6);
  Image1 = new QLabel(frame);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setFixedSize(kIconSize, kIconSize);
  Image1->setPixmap(ProgramIcon().pixmap(kIconSize, kIconSize));
  frame_layout->addWidget(Image1);

  Label1 = new QLabel(Text(desktop::texts::AboutVersion()), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  QFont title_font = Label1->font();
  title_font.setBold(true);
  title_font.setPointSizeF(title_font.pointSizeF() * 1.3);
  Label1->setFont(title_font);
  auto* label2 = new QLabel(Text(desktop::texts::kAboutCopyright), this);
  label2->setObjectName(QStringLiteral("Label2"));
  auto* label3 = new QLabel(Text(desktop::texts::kAboutTeam), this);
  label3->setObjectName(QStringLiteral("Label3"));

  auto* text = new QVBoxLayout();
  text->setSpacing(10);
  text->addWidget(Label1);
  text->addWidget(label2);
  text->addWidget(label3);
  for (int i = 0; i < kLinkCount; ++i) {
    QLabel* link = new QLabel(Text(desktop::texts::kAboutLinks[i]), this);
    link->setObjectName(QStringLiteral("LabelHLink%1").arg(i + 1));
    QFont font = link->font();
    font.setUnderline(true);
    link->setFont(font);
    link->setCursor(Qt::PointingHandCursor);
    link->setMouseTracking(true);  // moves arrive without a button held
    link->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    link->installEventFilter(this);
    LabelHLink[i] = link;
    text->addWidget(link);
  }
  LabelHLink[1]->hide();
  text->addStretch(1);

  BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setDefault(true);
  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

  auto* top = new QHBoxLayout();
  top->setSpacing(16);
  auto* picture = new QVBoxLayout();
  picture->addWidget(frame);
  picture->addStretch(1);
  top->addLayout(picture);
  top->addLayout(text);
  top->addStretch(1);
  auto* whole = new QVBoxLayout(this);
  whole->setContentsMargins(16, 16, 16, 16);
  whole->addLayout(top, 1);
  whole->addWidget(BitBtn1, 0, Qt::AlignHCenter);

  FormCreate();
}

void TAboutDlg::FormCreate() {
  for (int i = 0; i < kLinkCount; ++i) {
    Links_[i] = desktop::AboutLink(desktop::texts::kAboutLinks[i]);
    ShowLinkState(i);
  }
}

void TAboutDlg::Execute() { modal::Exec(*this); }

int TAboutDlg::LinkIndex(QObject* sender) const {
  for (int i = 0; i < kLinkCount; ++i)
    if (sender == LabelHLink[i]) return i;
  return -1;
}

void TAboutDlg::ShowLinkState(int index) {
  QLabel* link = LabelHLink[index];
  QPalette palette = link->palette();
  palette.setColor(QPalette::WindowText, ColorOf(Links_[index].TextColour()));
  link->setPalette(palette);
  link->repaint();
}

void TAboutDlg::LabelHLink1MouseMove(QObject* sender, int x, int y) {
  const int i = LinkIndex(sender);
  if (i < 0) return;
  QLabel* link = LabelHLink[i];
  switch (Links_[i].Moved(x, y, link->width(), link->height())) {
    case desktop::AboutLink::Capture::kTake:
      // Holding the capture, the label keeps seeing the pointer after it has left.
      link->grabMouse();
      break;
    case desktop::AboutLink::Capture::kRelease:
      link->releaseMouse();
      break;
    case desktop::AboutLink::Capture::kNone:
      return;
  }
  ShowLinkState(i);
}

void TAboutDlg::LabelHLink1Click(QObject* sender) {
  const int i = LinkIndex(sender);
  if (i < 0) return;
  Links_[i].Clicked();
  LabelHLink[i]->releaseMouse();
  ShowLinkState(i);
  open_link_(QString::fromStdString(Links_[i].Address()));
}

void TAboutDlg::hideEvent(QHideEvent* event) {
  // A box closed by Enter while a link is hot gives the capture back.
  for (int i = 0; i < kLinkCount; ++i)
    if (Links_[i].Closed()) LabelHLink[i]->releaseMouse();
  QDialog::hideEvent(event);
}

bool TAboutDlg::eventFilter(QObject* watched, QEvent* event) {
  if (LinkIndex(watched) >= 0) {
    if (event->type() == QEvent::MouseMove) {
      const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
      LabelHLink1MouseMove(watched, at.x(), at.y());
    } else if (event->type() == QEvent::MouseButtonRelease) {
      // A click is a left release over the label that was pressed.
      auto* mouse = static_cast<QMouseEvent*>(event);
      const QPoint at = mouse->position().toPoint();
      if (mouse->button() == Qt::LeftButton && static_cast<QWidget*>(watched)->rect().contains(at))
        LabelHLink1Click(watched);
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace vornalis::ui
