// extract: rebuilding all or some stored files into a target folder.
#include <algorithm>
#include <cstdio>

#include "cli/commands.h"
#include "cli/open_set.h"
#include "cli/progress.h"
#include "engine/format.h"
#include "engine/messages.h"
#include "engine/stored_path.h"
#include "platform/interrupts.h"
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

// Shows progress after each rebuilt file, keeps the failures for the end, and stops on Ctrl-C.
class ExtractProgress final : public RebuildObserver {
 public:
  ExtractProgress(ProgressLine& line, std::size_t total, std::string target)
      : line_(line), total_(total), target_(std::move(target)) {}

  bool Rebuilt(const StoredFile& file, const Status& status) noexcept override {
    ++done_;
    bytes_ += file.Size;
    line_.Update(static_cast<int>(done_ * 100 / total_), file.Folder + file.Name, bytes_);
    if (!status.ok()) {
      ++failed;
      errors.push_back(messages::Assembling(target_ + NativeFolder(file.Folder) + file.Name));
      errors.push_back(status.message);
    }
    return !platform::InterruptGuard::Requested();
  }

  std::vector<std::string> errors;
  int failed = 0;

 private:
  ProgressLine& line_;
  std::size_t total_;
  std::string target_;
  std::size_t done_ = 0;
  std::uint64_t bytes_ = 0;
};

}  // namespace

int ExtractCommand(const std::string& set_argument, const std::string& target,
                   const std::vector<std::string>& names, const CommonOptions& options) {
  auto set = OpenSet(set_argument, SetAccess::kReadOnly);
  if (!set) return kFailed;

  // The rebuild works on catalogue entries; a name the user gives picks exactly one of them.
  std::vector<const StoredFile*> chosen;
  if (names.empty()) {
    chosen.reserve(set->Files().size());
    for (const StoredFile& file : set->Files()) chosen.push_back(&file);
  } else {
    bool all_found = true;
    for (const std::string& name : names) {
      const StoredFile wanted = ParseStoredPath(name);
      const Result<const StoredFile*> found = set->FindUnique(wanted.Folder, wanted.Name);
      if (found.ok()) {
        chosen.push_back(*found);
      } else {
        // Named as the user gave it, which may use "/" where the set stores "\".
        PrintError(found.status().code == Status::Code::kNotFound ? messages::NoSuchStoredFile(name)
                                                                  : found.status().message);
        all_found = false;
      }
    }
    if (!all_found) return kFailed;
  }

  const std::string target_folder = platform::WithSeparator(target);
  ProgressLine line(options.quiet);
  platform::InterruptGuard interrupt;
  ExtractProgress progress(line, chosen.size(), target_folder);
  set->ClearLastError();
  const bool opened = set->ExtractFiles(target_folder, chosen, &progress);
  line.Finish();
  if (!opened) {
    PrintError(set->LastError());
    return kFailed;
  }
  for (const std::string& error : progress.errors) PrintError(error);
  PrintWarnings(*set);
  if (progress.failed > 0) PrintError(messages::ErrorsOccured(progress.failed));
  if (platform::InterruptGuard::Requested()) {
    PrintError("Interrupted: the files rebuilt so far are kept");
    return platform::InterruptGuard::ExitStatus();
  }
  return progress.failed > 0 ? kFailed : kOk;
}

}  // namespace vornalis::cli
