// Old overflow pieces kept aside while a set is open for storing.
//
// Data pieces stored after a set was opened take the numbers of the overflow pieces that hold
// the rest of its catalogue, and a new catalogue's overflow pieces may take them too. Before
// such a number is reused, the old piece is renamed aside (base + ".pec.aside" + n), under a
// record (base + ".pec.aside") that names the header it belongs to by the header's length and a
// hash of its bytes. A reader of that very header takes those pieces from aside where they
// exist, so a set whose writer dies or fails at any moment still opens as it was; once a new
// header has replaced it, the record no longer matches, and the record and the pieces aside are
// ignored and cleaned up. A set that was closed properly has neither, so other readers of the
// format see nothing new.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "engine/set_files.h"
#include "platform/file_system.h"

namespace vornalis {

struct AsideRecord {
  std::uint64_t header_size = 0;
  std::uint64_t header_hash = 0;
  std::uint32_t first = 0;  // overflow pieces first .. first + count - 1
  std::uint32_t count = 0;

  bool Covers(std::uint32_t n) const { return n >= first && n - first < count; }
};

std::string AsideRecordPath(const SetPaths& set);
std::string AsidePiecePath(const SetPaths& set, std::uint32_t n);

// Length and hash of every byte of file, read from its start through buffer; the position is
// left at the end. False when it cannot be read.
bool HashFile(platform::File& file, std::span<char> buffer, std::uint64_t* size,
              std::uint64_t* hash);

// The record of the set at base_path when there is one and it belongs to header (the open
// header file, read whole, its position left at its end); false otherwise.
bool ReadMatchingAsideRecord(platform::FileSystem& fs, const SetPaths& set, platform::File& header,
                             AsideRecord* record);

// Writes the record under a temporary name, flushes it and renames it into place.
int WriteAsideRecord(platform::FileSystem& fs, const SetPaths& set, const AsideRecord& record);

}  // namespace vornalis
