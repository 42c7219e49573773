// SessionTest: a desktop session shown in a FakeView, over a temporary folder where sets are made
// with the engine. The session's tests drive it as a user would and read what the window shows
// and what lies on disk.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "desktop/session.h"
#include "platform/file_system.h"
#include "tests/desktop/fake_view.h"
#include "tests/support/test_files.h"

namespace vornalis::testing {

using Sources = std::vector<std::pair<std::string, std::string>>;  // relative path, content

class SessionTest : public TempDirTest {
 protected:
  void TearDown() override;

  // Makes the session (ending one made before) for this command line, as the program started in
  // the test's folder would, and shows it in view_.
  desktop::Session& Start(const std::vector<std::string>& args = {},
                          platform::FileSystem& fs = platform::RealFileSystem());
  desktop::Session& S() { return *session_; }
  // Ends the session as the window closing does.
  void End();

  // Writes sources below the folder root (relative, "/" separated) and stores them in order in
  // a new set named name in the test's folder; "" on success, else the engine's message.
  std::string MakeSet(const std::string& name, const std::string& root, const Sources& sources,
                      std::uint32_t piece_size = 1457664);
  // Makes the set and opens it in the session; asserts that it opened.
  void MakeAndOpen(const std::string& name, const Sources& sources,
                   std::uint32_t piece_size = 1457664);

  // The set at name as a reader finds it: "folder|name" of each stored file, sorted, or its
  // error, or "damaged" when a piece is not sound.
  std::vector<std::string> OnDisk(const std::string& name) const;
  // The window's rows the same way.
  std::vector<std::string> Shown() const;
  // The rows as "name|type|size|path", top to bottom.
  std::vector<std::string> Rows() const { return ListRows(*session_); }
  // The view's messages since the last call.
  std::vector<std::string> Told();

  CountingTypes types_;
  FakeView view_;
  // The session's clock: each look at it moves it on by tick_ (by default past the pace's
  // interval, so every step of a long command is shown).
  std::chrono::steady_clock::time_point now_{};
  std::chrono::milliseconds tick_{100};

 private:
  std::unique_ptr<desktop::Session> session_;
  std::size_t told_ = 0;
};

}  // namespace vornalis::testing
