// create and add: storing files and folders into a set.
#include <cstdio>

#include "cli/commands.h"
#include "cli/open_set.h"
#include "cli/progress.h"
#include "cli/shown_name.h"
#include "engine/format.h"
#include "engine/messages.h"
#include "engine/piece_set.h"
#include "engine/piece_size.h"
#include "engine/set_files.h"
#include "engine/set_recovery.h"
#include "engine/size_text.h"
#include "engine/source_walk.h"
#include "engine/store_sources.h"
#include "engine/stored_path.h"
#include "platform/file_system.h"
#include "platform/interrupts.h"
#include "platform/read_ahead_file_system.h"

namespace vornalis::cli {
namespace {

struct PackProgress {
  ProgressLine* line;
  std::size_t total = 0;
  std::size_t stored = 0;
  std::uint64_t bytes = 0;
};

int OnStored(void* context, int, std::string name, std::string folder,
             std::uint64_t size) noexcept {
  auto* progress = static_cast<PackProgress*>(context);
  ++progress->stored;
  progress->bytes += size;
  progress->line->Update(static_cast<int>(progress->stored * 100 / progress->total), folder + name,
                         progress->bytes);
  return platform::InterruptGuard::Requested() ? -1 : 0;
}

// Lists the sources, or prints why they cannot be and returns false. What is left out of them
// is told with the outcome of storing.
bool Collect(const std::vector<std::string>& paths, SourceList* sources) {
  *sources = CollectSources(paths);
  for (const std::string& error : sources->errors) PrintError(error);
  return sources->errors.empty();
}

// Says what the set holds now, as a reader finds it, after a store that changed nothing.
void PrintUnchanged(const std::string& base_path, const std::string& what) {
  PieceSet now(base_path, SetAccess::kReadOnly);
  std::string text = what;
  if (now.LastError().empty())
    text += " " + TotalsText(static_cast<std::uint32_t>(now.Files().size()), now.TotalBytes());
  PrintError(text);
}

// Stores every source into set and closes it; reports what happened. The caller has set up the
// interrupt guard before the set's lock was taken. The set works through files, which reads
// each group's small files ahead on a second thread while the set writes.
int Store(PieceSet& set, platform::ReadAheadFileSystem& files, SourceList& sources,
          const CommonOptions& options) {
  PackProgress progress;
  ProgressLine line(options.quiet);
  progress.line = &line;
  StoreRequest request;
  request.context = &progress;
  request.callback = OnStored;
  request.counted = [&progress](std::size_t total) { progress.total = total; };
  request.stopped = [] { return platform::InterruptGuard::Requested(); };
  // Each group's small files are read ahead on a second thread while the set writes.
  request.around_group = [&files](const SourceGroup& group, const std::function<void()>& store) {
    const platform::ReadAheadFileSystem::Reading reading =
        files.Expect(group.entries.size(), [&group](std::size_t i) {
          const StoredFile& entry = group.entries[i];
          return NativePath(group.source_root, entry.Folder, entry.Name);
        });
    store();
  };
  const format::CatalogueForm form = set.Form();
  const StoreReport report = StoreAndCommit(set, std::move(sources), request, AfterStoring::kClose);
  line.Finish();
  for (const std::string& note : report.outcome.notes) std::printf("%s\n", ShownName(note).c_str());
  const bool stopped = report.stopped;
  if (!report.kept()) {
    // The set on disk is as it was before the command: the last line says so, with what it
    // holds.
    for (std::size_t i = 0; i + 1 < report.lines.size(); ++i) PrintError(report.lines[i]);
    PrintUnchanged(set.BasePath(), report.lines.back());
    return stopped ? platform::InterruptGuard::ExitStatus() : kFailed;
  }
  for (const std::string& failure : report.lines) PrintError(failure);
  const std::string totals =
      TotalsText(static_cast<std::uint32_t>(set.Files().size()), set.TotalBytes());
  if (report.outcome.failure.ok() || progress.stored > 0)
    std::printf("Stored %zu files. %s\n", progress.stored, totals.c_str());
  else
    PrintError(std::string(messages::kNothingStored) + " " + totals);
  // The commit that first wrote the set in the large form says so, once.
  if (set.Form() != form)
    std::printf("%s\n", ShownName(messages::SetBecameLarge(set.Paths().Header())).c_str());
  // What the commit did to the recovery files: those of a set replaced went, and an add made
  // them older than the set, which a protection makes new (asked for, or suggested).
  for (const std::string& said : report.recovery)
    if (!report.recovery_older || !options.protect)
      PrintError(said + (report.recovery_older
                             ? " (vornalis-cli protect " + set.Paths().Header() + ", or --protect)."
                             : "."));
  if (stopped) {
    PrintError("Interrupted: the files stored so far are kept in the set");
    return platform::InterruptGuard::ExitStatus();
  }
  if (options.protect && progress.stored > 0 && !platform::InterruptGuard::Requested()) {
    const int protected_status = ProtectSetAt(set.Paths(), 0, 0, options);
    if (protected_status != kOk) return protected_status;
  }
  return report.outcome.ok() ? kOk : kFailed;
}

}  // namespace

int CreateCommand(const std::string& set_argument, const std::string& size_text, bool force,
                  const std::vector<std::string>& paths, const CommonOptions& options) {
  const Result<std::uint32_t> piece_size = ParsePieceSize(size_text);
  if (!piece_size.ok()) {
    PrintError(piece_size.status().message);
    return kUsage;
  }
  // Ctrl-C, SIGTERM and SIGHUP are taken over before the set's lock is, so the lock file never
  // outlives the program.
  platform::InterruptGuard interrupt;
  SourceList sources;
  if (!Collect(paths, &sources)) return kFailed;
  // An existing set of that name (in any spelling of the extension) is replaced only with
  // --force, and then only once the new one is whole.
  platform::ReadAheadFileSystem files(platform::RealFileSystem());
  PieceSet set(BasePathOf(set_argument), *piece_size, files,
               force ? NewSet::kReplaceExisting : NewSet::kRefuseExisting);
  if (!set.CanStore()) {
    PrintError(set.LastError());
    if (set.LastStatus().code == Status::Code::kExists) PrintError("Give --force to replace it.");
    return kFailed;
  }
  return Store(set, files, sources, options);
}

int AddCommand(const std::string& set_argument, const std::vector<std::string>& paths,
               const CommonOptions& options) {
  platform::InterruptGuard interrupt;
  SourceList sources;
  if (!Collect(paths, &sources)) return kFailed;
  platform::ReadAheadFileSystem files(platform::RealFileSystem());
  auto set = OpenSet(set_argument, SetAccess::kReadWrite, files);
  if (!set) return kFailed;
  return Store(*set, files, sources, options);
}

}  // namespace vornalis::cli
