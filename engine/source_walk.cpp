#include "engine/source_walk.h"

#include <deque>

#include "engine/format.h"
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

// Whether a file called name can be stored; adds why not to list when it cannot.
bool Storable(const std::string& path, const std::string& name, const std::string& folder,
              bool regular, SourceList& list) {
  std::string reason;
  if (!regular)
    reason = messages::NotARegularSource(path);
  else if (name.find(format::kStoredSeparator) != std::string::npos ||
           name.size() > format::kMaxTextLength || folder.size() > format::kMaxTextLength)
    reason = messages::UnstorableName(path);
  if (reason.empty()) return true;
  list.skipped.push_back({path, std::move(reason)});
  return false;
}

void WalkFolder(const std::string& folder, platform::FileSystem& fs, SourceList& list) {
  const std::string root = platform::FolderOf(folder);
  SourceGroup& group = GroupFor(list, root);
  std::deque<std::string> queue{folder};
  while (!queue.empty()) {
    const std::string current = queue.front();
    queue.pop_front();
    std::vector<platform::DirEntry> entries;
    if (const int error = fs.ListDirectory(current, &entries)) {
      list.errors.push_back(messages::CantOpen(current, error));
      continue;
    }
    const std::string stored_folder = StoredFolder(current.substr(root.size()));
    for (const platform::DirEntry& entry : entries) {
      const std::string path = platform::WithSeparator(current) + entry.name;
      if (entry.is_directory && entry.is_link)
        list.skipped.push_back({path, messages::LinkedFolderSkipped(path)});
      else if (entry.is_directory && entry.name.find(format::kStoredSeparator) != std::string::npos)
        list.skipped.push_back({path, messages::UnstorableName(path)});
      else if (entry.is_directory)
        queue.push_back(path);
      else if (Storable(path, entry.name, stored_folder, entry.is_regular, list))
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
      const std::string name = platform::FileNameOf(path);
      if (Storable(path, name, "", fs.IsRegularFile(path), list))
        GroupFor(list, platform::FolderOf(path)).entries.push_back(StoredFile{"", name});
    } else {
      list.errors.push_back(messages::CantOpen(given));
    }
  }
  return list;
}

}  // namespace vornalis
