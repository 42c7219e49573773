// What this program's own commits did to a protected set, recorded when they did it.
//
// Recovery files protect a set as it was when they were made. A header that no longer matches
// them may be a newer one that an add made (to be kept), a damaged one (to be repaired), or the
// header of a set made anew (whose recovery files cover none of it, even where its header and
// shape are those of the old set): the set's shape cannot tell these apart. So the commits that
// change a set with recovery files beside it write down what they did, in the set's history,
// <set>.history.par2 beside it (one PAR 2.0 packet of this program's own type, which other
// PAR 2.0 programs pass over, put in place by a temporary file and a rename):
// - an add, before its new header takes its place: the header it started from and the header it
//   made (length and MD5 of each), and how many data pieces from piece 1 on it left as they were.
//   An add that starts from the header the last add made appends one more step; any other
//   starts the steps anew;
// - a commit that replaces the set, before its header takes its place: the recovery sets of the
//   set it replaces (by ContentId), which never count for the set again, whatever their files
//   are called and wherever copies of them turn up.
// Protect forgets the adds (its recovery files protect the set as it is). Nothing in a set's
// pieces or stored files can stand for the history: it is read under its own name only, and
// every header and recovery set in it is named by its bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/file_identity.h"
#include "engine/set_files.h"
#include "platform/file_system.h"
#include "recovery/par2_packets.h"

namespace vornalis {

struct SetHistory {
  struct Step {
    FileIdentity header;
    // Data pieces 1 to kept were not written by the add that made this header (0 for the first
    // step, which no add of the history made).
    std::uint32_t kept = 0;
  };
  std::vector<Step> adds;
  std::vector<recovery::Md5Digest> retired;  // ContentId of each recovery set of a replaced set
  bool empty() const { return adds.empty() && retired.empty(); }
};

// A history keeps at most this many adds (past it, the oldest after the first are merged into
// one: the header the recovery files protect is the first) and this many retired recovery sets
// (past it, the oldest are forgotten).
inline constexpr std::size_t kMostRecordedAdds = 4096;
inline constexpr std::size_t kMostRetired = 1024;

// The history's path: the set's name as the header spells it, and ".history.par2" in the case of
// the header's extension (".HISTORY.PAR2" beside "BACKUP.PEC").
std::string HistoryPath(const SetPaths& paths);

// The set's history; an empty one when there is none, or what is under its name is none.
SetHistory ReadHistory(platform::FileSystem& fs, const SetPaths& paths);

// Writes history as the set's (removing the file when it is empty). A file under the history's
// name that is no history of this user stops it (kNameTaken).
Status WriteHistory(platform::FileSystem& fs, const SetPaths& paths, const SetHistory& history);

// history with an add from before to after (kept: data pieces it left as they were).
SetHistory WithAdd(SetHistory history, const FileIdentity& before, const FileIdentity& after,
                   std::uint32_t kept);

// Whether file (size bytes long) holds a set's history, whatever set it is for.
bool IsHistoryFile(platform::File& file, std::uint64_t size);

// When the history shows that adds of this program made the header now from the header
// protected, how many data pieces from piece 1 on are as they were then; nothing otherwise.
std::optional<std::uint32_t> PiecesKeptSince(const SetHistory& history,
                                             const FileIdentity& protected_header,
                                             const FileIdentity& now);

// What a recovery set says its files were, in 16 bytes: the MD5 of its block size and of each
// file's id, length and MD5. Two copies of one protection have the same; a protection of the same
// names and lengths with other bytes (whose recovery set id may be the same) has another.
recovery::Md5Digest ContentId(const recovery::par2::RecoverySet& set);

}  // namespace vornalis
