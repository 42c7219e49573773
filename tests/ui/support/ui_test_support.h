// Helpers for the desktop program's tests: a fresh folder per test, sets made with the engine,
// a file-type source that counts its questions, and a window that answers modal questions in
// advance.
#pragma once

#include <QAction>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_system.h"
#include "platform/qt/file_types.h"
#include "tests/support/test_files.h"
#include "ui/main/main_form.h"

namespace vornalis::testing {

using Sources = std::vector<std::pair<std::string, std::string>>;  // relative path, content

class TestFolder {
 public:
  TestFolder();
  // Folder + relative, "/" separated.
  std::string Path(const std::string& relative) const;
  bool valid() const { return dir_.isValid(); }

 private:
  QTemporaryDir dir_;
};

// Writes sources below source_root and stores them, in order, in a new set at base_path;
// closes the set, which writes its header. Returns the engine's message, "" on success.
std::string MakeSet(const std::string& base_path, const std::string& source_root,
                    const Sources& sources, std::uint32_t piece_size = 1457664,
                    platform::FileSystem& fs = platform::RealFileSystem());

// Answers every type question with "<EXT> type" (".txt" gives "TXT type", "" gives "no type")
// and counts the questions.
class CountingFileTypes : public platform_qt::FileTypes {
 public:
  platform_qt::FileType ForExtension(const QString& extension) override;
  const QStringList& Asked() const { return asked_; }

 private:
  QStringList asked_;
};

// A main window whose modal questions are answered in advance.
struct FormFixture {
  explicit FormFixture(const std::vector<std::string>& arguments = {},
                       platform::FileSystem& fs = platform::RealFileSystem());
  ~FormFixture();
  CountingFileTypes types;
  std::unique_ptr<ui::TMainForm> form;
  std::chrono::steady_clock::time_point now{};
};

// What each main-window test holds: its folder and its window. Mixed into the test classes
// (after QObject) so they share the members and the two accessors.
struct FormTestState {
  std::unique_ptr<TestFolder> dir_;
  std::unique_ptr<FormFixture> fx_;

  std::string At(const std::string& name) const { return dir_->Path(name); }
  ui::TMainForm& Form() { return *fx_->form; }
  // The window's action with this object name, or null.
  QAction* ActionNamed(const QString& name) { return Form().findChild<QAction*>(name); }
};

// Runs act on the next modal dialog once it shows (a file dialog the seam lets show, say),
// from the event loop that dialog runs.
void WhenModalShows(std::function<void(QWidget* dialog)> act);

// Where Qt would keep the program's settings, a folder of this test program's own.
QString SettingsFolder();

// The texts of the asked messages, "Error: text" and so on, oldest first.
QStringList AskedMessages();
// The list's rows as "name|type|size|path", top to bottom.
QStringList ListRows(const ui::TMainForm& form);
// Status line panel texts.
QString PanelText(const ui::TMainForm& form, int panel);

}  // namespace vornalis::testing
