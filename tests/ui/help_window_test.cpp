// The help window: each Help command opens the right page of the compiled help, the contents,
// index and search find their pages, and a missing or damaged help file is reported by name.
#include <QFile>
#include <QHelpContentModel>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexWidget>
#include <QHelpLink>
#include <QHelpSearchEngine>
#include <QHelpSearchQueryWidget>
#include <QScreen>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

#include "tests/ui/support/ui_test_support.h"
#include "ui/dialogs/modal_seam.h"
#include "ui/help/help_window.h"

namespace vornalis::testing {

class HelpWindowTest : public QObject, protected FormTestState {
  Q_OBJECT

 private:
  ui::THelpWindow* Window() { return Form().findChild<ui::THelpWindow*>(); }
  QString Page() { return Window()->CurrentUrl().fileName(); }

 private slots:
  void init() {
    dir_ = std::make_unique<TestFolder>();
    fx_ = std::make_unique<FormFixture>();
  }
  void cleanup() { fx_.reset(); }

  void helpFileLiesBesideTheProgram() {
    QVERIFY2(QFile::exists(ui::THelpWindow::DefaultHelpFile()),
             qPrintable(ui::THelpWindow::DefaultHelpFile()));
    QVERIFY(ui::THelpWindow::DefaultHelpFile().endsWith(QStringLiteral("/Vornalis.qch")));
  }

  void commandsOpenTheirPages_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("title");
    QTest::newRow("menu Contents & Index") << "ActionHelpContents"
                                           << "index.html"
                                           << "Vornalis Help";
    QTest::newRow("F1") << "F1"
                        << "index.html"
                        << "Vornalis Help";
    QTest::newRow("toolbar Help") << "SpeedButtonHelp"
                                  << "index.html"
                                  << "Vornalis Help";
    QTest::newRow("How to Use Help") << "ActionHelpHowToUse"
                                     << "using-help.html"
                                     << "How to use Help";
  }
  void commandsOpenTheirPages() {
    QFETCH(QString, how);
    QFETCH(QString, page);
    QFETCH(QString, title);
    Form().show();
    QVERIFY(QTest::qWaitForWindowExposed(&Form()));
    if (how == QLatin1String("F1"))
      QTest::keyClick(&Form(), Qt::Key_F1);
    else if (how == QLatin1String("SpeedButtonHelp"))
      Form().findChild<QToolButton*>(how)->click();
    else
      ActionNamed(how)->trigger();
    QVERIFY2(Window(), qPrintable(AskedMessages().join('\n')));
    QVERIFY(Window()->isVisible());
    QCOMPARE(Page(), page);
    QCOMPARE(Window()->CurrentTitle(), title);
    QCOMPARE(Window()->Tabs()->currentIndex(), 0);
    QCOMPARE(AskedMessages(), QStringList());
  }

  void theWindowOpensOnTheScreenWithItsTitleOnce() {
    // The owner at the screen's bottom right corner, partly off it.
    const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
    Form().move(room.right() - 100, room.bottom() - 80);
    Form().show();
    ActionNamed("ActionHelpContents")->trigger();
    QVERIFY2(room.contains(Window()->frameGeometry()),
             qPrintable(QStringLiteral("%1,%2 %3x%4 in %5x%6")
                            .arg(Window()->frameGeometry().x())
                            .arg(Window()->frameGeometry().y())
                            .arg(Window()->frameGeometry().width())
                            .arg(Window()->frameGeometry().height())
                            .arg(room.width())
                            .arg(room.height())));
    QCOMPARE(Window()->windowTitle(), QStringLiteral("Vornalis Help"));
    ActionNamed("ActionHelpHowToUse")->trigger();
    QCOMPARE(Window()->windowTitle(), QStringLiteral("How to use Help - Vornalis Help"));
  }

  void oneWindowServesEveryCommand() {
    ActionNamed("ActionHelpHowToUse")->trigger();
    Window()->Tabs()->setCurrentIndex(2);
    ActionNamed("ActionHelpContents")->trigger();
    QCOMPARE(Form().findChildren<ui::THelpWindow*>().size(), 1);
    QCOMPARE(Page(), QStringLiteral("index.html"));
    QCOMPARE(Window()->Tabs()->currentIndex(), 0);
    Window()->close();
    ActionNamed("ActionHelpHowToUse")->trigger();
    QVERIFY(Window()->isVisible());
    QCOMPARE(Page(), QStringLiteral("using-help.html"));
  }

