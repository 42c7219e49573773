// Pieces kept aside while a set is open for storing.
//
// A writer may have to reuse the number of a piece that the header on disk still refers to: the
// overflow pieces that hold the rest of its catalogue are taken by new data pieces and by the new
// catalogue's own overflow pieces, and a set that replaces another under the same name takes
// every number of the old one. Before such a number is reused, the old piece is renamed aside
// (header + ".aside" + n), under a record (header + ".aside") that names the header it belongs
// to by the header's length and a hash of its bytes, and the range of pieces it covers. A reader
// of that very header takes covered pieces from aside, so a set whose writer dies or fails at any
// moment still opens as it was; once a new header has replaced it, the record no longer matches,
// and the record and the pieces aside are ignored and cleaned up. A set that was closed properly
// has neither, so other readers of the format see nothing new.
//
// Nothing aside is trusted by its name alone: the record and each piece must be regular files
// with one name, owned by the header's owner, and the record may cover only pieces its header
// refers to.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "engine/set_files.h"
#include "platform/file_system.h"

namespace vornalis {

struct AsideRecord {
  std::uint64_t header_size = 0;
  std::uint64_t header_hash = 0;
  std::uint32_t first = 0;  // pieces first .. first + count - 1
  std::uint32_t count = 0;

  bool Covers(std::uint32_t n) const { return n >= first && n - first < count; }
  // The record belongs to the header of this length and hash and covers only pieces that
  // header refers to (1 to last_piece + overflow_count).
  bool Fits(std::uint64_t size, std::uint64_t hash, std::uint32_t last_piece,
            std::uint32_t overflow_count) const;
};

std::string AsideRecordPath(const SetPaths& set);
std::string AsidePiecePath(const SetPaths& set, std::uint32_t n);
// The number of the piece aside that file_name (a name in the set's folder) holds; 0 when the
// name is not one of the set's aside pieces.
std::uint32_t AsidePieceNumber(const SetPaths& set, const std::string& file_name);

// Length and hash of every byte of file, read from its start through buffer; the file's
// position does not move.
Status HashFile(platform::File& file, std::span<char> buffer, std::uint64_t* size,
                std::uint64_t* hash);

// Opens path for reading only when it is a regular file with one name owned by owner: never a
// link, a folder or a second name of another file. An entry that is there but not trusted fails
// with kRefused.
Result<std::unique_ptr<platform::File>> OpenOwnedFile(platform::FileSystem& fs,
                                                      const std::string& path, std::uint32_t owner);

// The set's record, when there is one that owner made and that reads as a record; kRefused
// when something is at the record's name that owner did not make, or that is no record at all.
Result<AsideRecord> ReadAsideRecord(platform::FileSystem& fs, const SetPaths& set,
                                    std::uint32_t owner);

// Writes the record under a temporary name, flushes it and renames it into place.
Status WriteAsideRecord(platform::FileSystem& fs, const SetPaths& set, const AsideRecord& record);

}  // namespace vornalis
