// Whose file lies under a name that a set needs.
//
// The format fixes every name of a set, and the names of two sets in one folder can meet: piece
// 2 of "backup" is "backup2.pec", the header of the set "backup2", and piece 11 of "a" is piece
// 1 of "a1". A writer overwrites, truncates, renames or removes a file under one of its names
// only when the file is provably its own: a regular file with one name, owned by the set's
// owner, whose head is the one that name calls for (or that is empty, as a piece is whose
// writer died before writing its head). Anything else under the name (another set's
// file, a user's file, a link, a second name of an outside file, a folder) is left alone, and
// the writer refuses with a message that names the file and says what to do.
#pragma once

#include <cstdint>
#include <string>

#include "engine/set_files.h"
#include "platform/file_system.h"

namespace vornalis {

struct NameClaim {
  enum class Owner {
    kFree,     // nothing has the name
    kThisSet,  // the set's own file of that name
    kOther,    // anything else: `refusal` says whose and what to do
  };
  Owner owner = Owner::kFree;
  platform::FileInfo info;  // what is there
  Status refusal;           // kNameTaken for kOther, else ok

  bool ok() const { return owner != Owner::kOther; }
};

// The file at set.Piece(n): free, this set's piece n (its head reads "QBTM" and n), or another's.
NameClaim ClaimPiece(platform::FileSystem& fs, const SetPaths& set, std::uint32_t n,
                     std::uint32_t owner);
// The same for a piece n kept under another name (aside).
NameClaim ClaimPieceAt(platform::FileSystem& fs, const std::string& path, std::uint32_t n,
                       std::uint32_t owner);
// The file at set.Header(): free, a header of this name (its head reads "QBXR", or "QBXL" in the
// large form), or another's.
NameClaim ClaimHeader(platform::FileSystem& fs, const SetPaths& set, std::uint32_t owner);

}  // namespace vornalis
