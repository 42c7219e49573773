// TMainForm: its actions, menus, toolbar, list and status line, and the one place that decides
// which of them are enabled.
#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "ui/main/file_list_model.h"
#include "ui/main/main_form.h"
#include "ui/widgets/friendly_status_bar.h"

namespace vornalis::ui {
namespace {

constexpr int kSpeedBarHeight = 80;
constexpr QSize kSpeedButtonSize(64, 71);
constexpr QSize kSpeedIconSize(32, 32);
constexpr int kClientWidth = 405;
constexpr int kClientHeight = 257;
constexpr int kSelectionPanelWidth = 200;
constexpr int kColumnWidths[] = {96, 95, 95, 95};

struct ActionDef {
  QAction** action;
  const char* object_name;
  const char* text;
  const char* icon_text;  // caption of its toolbar button, if it has one
  QKeySequence shortcut;
  const char* hint;
  void (TMainForm::*slot)();
};

QIcon ThemeIcon(const char* name, QStyle::StandardPixmap fallback) {
  return QIcon::fromTheme(QString::fromLatin1(name), qApp->style()->standardIcon(fallback));
}

}  // namespace

void TMainForm::CreateActions() {
  const ActionDef defs[] = {
      {&ActionFileNew, "ActionFileNew", "&New", "New", QKeySequence(Qt::CTRL | Qt::Key_N), "",
       &TMainForm::FileNew},
      {&ActionFileOpen, "ActionFileOpen", "&Open", "Open", QKeySequence(Qt::CTRL | Qt::Key_O), "",
       &TMainForm::FileOpenFunc},
      {&ActionFileClose, "ActionFileClose", "&Close", "Close", QKeySequence(Qt::CTRL | Qt::Key_C),
       "", &TMainForm::ActionFileCloseExecute},
      {&ActionFileExit, "ActionFileExit", "E&xit", "", QKeySequence(), "Exit this application",
       &TMainForm::FileExit},
      {&ActionAdd, "ActionAdd", "&Add", "Add", QKeySequence(Qt::CTRL | Qt::Key_A), "",
       &TMainForm::ActionAddExecute},
      {&ActionAddFolder, "ActionAddFolder", "Add &Folder...", "", QKeySequence(),
       "Add a folder with everything in it", &TMainForm::ActionAddFolderExecute},
      // Ctrl+A is Add's, so selecting every row takes Ctrl+Shift+A.
      {&ActionSelectAll, "ActionSelectAll", "Select &All", "",
       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A), "", &TMainForm::ActionSelectAllExecute},
      {&ActionAssemble, "ActionAssemble", "A&ssemble", "Assemble",
       QKeySequence(Qt::CTRL | Qt::Key_S), "", &TMainForm::ActionAssembleExecute},
      {&ActionMakeExe, "ActionMakeExe", "&Make .EXE", "", QKeySequence(), "",
       &TMainForm::ActionMakeExeExecute},
      {&ActionVerify, "ActionVerify", "&Verify", "", QKeySequence(),
       "Check the set's pieces, every byte of them where recovery files lie beside it",
       &TMainForm::ActionVerifyExecute},
      {&ActionProtect, "ActionProtect", "&Protect...", "", QKeySequence(),
       "Make recovery files, from which a lost or damaged piece can be rebuilt",
       &TMainForm::ActionProtectExecute},
      {&ActionRepair, "ActionRepair", "&Repair", "", QKeySequence(),
       "Rebuild lost and damaged pieces from the recovery files", &TMainForm::ActionRepairExecute},
      {&ActionHelpContents, "ActionHelpContents", "&Contents && Index", "",
       QKeySequence(Qt::Key_F1), "Display the help contents screen", &TMainForm::HelpContents},
      {&ActionHelpHowToUse, "ActionHelpHowToUse", "&How to Use Help", "", QKeySequence(),
       "Help on using the help system", &TMainForm::HelpHowToUse},
      {&ActionHelpAbout, "ActionHelpAbout", "&About...", "", QKeySequence(),
       "Show program information", &TMainForm::HelpAbout},
  };
  for (const ActionDef& def : defs) {
    auto* action = new QAction(QString::fromLatin1(def.text), this);
    action->setObjectName(QString::fromLatin1(def.object_name));
    if (*def.icon_text) action->setIconText(QString::fromLatin1(def.icon_text));
    action->setShortcut(def.shortcut);
    // Shortcuts work wherever the focus is in the window, the list included.
    action->setShortcutContext(Qt::WindowShortcut);
    if (*def.hint) {
      action->setToolTip(QString::fromLatin1(def.hint));
      action->setStatusTip(QString::fromLatin1(def.hint));
    }
    connect(action, &QAction::triggered, this, def.slot);
    addAction(action);
    *def.action = action;
  }
  ActionFileNew->setIcon(ThemeIcon("document-new", QStyle::SP_FileIcon));
  ActionFileOpen->setIcon(ThemeIcon("document-open", QStyle::SP_DialogOpenButton));
  ActionAdd->setIcon(ThemeIcon("list-add", QStyle::SP_FileDialogNewFolder));
  ActionAssemble->setIcon(ThemeIcon("document-save", QStyle::SP_DialogSaveButton));
  ActionFileClose->setIcon(ThemeIcon("window-close", QStyle::SP_DialogCloseButton));
  ActionHelpContents->setIcon(ThemeIcon("help-contents", QStyle::SP_DialogHelpButton));
}

