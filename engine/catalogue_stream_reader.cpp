#include "engine/catalogue_stream_reader.h"

#include <algorithm>
#include <array>

#include "engine/endian.h"
#include "engine/format.h"
#include "engine/messages.h"
#include "engine/piece_layout.h"
#include "engine/set_files.h"

namespace vornalis {

CatalogueStreamReader::CatalogueStreamReader(OpenedHeader& header) : header_(header) {}

bool CatalogueStreamReader::Fail(std::string message) {
  if (error_.empty()) error_ = std::move(message);
  return false;
}

bool CatalogueStreamReader::Open() {
  const std::string header = header_.paths().Header();
  int error = header_.Open();
  if (error != 0) return Fail(messages::CantOpen(header, error));
  file_ = &header_.file();
  const std::int64_t size = file_->Size(&error);
  if (size < 0) return Fail(messages::CantRead(header, error));

  std::array<char, format::kHeaderFixedSize> fixed{};
  const platform::IoResult read = file_->Read(fixed);
  if (read.error != 0) return Fail(messages::CantRead(header, read.error));
  if (read.count < 4 || std::string_view(fixed.data(), 4) != format::kHeaderMagic)
    return Fail(std::string(messages::kFormatNotCorrect));
  if (read.count < fixed.size()) return Fail(std::string(messages::kFormatNotCorrect));

  overflow_count_ = ReadU32(fixed.data() + 4);
  piece_size_ = ReadU32(fixed.data() + 8);
  last_piece_ = ReadU32(fixed.data() + 12);
  tail_length_ = ReadU32(fixed.data() + 16);
  const auto file_size = static_cast<std::uint64_t>(size);
  // A stream held whole by the header has at least its fixed fields and the terminator; one
  // that goes on in overflow pieces fills the header.
  const bool sound = piece_size_ >= format::kMinPieceSize && file_size <= piece_size_ &&
                     (overflow_count_ == 0 ? file_size >= format::kHeaderFixedSize + 4
                                           : file_size == piece_size_) &&
                     std::uint64_t{last_piece_} + overflow_count_ <= 0xFFFFFFFFull &&
                     tail_length_ < piece_size_ - format::kPieceHeadSize &&
                     (tail_length_ == 0 || last_piece_ >= 1);
  if (!sound) return Fail(std::string(messages::kFormatNotCorrect));
  // Data piece 1 is a file of its own unless its bytes are all the tail of the header.
  header_.SetExtent(last_piece_, overflow_count_,
                    last_piece_ >= 2 || (last_piece_ == 1 && tail_length_ == 0));
  if (const int seek_error = file_->Seek(format::kHeaderFixedSize))
    return Fail(messages::CantRead(header, seek_error));
  file_size_ = file_size;
  left_in_file_ = file_size - format::kHeaderFixedSize;
  next_overflow_ = 1;
  return true;
}

bool CatalogueStreamReader::NextSegment() {
  if (next_overflow_ > overflow_count_) return Fail(std::string(messages::kFormatNotCorrect));
  const std::uint32_t number = last_piece_ + next_overflow_;
  std::string path = header_.paths().Piece(number);
  int error = 0;
  file_ = nullptr;
  // A writer that did not get to replace the header may have moved the piece aside.
  piece_ = header_.OpenPiece(number, &error);
  if (!piece_) return Fail(messages::CantOpen(path, error));
  file_ = piece_.get();
  path = file_->Path();
  const std::int64_t size = file_->Size(&error);
  if (size < 0) return Fail(messages::CantRead(path, error));
  // Every overflow piece but the last is full, and none is empty.
  const bool last = next_overflow_ == overflow_count_;
  const auto file_size = static_cast<std::uint64_t>(size);
  if (file_size <= format::kPieceHeadSize || file_size > piece_size_ ||
      (!last && file_size != piece_size_))
    return Fail(std::string(messages::kFormatNotCorrect));
  std::array<char, format::kPieceHeadSize> head{};
  const platform::IoResult read = file_->Read(head);
  if (read.error != 0) return Fail(messages::CantRead(path, read.error));
  if (!IsPieceHead(head, number)) return Fail(messages::InvalidPiece(path));
  file_size_ = file_size;
  left_in_file_ = file_size - format::kPieceHeadSize;
  ++next_overflow_;
  return true;
}

bool CatalogueStreamReader::Read(std::span<char> out) {
  while (!out.empty()) {
    if (left_in_file_ == 0 && !NextSegment()) return false;
    const auto chunk = static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), left_in_file_));
    const platform::IoResult read = file_->Read(out.first(chunk));
    if (read.count < chunk) return Fail(messages::CantRead(file_->Path(), read.error));
    left_in_file_ -= chunk;
    out = out.subspan(chunk);
  }
  return true;
}

bool CatalogueStreamReader::CopyTo(platform::File& dst, std::uint64_t n, std::span<char> buffer) {
  while (n > 0) {
    if (left_in_file_ == 0 && !NextSegment()) return false;
    const std::uint64_t chunk = std::min(n, left_in_file_);
    const platform::CopyResult copy = header_.fs().Copy(*file_, dst, chunk, buffer);
    if (copy.failure == platform::CopyResult::Failure::kWrite)
      return Fail(messages::CantWrite(dst.Path(), copy.error));
    if (copy.failure == platform::CopyResult::Failure::kRead)
      return Fail(messages::CantRead(file_->Path(), copy.error));
    left_in_file_ -= chunk;
    n -= chunk;
  }
  return true;
}

bool CatalogueStreamReader::Skip(std::uint64_t n) {
  while (n > 0) {
    if (left_in_file_ == 0 && !NextSegment()) return false;
    const std::uint64_t chunk = std::min(n, left_in_file_);
    left_in_file_ -= chunk;
    n -= chunk;
    if (const int error = file_->Seek(file_size_ - left_in_file_))
      return Fail(messages::CantRead(file_->Path(), error));
  }
  return true;
}

bool CatalogueStreamReader::AtEnd() {
  return left_in_file_ == 0 && next_overflow_ > overflow_count_;
}

}  // namespace vornalis
