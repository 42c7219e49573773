// TMainForm: its actions, menus and toolbar, made from the session's command table, and its list
// and status line.
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

#include "desktop/commands.h"
#include "desktop/texts.h"
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

QIcon ThemeIcon(const char* name, QStyle::StandardPixmap fallback) {
  return QIcon::fromTheme(QString::fromLatin1(name), qApp->style()->standardIcon(fallback));
}

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The pictures of the commands that have a toolbar button.
QIcon IconOf(desktop::Command command) {
  switch (command) {
    case desktop::Command::kNew:
      return ThemeIcon("document-new", QStyle::SP_FileIcon);
    case desktop::Command::kOpen:
      return ThemeIcon("document-open", QStyle::SP_DialogOpenButton);
    case desktop::Command::kAdd:
      return ThemeIcon("list-add", QStyle::SP_FileDialogNewFolder);
    case desktop::Command::kAssemble:
      return ThemeIcon("document-save", QStyle::SP_DialogSaveButton);
    case desktop::Command::kClose:
      return ThemeIcon("window-close", QStyle::SP_DialogCloseButton);
    case desktop::Command::kHelpContents:
      return ThemeIcon("help-contents", QStyle::SP_DialogHelpButton);
    default:
      return QIcon();
  }
}

}  // namespace

void TMainForm::CreateActions() {
  for (const desktop::CommandInfo& info : desktop::CommandTable()) {
    auto* action = new QAction(Text(info.text), this);
    action->setObjectName(Text(info.object_name));
    if (!info.button_text.empty()) action->setIconText(Text(info.button_text));
    action->setIcon(IconOf(info.command));
    action->setShortcut(QKeySequence(Text(info.shortcut)));
    // Shortcuts work wherever the focus is in the window, the list included.
    action->setShortcutContext(Qt::WindowShortcut);
    if (!info.hint.empty()) {
      action->setToolTip(Text(info.hint));
      action->setStatusTip(Text(info.hint));
    }
    const desktop::Command command = info.command;
    connect(action, &QAction::triggered, this, [this, command] { session_->Run(command); });
    addAction(action);
    Actions_.emplace_back(command, action);
  }
}

void TMainForm::CreateMenus() {
  for (const desktop::MenuInfo& info : desktop::Menus()) {
    QMenu* menu = menuBar()->addMenu(Text(info.text));
    menu->setObjectName(Text(info.object_name));
    for (const std::optional<desktop::Command>& entry : info.entries) {
      if (!entry) {
        menu->addSeparator();
        continue;
      }
      menu->addAction(Actions_[static_cast<std::size_t>(*entry)].second);
    }
    Menus_.push_back(menu);
  }
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

  for (const desktop::ButtonInfo& info : desktop::kButtons) {
    QAction* action = Actions_[static_cast<std::size_t>(info.command)].second;
    auto* button = new QToolButton(SpeedBar);
    button->setObjectName(Text(info.object_name));
    if (info.command == desktop::Command::kHelpContents) {
      // "Help" runs the help contents but carries a hint of its own, so it is not the action's
      // own button (which would take the action's hint).
      button->setText(Text(desktop::kHelpButtonText));
      button->setIcon(action->icon());
      button->setToolTip(Text(desktop::kHelpButtonHint));
      button->setStatusTip(Text(desktop::kHelpButtonHint));
      button->setIconSize(kSpeedIconSize);
      connect(button, &QToolButton::clicked, action, &QAction::trigger);
    } else {
      button->setDefaultAction(action);
    }
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setFixedSize(kSpeedButtonSize);
    // Speed buttons never take the focus: the file list keeps it.
    button->setFocusPolicy(Qt::NoFocus);
    SpeedBar->addWidget(button);
  }
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
  Model_ = new FileListModel(session_->List(), icons_, this);
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
  for (int column = 0; column < desktop::FileList::kColumnCount; ++column)
    header->resizeSection(column, kColumnWidths[column]);
  connect(header, &QHeaderView::sectionClicked, this,
          [this](int column) { session_->ColumnClicked(column); });
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
  StatusLine->AddPanel(kSelectionPanelWidth, Text(desktop::texts::kReady));
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

}  // namespace vornalis::ui
