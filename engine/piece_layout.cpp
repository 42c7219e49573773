#include "engine/piece_layout.h"

#include <algorithm>
#include <string_view>

#include "engine/endian.h"
#include "engine/format.h"
#include "engine/messages.h"

namespace vornalis {

SetShape SetShape::OfHeader(std::uint32_t piece_size, std::uint32_t last_piece,
                            std::uint32_t tail_length) {
  const bool partial = tail_length > 0;
  return OfOpenSet(piece_size, last_piece, partial, tail_length + format::kPieceHeadSize);
}

SetShape SetShape::OfOpenSet(std::uint32_t piece_size, std::uint32_t last_piece,
                             bool last_piece_open, std::uint32_t write_pos) {
  SetShape shape{piece_size, last_piece, 0};
  if (last_piece == 0 || piece_size <= format::kPieceHeadSize) return shape;
  const std::uint64_t payload = piece_size - format::kPieceHeadSize;
  shape.stored_end = (last_piece - 1ull) * payload +
                     (last_piece_open ? write_pos - format::kPieceHeadSize : payload);
  return shape;
}

std::uint64_t SequenceStart(const StoredFile& entry, std::uint32_t piece_size) {
  const std::uint64_t payload = piece_size - format::kPieceHeadSize;
  return (entry.Piece - 1ull) * payload + entry.Offset - format::kPieceHeadSize;
}

std::string CheckEntryShape(const StoredFile& entry, const SetShape& shape) {
  const bool placed = entry.Piece >= 1 && entry.Piece <= shape.last_piece &&
                      entry.Offset >= format::kPieceHeadSize && entry.Offset < shape.piece_size;
  // An empty file may stand right at the end of the stored bytes, even at the head of a piece
  // that holds nothing yet.
  if (placed && SequenceStart(entry, shape.piece_size) + entry.Size <= shape.stored_end) return "";
  if (entry.Size == 0 && placed) return "";
  return messages::EntryPastStoredBytes(entry.Folder + entry.Name);
}

PieceSpan SpanOf(const StoredFile& entry, std::uint32_t piece_size) {
  if (entry.Size == 0) return {};
  const std::uint64_t payload = piece_size - format::kPieceHeadSize;
  const std::uint64_t end = std::uint64_t{entry.Offset} - format::kPieceHeadSize + entry.Size;
  return {entry.Piece, static_cast<std::uint32_t>(entry.Piece + (end - 1) / payload)};
}

bool SegmentWalker::Next(PieceSegment* segment) {
  if (left_ == 0) return false;
  const std::uint32_t take = std::min(left_, piece_size_ - offset_);
  *segment = {piece_, offset_, take};
  left_ -= take;
  ++piece_;
  offset_ = format::kPieceHeadSize;
  return true;
}

bool IsPieceHead(std::span<const char> head, std::uint32_t n) {
  return head.size() >= format::kPieceHeadSize &&
         std::string_view(head.data(), 4) == format::kPieceMagic && ReadU32(head.data() + 4) == n;
}

}  // namespace vornalis
