// Which recovery files beside a set are the set's own.
//
// Recovery files can be renamed, copied in from elsewhere and made by any PAR 2.0 program, so
// they are known by what they hold, never by their names:
// - a file is looked at when it describes the set's header by name (case ignored, as a set copied
//   from a FAT disk may be spelt BACKUP.PEC where its recovery files say backup.pec);
// - a recovery set is the set's own only when every file it describes is the set's header or
//   one of its pieces, each once; one that also describes other files (notes.txt, d/evil.txt) or
//   another set's files is named and not used, not even to check;
// - among several such sets (an older protection kept under another name, a same-named set's
//   recovery files copied in), the one whose files match the files at hand (length and the hash
//   of the first 16 KiB) wins, never the one with most recovery data;
// - a recovery set whose packets cannot be used (a block size of 0, or larger than any file it
//   describes, more slices than the code allows) is named and not used.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/set_files.h"
#include "engine/set_state.h"
#include "platform/file_system.h"
#include "recovery/par2_packets.h"

namespace vornalis {

// 0 when name (a file name, no folder) is the set's header, n when it is the name of its piece
// n, letter case ignored; nothing for any other name.
std::optional<std::uint32_t> SetFileOfName(const SetPaths& paths, std::string_view name);

// Whether file (size bytes long) describes the set's header; with only set, whether every file
// it describes is the set's header or one of its pieces, the header among them. Its position
// is not moved.
bool DescribesSetHeader(platform::File& file, std::uint64_t size, const SetPaths& paths);
bool DescribesOnlySet(platform::File& file, std::uint64_t size, const SetPaths& paths);

// Every file in the set's folder that describes the set's header, sorted: the recovery files
// that may be the set's. Links, and files under the set's own names, are passed over.
std::vector<std::string> FindRecoveryFiles(platform::FileSystem& fs, const SetPaths& paths);

// The set that path (its header or any piece) belongs to, as IdentifySetFile finds it; when that
// fails (the header damaged or lost), the set whose header path would be, when recovery files of
// it lie beside it, so that it can be repaired; else IdentifySetFile's failure.
Result<SetPaths> SetOrRecoverable(platform::FileSystem& fs, const std::string& path);

// The set's own recovery set, with what it says of each file.
struct SetRecovery {
  recovery::par2::RecoverySet set;
  // For each file of set, in the main packet's order: 0 for the header, n for piece n.
  std::vector<std::uint32_t> numbers;
  // What the set was when the recovery files were made; nothing when another program made them.
  std::optional<SetState> state;
  // Recovery files that are damaged, not the set's or not usable, each named.
  std::vector<std::string> warnings;
};

// The set's own recovery set, read on threads threads; kNotFound (NoRecoveryFiles) when the
// folder holds none, kRefused when it holds some but none is the set's own and usable (the
// message then names each, a line each).
Result<SetRecovery> LoadSetRecovery(platform::FileSystem& fs, const SetPaths& paths,
                                    unsigned threads = 1);

}  // namespace vornalis
