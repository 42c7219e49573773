#include "engine/piece_layout.h"

#include <algorithm>
#include <string_view>

#include "engine/format.h"
#include "engine/messages.h"
#include "platform/endian.h"

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

Status CheckEntryShape(const StoredFile& entry, const SetShape& shape) {
  const bool placed = entry.Piece >= 1 && entry.Piece <= shape.last_piece &&
                      entry.Offset >= format::kPieceHeadSize && entry.Offset < shape.piece_size;
  // An empty file may stand right at the end of the stored bytes, even at the head of a piece
  // that holds nothing yet. Compared without a sum, which a damaged size could wrap.
  if (placed) {
    const std::uint64_t start = SequenceStart(entry, shape.piece_size);
    if (start <= shape.stored_end && entry.Size <= shape.stored_end - start) return Status::Ok();
  }
  if (entry.Size == 0 && placed) return Status::Ok();
  const std::string stored_path = entry.Folder + entry.Name;
  return Status::Error(Status::Code::kFormat, stored_path,
                       messages::EntryPastStoredBytes(stored_path));
}

Status CheckEntry(const StoredFile& entry, const SetShape& shape, const OverlapIndex* overlaps) {
  if (Status placed = CheckEntryShape(entry, shape); !placed.ok()) return placed;
  if (overlaps == nullptr || !overlaps->Overlaps(entry, shape.piece_size)) return Status::Ok();
  const std::string stored_path = entry.Folder + entry.Name;
  return Status::Error(Status::Code::kFormat, stored_path, messages::EntryOverlaps(stored_path));
}

namespace {

using Range = std::pair<std::uint64_t, std::uint64_t>;

}  // namespace

OverlapIndex::OverlapIndex(const std::vector<StoredFile>& files, const SetShape& shape) {
  std::vector<Range> ranges;
  for (const StoredFile& file : files) {
    if (file.Size == 0 || !CheckEntryShape(file, shape).ok()) continue;
    const std::uint64_t start = SequenceStart(file, shape.piece_size);
    ranges.emplace_back(start, start + file.Size);
  }
  std::sort(ranges.begin(), ranges.end());
  // In start order, a range overlaps another exactly when it starts before the furthest end
  // of those before it, or ends after the start of the next one.
  std::uint64_t reach = 0;
  for (std::size_t i = 0; i < ranges.size(); ++i) {
    const bool behind = i > 0 && ranges[i].first < reach;
    const bool ahead = i + 1 < ranges.size() && ranges[i].second > ranges[i + 1].first;
    if (behind || ahead) flagged_.push_back(ranges[i]);
    reach = std::max(reach, ranges[i].second);
  }
}

bool OverlapIndex::Overlaps(const StoredFile& entry, std::uint32_t piece_size) const {
  if (entry.Size == 0 || flagged_.empty()) return false;
  const std::uint64_t start = SequenceStart(entry, piece_size);
  return std::binary_search(flagged_.begin(), flagged_.end(), Range(start, start + entry.Size));
}

PieceSpan SpanOf(const StoredFile& entry, std::uint32_t piece_size) {
  if (entry.Size == 0) return {};
  const std::uint64_t payload = piece_size - format::kPieceHeadSize;
  // Offset and Size of a checked entry keep the sum far from wrapping; the span of a damaged
  // one ends at the last piece number there is.
  const std::uint64_t end = std::uint64_t{entry.Offset} - format::kPieceHeadSize + entry.Size;
  const std::uint64_t last = entry.Piece + (end - 1) / payload;
  return {entry.Piece, static_cast<std::uint32_t>(std::min<std::uint64_t>(last, 0xFFFFFFFFu))};
}

bool SegmentWalker::Next(PieceSegment* segment) {
  if (left_ == 0) return false;
  const auto take =
      static_cast<std::uint32_t>(std::min<std::uint64_t>(left_, piece_size_ - offset_));
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
