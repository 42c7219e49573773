// TFriendlyStatusBar: a status bar of text panels, left to right, that also accepts child
// controls. A control created with the bar as its parent is drawn inside it at coordinates of
// the bar, which is how the main window lays a progress bar over a panel. The last panel
// reaches the right edge whatever its own width. A separate simple-mode text is kept for the
// hints the application hands over; the bar stays in panel mode, so it is never drawn.
#pragma once

#include <QString>
#include <QWidget>
#include <vector>

namespace vornalis::ui {

class TFriendlyStatusBar : public QWidget {
  Q_OBJECT

 public:
  explicit TFriendlyStatusBar(QWidget* parent = nullptr);

  // Appends a panel; returns its index.
  int AddPanel(int width, const QString& text = QString());
  int PanelCount() const { return static_cast<int>(panels_.size()); }
  QString PanelText(int index) const { return panels_.at(index).text; }
  void SetPanelText(int index, const QString& text);
  int PanelWidth(int index) const { return panels_.at(index).width; }
  void SetPanelWidth(int index, int width);
  // Where the panel lies in the bar; the last one ends at the right edge.
  QRect PanelRect(int index) const;

  const QString& SimpleText() const { return simple_text_; }
  void SetSimpleText(const QString& text) { simple_text_ = text; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  struct Panel {
    int width;
    QString text;
  };
  std::vector<Panel> panels_;
  QString simple_text_;
};

}  // namespace vornalis::ui
