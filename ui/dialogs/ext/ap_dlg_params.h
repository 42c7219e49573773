// Panel hosting for the extensible dialogs. TApCustDlgParams names the program's own panel
// forms that a dialog shows above, below, left or right of its controls, or in place of its
// file list (the custom selection form). It finds them among the forms the program created,
// attaches them to a dialog while the dialog is shown and detaches them before it goes, so
// the forms live on with their values: a command reads its panel after the dialog closed.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <cstdint>

class QDialog;
class QGridLayout;
class QLayout;
class QWidget;

namespace vornalis::ui {

// The forms the program created, oldest first. A form that may serve as a panel is registered
// once, when it is made; destroyed forms drop out by themselves.
void RegisterForm(QWidget* form);
QList<QWidget*> CreatedForms();

// Finds the form for name: when form is already set or name is empty, nothing happens;
// otherwise form becomes the first created form whose class name is "T" + name, letter case
// ignored ("FileNewDialogExtLower" finds TFileNewDialogExtLower), or stays null.
void CreateFormAs(QPointer<QWidget>& form, const QString& name);

// Centres window on its screen, keeping it on the screen: a window larger than the screen
// lands at the top left corner. The window is moved, never resized.
void ApCenterWindow(QWidget* window);

enum TApDlgPosition : std::uint8_t { dpScrCenter = 0, dpDefault = 1 };

class TApCustDlgParams : public QObject {
 public:
  explicit TApCustDlgParams(QObject* owner = nullptr);

  // Setting a name forgets the form found for the old one; the next showing looks again.
  QString TopFormName() const { return TopFormName_; }
  QString LeftFormName() const { return LeftFormName_; }
  QString BottomFormName() const { return BottomFormName_; }
  QString RightFormName() const { return RightFormName_; }
  QString CustFormName() const { return CustFormName_; }
  void SetTopFormName(const QString& name);
  void SetLeftFormName(const QString& name);
  void SetBottomFormName(const QString& name);
  void SetRightFormName(const QString& name);
  void SetCustFormName(const QString& name);

  // Finds the panel forms and puts them around the dialog's controls, which must be laid out
  // by a QGridLayout (other dialogs get no panels). The dialog is resized to its preferred
  // size enlarged by the panels: left + right wider, top + bottom taller; the panels keep
  // their designed height (top, bottom) or width (left, right) and stretch the other way.
  // With dpScrCenter the dialog is then centred on the screen. The custom form is found but
  // placed by the dialog, in SelectionRect. Call once per showing, before the dialog shows.
  virtual void ConnectForms(QDialog* dialog);
  // Puts the custom form, once found, into place, the layout of the dialog's own list;
  // DisconnectForms gives it back with the panels.
  void PlaceCustForm(QLayout* place);
  // Hides the panels and gives them back to the parent they had, the dialog's controls to
  // their places and the dialog to its size without them. Call before the dialog is destroyed, or
  // it takes the panels with it.
  virtual void DisconnectForms();
  // Follows a change of the dialog's client size: the selection rectangle grows or shrinks
  // by the change. The panels' widths and heights follow through the layout.
  void OnResizeWindow(const QSize& client_size);

  QPointer<QWidget> TopForm;
  QPointer<QWidget> LeftForm;
  QPointer<QWidget> BottomForm;
  QPointer<QWidget> RightForm;
  QPointer<QWidget> CustForm;
  TApDlgPosition Position = dpDefault;
  // Whether a panel may be set at that side.
  bool AllowLeft = true;
  bool AllowTop = true;
  bool AllowRight = true;
  bool AllowBottom = true;

  QDialog* Dialog() const { return dialog_; }
  // Where a custom selection form goes, in the dialog's coordinates; set by the dialog.
  QRect SelectionRect;
  int ExtraWidth() const { return extra_width_; }
  int ExtraHeight() const { return extra_height_; }

 private:
  struct Hosted {
    QPointer<QWidget> form;
    QPointer<QWidget> home;  // the parent it came from
    Qt::WindowFlags flags;
  };
  void Attach(QWidget* form, int row, int column, int row_span, int column_span);

  QString TopFormName_, LeftFormName_, BottomFormName_, RightFormName_, CustFormName_;
  QPointer<QDialog> dialog_;
  QGridLayout* grid_ = nullptr;
  int shifted_rows_ = 0;
  int shifted_columns_ = 0;
  QList<Hosted> hosted_;
  QSize last_size_;
  int extra_width_ = 0;
  int extra_height_ = 0;
};

}  // namespace vornalis::ui
