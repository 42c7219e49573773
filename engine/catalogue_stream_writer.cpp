#include "engine/catalogue_stream_writer.h"

#include <algorithm>

#include "engine/catalogue.h"
#include "engine/format.h"
#include "engine/messages.h"
#include "engine/set_files.h"
#include "platform/endian.h"
#include "platform/path.h"

namespace vornalis {

CatalogueStreamWriter::CatalogueStreamWriter(platform::FileSystem& fs, SetPaths set,
                                             std::uint32_t piece_size, std::uint32_t last_piece,
                                             format::CatalogueForm form, std::uint64_t stream_size)
    : fs_(fs),
      set_(std::move(set)),
      piece_size_(piece_size),
      last_piece_(last_piece),
      form_(form),
      stream_size_(stream_size) {}

CatalogueStreamWriter::~CatalogueStreamWriter() = default;

std::uint32_t CatalogueStreamWriter::OverflowCount(std::uint64_t stream_size,
                                                   std::uint32_t piece_size) {
  return static_cast<std::uint32_t>((stream_size - 1) / (piece_size - format::kPieceHeadSize));
}

Status CatalogueStreamWriter::Fail(Status status) {
  if (failure_.ok()) failure_ = std::move(status);
  return failure_;
}

Status CatalogueStreamWriter::WriteFailed(const Status& status) {
  return Fail(messages::WriteFailed(status.For(outputs_.back().final_path)));
}

Status CatalogueStreamWriter::StartFile(std::string final_path, std::string_view magic,
                                        std::uint32_t number) {
  if (!failure_.ok()) return failure_;
  auto file = platform::TempFile::Create(fs_, platform::FolderOf(set_.base), TempPrefix(set_.base));
  if (!file.ok())
    return Fail(messages::Said(file.status().For(final_path), messages::CantCreate(final_path)));
  file_ = &file->file();
  outputs_.push_back({file.take(), std::move(final_path)});
  std::string head(magic);
  AppendU32(&head, number);
  if (Status written = file_->Write(head); !written.ok()) return WriteFailed(written);
  room_ = piece_size_ - format::kPieceHeadSize;
  return Status::Ok();
}

Status CatalogueStreamWriter::CloseCurrent() {
  if (!failure_.ok()) return failure_;
  if (!file_) return Status::Ok();
  // Every byte is on the medium before the file can be renamed into place.
  file_ = nullptr;
  Status finished = outputs_.back().file->Finish(true);
  return finished.ok() ? finished : WriteFailed(finished);
}

std::uint64_t CatalogueStreamWriter::StreamSize(const std::vector<StoredFile>& files,
                                                std::uint32_t tail_length, std::size_t buffer_size,
                                                format::CatalogueForm form) {
  std::uint64_t size = format::kStreamFixedSize + std::uint64_t{tail_length} + 4;
  for (std::uint32_t length : catalogue::BlockLengths(files, buffer_size, form)) size += 4 + length;
  return size;
}

Status CatalogueStreamWriter::StartNextOverflowPiece() {
  const auto number = static_cast<std::uint32_t>(last_piece_ + outputs_.size());
  if (Status closed = CloseCurrent(); !closed.ok()) return closed;
  return StartFile(set_.Piece(number), format::kPieceMagic, number);
}

Status CatalogueStreamWriter::Begin(std::uint32_t tail_length) {
  // The overflow pieces' numbers follow the last data piece's; none may pass the last number.
  const std::uint64_t last = std::uint64_t{last_piece_} + OverflowCount();
  if (last > format::kMaxPieceNumber)
    return Fail(Status::Error(Status::Code::kRefused, set_.Header(),
                              messages::CatalogueTooManyPieces(set_.Header(), last)));
  std::string fixed;
  AppendU32(&fixed, piece_size_);
  AppendU32(&fixed, last_piece_);
  AppendU32(&fixed, tail_length);
  Status started = StartFile(set_.Header(), format::HeaderMagic(form_),
                             OverflowCount(stream_size_, piece_size_));
  return started.ok() ? Write(fixed) : started;
}

Status CatalogueStreamWriter::WriteRecords(const std::vector<StoredFile>& files,
                                           std::span<char> buffer) {
  std::size_t next = 0;
  do {
    std::size_t length = 0;
    next = catalogue::PackBlock(files, next, buffer, form_, &length);
    std::string block_length;
    AppendU32(&block_length, static_cast<std::uint32_t>(length));
    if (Status written = Write(block_length); !written.ok()) return written;
    if (Status written = Write(buffer.first(length)); !written.ok()) return written;
  } while (next < files.size());
  std::string terminator;
  AppendU32(&terminator, format::kTerminator);
  return Write(terminator);
}

Status CatalogueStreamWriter::Write(std::span<const char> data) {
  if (!failure_.ok()) return failure_;
  while (!data.empty()) {
    if (room_ == 0) {
      if (Status next = StartNextOverflowPiece(); !next.ok()) return next;
    }
    const auto chunk = std::min<std::size_t>(data.size(), room_);
    if (Status written = file_->Write(data.first(chunk)); !written.ok())
      return WriteFailed(written);
    room_ -= static_cast<std::uint32_t>(chunk);
    data = data.subspan(chunk);
  }
  return Status::Ok();
}

Status CatalogueStreamWriter::CopyFrom(platform::File& source, std::uint64_t n,
                                       std::span<char> buffer) {
  if (!failure_.ok()) return failure_;
  while (n > 0) {
    if (room_ == 0) {
      if (Status next = StartNextOverflowPiece(); !next.ok()) return next;
    }
    const std::uint64_t chunk = std::min<std::uint64_t>(n, room_);
    if (Status copy = fs_.Copy(source, *file_, chunk, buffer); !copy.ok())
      return copy.path == source.Path() ? Fail(messages::ReadFailed(copy)) : WriteFailed(copy);
    room_ -= static_cast<std::uint32_t>(chunk);
    n -= chunk;
  }
  return Status::Ok();
}

Status CatalogueStreamWriter::Finish() { return CloseCurrent(); }

Status CatalogueStreamWriter::Commit() {
  if (Status closed = CloseCurrent(); !closed.ok()) return closed;
  // Overflow pieces first, the header last: until the header is replaced, the set reads as it
  // was before.
  for (std::size_t i = 1; i <= outputs_.size(); ++i) {
    const Output& output = outputs_[i % outputs_.size()];
    if (Status placed = output.file->PutInPlace(output.final_path); !placed.ok())
      return Fail(messages::RenameFailed(placed, output.file->Path(), output.final_path));
  }
  return Status::Ok();
}

}  // namespace vornalis
