#include "ui/dialogs/ext/ap_open_dlg.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QDialogButtonBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QToolButton>

#include "ui/dialogs/message_box.h"
#include "ui/dialogs/modal_seam.h"

namespace vornalis::ui {

// Qt's dialog with the questions before accepting a name asked through the program's modal
// seam: replacing an existing file and a file to open that is not there.
class TApFileDialogWindow : public QFileDialog {
 public:
  TApFileDialogWindow(TApCustomOpenDialog& component, QWidget* parent)
      : QFileDialog(parent), component_(component) {}

  void accept() override {
    auto* name_box = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (name_box && focusWidget() == name_box) {
      bool proceed = true;
      component_.DoFilenameEntering(proceed);
      if (!proceed) return;
    }
    if (!component_.DoCanClose()) return;
    const QString typed = name_box ? name_box->text() : QString();
    const bool pattern = typed.contains(QLatin1Char('*')) || typed.contains(QLatin1Char('?'));
    const QStringList chosen = selectedFiles();
    if (!pattern && acceptMode() == AcceptSave && component_.OverwritePrompt &&
        chosen.size() == 1) {
      const QFileInfo file(chosen.first());
      if (file.exists() && !file.isDir() &&
          !MessageBox::Warning(this,
                               file.fileName() + QStringLiteral(" already exists.\nDo you want to "
                                                                "replace it?")))
        return;
    }
    if (!pattern && acceptMode() == AcceptOpen) {
      for (const QString& path : chosen) {
        if (QFileInfo::exists(path)) continue;
        MessageBox::Error(this, QFileInfo(path).fileName() +
                                    QStringLiteral("\nFile not found.\nCheck the file name and "
                                                   "try again."));
        return;
      }
    }
    QFileDialog::accept();
  }

 private:
  TApCustomOpenDialog& component_;
};

namespace {

// Restores the panels when Execute leaves, also by an exception.
struct Disconnector {
  TApCustDlgParams& params;
  ~Disconnector() { params.DisconnectForms(); }
};

}  // namespace

TApOpenDlgControls AllOpenDlgControls() {
  return {dcFolderCombo, dcFolderLabel,   dcSelectionCtrl, dcOkBtn,         dcCancelBtn,
          dcFileName,    dcFileNameLabel, dcFileType,      dcFileTypeLabel, dcToolBar};
}

QStringList ApNameFilters(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns;
    for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      const QString trimmed = pattern.trimmed();
      // On this dialog "*.*" would only match names with a dot.
      patterns.append(trimmed == QStringLiteral("*.*") ? QStringLiteral("*") : trimmed);
    }
    filters.append(parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                   QLatin1Char(')'));
  }
  return filters;
}

TApCustomOpenDialog::TApCustomOpenDialog(Kind kind, QWidget* owner)
    : QObject(owner), CustDlgParams(this), kind_(kind), owner_(owner) {}

TApCustomOpenDialog::~TApCustomOpenDialog() = default;

bool TApCustomOpenDialog::Execute() {
  if (modal::AnsweringInAdvance() && !modal::ShowingFileDialogs()) {
    for (;;) {
      const QString answer = modal::TakeFileName();
      if (answer.isEmpty()) return false;
      Files = answer.split(QLatin1Char('\n'));
      FileName = Files.first();
      if (DoCanClose()) return true;
    }
  }

  TApFileDialogWindow dialog(*this, owner_);
  bool accepted = false;
  {
    Disconnector disconnector{CustDlgParams};
    SetUp(dialog);
    dialog_ = &dialog;
    DoShow();
    accepted = dialog.exec() == QDialog::Accepted;
    DoClose();
    dialog.removeEventFilter(this);
  }
  dialog_ = nullptr;
  if (!accepted) return false;
  Files.clear();
  for (const QString& path : dialog.selectedFiles()) Files.append(QDir::toNativeSeparators(path));
  FileName = Files.value(0);
  return !FileName.isEmpty();
}

