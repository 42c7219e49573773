#include "engine/source_walk.h"

#include <deque>

#include "engine/messages.h"
#include "engine/stored_path.h"
#include "platform/path.h"

namespace vornalis {
namespace {

SourceGroup& GroupFor(SourceList& list, const std::string& root) {
  for (SourceGroup& group : list.groups)
    if (group.source_root == root) return group;
  list.groups.push_back({root, {}});
  return list.groups.back();
}

// Strips trailing separators, keeping "/" itself.
std::string Trimmed(std::string path) {
  while (path.size() > 1 && path.back() == platform::kSeparator) path.pop_back();
  return path;
}

void WalkFolder(const std::string& folder, platform::FileSystem& fs, SourceList& list) {
  const std::string root = platform::FolderOf(folder);
  SourceGroup& group = GroupFor(list, root);
  std::deque<std::string> queue{folder};
  while (!queue.empty()) {
    const std::string current = queue.front();
    queue.pop_front();
    std::vector<platform::DirEntry> entries;
    if (fs.ListDirectory(current, &entries) != 0) {
      list.errors.push_back(messages::CantOpen(current));
      continue;
    }
    const std::string stored_folder = StoredFolder(current.substr(root.size()));
    for (const platform::DirEntry& entry : entries) {
      const std::string path = platform::WithSeparator(current) + entry.name;
      if (entry.is_directory && entry.is_link)
        list.skipped.push_back(path);
      else if (entry.is_directory)
        queue.push_back(path);
      else
        group.entries.push_back(StoredFile{stored_folder, entry.name});
    }
  }
}

}  // namespace

SourceList CollectSources(const std::vector<std::string>& paths, platform::FileSystem& fs) {
  SourceList list;
  for (const std::string& given : paths) {
    const std::string path = Trimmed(platform::AbsolutePath(given));
    if (fs.IsDirectory(path)) {
      WalkFolder(path, fs, list);
    } else if (fs.Exists(path)) {
      GroupFor(list, platform::FolderOf(path))
          .entries.push_back(StoredFile{"", platform::FileNameOf(path)});
    } else {
      list.errors.push_back(messages::CantOpen(given));
    }
  }
  return list;
}

}  // namespace vornalis
