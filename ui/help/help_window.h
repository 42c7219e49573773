// THelpWindow: the program's help, read from the compiled help file that lies beside the
// program ("Vornalis.qch"). A contents tree, an index and a full-text search sit beside the
// page view; links to other help pages open in the view, web links in the browser.
//
// Open() is what the Help commands call: it shows the owner's help window at a page, making
// it the first time. The window stays for the rest of the run (hidden when closed, also by
// Escape or Ctrl+W) and keeps its history. A help file that is missing or cannot be read is
// reported in an error message naming the file, and no window is shown.
#pragma once

#include <QMainWindow>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

class QHelpEngine;
class QLineEdit;
class QTabWidget;
class QTextBrowser;

namespace vornalis::ui {

enum class HelpPage {
  kContents,  // the contents page, with the contents tree in front
  kHowToUse,  // how to use the help window
};

class THelpWindow : public QMainWindow {
  Q_OBJECT

 public:
  // The help file the program ships: "Vornalis.qch" in the program's folder.
  static QString DefaultHelpFile();

  // Shows owner's help window for help_file at page and returns it; null after an error
  // message when the file is missing or damaged.
  static THelpWindow* Open(QWidget* owner, HelpPage page,
                           const QString& help_file = DefaultHelpFile());

  // The address of a page inside the help ("qthelp://.../name.html").
  static QUrl PageUrl(const QString& file_name);

  void ShowPage(HelpPage page);
  void ShowUrl(const QUrl& url);

  QUrl CurrentUrl() const;
  QString CurrentTitle() const;
  QHelpEngine* Engine() const { return engine_; }
  QTabWidget* Tabs() const { return tabs_; }

 private:
  THelpWindow(QWidget* owner, const QString& help_file);
  // Registers the help file in a private collection; "" on success, else the message.
  QString Load();
  void CreateWidgets();
  // Puts the window over owner, all of it within the free area of owner's screen.
  void PlaceOnScreen(QWidget* owner);
  void SyncContents();
  // Searches for the query widget's words, once the index is ready.
  void Search();

  QString help_file_;
  QTemporaryDir collection_dir_;  // the engine's collection and search index, for this run
  QHelpEngine* engine_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  QTextBrowser* view_ = nullptr;
  QLineEdit* index_filter_ = nullptr;
  bool indexing_ = false;
  bool search_waiting_ = false;
};

}  // namespace vornalis::ui
