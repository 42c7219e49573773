// PieceSet: construction, opening (reading the catalogue), closing (writing it) and lookups.
// Storing files is in piece_set_add.cpp, rebuilding them in piece_set_extract.cpp.
#include "engine/piece_set.h"

#include <array>

#include "engine/catalogue.h"
#include "engine/catalogue_stream_writer.h"
#include "engine/endian.h"
#include "engine/format.h"
#include "engine/messages.h"
#include "engine/rebuild.h"
#include "engine/set_files.h"
#include "engine/set_reader.h"
#include "platform/path.h"

namespace vornalis {

PieceSet::PieceSet(std::string base_path, std::uint32_t piece_size, platform::FileSystem& fs)
    : fs_(fs),
      collator_(platform::Collator::Default()),
      SetName_(SetNameOf(base_path)),
      CopyBuffer_(format::kBufferSize),
      BasePath_(std::move(base_path)),
      PieceSize_(piece_size),
      PayloadSize_(piece_size >= format::kMinPieceSize ? piece_size - format::kPieceHeadSize : 0) {
  store_refusal_ = CheckPieceSize(piece_size);
  LastError_ = store_refusal_;
}

PieceSet::PieceSet(std::string base_path, SetAccess access, platform::FileSystem& fs)
    : fs_(fs),
      collator_(platform::Collator::Default()),
      SetName_(SetNameOf(base_path)),
      CopyBuffer_(format::kBufferSize),
      BasePath_(std::move(base_path)),
      access_(access) {
  if (!ReadCatalogue()) {
    // Nothing may replace the header on disk by a catalogue that lost its entries.
    Files_.clear();
    store_refusal_ = messages::CatalogueNotRead(HeaderPath(BasePath_));
  } else if (access_ == SetAccess::kReadOnly) {
    store_refusal_ = messages::ReadOnlySet(HeaderPath(BasePath_));
  }
}

PieceSet::~PieceSet() { Close(); }

std::string PieceSet::CheckPieceSize(std::uint32_t size) {
  return size < format::kMinPieceSize ? messages::PieceSizeTooSmall(size) : std::string();
}

bool PieceSet::Fail(std::string message) {
  LastError_ = std::move(message);
  return false;
}

int PieceSet::GetTotals(std::uint32_t& total_bytes) const {
  total_bytes = 0;
  for (const StoredFile& file : Files_) total_bytes += file.Size;
  return static_cast<int>(Files_.size());
}

std::uint64_t PieceSet::TotalBytes() const {
  std::uint64_t total = 0;
  for (const StoredFile& file : Files_) total += file.Size;
  return total;
}

SetShape PieceSet::Shape() const {
  return SetShape::OfOpenSet(PieceSize_, LastPiece_, LastPieceOpen_, WritePos_);
}

const StoredFile* PieceSet::Find(const std::string& folder, const std::string& name) const {
  const std::size_t i = catalogue::FindFile(collator_, Files_, folder, name);
  return i < Files_.size() ? &Files_[i] : nullptr;
}

const StoredFile* PieceSet::FindUnique(const std::string& folder, const std::string& name,
                                       Status* status) const {
  const auto [first, last] = catalogue::EqualRange(collator_, Files_, folder, name);
  for (std::size_t i = first; i < last; ++i)
    if (Files_[i].Folder == folder && Files_[i].Name == name) return &Files_[i];
  if (last - first == 1) return &Files_[first];
  const std::string stored_path = folder + name;
  if (first == last)
    *status = Status::Error(Status::Code::kNotFound, stored_path,
                            messages::NoSuchStoredFile(stored_path));
  else
    *status = Status::Error(Status::Code::kAmbiguous, stored_path,
                            messages::AmbiguousName(stored_path, last - first));
  return nullptr;
}

bool PieceSet::Close() {
  if (closed_) return close_result_;
  closed_ = true;
  current_piece_.reset();
  if (modified_) {
    close_result_ = WriteCatalogue();
    // The partly filled last piece now lives on as the header's tail.
    if (close_result_ && LastPieceOpen_) fs_.Remove(LastPieceName_);
  } else if (last_piece_recreated_) {
    // Nothing was stored since opening: the header on disk still holds this piece as its tail.
    fs_.Remove(LastPieceName_);
  }
  CopyBuffer_ = std::vector<char>();
  return close_result_;
}

bool PieceSet::WriteCatalogue() {
  const std::uint32_t tail = LastPieceOpen_ ? WritePos_ - format::kPieceHeadSize : 0;
  CatalogueStreamWriter out(fs_, BasePath_, PieceSize_, LastPiece_,
                            CatalogueStreamWriter::StreamSize(Files_, tail, CopyBuffer_.size()));
  if (!out.Begin(tail)) return Fail(out.error());
  if (tail > 0) {
    int error = 0;
    auto piece = fs_.Open(LastPieceName_, platform::OpenMode::kRead, &error);
    if (!piece) return Fail(messages::CantOpen(LastPieceName_, error));
    if ((error = piece->Seek(format::kPieceHeadSize)) != 0)
      return Fail(messages::CantRead(LastPieceName_, error));
    if (!out.CopyFrom(*piece, tail, CopyBuffer_)) return Fail(out.error());
  }
  if (!out.WriteRecords(Files_, CopyBuffer_) || !out.Commit()) return Fail(out.error());
  return true;
}

bool PieceSet::ReadCatalogue() {
  SetReader reader(fs_, BasePath_);
  if (!reader.Open()) return Fail(reader.error());
  PieceSize_ = reader.piece_size();
  PayloadSize_ = PieceSize_ - format::kPieceHeadSize;
  LastPiece_ = reader.last_piece();
  tail_length_ = reader.tail_length();
  overflow_pieces_ = reader.overflow_count();
  opened_last_piece_ = LastPiece_;

  // Unless the set is read-only, the tail is laid out as the last piece again: first in a
  // temporary file beside the header, which takes the piece's name only once the whole catalogue
  // has been read.
  const std::string piece = PiecePath(BasePath_, LastPiece_);
  std::unique_ptr<platform::File> tail;
  if (tail_length_ > 0 && access_ == SetAccess::kReadWrite) {
    int error = 0;
    tail = fs_.CreateUniqueFile(platform::FolderOf(BasePath_), std::string(format::kTempPrefix),
                                &error);
    if (!tail) return Fail(messages::CantCreate(piece));
    std::string head(format::kPieceMagic);
    AppendU32(&head, LastPiece_);
    if ((error = tail->Write(head).error) != 0) {
      fs_.Remove(tail->Path());
      return Fail(messages::CantWrite(piece, error));
    }
  }

  std::vector<StoredFile> files;
  const bool read = reader.ReadCatalogue(&files, CopyBuffer_, tail.get());
  catalogue_blocks_ = reader.blocks();
  if (tail) {
    const int close_error = tail->Close();
    int rename_error = 0;
    if (!read || close_error != 0 || (rename_error = fs_.Rename(tail->Path(), piece)) != 0) {
      fs_.Remove(tail->Path());
      if (!read) return Fail(reader.error());
      if (close_error != 0) return Fail(messages::CantWrite(piece, close_error));
      return Fail(messages::CantCreate(piece) + ": " + platform::ErrorText(rename_error));
    }
    last_piece_recreated_ = true;
  }
  if (!read) return Fail(reader.error());
  if (tail_length_ > 0) {
    LastPieceName_ = piece;
    LastPieceOpen_ = true;
    WritePos_ = tail_length_ + format::kPieceHeadSize;
  }

  // A set written under another locale or on another system may be in another order.
  if (!catalogue::IsSorted(collator_, files)) catalogue::SortFiles(collator_, &files);
  Files_ = std::move(files);
  return true;
}

}  // namespace vornalis
