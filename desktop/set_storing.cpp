#include "desktop/set_storing.h"

#include <algorithm>

#include "engine/messages.h"
#include "platform/path.h"

namespace vornalis::desktop {

SourceList CollectForSet(PieceSet& set, const std::vector<std::string>& paths,
                         platform::FileSystem& fs) {
  std::vector<std::string> absolute;
  for (const std::string& path : paths) absolute.push_back(platform::AbsolutePath(path));
  const std::vector<std::string> own = set.OwnSources(absolute);
  std::vector<std::string> kept;
  for (std::size_t i = 0; i < paths.size(); ++i)
    if (std::find(own.begin(), own.end(), absolute[i]) == own.end()) kept.push_back(paths[i]);
  SourceList list = CollectSources(kept, fs, SourceLayout::kAllFromCommonRoot);
  for (const std::string& path : own)
    list.skipped.push_back({path, messages::OwnSetFile(path), true});
  return list;
}

StoreResult StoreAndCommit(PieceSet& set, const SourceList& sources, const StoreRequest& request) {
  StoreResult result;
  const StoreOutcome outcome = StoreSources(set, sources, request);
  result.lines = outcome.failures;
  if (outcome.undo) {
    // A name not the set's: what this command stored goes, and the set is as before it.
    set.Discard();
    result.kept = false;
    result.lines.emplace_back(messages::kNothingStored);
  } else {
    // What was stored, all of it or up to a break-off or a failure, reaches the medium now.
    set.ClearLastError();
    result.kept = set.Commit();
    result.stored = result.kept ? outcome.stored : 0;
    // Pieces written since the last commit are gone again when the commit failed.
    if (!outcome.failure.ok() && result.kept)
      result.lines.emplace_back(messages::kPiecesMayBeCorrupt);
    if (!result.kept) {
      result.lines.push_back(set.LastError());
      result.lines.emplace_back(kStoredNotKept);
    }
  }
  // What was left out harmlessly is told only beside a failure.
  if (!result.lines.empty())
    result.lines.insert(result.lines.end(), outcome.notes.begin(), outcome.notes.end());
  return result;
}

}  // namespace vornalis::desktop
