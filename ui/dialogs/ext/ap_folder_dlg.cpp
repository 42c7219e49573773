#include "ui/dialogs/ext/ap_folder_dlg.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include "ui/dialogs/modal_seam.h"

namespace vornalis::ui {

// The dialog window: OK is acted on only when the component's OnCanClose allows it, and the
// dialog is centred again once it is on screen, when its frame is known.
class TApFolderDialogWindow : public QDialog {
 public:
  TApFolderDialogWindow(TApCustomFolderDialog& component, QWidget* parent)
      : QDialog(parent), component_(component) {}

  void accept() override {
    if (!component_.DoCanClose()) return;
    QDialog::accept();
  }

 protected:
  void showEvent(QShowEvent* event) override {
    QDialog::showEvent(event);
    if (component_.CustDlgParams.Position == dpScrCenter) ApCenterWindow(this);
  }

 private:
  TApCustomFolderDialog& component_;
};

namespace {

constexpr QSize kDialogSize(330, 360);

// Restores the panels when Execute leaves, also by an exception.
struct Disconnector {
  TApCustDlgParams& params;
  ~Disconnector() { params.DisconnectForms(); }
};

QString NativePath(const QString& path) {
  return path.isEmpty() ? QString() : QDir::toNativeSeparators(path);
}

QString DisplayName(const QString& path) {
  const QString name = QFileInfo(path).fileName();
  return name.isEmpty() ? path : name;
}

}  // namespace

TApCustomFolderDialog::TApCustomFolderDialog(QWidget* owner)
    : QObject(owner), CustDlgParams(this), owner_(owner) {}

TApCustomFolderDialog::~TApCustomFolderDialog() = default;

QString TApCustomFolderDialog::RootPath() const {
  auto location = [](QStandardPaths::StandardLocation where) {
    return QStandardPaths::writableLocation(where);
  };
  switch (SpecialIniFolder) {
    case ftNone:
      return InitialDir;
    case ftDesktop:
    case ftDesktopDir:
      return location(QStandardPaths::DesktopLocation);
    case ftPersonal:
      return location(QStandardPaths::DocumentsLocation);
    case ftFonts:
      return location(QStandardPaths::FontsLocation);
    case ftPrograms:
      return location(QStandardPaths::ApplicationsLocation);
    case ftTemplates:
      return location(QStandardPaths::HomeLocation);
    case ftDrives:
      break;
  }
  return QString();
}

bool TApCustomFolderDialog::Execute() {
  if (modal::AnsweringInAdvance() && !modal::ShowingFileDialogs()) {
    // Each queued name is a folder selected and confirmed; the panels are found as for a
    // showing, so the handlers see them.
    CustDlgParams.ConnectForms(nullptr);
    for (;;) {
      const QString answer = modal::TakeFolderName(objectName());
      if (answer.isEmpty()) {
        CurrentPath.clear();
        return false;
      }
      SelectPath(answer);
      if (!DoCanClose()) continue;
      FolderName = CurrentPath;
      FolderDisplayName = DisplayName(CurrentPath);
      CurrentPath.clear();
      return true;
    }
  }

  TApFolderDialogWindow dialog(*this, owner_);
  dialog.setObjectName(objectName());
  if (owner_) dialog.setWindowIcon(owner_->window()->windowIcon());
  dialog.setWindowTitle(Title.isEmpty() ? QStringLiteral("Browse for Folder") : Title);

  auto* grid = new QGridLayout(&dialog);
  auto* label = new QLabel(Text.left(127), &dialog);
  label->setObjectName(QStringLiteral("labelText"));
  label->setWordWrap(true);
  selection_place_ = new QWidget(&dialog);
  selection_place_->setObjectName(QStringLiteral("selectionPlace"));
  auto* place_layout = new QVBoxLayout(selection_place_);
  place_layout->setContentsMargins(0, 0, 0, 0);
  tree_ = new QTreeView(selection_place_);
  tree_->setObjectName(QStringLiteral("TreeViewFolders"));
  place_layout->addWidget(tree_);
  label->setBuddy(tree_);
  status_ = new QLabel(StatusText, &dialog);
  status_->setObjectName(QStringLiteral("labelStatus"));
  status_->setVisible(Options.count(ffStatusText) > 0);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel,
                                       Qt::Horizontal, &dialog);
  buttons->setObjectName(QStringLiteral("buttonBox"));
  grid->addWidget(label, 0, 0);
  grid->addWidget(selection_place_, 1, 0);
  grid->addWidget(status_, 2, 0);
  grid->addWidget(buttons, 3, 0);
  grid->setRowStretch(1, 1);
  connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

