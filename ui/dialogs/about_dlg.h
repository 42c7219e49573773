// TAboutDlg: the About box. Shows the program's icon, name and version, the year and the
// publisher, and a web link that opens the publisher's home page in the browser.
//
// A link turns red while the pointer is over it (the label holds the mouse capture meanwhile,
// so it sees the pointer leave), blue when the pointer leaves, and purple once clicked during
// this showing. A second link below the first is styled the same and always hidden. The box
// is made anew for every showing, so no link starts visited.
#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <functional>

#include "desktop/about_link.h"

class QLabel;
class QPushButton;

namespace vornalis::ui {

class TAboutDlg : public QDialog {
  Q_OBJECT

 public:
  // Opens a web address; by default platform_qt::OpenWebLink, whose outcome is ignored.
  using LinkOpener = std::function<void(const QString& address)>;

  static constexpr int kLinkCount = 2;
  static const QColor kLinkColor;     // not hot, not visited
  static const QColor kHotColor;      // pointer over the link
  static const QColor kVisitedColor;  // clicked, pointer elsewhere

  explicit TAboutDlg(QWidget* parent = nullptr, LinkOpener open_link = {});

  // Shows the box modally, through the modal seam.
  void Execute();

  // Shared by both link labels; any other sender is ignored. x, y: the pointer's position
  // relative to the label.
  void LabelHLink1MouseMove(QObject* sender, int x, int y);
  void LabelHLink1Click(QObject* sender);

  bool LinkHot(int index) const { return Links_[index].Hot(); }
  bool LinkVisited(int index) const { return Links_[index].Visited(); }
  QString LinkAddress(int index) const { return QString::fromStdString(Links_[index].Address()); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void FormCreate();
  int LinkIndex(QObject* sender) const;
  // Paints link index in the colour of its state.
  void ShowLinkState(int index);

  LinkOpener open_link_;
  QLabel* Image1 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* LabelHLink[kLinkCount] = {};
  QPushButton* BitBtn1 = nullptr;
  std::array<desktop::AboutLink, kLinkCount> Links_{desktop::AboutLink(""), desktop::AboutLink("")};
};

}  // namespace vornalis::ui
