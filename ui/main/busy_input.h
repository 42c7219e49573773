// BusyInput: how a long command keeps the main window alive while it holds the event loop.
//
// While it exists, the input meant for the window (keys, mouse-button presses, releases and
// the wheel) never reaches the window's controls: a key press without Alt or a mouse-button
// press or double-click is noted as a request to break off, the rest is dropped. Keys with Alt
// and everything that is not input (painting, moving, timers) pass as usual. Dialogs the command
// shows in between are separate windows and work normally.
//
// FlushKeyMessages throws away what is waiting, so keys typed before the command began never
// count. CheckInterrupt lets the waiting events through once (the window repaints) and tells
// whether a break-off was asked for since the last check; the session asks at its pace, also
// inside a large file.
#pragma once

#include <QObject>
#include <QPointer>
#include <cstdint>

class QWidget;

namespace vornalis::ui {

class BusyInput final : public QObject {
 public:
  explicit BusyInput(QWidget* window);
  ~BusyInput() override;

  void FlushKeyMessages();
  bool CheckInterrupt();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool InWindow(QObject* watched) const;

  QPointer<QWidget> window_;
  bool counting_ = true;
  bool requested_ = false;
};

}  // namespace vornalis::ui
