#include "engine/catalogue_stream_reader.h"

#include <algorithm>
#include <array>

#include "engine/format.h"
#include "engine/messages.h"
#include "engine/piece_layout.h"
#include "engine/set_files.h"
#include "platform/endian.h"

namespace vornalis {

CatalogueStreamReader::CatalogueStreamReader(OpenedHeader& header) : header_(header) {}

Status CatalogueStreamReader::Fail(Status status) {
  if (failure_.ok()) failure_ = status;
  return status;
}

Status CatalogueStreamReader::Open() {
  const std::string header = header_.paths().Header();
  if (Status opened = header_.Open(); !opened.ok()) return Fail(messages::OpenFailed(opened));
  file_ = &header_.file();
  const Result<std::uint64_t> size = file_->Size();
  if (!size.ok()) return Fail(messages::ReadFailed(size.status()));

  std::array<char, format::kHeaderFixedSize> fixed{};
  const Result<std::size_t> read = file_->Read(fixed);
  if (!read.ok()) return Fail(messages::ReadFailed(read.status()));
  const std::string_view magic(fixed.data(), 4);
  if (*read < fixed.size() || !format::IsHeaderMagic(magic))
    return Fail(messages::FormatNotCorrect(header));
  form_ = magic == format::kLargeHeaderMagic ? format::CatalogueForm::kLarge
                                             : format::CatalogueForm::kStandard;

  overflow_count_ = ReadU32(fixed.data() + 4);
  piece_size_ = ReadU32(fixed.data() + 8);
  last_piece_ = ReadU32(fixed.data() + 12);
  tail_length_ = ReadU32(fixed.data() + 16);
  const std::uint64_t file_size = *size;
  // A stream held whole by the header has at least its fixed fields and the terminator; one
  // that goes on in overflow pieces fills the header.
  const bool sound = piece_size_ >= format::kMinPieceSize && file_size <= piece_size_ &&
                     (overflow_count_ == 0 ? file_size >= format::kHeaderFixedSize + 4
                                           : file_size == piece_size_) &&
                     std::uint64_t{last_piece_} + overflow_count_ <= 0xFFFFFFFFull &&
                     tail_length_ < piece_size_ - format::kPieceHeadSize &&
                     (tail_length_ == 0 || last_piece_ >= 1);
  if (!sound) return Fail(messages::FormatNotCorrect(header));
  // Data piece 1 is a file of its own unless its bytes are all the tail of the header.
  header_.SetExtent(last_piece_, overflow_count_,
                    last_piece_ >= 2 || (last_piece_ == 1 && tail_length_ == 0));
  if (Status seek = file_->Seek(format::kHeaderFixedSize); !seek.ok())
    return Fail(messages::ReadFailed(seek));
  file_size_ = file_size;
  left_in_file_ = file_size - format::kHeaderFixedSize;
  next_overflow_ = 1;
  return Status::Ok();
}

Status CatalogueStreamReader::NextSegment() {
  const std::string header = header_.paths().Header();
  if (next_overflow_ > overflow_count_) return Fail(messages::FormatNotCorrect(header));
  const std::uint32_t number = last_piece_ + next_overflow_;
  file_ = nullptr;
  // A writer that did not get to replace the header may have moved the piece aside.
  auto piece = header_.OpenPiece(number);
  if (!piece.ok()) return Fail(messages::OpenFailed(piece.status()));
  piece_ = piece.take();
  file_ = piece_.get();
  const std::string& path = file_->Path();
  const Result<std::uint64_t> size = file_->Size();
  if (!size.ok()) return Fail(messages::ReadFailed(size.status()));
  // Every overflow piece but the last is full, and none is empty.
  const bool last = next_overflow_ == overflow_count_;
  if (*size <= format::kPieceHeadSize || *size > piece_size_ || (!last && *size != piece_size_))
    return Fail(messages::FormatNotCorrect(path));
  std::array<char, format::kPieceHeadSize> head{};
  const Result<std::size_t> read = file_->Read(head);
  if (!read.ok()) return Fail(messages::ReadFailed(read.status()));
  if (!IsPieceHead(head, number))
    return Fail(Status::Error(Status::Code::kFormat, path, messages::InvalidPiece(path)));
  file_size_ = *size;
  left_in_file_ = *size - format::kPieceHeadSize;
  ++next_overflow_;
  return Status::Ok();
}

Status CatalogueStreamReader::Read(std::span<char> out) {
  while (!out.empty()) {
    if (left_in_file_ == 0) {
      if (Status next = NextSegment(); !next.ok()) return next;
    }
    const auto chunk = static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), left_in_file_));
    const Result<std::size_t> read = file_->Read(out.first(chunk));
    if (!read.ok()) return Fail(messages::ReadFailed(read.status()));
    if (*read < chunk)
      return Fail(messages::ReadFailed(Status::System(platform::kEndedEarly, file_->Path())));
    left_in_file_ -= chunk;
    out = out.subspan(chunk);
  }
  return Status::Ok();
}

Status CatalogueStreamReader::CopyTo(platform::File& dst, std::uint64_t n, std::span<char> buffer) {
  while (n > 0) {
    if (left_in_file_ == 0) {
      if (Status next = NextSegment(); !next.ok()) return next;
    }
    const std::uint64_t chunk = std::min(n, left_in_file_);
    if (Status copied = header_.fs().Copy(*file_, dst, chunk, buffer); !copied.ok())
      return Fail(messages::CopyFailed(copied, dst.Path()));
    left_in_file_ -= chunk;
    n -= chunk;
  }
  return Status::Ok();
}

Status CatalogueStreamReader::Skip(std::uint64_t n) {
  while (n > 0) {
    if (left_in_file_ == 0) {
      if (Status next = NextSegment(); !next.ok()) return next;
    }
    const std::uint64_t chunk = std::min(n, left_in_file_);
    left_in_file_ -= chunk;
    n -= chunk;
    if (Status seek = file_->Seek(file_size_ - left_in_file_); !seek.ok())
      return Fail(messages::ReadFailed(seek));
  }
  return Status::Ok();
}

bool CatalogueStreamReader::AtEnd() {
  return left_in_file_ == 0 && next_overflow_ > overflow_count_;
}

}  // namespace vornalis
