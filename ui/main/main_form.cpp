// TMainForm: creation, the window's events (the first paint, closing, drops, status tips), the
// end of the program, and the list's selection and context menu. The widgets are made in
// main_form_layout.cpp, the session's view in main_form_view.cpp.
#include "ui/main/main_form.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QItemSelection>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QStatusTipEvent>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <filesystem>

#include "desktop/command_line.h"
#include "desktop/texts.h"
#include "ui/dialogs/assemble_dlg_ext_up.h"
#include "ui/dialogs/error_dlg.h"
#include "ui/dialogs/ext/ap_folder_dlg.h"
#include "ui/dialogs/ext/ap_open_dlg.h"
#include "ui/dialogs/file_new_dialog_ext_lower.h"
#include "ui/dialogs/message_box.h"
#include "ui/dialogs/modal_seam.h"
#include "ui/dialogs/protect_dlg.h"
#include "ui/main/busy_input.h"
#include "ui/main/file_list_model.h"
#include "ui/main/stored_text.h"
#include "ui/widgets/friendly_status_bar.h"
#include "ui/widgets/program_icon.h"

namespace vornalis::ui {
namespace {

std::string CurrentFolder() {
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::current_path(error);
  return error ? std::string() : folder.string();
}

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The local files and folders a drag carries.
std::vector<std::string> DroppedPaths(const QMimeData* data) {
  std::vector<std::string> paths;
  if (!data || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) paths.push_back(ToNativePath(url.toLocalFile()));
  return paths;
}

}  // namespace

TMainForm::TMainForm(const std::vector<std::string>& arguments, platform_qt::FileTypes& types,
                     platform::FileSystem& fs, desktop::Pace::Clock clock, QWidget* parent)
    : QMainWindow(parent), fs_(fs), icons_(types) {
  setObjectName(QStringLiteral("MainForm"));
  CreateActions();
  CreateMenus();
  CreateSpeedBar();
  ErrorDlg_ = new TErrorDlg(this);
  ProtectDlg_ = new TProtectDlg(this);
  setWindowIcon(ProgramIcon());
  CreateCommandDialogs();
  // The session tells the window what to show from its first moment: the list view must be
  // there before it.
  session_ = std::make_unique<desktop::Session>(
      *this, icons_,
      desktop::ParseCommandLine(arguments, ToNativePath(QCoreApplication::applicationFilePath()),
                                CurrentFolder(), fs_),
      fs_, platform::Collator::Default(), std::move(clock));
  CreateBody();
  ListViewFiles->setFocus();
}

TMainForm::~TMainForm() {
  // The view and the model read the session's list, a member that is gone before QObject
  // deletes the children.
  delete ListViewFiles;
  delete Model_;
  ListViewFiles = nullptr;
  Model_ = nullptr;
}

void TMainForm::CreateCommandDialogs() {
  // The piece-size panel lives for the whole run, so it keeps the last choice; the New dialog
  // finds it by its name each time it is shown.
  FileNewDialogExtLower_ = new TFileNewDialogExtLower(this);
  RegisterForm(FileNewDialogExtLower_);
  FileNewDialog_ = new TApSaveDialog(this);
  FileNewDialog_->setObjectName(QStringLiteral("FileNewDialog"));
  FileNewDialog_->Filter = Text(desktop::texts::kNewFilter);
  FileNewDialog_->DefaultExt = QStringLiteral("pec");
  FileNewDialog_->OverwritePrompt = true;
  FileNewDialog_->Resizable = true;
  FileNewDialog_->CustDlgParams.SetBottomFormName(QStringLiteral("FileNewDialogExtLower"));
  FileNewDialog_->DlgItemsCaptions.OK = Text(desktop::texts::kCreateButton);

  FileAddDialog_ = new TApOpenDialog(this);
  FileAddDialog_->setObjectName(QStringLiteral("FileAddDialog"));
  FileAddDialog_->Filter = Text(desktop::texts::kAddFilter);
  FileAddDialog_->AllowMultiSelect = true;
  FileAddDialog_->Resizable = true;
  FileAddDialog_->DlgItemsCaptions.OK = Text(desktop::texts::kAddButton);

  // The assemble panel, like the piece-size panel, lives for the whole run.
  AssembleDlgExtUp_ = new TAssembleDlgExtUp(this);
  RegisterForm(AssembleDlgExtUp_);
  FileAssembleFolderDialog_ = new TApFolderDialog(this);
  FileAssembleFolderDialog_->setObjectName(QStringLiteral("FileAssembleFolderDialog"));
  FileAssembleFolderDialog_->Text = Text(desktop::texts::kFoldersLabel);
  FileAssembleFolderDialog_->Title = Text(desktop::texts::kAssembleFolderTitle);
  FileAssembleFolderDialog_->CustDlgParams.Position = dpScrCenter;
  FileAssembleFolderDialog_->CustDlgParams.SetTopFormName(QStringLiteral("AssembleDlgExtUp"));
  FileAssembleFolderDialog_->DlgItemsCaptions.OK = Text(desktop::texts::kAssembleButton);
  // The dialog opens with the panel's box in focus, so no folder of the tree is taken for the
  // user's choice before the user chose one.
  FileAssembleFolderDialog_->OnShow = [this](TApCustomFolderDialog*) {
    AssembleDlgExtUp_->EditFolderName->setFocus();
  };
  // The panel follows the selected folder.
  FileAssembleFolderDialog_->OnSelectionChange = [this](TApCustomFolderDialog*) {
    if (FileAssembleFolderDialog_->CustDlgParams.TopForm)
      AssembleDlgExtUp_->EditFolderName->setText(FileAssembleFolderDialog_->CurrentPath);
  };

  FileAddFolderDialog_ = new TApFolderDialog(this);
  FileAddFolderDialog_->setObjectName(QStringLiteral("FileAddFolderDialog"));
  FileAddFolderDialog_->Text = Text(desktop::texts::kFoldersLabel);
  FileAddFolderDialog_->Title = Text(desktop::texts::kAddFolderTitle);
  FileAddFolderDialog_->CustDlgParams.Position = dpScrCenter;
  FileAddFolderDialog_->DlgItemsCaptions.OK = Text(desktop::texts::kAddButton);
}

bool TMainForm::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::StatusTip:
      // The hint goes to the status line's simple-mode text; the line stays in panel mode.
      StatusLine->SetSimpleText(static_cast<QStatusTipEvent*>(event)->tip());
      return true;
    case QEvent::Paint:
      // The start-up job runs once the window is on screen, outside the paint itself.
      if (!StartupPosted_) QTimer::singleShot(0, this, [this] { session_->RunStartupJob(); });
      StartupPosted_ = true;
      break;
    default:
      break;
  }
  return QMainWindow::event(event);
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (!session_->MayClose()) {
    event->ignore();
    return;
  }
  session_->CloseForExit();
  event->accept();
}

