// Which recovery files beside a set are the set's own.
//
// Recovery files can be renamed, copied in from elsewhere and made by any PAR 2.0 program, so
// they are known by what they hold, never by their names:
// - a file is looked at when it describes the set's header by name: exactly as the set spells
//   it, or with case ignored (a set copied from a FAT disk may be spelt BACKUP.PEC where its
//   recovery files say backup.pec) unless a set of that exact spelling lies beside it
//   (SetNameMatcher);
// - packets are put together only from files that agree on every file they both describe, so
//   an old copy of the recovery files never mixes with new ones (recovery/par2_packets.h);
// - a recovery set is the set's own only when every file it describes is the set's header or
//   one of its pieces, each once; one that also describes other files (notes.txt, d/evil.txt) or
//   another set's files is named and not used, not even to check;
// - among several such sets (an older protection kept under another name, a same-named set's
//   recovery files copied in), the one whose descriptions (length and MD5) match the most files
//   at hand wins, never the one with most recovery data; when two match as many, which is the
//   set's cannot be told, and none is used;
// - a recovery set whose packets cannot be used (a block size of 0, or larger than any file it
//   describes, more slices than the code allows) is named and not used;
// - a recovery set that a set made anew in place of this one retired (its history says so) is
//   named and not used, whatever its files are called;
// - what the packets of all the files take in memory is bounded (par2::kReadBudgetBytes): a
//   file past it is named and not used.
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

// The set's names as its folder holds them: exact spelling first (SetNameMatcher), from the
// folder's listing. A folder that cannot be listed gives the matcher that ignores case.
SetNameMatcher FolderNameMatcher(platform::FileSystem& fs, const SetPaths& paths);

// Whether file (size bytes long) describes the set's header; with only set, whether every file
// it describes is the set's header or one of its pieces, the header among them. Its position
// is not moved.
bool DescribesSetHeader(platform::File& file, std::uint64_t size, const SetNameMatcher& names);
bool DescribesOnlySet(platform::File& file, std::uint64_t size, const SetNameMatcher& names);

// Every file in the set's folder that describes the set's header, sorted: the recovery files
// that may be the set's. Links, and files under the set's own names, are passed over.
std::vector<std::string> FindRecoveryFiles(platform::FileSystem& fs, const SetPaths& paths);

// The recovery files that protect may replace and remove: under a name protect gives the set's
// recovery files (its name, then ".par2" or ".volA+B.par2"), plain files of this user, describing
// the set's files and no other. The set's name is taken exactly, or with case ignored where no set
// of that spelling lies beside it.
std::vector<std::string> OwnRecoveryFilesByName(platform::FileSystem& fs, const SetPaths& paths);
// Whether path is one of those (a name protect is about to write).
bool IsOwnRecoveryFileByName(platform::FileSystem& fs, const SetPaths& paths,
                             const std::string& path);

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

// The content (ContentId, set_history.h) of every recovery set beside the set that is the set's
// own, read without their recovery data: what a set that replaces it retires.
std::vector<recovery::Md5Digest> OwnRecoveryContent(platform::FileSystem& fs,
                                                    const SetPaths& paths);

// The set's own recovery set, read on threads threads; kNotFound (NoRecoveryFiles) when the
// folder holds none, kRefused when it holds some but none is the set's own and usable, or
// several match the set equally well (the message then names each, a line each). What the
// packets may take in memory is budget_bytes.
Result<SetRecovery> LoadSetRecovery(platform::FileSystem& fs, const SetPaths& paths,
                                    unsigned threads = 1,
                                    std::uint64_t budget_bytes = recovery::par2::kReadBudgetBytes);

}  // namespace vornalis
