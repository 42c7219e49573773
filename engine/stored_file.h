// StoredFile: one catalogue entry of a piece set.
#pragma once

#include <cstdint>
#include <string>

namespace vornalis {

struct StoredFile {
  // Folder relative to where the file was added from: empty, or ending with "\" (photos\2000\).
  std::string Folder;
  // File name without folder.
  std::string Name;
  // Data piece that holds the first byte, and that byte's position in the piece file (8 or
  // more, as the 8-byte head counts).
  std::uint32_t Piece = 0;
  std::uint32_t Offset = 0;
  // Length in bytes, up to format::kMaxFileSize; above 4 GB - 1 only in a set of the large form.
  std::uint64_t Size = 0;
};

// A file that was named for storing and left out, and why.
struct SkippedSource {
  std::string path;
  std::string reason;  // the whole message, naming the path
  // Nothing the user meant to keep was left out: the file is one of the set's own (its header,
  // a piece, a file made from it), which a set never holds.
  bool harmless = false;
};

}  // namespace vornalis
