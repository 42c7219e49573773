// Files made from a set that may lie beside it under any name: the self-assembling program
// (Make .EXE writes the set's name into its patch area) and recovery files in the PAR 2.0
// format (their file description packets name the set's files), and the history of a protected
// set (set_history.h). A set never stores them, and since they can be renamed,
// they are known by their content.
#pragma once

#include <cstdint>
#include <string>

#include "engine/set_files.h"
#include "platform/file_system.h"

namespace vornalis {

// True when file (size bytes long) is a program made for the set named set_name, a PAR 2.0 file
// that describes the set's header (set_recovery_files.h), or a set's history (any set's: it is
// small, and nobody means to store one). Its position is not moved.
bool IsMadeFromSet(platform::File& file, std::uint64_t size, const std::string& set_name,
                   const SetPaths& set);

}  // namespace vornalis
