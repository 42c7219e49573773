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
#include <string_view>
#include <vector>

#include "engine/piece_set.h"
#include "engine/source_walk.h"
#include "engine/store_sources.h"
#include "platform/file_system.h"

namespace vornalis::desktop {

// Said after the commit's own failure, when nothing the command stored was kept.
inline constexpr std::string_view kStoredNotKept =
    "The files stored by this command were not kept: the set on disk is as it was before it.";

SourceList CollectForSet(PieceSet& set, const std::vector<std::string>& paths,
                         platform::FileSystem& fs);

struct StoreResult {
  bool kept = true;        // what the set lists is on the medium, and the set is open
  std::size_t stored = 0;  // files the command stored (and kept)
  // For the error list, in order: what was left out and failed, what it means, then what was
  // left out harmlessly. Empty when nothing failed.
  std::vector<std::string> lines;
};

StoreResult StoreAndCommit(PieceSet& set, const SourceList& sources, const StoreRequest& request);

}  // namespace vornalis::desktop
