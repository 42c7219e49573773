// What a file holds, in 24 bytes: its length and the MD5 of its bytes, as PAR 2.0 recovery files
// describe the files they protect. The recovery code tells a set's header from another by it, and
// the record of what a set's own commits did names headers by it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/file_system.h"
#include "recovery/md5.h"

namespace vornalis {

struct FileIdentity {
  std::uint64_t length = 0;
  recovery::Md5Digest md5{};
  bool operator==(const FileIdentity&) const = default;
};

// The identity of the file at path, read through once; nothing when it cannot be opened or read
// to its end.
std::optional<FileIdentity> IdentityOf(platform::FileSystem& fs, const std::string& path);

}  // namespace vornalis