  void escapeAndCtrlWCloseTheWindow_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("Escape") << int(Qt::Key_Escape) << int(Qt::NoModifier);
    QTest::newRow("Ctrl+W") << int(Qt::Key_W) << int(Qt::ControlModifier);
  }
  void escapeAndCtrlWCloseTheWindow() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    Form().show();
    // From the page, and from the index's box where a word is being typed.
    for (const char* focus : {"HelpView", "HelpIndexFilter"}) {
      ActionNamed("ActionHelpContents")->trigger();
      QVERIFY(QTest::qWaitForWindowActive(Window()));
      Window()->Tabs()->setCurrentIndex(1);
      QWidget* widget = Window()->findChild<QWidget*>(focus);
      widget->setFocus();
      QTest::keyClick(widget, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
      QVERIFY2(!Window()->isVisible(), focus);
    }
  }

  void contentsTreeListsEveryTopic() {
    ActionNamed("ActionHelpContents")->trigger();
    // The tree is read from the file in the background.
    QHelpContentModel* model = Window()->Engine()->contentModel();
    QTRY_VERIFY(!model->isCreatingContents() && model->rowCount() > 0);
    const QModelIndex root = model->index(0, 0);
    QCOMPARE(model->data(root, Qt::DisplayRole).toString(), QStringLiteral("Vornalis Help"));
    QCOMPARE(model->rowCount(root), 11);
    // Every topic's page is in the file and has a title.
    for (int row = 0; row < model->rowCount(root); ++row) {
      const QUrl url = model->contentItemAt(model->index(row, 0, root))->url();
      Window()->ShowUrl(url);
      QVERIFY2(!Window()->CurrentTitle().isEmpty(), qPrintable(url.toString()));
    }
  }

  void indexFindsAssemble() {
    ActionNamed("ActionHelpContents")->trigger();
    const QList<QHelpLink> links =
        Window()->Engine()->documentsForKeyword(QStringLiteral("Assemble"));
    QCOMPARE(links.size(), 1);
    QCOMPARE(links.first().url.fileName(), QStringLiteral("assemble.html"));
    Window()->ShowUrl(links.first().url);
    QCOMPARE(Window()->CurrentTitle(), QStringLiteral("Assemble: rebuilding stored files"));
  }

  void searchForAssembleFindsItsPage() {
    ActionNamed("ActionHelpContents")->trigger();
    QHelpSearchEngine* search = Window()->Engine()->searchEngine();
    // As a user would: type in the Search tab and ask, also before the index is ready. A search
    // asked for early runs again once the index is built, so the results are awaited.
    search->queryWidget()->setSearchInput(QStringLiteral("Assemble"));
    QMetaObject::invokeMethod(search->queryWidget(), "search");
    auto found = [search] {
      QStringList pages;
      for (const QHelpSearchResult& result : search->searchResults(0, search->searchResultCount()))
        pages.append(result.url().fileName());
      if (pages.contains(QStringLiteral("assemble.html"))) return true;
      // The engine may have started indexing again since: ask again, as a user would.
      QMetaObject::invokeMethod(search->queryWidget(), "search");
      return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(found(), 60000);
  }

  void missingHelpFileIsNamed() {
    const QString path = QString::fromStdString(At("nowhere/Vornalis.qch"));
    QCOMPARE(ui::THelpWindow::Open(&Form(), ui::HelpPage::kContents, path), nullptr);
    QCOMPARE(AskedMessages(), QStringList{"Error: The help file " + QDir::toNativeSeparators(path) +
                                          " is missing."});
    QCOMPARE(Window(), nullptr);
  }

  void damagedHelpFileIsNamed_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("not a help file") << QByteArray("QBXR this is a piece file, not help");
    QFile real(ui::THelpWindow::DefaultHelpFile());
    QVERIFY(real.open(QIODevice::ReadOnly));
    QTest::newRow("cut short") << real.read(real.size() / 3);
  }
  void damagedHelpFileIsNamed() {
    QFETCH(QByteArray, content);
    const std::string path = At("Vornalis.qch");
    WriteFile(path, content.toStdString());
    const QString shown = QDir::toNativeSeparators(QString::fromStdString(path));
    QCOMPARE(ui::THelpWindow::Open(&Form(), ui::HelpPage::kHowToUse, QString::fromStdString(path)),
             nullptr);
    QCOMPARE(AskedMessages(),
             QStringList{"Error: The help file " + shown + " is damaged and cannot be read."});
    QCOMPARE(Window(), nullptr);
  }
};

}  // namespace vornalis::testing

QTEST_MAIN(vornalis::testing::HelpWindowTest)
#include "help_window_test.moc"
