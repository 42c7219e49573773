// extract: rebuilding all or some stored files into a target folder.
#include <algorithm>
#include <cstdio>

#include "cli/commands.h"
#include "cli/open_set.h"
#include "cli/progress.h"
#include "engine/format.h"
#include "engine/stored_path.h"
#include "platform/path.h"

namespace vornalis::cli {
namespace {

// "a\b\c.txt" or "a/b/c.txt" as the stored folder and name.
StoredFile ParseStoredPath(std::string path) {
  std::replace(path.begin(), path.end(), '/', format::kStoredSeparator);
  const std::size_t split = path.rfind(format::kStoredSeparator);
  if (split == std::string::npos) return StoredFile{"", path};
  return StoredFile{path.substr(0, split + 1), path.substr(split + 1)};
}

}  // namespace

int ExtractCommand(const std::string& set_argument, const std::string& target,
                   const std::vector<std::string>& names, const CommonOptions& options) {
  auto set = OpenSet(set_argument, SetAccess::kReadOnly);
  if (!set) return kFailed;

  std::vector<StoredFile> chosen;
  if (names.empty()) {
    chosen = set->Files();
  } else {
    bool all_found = true;
    for (const std::string& name : names) {
      const StoredFile wanted = ParseStoredPath(name);
      if (const StoredFile* found = set->Find(wanted.Folder, wanted.Name)) {
        chosen.push_back(*found);
      } else {
        PrintError("No stored file " + name + " in the set");
        all_found = false;
      }
    }
    if (!all_found) return kFailed;
  }

  const std::string target_folder = platform::WithSeparator(target);
  ProgressLine line(options.quiet);
  InterruptGuard interrupt;
  std::vector<std::string> errors;
  int failed = 0;
  std::uint64_t bytes = 0;
  for (std::size_t k = 0; k < chosen.size() && !InterruptGuard::Requested(); ++k) {
    const StoredFile& file = chosen[k];
    line.Update(static_cast<int>((k + 1) * 100 / chosen.size()), file.Folder + file.Name, bytes);
    set->ClearLastError();
    if (!set->ExtractFile(target_folder, file.Folder, file.Name)) {
      ++failed;
      errors.push_back("Assembling " + target_folder + file.Name + "...");
      errors.push_back(set->LastError());
    }
    bytes += file.Size;
  }
  line.Finish();
  for (const std::string& error : errors) PrintError(error);
  if (failed > 0) PrintError(std::to_string(failed) + " error(s) occured.");
  if (InterruptGuard::Requested()) {
    PrintError("Interrupted: the files rebuilt so far are kept");
    return kInterrupted;
  }
  return failed > 0 ? kFailed : kOk;
}

}  // namespace vornalis::cli
