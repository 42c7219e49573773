// Opening the set that a SET argument names: the header or any piece of it.
#pragma once

#include <memory>
#include <string>

#include "engine/piece_set.h"
#include "platform/file_system.h"

namespace vornalis::cli {

// Opens the set, or prints why it cannot be opened and returns null. The set works through fs,
// which must outlive it.
std::unique_ptr<PieceSet> OpenSet(const std::string& set_argument, SetAccess access,
                                  platform::FileSystem& fs = platform::RealFileSystem());

// Writes one error line to standard error.
void PrintError(const std::string& message);

// Writes what the set found and ignored on the way (files planted where it keeps pieces
// aside), each once per run, to standard error.
void PrintWarnings(const PieceSet& set);

}  // namespace vornalis::cli
