#include "engine/catalogue_stream_writer.h"

#include <algorithm>

#include "engine/catalogue.h"
#include "engine/endian.h"
#include "engine/format.h"
#include "engine/messages.h"
#include "engine/set_files.h"
#include "platform/path.h"

namespace vornalis {

CatalogueStreamWriter::CatalogueStreamWriter(platform::FileSystem& fs, SetPaths set,
                                             std::uint32_t piece_size, std::uint32_t last_piece,
                                             std::uint64_t stream_size)
    : fs_(fs),
      set_(std::move(set)),
      piece_size_(piece_size),
      last_piece_(last_piece),
      stream_size_(stream_size) {}

CatalogueStreamWriter::~CatalogueStreamWriter() = default;

std::uint32_t CatalogueStreamWriter::OverflowCount(std::uint64_t stream_size,
                                                   std::uint32_t piece_size) {
  return static_cast<std::uint32_t>((stream_size - 1) / (piece_size - format::kPieceHeadSize));
}

bool CatalogueStreamWriter::Fail(std::string message) {
  if (error_.empty()) error_ = std::move(message);
  return false;
}

bool CatalogueStreamWriter::StartFile(std::string final_path, std::string_view magic,
                                      std::uint32_t number) {
  int error = 0;
  auto file =
      platform::TempFile::Create(fs_, platform::FolderOf(set_.base), TempPrefix(set_.base), &error);
  if (!file) return Fail(messages::CantCreate(final_path));
  file_ = &file->file();
  outputs_.push_back({std::move(file), std::move(final_path)});
  std::string head(magic);
  AppendU32(&head, number);
  const platform::IoResult written = file_->Write(head);
  if (written.error != 0)
    return Fail(messages::CantWrite(outputs_.back().final_path, written.error));
  room_ = piece_size_ - format::kPieceHeadSize;
  return true;
}

bool CatalogueStreamWriter::CloseCurrent() {
  if (!file_) return true;
  // Every byte is on the medium before the file can be renamed into place.
  file_ = nullptr;
  const int error = outputs_.back().file->Finish(true);
  return error == 0 || Fail(messages::CantWrite(outputs_.back().final_path, error));
}

std::uint64_t CatalogueStreamWriter::StreamSize(const std::vector<StoredFile>& files,
                                                std::uint32_t tail_length,
                                                std::size_t buffer_size) {
  std::uint64_t size = format::kStreamFixedSize + std::uint64_t{tail_length} + 4;
  for (std::uint32_t length : catalogue::BlockLengths(files, buffer_size)) size += 4 + length;
  return size;
}

bool CatalogueStreamWriter::StartNextOverflowPiece() {
  const auto number = static_cast<std::uint32_t>(last_piece_ + outputs_.size());
  return CloseCurrent() && StartFile(set_.Piece(number), format::kPieceMagic, number);
}

bool CatalogueStreamWriter::Begin(std::uint32_t tail_length) {
  std::string fixed;
  AppendU32(&fixed, piece_size_);
  AppendU32(&fixed, last_piece_);
  AppendU32(&fixed, tail_length);
  return StartFile(set_.Header(), format::kHeaderMagic, OverflowCount(stream_size_, piece_size_)) &&
         Write(fixed);
}

bool CatalogueStreamWriter::WriteRecords(const std::vector<StoredFile>& files,
                                         std::span<char> buffer) {
  std::size_t next = 0;
  do {
    std::size_t length = 0;
    next = catalogue::PackBlock(files, next, buffer, &length);
    std::string block_length;
    AppendU32(&block_length, static_cast<std::uint32_t>(length));
    if (!Write(block_length) || !Write(buffer.first(length))) return false;
  } while (next < files.size());
  std::string terminator;
  AppendU32(&terminator, format::kTerminator);
  return Write(terminator);
}

bool CatalogueStreamWriter::Write(std::span<const char> data) {
  while (!data.empty()) {
    if (room_ == 0 && !StartNextOverflowPiece()) return false;
    const auto chunk = std::min<std::size_t>(data.size(), room_);
    const platform::IoResult written = file_->Write(data.first(chunk));
    if (written.error != 0)
      return Fail(messages::CantWrite(outputs_.back().final_path, written.error));
    room_ -= static_cast<std::uint32_t>(chunk);
    data = data.subspan(chunk);
  }
  return true;
}

bool CatalogueStreamWriter::CopyFrom(platform::File& source, std::uint64_t n,
                                     std::span<char> buffer) {
  while (n > 0) {
    if (room_ == 0 && !StartNextOverflowPiece()) return false;
    const std::uint64_t chunk = std::min<std::uint64_t>(n, room_);
    const platform::CopyResult copy = fs_.Copy(source, *file_, chunk, buffer);
    if (copy.failure == platform::CopyResult::Failure::kWrite)
      return Fail(messages::CantWrite(outputs_.back().final_path, copy.error));
    if (copy.failure == platform::CopyResult::Failure::kRead)
      return Fail(messages::CantRead(source.Path(), copy.error));
    room_ -= static_cast<std::uint32_t>(chunk);
    n -= chunk;
  }
  return true;
}

bool CatalogueStreamWriter::Finish() { return CloseCurrent(); }

bool CatalogueStreamWriter::Commit() {
  if (!CloseCurrent()) return false;
  // Overflow pieces first, the header last: until the header is replaced, the set reads as it
  // was before.
  for (std::size_t i = 1; i <= outputs_.size(); ++i) {
    const Output& output = outputs_[i % outputs_.size()];
    if (const int error = output.file->PutInPlace(output.final_path))
      return Fail(messages::CantRename(output.file->Path(), output.final_path, error));
  }
  return true;
}

}  // namespace vornalis
