// A check of a set's structure without rebuilding anything: every data piece that a stored file
// needs exists with the right head and length, and every entry lies inside the stored bytes and
// shares none of them with another entry.
// The format has no checksum, so the content of the bytes cannot be checked.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/piece_layout.h"
#include "engine/piece_set.h"
#include "platform/file_system.h"

namespace vornalis {

struct VerifyProblem {
  Status status;                      // what is wrong, naming the piece or the entry
  std::vector<std::string> affected;  // stored files (Folder + Name) it concerns
};

struct VerifyReport {
  std::uint32_t pieces_checked = 0;
  std::vector<VerifyProblem> problems;
  bool ok() const { return problems.empty(); }
};

// Pieces are opened as the set knows them (PieceSet::OpenPiece), through its file system.
VerifyReport VerifySet(const PieceSet& set);

// Whether the set's header reads as a sound set on its own, with none of its data pieces read: its
// catalogue (in the header and its overflow pieces) parses (the tail fitting its piece, as
// opening checks), and agrees with itself: every entry
// lies inside the stored bytes and shares none of them with another, and the last piece is where
// stored bytes end (an entry has bytes in it, or starts there). A header
// whose fields were damaged nearly always fails one of these; one written by a program of this
// format passes.
bool HeaderReadsAsSound(platform::FileSystem& fs, const SetPaths& paths);

// The stored files (Folder + Name) that have bytes in each data piece, by piece number; entries
// that point outside the stored bytes are left out.
std::map<std::uint32_t, std::vector<std::string>> FilesByPiece(const PieceSet& set);

}  // namespace vornalis
