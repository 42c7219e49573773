// How the desktop program stores files into its open set, for every command that does (Add, Add
// Folder, a drop on the window, the start-up add).
//
// CollectForSet lists what the paths given hold, every path relative to the folder that holds
// them all (SourceLayout::kAllFromCommonRoot), so a folder keeps its name and files from one
// folder are stored without one. The set's own files among the paths are left out first, so that
// they never move that folder.
//
// StoreAndCommit stores them (StoreSources: the CLI's rule for what is told) and then commits the
// set, whether storing went through, was broken off or failed part way: when it returns, what
// the set lists is on the medium and the set stays open for more. Or the set was finished as it
// was before the command (kept is false; the caller shows the set as it lies on disk): the commit
// failed, or a name the set needs held a file not the set's, which undoes the command.
#pragma once

#include <string>
#include <vector>

#include "engine/piece_set.h"
#include "engine/source_walk.h"
#include "engine/store_sources.h"
#include "platform/file_system.h"

namespace vornalis::desktop {

SourceList CollectForSet(PieceSet& set, const std::vector<std::string>& paths,
                         platform::FileSystem& fs);

}  // namespace vornalis::desktop