void TMainForm::CreateMenus() {
  FileMenu = menuBar()->addMenu(QStringLiteral("&File"));
  FileMenu->setObjectName(QStringLiteral("FileMenu"));
  FileMenu->addAction(ActionFileNew);
  FileMenu->addAction(ActionFileOpen);
  FileMenu->addAction(ActionFileClose);
  FileMenu->addSeparator();
  FileMenu->addAction(ActionFileExit);

  Action1 = menuBar()->addMenu(QStringLiteral("&Action"));
  Action1->setObjectName(QStringLiteral("Action1"));
  Action1->addAction(ActionAdd);
  Action1->addAction(ActionAddFolder);
  Action1->addAction(ActionAssemble);
  Action1->addAction(ActionMakeExe);
  Action1->addAction(ActionVerify);
  Action1->addAction(ActionProtect);
  Action1->addAction(ActionRepair);

  HelpMenu = menuBar()->addMenu(QStringLiteral("&Help"));
  HelpMenu->setObjectName(QStringLiteral("HelpMenu"));
  HelpMenu->addAction(ActionHelpContents);
  HelpMenu->addAction(ActionHelpHowToUse);
  HelpMenu->addSeparator();
  HelpMenu->addAction(ActionHelpAbout);
}

void TMainForm::CreateSpeedBar() {
  SpeedBar = new QToolBar(this);
  SpeedBar->setObjectName(QStringLiteral("SpeedBar"));
  SpeedBar->setMovable(false);
  SpeedBar->setFloatable(false);
  SpeedBar->setFixedHeight(kSpeedBarHeight);
  SpeedBar->setIconSize(kSpeedIconSize);
  SpeedBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  SpeedBar->toggleViewAction()->setVisible(false);

  auto add_button = [this](QAction* action, const char* object_name) {
    auto* button = new QToolButton(SpeedBar);
    button->setObjectName(QString::fromLatin1(object_name));
    button->setDefaultAction(action);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setFixedSize(kSpeedButtonSize);
    // Speed buttons never take the focus: the file list keeps it.
    button->setFocusPolicy(Qt::NoFocus);
    SpeedBar->addWidget(button);
    return button;
  };
  add_button(ActionFileNew, "SpeedButtonNew");
  add_button(ActionFileOpen, "SpeedButtonOpen");
  add_button(ActionAdd, "SpeedButtonAdd");
  add_button(ActionAssemble, "SpeedButtonAssemble");
  add_button(ActionFileClose, "SpeedButtonClose");

  // "Help" runs the help contents but carries a hint of its own, so it is not the action's
  // own button (which would take the action's hint).
  auto* help = new QToolButton(SpeedBar);
  help->setObjectName(QStringLiteral("SpeedButtonHelp"));
  help->setText(QStringLiteral("Help"));
  help->setIcon(ActionHelpContents->icon());
  help->setToolTip(QStringLiteral("Help Contents"));
  help->setStatusTip(QStringLiteral("Help Contents"));
  help->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  help->setAutoRaise(true);
  help->setFixedSize(kSpeedButtonSize);
  help->setIconSize(kSpeedIconSize);
  help->setFocusPolicy(Qt::NoFocus);
  connect(help, &QToolButton::clicked, ActionHelpContents, &QAction::trigger);
  SpeedBar->addWidget(help);
}

