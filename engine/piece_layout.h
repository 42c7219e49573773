// Where a stored file's bytes lie in a set's data pieces, and what a piece's head must hold.
//
// The bytes of all stored files form one sequence, cut into the payloads of pieces 1, 2, 3, ...
// A file starts at (Piece, Offset), counting the 8-byte head, and runs on at offset 8 of each
// following piece. The reading and writing code, the structural check and the stub all take the
// rule from here.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "engine/status.h"
#include "engine/stored_file.h"

namespace vornalis {

// The extent of a set's stored bytes: what an entry may point at.
struct SetShape {
  std::uint32_t piece_size = 0;
  std::uint32_t last_piece = 0;  // the highest data piece
  std::uint64_t stored_end = 0;  // length of the sequence of stored bytes

  // The shape of a closed set from its header's fields: the last piece holds tail_length
  // payload bytes, or is full when that is 0.
  static SetShape OfHeader(std::uint32_t piece_size, std::uint32_t last_piece,
                           std::uint32_t tail_length);
  // The shape of an open set: the last piece has room while last_piece_open, and the next byte
  // goes to write_pos.
  static SetShape OfOpenSet(std::uint32_t piece_size, std::uint32_t last_piece,
                            bool last_piece_open, std::uint32_t write_pos);
};

// Position of entry's first byte in the sequence of stored bytes.
std::uint64_t SequenceStart(const StoredFile& entry, std::uint32_t piece_size);

// Ok when entry lies inside the stored bytes; otherwise kFormat, saying it does not. A damaged
// size field, or an entry that would read the header's catalogue as file bytes, fails.
Status CheckEntryShape(const StoredFile& entry, const SetShape& shape);

class OverlapIndex;
// The checks every reader makes of an entry before its bytes are used: CheckEntryShape, then
// (when overlaps is given) kFormat for an entry whose bytes overlap another entry's.
Status CheckEntry(const StoredFile& entry, const SetShape& shape, const OverlapIndex* overlaps);

// The entries whose bytes overlap another entry's. A writer never makes such entries, so they
// show a damaged Size or Offset: which of two overlapping entries is wrong cannot be told, and
// both are refused. Entries that reach past the stored bytes are refused for that already and
// count for nothing here.
class OverlapIndex {
 public:
  OverlapIndex() = default;
  OverlapIndex(const std::vector<StoredFile>& files, const SetShape& shape);
  bool Overlaps(const StoredFile& entry, std::uint32_t piece_size) const;
  bool empty() const { return flagged_.empty(); }

 private:
  // [start, end) in the sequence of stored bytes, sorted.
  std::vector<std::pair<std::uint64_t, std::uint64_t>> flagged_;
};

// The first and last data piece that hold bytes of entry; first > last for an empty file.
struct PieceSpan {
  std::uint32_t first = 1;
  std::uint32_t last = 0;
};
PieceSpan SpanOf(const StoredFile& entry, std::uint32_t piece_size);

// One stretch of a stored file inside one piece file.
struct PieceSegment {
  std::uint32_t piece = 0;
  std::uint32_t offset = 0;  // in the piece file, head included
  std::uint32_t length = 0;
};

// Walks the segments of a stored file in order: its first piece from Offset, then each
// following piece from offset 8, until Size bytes are covered. An empty file has none.
class SegmentWalker {
 public:
  SegmentWalker(const StoredFile& entry, std::uint32_t piece_size)
      : piece_(entry.Piece), offset_(entry.Offset), left_(entry.Size), piece_size_(piece_size) {}
  // The next segment, or false when the file is covered.
  bool Next(PieceSegment* segment);

 private:
  std::uint32_t piece_;
  std::uint32_t offset_;
  std::uint64_t left_;
  std::uint32_t piece_size_;
};

// True when head (the first 8 bytes of a file) is the head of data or overflow piece n.
bool IsPieceHead(std::span<const char> head, std::uint32_t n);

}  // namespace vornalis
