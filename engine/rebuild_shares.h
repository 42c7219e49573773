// Splitting the entries of a whole-set rebuild into shares that threads can rebuild at once.
//
// Each share is a run of entries whose bytes lie next to each other in the pieces, so every
// thread reads its pieces front to back, and the runs carry about the same work (bytes plus a
// cost per file). Entries whose folders and names are the same but for letter case (Unicode case
// folding) always share a share, the one of the first of them, so the rule that the first such
// entry rebuilt keeps the name (rebuild.h) holds as it does on one thread; so do entries that a
// rebuild on Windows could give one name (windows_names.h: "aux.c" and "_aux.c"), so that it
// chooses their names as on one thread. Within a share the entries stay in the order their bytes
// lie.
#pragma once

#include <cstddef>
#include <vector>

#include "engine/stored_file.h"

namespace vornalis {

// At most `parts` non-empty shares of entries (none for no entries).
std::vector<std::vector<const StoredFile*>> SplitForThreads(
    const std::vector<const StoredFile*>& entries, std::size_t parts);

}  // namespace vornalis