void TMainForm::EndSession() {
  session_->RequestEnd();
  QCoreApplication::exit(0);
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
  // Taken while the window is idle: into a set that stores, or as a set to open.
  if (session_->TakesDrop() && !DroppedPaths(event->mimeData()).empty())
    event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
  const std::vector<std::string> paths = DroppedPaths(event->mimeData());
  if (!session_->TakesDrop() || paths.empty()) return;
  event->acceptProposedAction();
  // The work starts once the drop is over, so the program the files came from is not held
  // waiting while they are stored.
  QMetaObject::invokeMethod(
      this,
      [this, paths] {
        if (!session_->TakesDrop()) return;
        activateWindow();
        session_->Drop(paths);
      },
      Qt::QueuedConnection);
}

void TMainForm::ListViewFilesSelectItem(const QItemSelection& selected,
                                        const QItemSelection& deselected) {
  auto apply = [this](const QItemSelection& rows, bool on) {
    for (const QItemSelectionRange& range : rows) {
      if (range.left() != 0) continue;  // each row once, by the range holding its first column
      for (int row = range.top(); row <= range.bottom(); ++row)
        session_->RowSelected(static_cast<std::size_t>(row), on);
    }
  };
  apply(deselected, false);
  apply(selected, true);
}

void TMainForm::ListViewFilesContextMenu(const QPoint& at) {
  if (!session_->ShowsListMenu()) return;
  QMenu menu(this);
  menu.setObjectName(QStringLiteral("ListContextMenu"));
  for (const std::optional<desktop::Command>& entry : desktop::ListMenu()) {
    if (!entry) menu.addSeparator();
    for (const auto& [which, action] : Actions_)
      if (entry && which == *entry) menu.addAction(action);
  }
  modal::Popup(menu, ListViewFiles->viewport()->mapToGlobal(at));
}

}  // namespace vornalis::ui