  auto* model = new QFileSystemModel(&dialog);
  model->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
  model->setReadOnly(true);
  const QString root = RootPath();
  model->setRootPath(root);
  tree_->setModel(model);
  for (int column = 1; column < model->columnCount(); ++column) tree_->hideColumn(column);
  tree_->header()->hide();
  if (!root.isEmpty()) tree_->setRootIndex(model->index(root));
  // A change of the selection is the user's choice; the current item alone also moves when the
  // tree merely takes the focus, and that chooses nothing.
  connect(tree_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this, model] {
    const QModelIndexList chosen = tree_->selectionModel()->selectedRows();
    SelectPath(chosen.isEmpty() ? QString() : model->filePath(chosen.first()));
  });

  dialog.resize(kDialogSize);
  bool accepted = false;
  {
    Disconnector disconnector{CustDlgParams};
    CustDlgParams.ConnectForms(&dialog);
    dialog_ = &dialog;
    RefreshSelCtrl();
    DlgItemsCaptions.SetCaptions(&dialog);
    buttons->button(QDialogButtonBox::Ok)->setEnabled(ok_enabled_);
    SelectStartFolder();
    ChainFocus(buttons);
    DoShow();
    accepted = dialog.exec() == QDialog::Accepted;
    DoClose();
  }
  if (accepted) {
    FolderName = CurrentPath;
    FolderDisplayName = DisplayName(CurrentPath);
  }
  dialog_ = nullptr;
  tree_ = nullptr;
  selection_place_ = nullptr;
  status_ = nullptr;
  CurrentPath.clear();
  return accepted;
}

void TApCustomFolderDialog::SelectPath(const QString& path) {
  CurrentPath = NativePath(path);
  DoSelectionChange();
}

void TApCustomFolderDialog::SelectStartFolder() {
  auto* model = tree_ ? qobject_cast<QFileSystemModel*>(tree_->model()) : nullptr;
  if (!model || StartFolder.isEmpty() || !QFileInfo(StartFolder).isDir()) return;
  const QModelIndex index = model->index(QDir::fromNativeSeparators(StartFolder));
  if (!index.isValid()) return;
  // The tree stands at the folder without selecting it: a selection is the user's choice.
  tree_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
  tree_->scrollTo(index);  // opens the folders above it
  // The model lists and sorts folders in the background: rows that arrive above the start
  // folder push it down, so it is brought back into view, once the view has laid them out,
  // until the user moves elsewhere.
  const QPersistentModelIndex start(index);
  const auto keep_in_view = [tree = tree_, start] {
    QTimer::singleShot(0, tree, [tree, start] {
      if (start.isValid() && tree->currentIndex() == start)
        tree->scrollTo(start, QAbstractItemView::PositionAtCenter);
    });
  };
  connect(model, &QFileSystemModel::rowsInserted, tree_, keep_in_view);
  connect(model, &QFileSystemModel::layoutChanged, tree_, keep_in_view);
}

void TApCustomFolderDialog::ChainFocus(QWidget* buttons) {
  QList<QWidget*> chain;
  if (QWidget* top = CustDlgParams.TopForm) {
    for (QWidget* child : top->findChildren<QWidget*>())
      if (child->focusPolicy() & Qt::TabFocus) chain.append(child);
  }
  chain.append(tree_);
  for (QWidget* child : buttons->findChildren<QPushButton*>()) chain.append(child);
  for (int i = 1; i < chain.size(); ++i) QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void TApCustomFolderDialog::RefreshSelCtrl() {
  if (!dialog_ || !tree_) return;
  const bool custom = SelectionType == stCustom && CustDlgParams.CustForm;
  tree_->setVisible(!custom);
  if (custom) CustDlgParams.PlaceCustForm(selection_place_->layout());
}

void TApCustomFolderDialog::SetOk(bool enabled) {
  ok_enabled_ = enabled;
  if (!dialog_) return;
  if (auto* buttons = dialog_->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox")))
    buttons->button(QDialogButtonBox::Ok)->setEnabled(enabled);
}

void TApCustomFolderDialog::SetStatus(const QString& text) {
  StatusText = text;
  if (status_ && Options.count(ffStatusText) > 0) status_->setText(text);
}

void TApCustomFolderDialog::DoSelectionChange() {
  if (OnSelectionChange) OnSelectionChange(this);
}

bool TApCustomFolderDialog::DoCanClose() {
  bool can_close = true;
  if (OnCanClose) OnCanClose(this, can_close);
  return can_close;
}

void TApCustomFolderDialog::DoShow() {
  if (OnShow) OnShow(this);
}

void TApCustomFolderDialog::DoClose() {
  if (OnClose) OnClose(this);
}

}  // namespace vornalis::ui
