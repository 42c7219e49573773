// Temporary files a program of this product left when it died: removed by the next one that
// works in the folder, but only when provably its own.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "engine/set_files.h"
#include "platform/file_system.h"

namespace vornalis {

// Every temporary file a writer of the set at paths may leave (a catalogue, a piece kept aside,
// a recovery file, a repaired piece: all named TempPrefix and six letters or digits, and all
// beginning with one of the set's magics or a recovery file's from their first moment), removed
// as RemoveLeftoverTemporaries says. Called by each command on the set while it holds the set's
// lock, so that no living writer's file is taken.
void RemoveSetTemporaries(platform::FileSystem& fs, const SetPaths& paths);

// Removes from folder every file named prefix + six letters or digits (the names
// CreateUniqueFile makes) that is a regular file with one name, made by this user, and either
// empty (its writer died before the first byte) or starting with one of magics. A user's file
// that happens to have such a name holds something else, and stays.
void RemoveLeftoverTemporaries(platform::FileSystem& fs, const std::string& folder,
                               const std::string& prefix,
                               std::initializer_list<std::string_view> magics);

}  // namespace vornalis
