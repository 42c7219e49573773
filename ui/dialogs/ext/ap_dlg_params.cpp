#include "ui/dialogs/ext/ap_dlg_params.h"

#include <QDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <vector>

namespace vornalis::ui {
namespace {

QList<QPointer<QWidget>>& Forms() {
  static QList<QPointer<QWidget>> forms;
  return forms;
}

// QGridLayout cannot insert a row or a column: its items are taken out and put back rows
// lower and columns further right (negative amounts move them back), with their stretch
// factors and minimum sizes.
void ShiftGrid(QGridLayout* grid, int rows, int columns) {
  if (rows == 0 && columns == 0) return;
  struct Placed {
    QLayoutItem* item;
    int row, column, row_span, column_span;
  };
  std::vector<Placed> items;
  while (grid->count() > 0) {
    Placed placed{};
    grid->getItemPosition(0, &placed.row, &placed.column, &placed.row_span, &placed.column_span);
    placed.item = grid->takeAt(0);
    items.push_back(placed);
  }
  struct Line {
    int stretch, minimum;
  };
  const int row_count = grid->rowCount();
  const int column_count = grid->columnCount();
  std::vector<Line> row_lines(row_count), column_lines(column_count);
  for (int r = 0; r < row_count; ++r) {
    row_lines[r] = {grid->rowStretch(r), grid->rowMinimumHeight(r)};
    grid->setRowStretch(r, 0);
    grid->setRowMinimumHeight(r, 0);
  }
  for (int c = 0; c < column_count; ++c) {
    column_lines[c] = {grid->columnStretch(c), grid->columnMinimumWidth(c)};
    grid->setColumnStretch(c, 0);
    grid->setColumnMinimumWidth(c, 0);
  }
  for (int r = 0; r < row_count; ++r) {
    if (r + rows < 0) continue;
    grid->setRowStretch(r + rows, row_lines[r].stretch);
    grid->setRowMinimumHeight(r + rows, row_lines[r].minimum);
  }
  for (int c = 0; c < column_count; ++c) {
    if (c + columns < 0) continue;
    grid->setColumnStretch(c + columns, column_lines[c].stretch);
    grid->setColumnMinimumWidth(c + columns, column_lines[c].minimum);
  }
  for (const Placed& placed : items)
    grid->addItem(placed.item, placed.row + rows, placed.column + columns, placed.row_span,
                  placed.column_span, placed.item->alignment());
}

QString BareClassName(const QWidget* form) {
  const QString name = QString::fromLatin1(form->metaObject()->className());
  const int colons = name.lastIndexOf(QStringLiteral("::"));
  return colons < 0 ? name : name.mid(colons + 2);
}

}  // namespace

void RegisterForm(QWidget* form) {
  if (form && !Forms().contains(form)) Forms().append(form);
}

QList<QWidget*> CreatedForms() {
  Forms().removeAll(QPointer<QWidget>());
  QList<QWidget*> forms;
  for (const QPointer<QWidget>& form : Forms()) forms.append(form);
  return forms;
}

void CreateFormAs(QPointer<QWidget>& form, const QString& name) {
  if (form || name.isEmpty()) return;
  const QString wanted = QLatin1Char('T') + name;
  for (QWidget* created : CreatedForms()) {
    if (BareClassName(created).compare(wanted, Qt::CaseInsensitive) == 0) {
      form = created;
      return;
    }
  }
}

void ApCenterWindow(QWidget* window) {
  if (!window) return;
  const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->geometry();
  const QSize size = window->frameGeometry().size();
  int x = (area.width() - size.width()) / 2;
  int y = (area.height() - size.height()) / 2;
  if (x + size.width() > area.width()) x = area.width() - size.width();
  if (x < 0) x = 0;
  if (y + size.height() > area.height()) y = area.height() - size.height();
  if (y < 0) y = 0;
  window->move(area.left() + x, area.top() + y);
}

TApCustDlgParams::TApCustDlgParams(QObject* owner) : QObject(owner) {}

void TApCustDlgParams::SetTopFormName(const QString& name) {
  TopFormName_ = name;
  TopForm.clear();
}

void TApCustDlgParams::SetLeftFormName(const QString& name) {
  LeftFormName_ = name;
  LeftForm.clear();
}

void TApCustDlgParams::SetBottomFormName(const QString& name) {
  BottomFormName_ = name;
  BottomForm.clear();
}

void TApCustDlgParams::SetRightFormName(const QString& name) {
  RightFormName_ = name;
  RightForm.clear();
}

void TApCustDlgParams::SetCustFormName(const QString& name) {
  CustFormName_ = name;
  CustForm.clear();
}

void TApCustDlgParams::Attach(QWidget* form, int row, int column, int row_span, int column_span) {
  hosted_.append({form, form->parentWidget(), form->windowFlags()});
  // A layout makes the form a plain child of the dialog, without a frame of its own.
  grid_->addWidget(form, row, column, row_span, column_span);
  form->show();
}

void TApCustDlgParams::ConnectForms(QDialog* dialog) {
  dialog_ = dialog;
  extra_width_ = 0;
  extra_height_ = 0;
  grid_ = dialog ? qobject_cast<QGridLayout*>(dialog->layout()) : nullptr;
  if (AllowLeft) CreateFormAs(LeftForm, LeftFormName_);
  if (AllowRight) CreateFormAs(RightForm, RightFormName_);
  if (AllowTop) CreateFormAs(TopForm, TopFormName_);
  if (AllowBottom) CreateFormAs(BottomForm, BottomFormName_);
  CreateFormAs(CustForm, CustFormName_);
  if (!dialog) return;

  const QSize base = dialog->testAttribute(Qt::WA_Resized) ? dialog->size() : dialog->sizeHint();
  last_size_ = base;
  if (!grid_) return;

  QWidget* left = AllowLeft ? LeftForm.data() : nullptr;
  QWidget* right = AllowRight ? RightForm.data() : nullptr;
  QWidget* top = AllowTop ? TopForm.data() : nullptr;
  QWidget* bottom = AllowBottom ? BottomForm.data() : nullptr;
  const int rows = grid_->rowCount();
  const int columns = grid_->columnCount();
  shifted_rows_ = top ? 1 : 0;
  shifted_columns_ = left ? 1 : 0;
  ShiftGrid(grid_, shifted_rows_, shifted_columns_);

  // Each panel keeps its designed size across the sides it shares with the dialog.
  const int L = left ? left->width() : 0;
  const int R = right ? right->width() : 0;
  const int T = top ? top->height() : 0;
  const int B = bottom ? bottom->height() : 0;
  if (left) {
    left->setFixedWidth(L);
    Attach(left, 0, 0, shifted_rows_ + rows, 1);
  }
  if (top) {
    top->setFixedHeight(T);
    Attach(top, 0, shifted_columns_, 1, columns);
  }
  if (right) {
    right->setFixedWidth(R);
    Attach(right, 0, shifted_columns_ + columns, shifted_rows_ + rows, 1);
  }
  if (bottom) {
    bottom->setFixedHeight(B);
    Attach(bottom, shifted_rows_ + rows, 0, 1, shifted_columns_ + columns + (right ? 1 : 0));
  }
  dialog->resize(base.width() + L + R, base.height() + T + B);
  if (Position == dpScrCenter) ApCenterWindow(dialog);
  extra_width_ = L + R;
  extra_height_ = T + B;
}

void TApCustDlgParams::PlaceCustForm(QLayout* place) {
  if (!CustForm || !place) return;
  hosted_.append({CustForm, CustForm->parentWidget(), CustForm->windowFlags()});
  place->addWidget(CustForm);
  CustForm->show();
}

void TApCustDlgParams::DisconnectForms() {
  // Bottom, top, left, right, then the custom form, as they were attached.
  std::stable_sort(hosted_.begin(), hosted_.end(), [this](const Hosted& a, const Hosted& b) {
    auto rank = [this](const QWidget* form) {
      if (form == BottomForm) return 0;
      if (form == TopForm) return 1;
      if (form == LeftForm) return 2;
      if (form == RightForm) return 3;
      return 4;
    };
    return rank(a.form) < rank(b.form);
  });
  for (const Hosted& hosted : hosted_) {
    if (!hosted.form) continue;
    hosted.form->hide();
    // Leaving the dialog takes the form out of whichever layout held it.
    hosted.form->setParent(hosted.home, hosted.flags);
  }
  hosted_.clear();
  if (grid_ && dialog_) ShiftGrid(grid_, -shifted_rows_, -shifted_columns_);
  // The dialog goes back to the size it had before the panels came.
  if (dialog_ && (extra_width_ || extra_height_))
    dialog_->resize(dialog_->width() - extra_width_, dialog_->height() - extra_height_);
  extra_width_ = 0;
  extra_height_ = 0;
  shifted_rows_ = 0;
  shifted_columns_ = 0;
  grid_ = nullptr;
  dialog_ = nullptr;
}

void TApCustDlgParams::OnResizeWindow(const QSize& client_size) {
  SelectionRect.setWidth(SelectionRect.width() + client_size.width() - last_size_.width());
  SelectionRect.setHeight(SelectionRect.height() + client_size.height() - last_size_.height());
  last_size_ = client_size;
}

}  // namespace vornalis::ui
