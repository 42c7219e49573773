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

}  // namespace vornalis
