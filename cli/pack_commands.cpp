// create and add: storing files and folders into a set.
#include <cstdio>

#include "cli/commands.h"
#include "cli/open_set.h"
#include "cli/progress.h"
#include "cli/shown_name.h"
#include "engine/format.h"
#include "engine/piece_set.h"
#include "engine/piece_size.h"
#include "engine/set_files.h"
#include "engine/size_text.h"
#include "engine/source_walk.h"
#include "platform/file_system.h"

namespace vornalis::cli {
namespace {

struct PackProgress {
  ProgressLine* line;
  std::size_t total = 0;
  std::size_t stored = 0;
  std::uint64_t bytes = 0;
};

int OnStored(void* context, int, std::string name, std::string folder, std::uint32_t size) {
  auto* progress = static_cast<PackProgress*>(context);
  ++progress->stored;
  progress->bytes += size;
  progress->line->Update(static_cast<int>(progress->stored * 100 / progress->total), folder + name,
                         progress->bytes);
  return InterruptGuard::Requested() ? -1 : 0;
}

// Lists the sources, or prints why they cannot be and returns false.
bool Collect(const std::vector<std::string>& paths, SourceList* sources) {
  *sources = CollectSources(paths);
  for (const SkippedSource& skipped : sources->skipped) PrintError(skipped.reason);
  for (const std::string& error : sources->errors) PrintError(error);
  return sources->errors.empty();
}

// Stores every source into set and closes it; reports what happened.
int Store(PieceSet& set, SourceList& sources, const CommonOptions& options) {
  PackProgress progress;
  ProgressLine line(options.quiet);
  progress.line = &line;
  for (SourceGroup& group : sources.groups) {
    // Files already in the set are skipped by the engine; say which.
    std::erase_if(group.entries, [&](const StoredFile& entry) {
      if (set.Find(entry.Folder, entry.Name) == nullptr) return false;
      std::printf("Skipped %s: already in the set\n", ShownName(entry.Folder + entry.Name).c_str());
      return true;
    });
    progress.total += group.entries.size();
  }

  InterruptGuard interrupt;
  bool ok = true;
  for (const SourceGroup& group : sources.groups) {
    if (group.entries.empty()) continue;
    set.ClearLastError();
    if (!set.AddFiles(group.source_root, group.entries, &progress, OnStored, group.source_root)) {
      line.Finish();
      PrintError(set.LastError());
      ok = false;
      break;
    }
    if (InterruptGuard::Requested()) break;
  }
  line.Finish();
  const bool stopped = InterruptGuard::Requested();
  if (set.Close()) {
    const std::string totals =
        TotalsText(static_cast<std::uint32_t>(set.Files().size()), set.TotalBytes());
    if (ok || progress.stored > 0)
      std::printf("Stored %zu files. %s\n", progress.stored, totals.c_str());
    else
      PrintError("Nothing was stored; the set is as it was before. " + totals);
  } else {
    // The new catalogue did not replace the old one: say what the set holds now, as a reader
    // finds it.
    PrintError(set.LastError());
    ok = false;
    PieceSet now(set.BasePath(), SetAccess::kReadOnly);
    if (now.LastError().empty())
      PrintError("Nothing was stored; the set is as it was before. " +
                 TotalsText(static_cast<std::uint32_t>(now.Files().size()), now.TotalBytes()));
  }
  // Sources that could not be stored were named before storing began; they fail the command.
  if (!sources.skipped.empty()) ok = false;
  if (stopped) {
    PrintError("Interrupted: the files stored so far are kept in the set");
    return InterruptGuard::ExitStatus();
  }
  return ok ? kOk : kFailed;
}

}  // namespace

int CreateCommand(const std::string& set_argument, const std::string& size_text, bool force,
                  const std::vector<std::string>& paths, const CommonOptions& options) {
  std::string error;
  const auto piece_size = ParsePieceSize(size_text, &error);
  if (!piece_size) {
    PrintError(error);
    return kUsage;
  }
  const std::string base = BasePathOf(set_argument);
  platform::FileSystem& fs = platform::RealFileSystem();
  const bool exists = fs.Exists(HeaderPath(base)) || fs.Exists(PiecePath(base, 1));
  if (exists && !force) {
    PrintError("The set " + HeaderPath(base) + " already exists; give --force to replace it");
    return kFailed;
  }
  SourceList sources;
  if (!Collect(paths, &sources)) return kFailed;
  // The new set takes the set's lock first, so a set that another program is storing into is
  // never removed under it.
  PieceSet set(base, *piece_size);
  if (!set.CanStore()) {
    PrintError(set.LastError());
    return kFailed;
  }
  if (exists) {
    // Replace the old set whole, so none of its pieces linger after the new one.
    fs.Remove(HeaderPath(base));
    for (std::uint32_t n = 1; fs.Exists(PiecePath(base, n)); ++n) fs.Remove(PiecePath(base, n));
  }
  return Store(set, sources, options);
}

int AddCommand(const std::string& set_argument, const std::vector<std::string>& paths,
               const CommonOptions& options) {
  SourceList sources;
  if (!Collect(paths, &sources)) return kFailed;
  auto set = OpenSet(set_argument, SetAccess::kReadWrite);
  if (!set) return kFailed;
  return Store(*set, sources, options);
}

}  // namespace vornalis::cli
