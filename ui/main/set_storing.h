// How the desktop program stores files into its open set, for every command that does (Add, Add
// Folder, a drop on the window, the start-up add). Nothing here knows the toolkit.
//
// CollectForSet lists what the paths given hold, every path relative to the folder that holds
// them all (SourceLayout::kAllFromCommonRoot), so a folder keeps its name and files from one
// folder are stored without one. The set's own files among the paths are left out first, so that
// they never move that folder.
//
// StoreAndCommit hands the list to the set and then commits it, whether storing went through, was
// broken off or failed part way: when it returns, what the set lists is on the medium and the set
// stays open for more, or the commit failed and the set is finished as it was before the command
// (committed is false; the caller shows the set as it lies on disk). Either way the outcome holds
// what the user is told, in order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/piece_set.h"
#include "engine/source_walk.h"
#include "platform/file_system.h"

namespace vornalis::ui {

// Said after the commit's own failure, when nothing the command stored was kept.
inline constexpr std::string_view kStoredNotKept =
    "The files stored by this command were not kept: the set on disk is as it was before it.";

SourceList CollectForSet(PieceSet& set, const std::vector<std::string>& paths,
                         platform::FileSystem& fs);

struct StoreOutcome {
  bool stored = true;     // storing met no failure (a break-off is none)
  bool committed = true;  // what the set lists is on the medium
  // For the error list, in order: what was left out before and while storing, and the failures
  // with what they mean. Empty when there is nothing to tell.
  std::vector<std::string> lines;
};

// work_folder, context and callback go to every AddFiles as they are.
StoreOutcome StoreAndCommit(PieceSet& set, const SourceList& sources,
                            const std::string& work_folder, void* context,
                            ProgressCallback callback);

}  // namespace vornalis::ui
