// extract: rebuilding all or some stored files into a target folder.
#include <algorithm>
#include <cstdio>
#include <mutex>
#include <system_error>
#include <thread>

#include "cli/commands.h"
#include "cli/open_set.h"
#include "cli/progress.h"
#include "engine/format.h"
#include "engine/messages.h"
#include "engine/rebuild_shares.h"
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
// Told from every thread that rebuilds, one at a time.
class ExtractProgress final : public RebuildObserver {
 public:
  ExtractProgress(ProgressLine& line, std::size_t total, std::string target)
      : line_(line), total_(total), target_(std::move(target)) {}

  bool Rebuilt(const StoredFile& file, const Status& status) noexcept override {
    const std::lock_guard<std::mutex> hold(mutex_);
    ++done_;
    bytes_ += file.Size;
    line_.Update(static_cast<int>(done_ * 100 / total_), file.Folder + file.Name, bytes_);
    if (!status.ok()) {
      failures_.push_back(
          Failure{&file, NativePath(target_, file.Folder, file.Name), status.message});
    }
    return !platform::InterruptGuard::Requested();
  }

  // The failures in the order the files' bytes lie, whichever thread met them first.
  int PrintFailures() {
    std::stable_sort(failures_.begin(), failures_.end(), [](const Failure& x, const Failure& y) {
      return x.file->Piece != y.file->Piece ? x.file->Piece < y.file->Piece
                                            : x.file->Offset < y.file->Offset;
    });
    for (const Failure& failure : failures_) {
      PrintError(messages::Assembling(failure.path));
      PrintError(failure.message);
    }
    return static_cast<int>(failures_.size());
  }

 private:
  struct Failure {
    const StoredFile* file;
    std::string path;
    std::string message;
  };
  std::mutex mutex_;
  ProgressLine& line_;
  std::size_t total_;
  std::string target_;
  std::size_t done_ = 0;
  std::uint64_t bytes_ = 0;
  std::vector<Failure> failures_;
};

// Rebuilds the whole set on up to `threads` threads, each with its own share of the entries and
// its own buffer, all reading through the one view of the set. The first failure to open the
// target is kept.
Status ExtractOnThreads(const PieceSet& set, const std::string& target,
                        const std::vector<const StoredFile*>& entries, unsigned threads,
                        RebuildObserver* observer) {
  const std::vector<std::vector<const StoredFile*>> shares = SplitForThreads(entries, threads);
  std::vector<Status> results(shares.size());
  {
    const auto rebuild = [&](std::size_t i) {
      std::vector<char> buffer(format::kBufferSize);
      results[i] = set.ExtractShare(target, shares[i], buffer, observer);
    };
    std::vector<std::jthread> workers;
    std::size_t started = 1;
    try {
      for (; started < shares.size(); ++started) workers.emplace_back(rebuild, started);
    } catch (const std::system_error&) {
      // No more threads to be had: this one takes the shares left over.
    }
    for (std::size_t i = started; i < shares.size(); ++i) rebuild(i);
    if (!shares.empty()) rebuild(0);
  }  // the workers are joined here
  for (const Status& result : results) {
    if (!result.ok()) return result;
  }
  return Status::Ok();
}

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
  // The whole set is rebuilt on several threads, as the kernel's work for small files in
  // different folders runs side by side; files the user names come back on one thread.
  bool opened = true;
  if (names.empty() && ThreadCount(options) > 1) {
    const Status status =
        ExtractOnThreads(*set, target_folder, chosen, ThreadCount(options), &progress);
    if (!status.ok()) PrintError(status.message);
    opened = status.ok();
  } else if (!set->ExtractFiles(target_folder, chosen, &progress)) {
    PrintError(set->LastError());
    opened = false;
  }
  line.Finish();
  if (!opened) return kFailed;
  const int failed = progress.PrintFailures();
  PrintWarnings(*set);
  if (failed > 0) PrintError(messages::ErrorsOccured(failed));
  if (platform::InterruptGuard::Requested()) {
    PrintError("Interrupted: the files rebuilt so far are kept");
    return platform::InterruptGuard::ExitStatus();
  }
  return failed > 0 ? kFailed : kOk;
}

}  // namespace vornalis::cli
