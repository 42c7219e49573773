#include "tests/desktop/session_fixture.h"

#include <algorithm>

#include "engine/piece_set.h"
#include "engine/verify.h"
#include "tests/support/set_fixture.h"

namespace vornalis::testing {

void SessionTest::TearDown() {
  End();
  TempDirTest::TearDown();
}

desktop::Session& SessionTest::Start(const std::vector<std::string>& args,
                                     platform::FileSystem& fs) {
  End();
  view_ = FakeView();
  told_ = 0;
  session_ = std::make_unique<desktop::Session>(
      view_, types_, desktop::ParseCommandLine(args, PathOf("bin/vornalis"), Dir(), fs), fs,
      platform::Collator::Default(), [this] { return now_ += tick_; });
  view_.session = session_.get();
  return *session_;
}

void SessionTest::End() {
  if (!session_) return;
  session_->CloseForExit();
  session_.reset();
}

std::string SessionTest::MakeSet(const std::string& name, const std::string& root,
                                 const Sources& sources, std::uint32_t piece_size) {
  const std::string root_path = PathOf(root);
  std::vector<StoredFile> entries;
  for (const auto& [relative, content] : sources) {
    const std::string native = PathOf(root + relative).substr(root_path.size());
    WriteFile(root_path + native, content);
    entries.push_back(EntryFor(native));
  }
  PieceSet set(PathOf(name), piece_size);
  if (!set.AddFiles(root_path, entries, nullptr, nullptr, root_path)) return set.LastError();
  if (!set.Close()) return set.LastError();
  return std::string();
}

void SessionTest::MakeAndOpen(const std::string& name, const Sources& sources,
                              std::uint32_t piece_size) {
  ASSERT_EQ(MakeSet(name, "src-" + name + "/", sources, piece_size), "");
  S().OpenPieceFile(PathOf(name + ".pec"));
  ASSERT_TRUE(S().SetOpen()) << ::testing::PrintToString(view_.messages);
}

std::vector<std::string> SessionTest::OnDisk(const std::string& name) const {
  PieceSet reader(PathOf(name), SetAccess::kReadOnly);
  if (!reader.LastError().empty()) return {reader.LastError()};
  if (!VerifySet(reader).ok()) return {"damaged"};
  std::vector<std::string> stored;
  for (const StoredFile& file : reader.Files()) stored.push_back(file.Folder + "|" + file.Name);
  std::sort(stored.begin(), stored.end());
  return stored;
}

std::vector<std::string> SessionTest::Shown() const {
  std::vector<std::string> shown;
  const desktop::FileList& list = session_->List();
  for (std::size_t row = 0; row < list.Size(); ++row)
    shown.push_back(list.Text(row, 3) + "|" + list.Text(row, 0));
  std::sort(shown.begin(), shown.end());
  return shown;
}

std::vector<std::string> SessionTest::Told() {
  std::vector<std::string> told(view_.messages.begin() + static_cast<std::ptrdiff_t>(told_),
                                view_.messages.end());
  told_ = view_.messages.size();
  return told;
}

}  // namespace vornalis::testing
