#include "engine/store_sources.h"

#include <algorithm>

#include "engine/messages.h"

namespace vornalis {

StoreOutcome StoreSources(PieceSet& set, SourceList sources, const StoreRequest& request) {
  StoreOutcome outcome;
  // What the walk could not list or left out comes first, in its order.
  outcome.failures = sources.errors;
  for (const SkippedSource& skipped : sources.skipped)
    (skipped.harmless ? outcome.notes : outcome.failures).push_back(skipped.reason);
  // Files already in the set are skipped by the engine; they are named here.
  std::size_t total = 0;
  for (SourceGroup& group : sources.groups) {
    std::erase_if(group.entries, [&](const StoredFile& entry) {
      if (set.Find(entry.Folder, entry.Name) == nullptr) return false;
      outcome.notes.push_back(messages::AlreadyStored(entry.Folder + entry.Name));
      return true;
    });
    total += group.entries.size();
  }
  if (request.counted) request.counted(total);

  const std::size_t before = set.Files().size();
  for (const SourceGroup& group : sources.groups) {
    if (request.stopped && request.stopped()) break;
    if (group.entries.empty()) continue;
    set.ClearLastError();
    bool stored = false;
    const auto store = [&] {
      stored = set.AddFiles(request.work_folder.empty() ? group.source_root : request.work_folder,
                            group.entries, request.context, request.callback, group.source_root);
    };
    if (request.around_group)
      request.around_group(group, store);
    else
      store();
    for (const SkippedSource& skipped : set.Skipped())
      (skipped.harmless ? outcome.notes : outcome.failures).push_back(skipped.reason);
    if (!stored) {
      outcome.failure = set.LastStatus();
      outcome.failures.push_back(set.LastError());
      outcome.undo = outcome.failure.code == Status::Code::kNameTaken;
      break;
    }
  }
  outcome.stored = set.Files().size() - before;
  return outcome;
}

StoreReport StoreAndCommit(PieceSet& set, SourceList sources, const StoreRequest& request,
                           AfterStoring after) {
  StoreReport report;
  report.outcome = StoreSources(set, std::move(sources), request);
  const StoreOutcome& outcome = report.outcome;
  report.lines = outcome.failures;
  report.stopped = request.stopped && request.stopped();
  if (outcome.undo || (set.Replaces() && (!outcome.failure.ok() || report.stopped))) {
    // Nothing of this command is kept: the set on disk is as it was before it.
    report.end = outcome.undo ? StoreReport::End::kUndone : StoreReport::End::kNotReplaced;
    set.Discard();
    report.lines.emplace_back(outcome.undo ? messages::kNothingStored : messages::kNotReplaced);
    return report;
  }
  // What was stored, all of it or up to a break-off or a failure, reaches the medium now.
  set.ClearLastError();
  const bool committed = after == AfterStoring::kKeepOpen ? set.Commit() : set.Close();
  if (!committed) {
    report.end = StoreReport::End::kCommitFailed;
    report.lines.push_back(set.LastError());
    report.lines.emplace_back(messages::kStoredNotKept);
    return report;
  }
  // A failure part way left bytes of the failing file in the pieces written before it.
  if (!outcome.failure.ok()) report.lines.emplace_back(messages::kPiecesMayBeCorrupt);
  const PieceSet::RecoveryFilesAfterCommit& recovery = set.RecoveryFilesAfter();
  if (!recovery.retired.empty())
    report.recovery.push_back(
        messages::RecoveryFilesRetired(set.Paths().Header(), recovery.retired));
  if (recovery.older && outcome.stored > 0) {
    report.recovery_older = true;
    report.recovery.push_back(messages::RecoveryOlderThanSet(set.Paths().Header()));
  }
  return report;
}

}  // namespace vornalis
