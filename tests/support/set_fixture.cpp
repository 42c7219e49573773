#include "tests/support/set_fixture.h"

#include "engine/stored_path.h"
#include "platform/path.h"

namespace vornalis::testing {

StoredFile EntryFor(const std::string& relative_path) {
  StoredFile entry;
  const std::string folder = platform::FolderOf(relative_path);
  entry.Folder = folder.empty() ? "" : StoredFolder(folder);
  entry.Name = platform::FileNameOf(relative_path);
  return entry;
}

std::vector<StoredFile> SetTest::MakeSources(
    const std::vector<std::pair<std::string, std::string>>& files) {
  std::vector<StoredFile> entries;
  for (const auto& [path, content] : files) {
    WriteFile(SourceRoot() + path, content);
    entries.push_back(EntryFor(path));
  }
  return entries;
}

bool SetTest::AddSources(PieceSet& set,
                         const std::vector<std::pair<std::string, std::string>>& files) {
  return set.AddFiles(SourceRoot(), MakeSources(files), nullptr, nullptr, SourceRoot());
}

}  // namespace vornalis::testing
