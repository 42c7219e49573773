#include "ui/help/help_window.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexWidget>
#include <QHelpLink>
#include <QHelpSearchEngine>
#include <QHelpSearchQueryWidget>
#include <QHelpSearchResultWidget>
#include <QLineEdit>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>

#include "desktop/texts.h"
#include "platform/qt/web_link.h"
#include "ui/dialogs/message_box.h"
#include "ui/widgets/program_icon.h"

namespace vornalis::ui {
namespace {

const QString kNamespace = QStringLiteral("org.vornalis.help");
const QString kFolder = QStringLiteral("doc");
const QString kContentsPage = QStringLiteral("index.html");
const QString kHowToUsePage = QStringLiteral("using-help.html");
const QString kWindowTitle = QStringLiteral("Vornalis Help");
constexpr int kContentsTab = 0;
constexpr int kIndexTab = 1;
constexpr int kSearchTab = 2;

// A page view that reads the help's pages from the engine.
class HelpBrowser : public QTextBrowser {
 public:
  HelpBrowser(QHelpEngine* engine, QWidget* parent) : QTextBrowser(parent), engine_(engine) {}

  QVariant loadResource(int type, const QUrl& name) override {
    if (name.scheme() == QLatin1String("qthelp")) return engine_->fileData(name);
    return QTextBrowser::loadResource(type, name);
  }

 private:
  QHelpEngine* engine_;
};

}  // namespace

QString THelpWindow::DefaultHelpFile() {
  return QCoreApplication::applicationDirPath() + QStringLiteral("/Vornalis.qch");
}

QUrl THelpWindow::PageUrl(const QString& file_name) {
  return QUrl(QStringLiteral("qthelp://") + kNamespace + QLatin1Char('/') + kFolder +
              QLatin1Char('/') + file_name);
}

THelpWindow* THelpWindow::Open(QWidget* owner, HelpPage page, const QString& help_file) {
  THelpWindow* window = nullptr;
  if (owner) {
    for (THelpWindow* child :
         owner->findChildren<THelpWindow*>(QString(), Qt::FindDirectChildrenOnly))
      if (child->help_file_ == help_file) window = child;
  }
  if (!window) {
    auto* made = new THelpWindow(owner, help_file);
    const QString error = made->Load();
    if (!error.isEmpty()) {
      delete made;
      MessageBox::Error(owner, error);
      return nullptr;
    }
    made->CreateWidgets();
    window = made;
  }
  window->ShowPage(page);
  const bool placed = window->isVisible() || window->testAttribute(Qt::WA_Moved);
  window->show();
  if (!placed) window->PlaceOnScreen(owner);
  window->raise();
  window->activateWindow();
  return window;
}

THelpWindow::THelpWindow(QWidget* owner, const QString& help_file)
    : QMainWindow(owner, Qt::Window), help_file_(help_file) {
  setObjectName(QStringLiteral("HelpWindow"));
  setWindowTitle(kWindowTitle);
  setWindowIcon(ProgramIcon());
  setAttribute(Qt::WA_DeleteOnClose, false);
  // Escape and Ctrl+W close it, wherever the focus is in it, as they close a browser's page.
  auto* close = new QAction(this);
  close->setObjectName(QStringLiteral("HelpClose"));
  close->setShortcuts({QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)});
  close->setShortcutContext(Qt::WindowShortcut);
  connect(close, &QAction::triggered, this, &QWidget::close);
  addAction(close);
}

void THelpWindow::PlaceOnScreen(QWidget* owner) {
  // Over the middle of the owner, shrunk to the screen's free area and moved into it, so that
  // no part of it lies under a panel or off the screen, wherever the owner is.
  QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect room = screen->availableGeometry();
  const QSize frame = frameGeometry().size() - size();  // the window manager's border
  resize(size().boundedTo(room.size() - frame));
  QRect place(QPoint(), size() + frame);
  place.moveCenter(owner ? owner->frameGeometry().center() : room.center());
  place.moveLeft(std::clamp(place.left(), room.left(), room.right() + 1 - place.width()));
  place.moveTop(std::clamp(place.top(), room.top(), room.bottom() + 1 - place.height()));
  move(place.topLeft());
}

QString THelpWindow::Load() {
  const QString shown = QDir::toNativeSeparators(QFileInfo(help_file_).absoluteFilePath());
  if (!QFileInfo(help_file_).isFile())
    return QString::fromStdString(desktop::texts::HelpFileMissing(shown.toStdString()));
  const QString damaged =
      QStringLiteral("The help file ") + shown + QStringLiteral(" is damaged and cannot be read.");
  if (QHelpEngineCore::namespaceName(help_file_) != kNamespace) return damaged;
  if (!collection_dir_.isValid())
    return QStringLiteral("Can't create a folder for the help: ") + collection_dir_.errorString();

  // The collection and the search index are written, so they live in a folder of their own,
  // never beside the program, which may be read-only.
  engine_ = new QHelpEngine(collection_dir_.filePath(QStringLiteral("Vornalis.qhc")), this);
  engine_->setUsesFilterEngine(true);
  engine_->setReadOnly(false);  // the engine only reads unless told it may write
  if (!engine_->setupData() || !engine_->registerDocumentation(help_file_) || !engine_->setupData())
    return damaged;
  // A file whose tables cannot be read has no pages.
  if (engine_->fileData(PageUrl(kContentsPage)).isEmpty()) return damaged;
  // The search index is built in the background, and built again whenever the engine decides
  // to (after setting up its data, for one); a search asked for meanwhile waits for it, since
  // the index it would read may be empty.
  QHelpSearchEngine* search = engine_->searchEngine();
  connect(search, &QHelpSearchEngine::indexingStarted, this, [this] { indexing_ = true; });
  connect(search, &QHelpSearchEngine::indexingFinished, this, [this] {
    indexing_ = false;
    if (search_waiting_) Search();
  });
  indexing_ = true;
  search->reindexDocumentation();
  return QString();
}

