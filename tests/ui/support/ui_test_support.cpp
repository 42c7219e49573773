#include "tests/ui/support/ui_test_support.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QPixmap>
#include <QSettings>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/piece_set.h"
#include "engine/stored_path.h"
#include "platform/path.h"
#include "ui/dialogs/modal_seam.h"
#include "ui/widgets/friendly_status_bar.h"

namespace vornalis::testing {

TestFolder::TestFolder() { dir_.setAutoRemove(true); }

std::string TestFolder::Path(const std::string& relative) const {
  return dir_.path().toStdString() + "/" + relative;
}

std::string MakeSet(const std::string& base_path, const std::string& source_root,
                    const Sources& sources, std::uint32_t piece_size, platform::FileSystem& fs) {
  std::vector<StoredFile> entries;
  for (const auto& [relative, content] : sources) {
    WriteFile(source_root + relative, content);
    StoredFile entry;
    const std::string folder = platform::FolderOf(relative);
    entry.Folder = folder.empty() ? "" : StoredFolder(folder);
    entry.Name = platform::FileNameOf(relative);
    entries.push_back(entry);
  }
  PieceSet set(base_path, piece_size, fs);
  if (!set.AddFiles(source_root, entries, nullptr, nullptr, source_root)) return set.LastError();
  if (!set.Close()) return set.LastError();
  return std::string();
}

platform_qt::FileType CountingFileTypes::ForExtension(const QString& extension) {
  asked_.append(extension);
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::gray);
  const QString name =
      extension.isEmpty() ? QStringLiteral("no type") : extension.mid(1).toUpper() + " type";
  return {name, QIcon(pixmap)};
}

namespace {
int live_fixtures = 0;

}  // namespace

QString SettingsFolder() {
  static QTemporaryDir folder;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());
  return folder.path();
}

FormFixture::FormFixture(const std::vector<std::string>& arguments, platform::FileSystem& fs) {
  SettingsFolder();
  // A fixture that replaces another starts afresh, and the seam stays on until the last goes.
  ui::modal::AnswerInAdvance();
  ++live_fixtures;
  // Each look at the session's clock moves it on past the pace's interval: every step of a long
  // command is shown and looks for a key press, as the tests of the window's wiring expect.
  form = std::make_unique<ui::TMainForm>(arguments, types, fs,
                                         [this] { return now += std::chrono::milliseconds(100); });
}

FormFixture::~FormFixture() {
  form.reset();
  if (--live_fixtures == 0) ui::modal::AnswerInAdvance(false);
}

void WhenModalShows(std::function<void(QWidget* dialog)> act) {
  auto* poll = new QTimer();
  poll->setInterval(10);
  QObject::connect(poll, &QTimer::timeout, [poll, act = std::move(act)] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (!dialog || !dialog->isVisible()) return;
    poll->stop();
    poll->deleteLater();
    act(dialog);
  });
  poll->start();
}

QStringList AskedMessages() {
  QStringList texts;
  for (const ui::AskedQuestion& question : ui::modal::Messages()) {
    const char* kind = question.kind == ui::MessageKind::kError     ? "Error"
                       : question.kind == ui::MessageKind::kWarning ? "Warning"
                                                                    : "Information";
    texts.append(QString::fromLatin1(kind) + ": " + question.text);
  }
  return texts;
}

QStringList ListRows(const ui::TMainForm& form) {
  const auto* view = form.findChild<QTreeView*>(QStringLiteral("ListViewFiles"));
  const QAbstractItemModel* model = view->model();
  QStringList rows;
  for (int row = 0; row < model->rowCount(); ++row) {
    QStringList cells;
    for (int column = 0; column < model->columnCount(); ++column)
      cells.append(model->index(row, column).data().toString());
    rows.append(cells.join(QLatin1Char('|')));
  }
  return rows;
}

QString PanelText(const ui::TMainForm& form, int panel) {
  return form.findChild<ui::TFriendlyStatusBar*>(QStringLiteral("StatusLine"))->PanelText(panel);
}

}  // namespace vornalis::testing