void TApCustomOpenDialog::SetUp(QFileDialog& dialog) {
  dialog.setObjectName(objectName());
  if (owner_) dialog.setWindowIcon(owner_->window()->windowIcon());
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);  // asked in accept(), through the seam
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  if (kind_ == Kind::kSave) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(AllowMultiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
  }
  const QStringList filters = ApNameFilters(Filter);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  dialog.setDefaultSuffix(DefaultExt);
  if (!InitialDir.isEmpty() && QDir(InitialDir).exists()) dialog.setDirectory(InitialDir);
  if (!FileName.isEmpty()) dialog.selectFile(FileName);
  if (!Title.isEmpty()) dialog.setWindowTitle(Title);
  dialog.setSizeGripEnabled(Resizable);
  DlgItemsCaptions.SetCaptions(&dialog);

  CustDlgParams.ConnectForms(&dialog);
  if (SelectionType == stCustom) {
    auto* list = dialog.findChild<QStackedWidget*>(QStringLiteral("stackedWidget"));
    if (list && list->parentWidget()) CustDlgParams.PlaceCustForm(list->parentWidget()->layout());
  }
  ApplyVisibleControls(dialog);
  if (!Resizable) dialog.setFixedSize(dialog.size());

  connect(&dialog, &QFileDialog::directoryEntered, this,
          [this](const QString& folder) { DoFolderChange(folder); });
  connect(&dialog, &QFileDialog::currentChanged, this,
          [this](const QString& path) { DoSelectionChange(path); });
  if (auto* name_box = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
    connect(name_box, &QLineEdit::textChanged, this, [this] { DoFilenameChange(); });
  if (auto* up = dialog.findChild<QToolButton*>(QStringLiteral("toParentButton")))
    connect(up, &QToolButton::clicked, this, [this] { DoUpLevelNavigate(); });
  if (auto* back = dialog.findChild<QToolButton*>(QStringLiteral("backButton")))
    connect(back, &QToolButton::clicked, this, [this] { DoLastFolderNavigate(); });
  KeepOkCaption(dialog);
  dialog.installEventFilter(this);
}

void TApCustomOpenDialog::KeepOkCaption(QFileDialog& dialog) {
  // Qt's dialog names its button "Open" while a folder is selected, whatever the caption set;
  // the program's caption comes back after each of its updates (made on the same signals,
  // connected earlier, so they run first).
  if (DlgItemsCaptions.OK.isEmpty()) return;
  auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
  QPushButton* ok = buttons ? buttons->button(QDialogButtonBox::Open) : nullptr;
  if (!ok) ok = buttons ? buttons->button(QDialogButtonBox::Save) : nullptr;
  if (!ok) return;
  const QString caption = DlgItemsCaptions.OK;
  auto restore = [ok, caption] { ok->setText(caption); };
  if (auto* name_box = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
    connect(name_box, &QLineEdit::textChanged, ok, restore);
  for (auto* view : dialog.findChildren<QAbstractItemView*>()) {
    if (!view->selectionModel()) continue;
    connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, ok, restore);
    connect(view->selectionModel(), &QItemSelectionModel::currentChanged, ok, restore);
  }
  connect(&dialog, &QFileDialog::directoryEntered, ok, restore);
  connect(&dialog, &QFileDialog::currentChanged, ok, restore);
  restore();
}

