#include "engine/source_walk.h"

#include <algorithm>
#include <deque>
#include <set>
#include <unordered_map>

#include "engine/format.h"
#include "engine/messages.h"
#include "engine/stored_path.h"
#include "platform/collation.h"
#include "platform/path.h"
#include "platform/text_encoding.h"

namespace vornalis {
namespace {

// One file found for storing, with the path given that it came from.
struct Found {
  std::size_t argument;
  std::string root;  // native folder its Folder is relative to, ending with a separator
  StoredFile entry;
};

// Why path, which is no regular file nor a link to one, cannot be stored: a link whose target
// is missing or loops is told apart from a FIFO, socket or device.
std::string NotRegularReason(const std::string& path, platform::FileSystem& fs) {
  const Result<platform::FileInfo> entry = fs.Inspect(path, false);
  if (entry.ok() && entry->kind == platform::FileInfo::Kind::kLink) {
    const Result<platform::FileInfo> target = fs.Inspect(path, true);
    if (!target.ok()) return messages::LinkLeadsNowhere(path, target.error());
  }
  return messages::NotARegularSource(path);
}

// Whether a file called name can be stored under folder; adds why not to list when it cannot.
// The rule is the one the rebuild applies, so nothing is stored that a reader would refuse.
bool Storable(const std::string& path, const std::string& name, const std::string& folder,
              bool regular, SourceList& list, platform::FileSystem& fs) {
  std::string reason;
  if (!regular)
    reason = NotRegularReason(path, fs);
  else if (!IsStorableName(folder, name))
    reason = messages::UnstorableName(path);
  else if (!platform::IsValidUtf8(folder) || !platform::IsValidUtf8(name))
    reason = messages::NameNotUtf8(path);
  if (reason.empty()) return true;
  list.skipped.push_back({path, std::move(reason)});
  return false;
}

// Walks the folders of queue breadth first, each with the path given it came from, storing what
// is found relative to root; subfolders join the end of the queue.
void WalkFolders(std::deque<std::pair<std::string, std::size_t>> queue, const std::string& root,
                 platform::FileSystem& fs, SourceList& list, std::vector<Found>& found) {
  while (!queue.empty()) {
    const auto [current, argument] = queue.front();
    queue.pop_front();
    list.folders_walked.push_back(current);
    const Result<std::vector<platform::DirEntry>> entries = fs.ListDirectory(current);
    if (!entries.ok()) {
      list.errors.push_back(messages::OpenFailed(entries.status()).message);
      continue;
    }
    const std::string stored_folder = StoredFolder(current.substr(root.size()));
    for (const platform::DirEntry& entry : *entries) {
      const std::string path = platform::WithSeparator(current) + entry.name;
      if (entry.is_directory && entry.is_link)
        list.skipped.push_back({path, messages::LinkedFolderSkipped(path)});
      else if (entry.is_directory && Storable(path, entry.name, stored_folder, true, list, fs))
        queue.emplace_back(path, argument);
      else if (!entry.is_directory &&
               Storable(path, entry.name, stored_folder, entry.is_regular, list, fs))
        found.push_back({argument, root, StoredFile{stored_folder, entry.name}});
    }
  }
}

// A file given by itself, stored relative to root.
void AddFile(std::size_t argument, const std::string& path, const std::string& root,
             SourceList& list, std::vector<Found>& found, platform::FileSystem& fs) {
  const std::string name = platform::FileNameOf(path);
  const std::string folder = StoredFolder(platform::FolderOf(path).substr(root.size()));
  if (Storable(path, name, folder, fs.IsRegularFile(path), list, fs))
    found.push_back({argument, root, StoredFile{folder, name}});
}

// The key under which a set counts a stored file as the same: folder and name, case folded.
std::string StoredKey(const StoredFile& entry) {
  return platform::FoldCase(entry.Folder) + '\0' + platform::FoldCase(entry.Name);
}

// True when files of two different paths given would be stored under one folder and name.
bool ArgumentsClash(const std::vector<Found>& found) {
  std::vector<std::pair<std::string, std::size_t>> keys;
  keys.reserve(found.size());
  for (const Found& file : found) keys.emplace_back(StoredKey(file.entry), file.argument);
  std::sort(keys.begin(), keys.end());
  for (std::size_t i = 1; i < keys.size(); ++i)
    if (keys[i].first == keys[i - 1].first && keys[i].second != keys[i - 1].second) return true;
  return false;
}

}  // namespace

std::string CommonSourceRoot(const std::vector<std::string>& paths) {
  std::string common;
  bool first = true;
  for (const std::string& path : paths) {
    const std::string folder = platform::FolderOf(path);
    if (first) {
      common = folder;
      first = false;
      continue;
    }
    // The longest common prefix, cut back to whole folders.
    const auto mismatch = std::mismatch(common.begin(), common.end(), folder.begin(), folder.end());
    common.erase(static_cast<std::size_t>(mismatch.first - common.begin()));
    const std::size_t separator = common.find_last_of(platform::kSeparators);
    common.erase(separator == std::string::npos ? 0 : separator + 1);
  }
  return common;
}

SourceList CollectSources(const std::vector<std::string>& paths, platform::FileSystem& fs,
                          SourceLayout layout) {
  SourceList list;
  std::vector<Found> found;
  std::vector<std::string> given, typed;  // absolute, and as the caller gave them
  std::set<std::string> seen;
  for (const std::string& argument : paths) {
    if (argument.empty()) continue;
    const std::string path = platform::WithoutTrailingSeparators(platform::AbsolutePath(argument));
    // A path given twice is the same files twice: once is enough.
    if (!seen.insert(path).second) continue;
    given.push_back(path);
    typed.push_back(argument);
  }
  const bool common = layout == SourceLayout::kAllFromCommonRoot;
  const std::string common_root = common ? CommonSourceRoot(given) : std::string();
  // With one root, the folders are walked together first, as one queue, then the files follow.
  std::deque<std::pair<std::string, std::size_t>> queue;
  std::vector<std::size_t> files;
  for (std::size_t index = 0; index < given.size(); ++index) {
    const std::string& path = given[index];
    if (fs.IsDirectory(path)) {
      if (common)
        queue.emplace_back(path, index);
      else
        WalkFolders({{path, index}}, platform::FolderOf(path), fs, list, found);
    } else if (fs.Exists(path)) {
      files.push_back(index);
      if (!common) AddFile(index, path, platform::FolderOf(path), list, found, fs);
    } else {
      list.errors.push_back(messages::CantOpen(typed[index]));
    }
  }
  if (common) {
    WalkFolders(std::move(queue), common_root, fs, list, found);
    for (const std::size_t index : files)
      AddFile(index, given[index], common_root, list, found, fs);
  }

  // Two paths whose files would meet under one name (home/photos and usb/photos) are both
  // stored relative to the folder that holds them all (home\photos\..., usb\photos\...).
  const bool several = given.size() > 1;
  if (several && !common && ArgumentsClash(found)) {
    const std::string parent = CommonSourceRoot(given);
    std::vector<Found> moved;
    for (Found& file : found) {
      const std::string path = NativePath(file.root, file.entry.Folder, file.entry.Name);
      file.entry.Folder = StoredFolder(file.root.substr(parent.size())) + file.entry.Folder;
      file.root = parent;
      if (Storable(path, file.entry.Name, file.entry.Folder, true, list, fs))
        moved.push_back(std::move(file));
    }
    found = std::move(moved);
  }

  // What still meets a file of another path given is named and left out, and so is a file whose
  // name meets another's of its own folder once case is folded (Case.txt and case.txt): a set
  // counts them as one file, and a rebuild on a system that ignores case could make only one.
  std::unordered_map<std::string, const Found*> taken;  // key, the file that has it
  for (const Found& file : found) {
    const auto [at, added] = taken.emplace(StoredKey(file.entry), &file);
    if (!added) {
      const std::string path = NativePath(file.root, file.entry.Folder, file.entry.Name);
      const Found& first = *at->second;
      list.skipped.push_back(
          {path, first.argument != file.argument
                     ? messages::SourceNameClash(path, file.entry.Folder + file.entry.Name)
                     : messages::CaseTwinSkipped(path, first.entry.Name)});
      continue;
    }
    auto group = std::find_if(list.groups.begin(), list.groups.end(),
                              [&](const SourceGroup& g) { return g.source_root == file.root; });
    if (group == list.groups.end()) {
      list.groups.push_back({file.root, {}});
      group = list.groups.end() - 1;
    }
    group->entries.push_back(file.entry);
  }
  return list;
}

}  // namespace vornalis