void TMainForm::CreateBody() {
  auto* body = new QWidget(this);
  body->setObjectName(QStringLiteral("Body"));
  auto* layout = new QVBoxLayout(body);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  // The list keeps 2 pixels from the toolbar, the status line and the window's sides.
  ListViewFiles = new QTreeView(body);
  ListViewFiles->setObjectName(QStringLiteral("ListViewFiles"));
  ListViewFiles->setModel(Model_);
  ListViewFiles->setRootIsDecorated(false);
  ListViewFiles->setItemsExpandable(false);
  ListViewFiles->setUniformRowHeights(true);
  ListViewFiles->setAllColumnsShowFocus(true);
  ListViewFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
  ListViewFiles->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListViewFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListViewFiles->setIconSize(QSize(16, 16));
  ListViewFiles->setSortingEnabled(false);
  QHeaderView* header = ListViewFiles->header();
  header->setSectionsMovable(false);
  header->setSectionsClickable(true);
  // The widths are where the columns start; each can be resized, and the last one reaches
  // the list's right edge.
  header->setStretchLastSection(true);
  header->setSectionResizeMode(QHeaderView::Interactive);
  header->setSortIndicatorShown(false);  // the model's header images mark the sort
  for (int column = 0; column < FileListModel::kColumnCount; ++column)
    header->resizeSection(column, kColumnWidths[column]);
  connect(header, &QHeaderView::sectionClicked, this, &TMainForm::ListViewFilesColumnClick);
  connect(ListViewFiles->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &TMainForm::ListViewFilesSelectItem);
  ListViewFiles->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(ListViewFiles, &QWidget::customContextMenuRequested, this,
          &TMainForm::ListViewFilesContextMenu);
  // A double-click on a divider sizes the column before it to its content (QTreeView's own).
  setAcceptDrops(true);

  auto* list_frame = new QVBoxLayout();
  list_frame->setContentsMargins(2, 2, 2, 2);
  list_frame->addWidget(ListViewFiles);

  StatusLine = new TFriendlyStatusBar(body);
  StatusLine->setObjectName(QStringLiteral("StatusLine"));
  StatusLine->AddPanel(kSelectionPanelWidth, QStringLiteral("Ready"));
  StatusLine->AddPanel(kSelectionPanelWidth);

  // The progress bar lies over the left panel, inside it, and stays hidden until a long
  // command runs.
  ProgressBar1 = new QProgressBar(StatusLine);
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setGeometry(0, 2, StatusLine->PanelWidth(0) - 1, StatusLine->height() - 2);
  ProgressBar1->hide();

  layout->addWidget(SpeedBar);
  layout->addLayout(list_frame, 1);
  layout->addWidget(StatusLine);
  setCentralWidget(body);
  resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
}

void TMainForm::updateActions() {
  // While a long command runs nothing else may start, by button, menu or key.
  const bool idle = !Busy_;
  for (QAction* action : {ActionFileNew, ActionFileOpen, ActionFileExit, ActionHelpContents,
                          ActionHelpHowToUse, ActionHelpAbout})
    action->setEnabled(idle);
  for (QAction* action : {ActionFileClose, ActionAssemble, ActionMakeExe, ActionVerify,
                          ActionProtect, ActionRepair, ActionSelectAll})
    action->setEnabled(idle && SetOpen_);
  // A set opened read-only, or whose catalogue could not be read, takes no files.
  for (QAction* action : {ActionAdd, ActionAddFolder})
    action->setEnabled(idle && SetOpen_ && CurrentSet_ && CurrentSet_->CanStore());
  SpeedBar->setEnabled(idle);
  for (QMenu* menu : {FileMenu, Action1, HelpMenu}) {
    menu->setEnabled(idle);
    menu->menuAction()->setEnabled(idle);
  }
}

}  // namespace vornalis::ui
