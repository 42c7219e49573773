#include "ui/main/set_storing.h"

#include <algorithm>

#include "engine/messages.h"
#include "platform/path.h"

namespace vornalis::ui {

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

StoreOutcome StoreAndCommit(PieceSet& set, const SourceList& sources,
                            const std::string& work_folder, void* context,
                            ProgressCallback callback) {
  StoreOutcome outcome;
  // Each file left out is one line, whether the walk or the set left it out.
  outcome.lines = sources.errors;
  for (const SkippedSource& skipped : sources.skipped) outcome.lines.push_back(skipped.reason);
  std::string failure;
  set.ClearLastError();
  for (const SourceGroup& group : sources.groups) {
    outcome.stored = set.AddFiles(work_folder, group.entries, context, callback, group.source_root);
    for (const SkippedSource& skipped : set.Skipped()) outcome.lines.push_back(skipped.reason);
    if (!outcome.stored) {
      failure = set.LastError();
      break;
    }
  }
  // What was stored, all of it or up to a break-off or a failure, reaches the medium now.
  set.ClearLastError();
  outcome.committed = set.Commit();
  if (!outcome.stored) {
    outcome.lines.push_back(failure);
    // Pieces written since the last commit are gone again when the commit failed.
    if (outcome.committed) outcome.lines.emplace_back(messages::kPiecesMayBeCorrupt);
  }
  if (!outcome.committed) {
    outcome.lines.push_back(set.LastError());
    outcome.lines.emplace_back(kStoredNotKept);
  }
  return outcome;
}

}  // namespace vornalis::ui
