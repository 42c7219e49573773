// Temporary files a program of this product left when it died: removed by the next one that
// works in the folder, but only when provably its own.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace vornalis {

// Removes from folder every file named prefix + six letters or digits (the names
// CreateUniqueFile makes) that is a regular file with one name, made by this user, and either
// empty (its writer died before the first byte) or starting with one of magics. A user's file
// that happens to have such a name holds something else, and stays.
void RemoveLeftoverTemporaries(platform::FileSystem& fs, const std::string& folder,
                               const std::string& prefix,
                               std::initializer_list<std::string_view> magics);

}  // namespace vornalis