void THelpWindow::CreateWidgets() {
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName(QStringLiteral("HelpTabs"));

  QHelpContentWidget* contents = engine_->contentWidget();
  contents->setObjectName(QStringLiteral("HelpContents"));
  tabs_->insertTab(kContentsTab, contents, QStringLiteral("Contents"));

  auto* index_page = new QWidget(tabs_);
  auto* index_layout = new QVBoxLayout(index_page);
  index_filter_ = new QLineEdit(index_page);
  index_filter_->setObjectName(QStringLiteral("HelpIndexFilter"));
  index_filter_->setPlaceholderText(QStringLiteral("Type the word you are looking for"));
  QHelpIndexWidget* index = engine_->indexWidget();
  index->setObjectName(QStringLiteral("HelpIndex"));
  index_layout->addWidget(index_filter_);
  index_layout->addWidget(index, 1);
  tabs_->insertTab(kIndexTab, index_page, QStringLiteral("Index"));

  auto* search_page = new QWidget(tabs_);
  auto* search_layout = new QVBoxLayout(search_page);
  QHelpSearchEngine* search = engine_->searchEngine();
  search->queryWidget()->setObjectName(QStringLiteral("HelpSearchQuery"));
  search->resultWidget()->setObjectName(QStringLiteral("HelpSearchResults"));
  search_layout->addWidget(search->queryWidget());
  search_layout->addWidget(search->resultWidget(), 1);
  tabs_->insertTab(kSearchTab, search_page, QStringLiteral("Search"));

  view_ = new HelpBrowser(engine_, this);
  view_->setObjectName(QStringLiteral("HelpView"));
  view_->setOpenLinks(false);

  auto* splitter = new QSplitter(this);
  splitter->addWidget(tabs_);
  splitter->addWidget(view_);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({230, 530});
  setCentralWidget(splitter);

  QToolBar* bar = addToolBar(QStringLiteral("Navigation"));
  bar->setObjectName(QStringLiteral("HelpToolBar"));
  bar->setMovable(false);
  bar->toggleViewAction()->setVisible(false);
  QAction* back = bar->addAction(style()->standardIcon(QStyle::SP_ArrowBack),
                                 QStringLiteral("Back"), view_, &QTextBrowser::backward);
  QAction* forward = bar->addAction(style()->standardIcon(QStyle::SP_ArrowForward),
                                    QStringLiteral("Forward"), view_, &QTextBrowser::forward);
  bar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), QStringLiteral("Contents"), this,
                 [this] { ShowPage(HelpPage::kContents); });
  back->setEnabled(false);
  forward->setEnabled(false);
  connect(view_, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
  connect(view_, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
  resize(760, 520);

  connect(view_, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
    const QUrl url = view_->source().resolved(link);
    if (url.scheme() == QLatin1String("qthelp"))
      ShowUrl(url);
    else
      platform_qt::OpenWebLink(url.toString());
  });
  connect(view_, &QTextBrowser::sourceChanged, this, [this] {
    const QString title = CurrentTitle();
    setWindowTitle(title.isEmpty() || title == kWindowTitle
                       ? kWindowTitle
                       : title + QStringLiteral(" - ") + kWindowTitle);
    SyncContents();
  });
  connect(contents, &QHelpContentWidget::linkActivated, this, &THelpWindow::ShowUrl);
  connect(engine_->contentModel(), &QHelpContentModel::contentsCreated, this, [this] {
    engine_->contentWidget()->expandToDepth(0);  // the topics below the title show at once
    SyncContents();
  });
  connect(index_filter_, &QLineEdit::textChanged, index,
          [index](const QString& text) { index->filterIndices(text); });
  connect(index_filter_, &QLineEdit::returnPressed, index, &QHelpIndexWidget::activateCurrentItem);
  connect(index, &QHelpIndexWidget::documentActivated, this,
          [this](const QHelpLink& document, const QString&) { ShowUrl(document.url); });
  connect(index, &QHelpIndexWidget::documentsActivated, this,
          [this](const QList<QHelpLink>& documents, const QString&) {
            if (!documents.isEmpty()) ShowUrl(documents.first().url);
          });
  connect(search->queryWidget(), &QHelpSearchQueryWidget::search, this, &THelpWindow::Search);
  connect(search->resultWidget(), &QHelpSearchResultWidget::requestShowLink, this,
          &THelpWindow::ShowUrl);
}

void THelpWindow::Search() {
  QHelpSearchEngine* search = engine_->searchEngine();
  search_waiting_ = indexing_;
  if (!indexing_) search->search(search->queryWidget()->searchInput());
}

void THelpWindow::ShowPage(HelpPage page) {
  if (page == HelpPage::kContents) tabs_->setCurrentIndex(kContentsTab);
  ShowUrl(PageUrl(page == HelpPage::kContents ? kContentsPage : kHowToUsePage));
}

void THelpWindow::ShowUrl(const QUrl& url) {
  if (view_->source() == url) return;
  view_->setSource(url);
}

QUrl THelpWindow::CurrentUrl() const { return view_->source(); }

QString THelpWindow::CurrentTitle() const { return view_->documentTitle(); }

void THelpWindow::SyncContents() {
  // The tree marks the page on show once it has been read from the file.
  QHelpContentWidget* contents = engine_->contentWidget();
  const QModelIndex at = contents->indexOf(view_->source());
  if (at.isValid()) contents->setCurrentIndex(at);
}

}  // namespace vornalis::ui
