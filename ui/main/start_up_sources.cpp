#include "ui/main/start_up_sources.h"

#include <algorithm>

#include "engine/source_walk.h"
#include "engine/stored_path.h"
#include "platform/path.h"

namespace vornalis::ui {
namespace {

// Absolute, without separators at its end (the root folder itself stays "/").
std::string Cleaned(const std::string& path) {
  std::string cleaned = platform::AbsolutePath(path);
  while (cleaned.size() > 1 && cleaned.back() == platform::kSeparator) cleaned.pop_back();
  return cleaned;
}

// The stored folder of a native folder below root ("" for root itself).
std::string RelativeFolder(const std::string& folder, const std::string& root) {
  const std::string with_separator = platform::WithSeparator(folder);
  if (with_separator.size() <= root.size()) return std::string();
  return StoredFolder(with_separator.substr(root.size()));
}

}  // namespace

StartUpSources CollectStartUpSources(std::vector<std::string>& folders,
                                     const std::vector<std::string>& files,
                                     platform::FileSystem& fs) {
  std::vector<std::string> named_files;
  std::vector<std::string> named;
  for (const std::string& file : files) {
    if (file.empty()) continue;
    named_files.push_back(Cleaned(file));
    named.push_back(named_files.back());
  }
  std::vector<std::string> queue;
  for (const std::string& folder : folders) {
    if (folder.empty()) continue;
    queue.push_back(Cleaned(folder));
    named.push_back(queue.back());
  }
  folders = queue;

  StartUpSources sources;
  sources.source_root = CommonSourceRoot(named);
  const std::string& root = sources.source_root;
  for (std::size_t j = 0; j < folders.size(); ++j) {
    const std::string folder = folders[j];  // copied: appending may move the list
    std::vector<platform::DirEntry> entries;
    if (fs.ListDirectory(folder, &entries) != 0) continue;
    const std::string stored_folder = RelativeFolder(folder, root);
    for (const platform::DirEntry& entry : entries) {
      const std::string path = platform::WithSeparator(folder) + entry.name;
      if (entry.is_directory) {
        if (!entry.is_link) folders.push_back(path);
      } else {
        sources.entries.push_back(StoredFile{stored_folder, entry.name});
      }
    }
  }
  for (const std::string& file : named_files)
    sources.entries.push_back(
        StoredFile{RelativeFolder(platform::FolderOf(file), root), platform::FileNameOf(file)});
  return sources;
}

}  // namespace vornalis::ui