void TApCustomOpenDialog::ApplyVisibleControls(QFileDialog& dialog) {
  auto show = [&dialog](const char* name, bool visible) {
    if (auto* widget = dialog.findChild<QWidget*>(QString::fromLatin1(name)))
      widget->setVisible(visible);
  };
  auto has = [this](TApOpenDlgControl control) { return VisibleControls.count(control) > 0; };
  show("lookInCombo", has(dcFolderCombo));
  show("lookInLabel", has(dcFolderLabel));
  show("fileNameEdit", has(dcFileName));
  show("fileNameLabel", has(dcFileNameLabel));
  show("fileTypeCombo", has(dcFileType));
  show("fileTypeLabel", has(dcFileTypeLabel));
  for (const char* button : {"backButton", "forwardButton", "toParentButton", "newFolderButton",
                             "listModeButton", "detailModeButton"})
    show(button, has(dcToolBar));
  const bool custom = SelectionType == stCustom && CustDlgParams.CustForm;
  show("stackedWidget", has(dcSelectionCtrl) && !custom);
  if (custom) CustDlgParams.CustForm->setVisible(has(dcSelectionCtrl));
  if (auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))) {
    for (QAbstractButton* button : buttons->buttons()) {
      const QDialogButtonBox::ButtonRole role = buttons->buttonRole(button);
      if (role == QDialogButtonBox::AcceptRole) button->setVisible(has(dcOkBtn));
      if (role == QDialogButtonBox::RejectRole) button->setVisible(has(dcCancelBtn));
    }
  }
}

bool TApCustomOpenDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == dialog_) {
    if (event->type() == QEvent::Show) {
      // The list's place is known once the dialog is laid out for showing.
      if (auto* list = dialog_->findChild<QWidget*>(QStringLiteral("stackedWidget")))
        CustDlgParams.SelectionRect =
            QRect(list->mapTo(dialog_.data(), QPoint(0, 0)), list->size());
    } else if (event->type() == QEvent::Resize) {
      CustDlgParams.OnResizeWindow(dialog_->size());
    }
  }
  return QObject::eventFilter(watched, event);
}

QString TApCustomOpenDialog::GetSelPath() const {
  return dialog_ ? QDir::toNativeSeparators(dialog_->directory().absolutePath()) : QString();
}

QString TApCustomOpenDialog::GetFNameText() const {
  if (!dialog_) return QString();
  auto* name_box = dialog_->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  return name_box ? name_box->text() : QString();
}

void TApCustomOpenDialog::SetFNameText(const QString& text) {
  if (!dialog_) return;
  if (auto* name_box = dialog_->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
    name_box->setText(text);
}

QString TApCustomOpenDialog::GetSelFiles() const { return GetFNameText(); }

QStringList TApCustomOpenDialog::GetSelFilesList() const {
  const QString text = GetSelFiles();
  if (!text.startsWith(QLatin1Char('"'))) return text.isEmpty() ? QStringList() : QStringList{text};
  QStringList names;
  static const QRegularExpression quoted(QStringLiteral("\"([^\"]*)\""));
  for (const QRegularExpressionMatch& match : quoted.globalMatch(text))
    names.append(match.captured(1));
  return names;
}

void TApCustomOpenDialog::SetSelPath(const QString& folder) {
  if (!dialog_ || !QDir(folder).exists()) return;
  const QString text = GetFNameText();
  dialog_->setDirectory(folder);
  SetFNameText(text);
  DoFolderChange(GetSelPath());
}

void TApCustomOpenDialog::DoShow() {
  if (OnShow) OnShow(this);
}

void TApCustomOpenDialog::DoClose() {
  if (OnClose) OnClose(this);
}

void TApCustomOpenDialog::DoFolderChange(const QString& folder) {
  if (OnFolderChange) OnFolderChange(this, folder);
}

void TApCustomOpenDialog::DoSelectionChange(const QString& path) {
  if (OnSelectionChange) OnSelectionChange(this, path);
}

void TApCustomOpenDialog::DoFilenameChange() {
  if (OnFilenameChange) OnFilenameChange(this);
}

void TApCustomOpenDialog::DoFilenameEntering(bool& proceed) {
  if (OnFilenameEntering) OnFilenameEntering(this, proceed);
}

bool TApCustomOpenDialog::DoCanClose() {
  bool can_close = true;
  if (OnCanClose) OnCanClose(this, can_close);
  return can_close;
}

void TApCustomOpenDialog::DoUpLevelNavigate() {
  if (OnUpLevelNavigate) OnUpLevelNavigate(this);
}

void TApCustomOpenDialog::DoLastFolderNavigate() {
  if (OnLastFolderNavigate) OnLastFolderNavigate(this);
}

}  // namespace vornalis::ui
