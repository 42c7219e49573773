// PieceSet: construction, opening (reading the catalogue), closing (writing it) and lookups.
// Storing files is in piece_set_add.cpp, rebuilding them in piece_set_extract.cpp.
#include "engine/piece_set.h"

#include <algorithm>
#include <array>
#include <cerrno>

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
      paths_{BasePath_},
      PieceSize_(piece_size),
      PayloadSize_(piece_size >= format::kMinPieceSize ? piece_size - format::kPieceHeadSize : 0) {
  store_refusal_ = CheckPieceSize(piece_size);
  LastError_ = store_refusal_;
  if (store_refusal_.empty() && !TakeLock()) store_refusal_ = LastError_;
}

PieceSet::PieceSet(std::string base_path, SetAccess access, platform::FileSystem& fs)
    : fs_(fs),
      collator_(platform::Collator::Default()),
      SetName_(SetNameOf(base_path)),
      CopyBuffer_(format::kBufferSize),
      BasePath_(std::move(base_path)),
      paths_(FindSetPaths(fs, BasePath_)),
      access_(access) {
  // A second writer (or one that cannot make the lock file) is refused; it may still read the
  // set as it was last closed.
  if (access_ == SetAccess::kReadWrite && !TakeLock()) {
    const std::string refusal = LastError_;
    access_ = SetAccess::kReadOnly;
    if (ReadCatalogue()) LastError_ = refusal;
    store_refusal_ = refusal;
    return;
  }
  if (!ReadCatalogue()) {
    // Nothing may replace the header on disk by a catalogue that lost its entries.
    Files_.clear();
    store_refusal_ = messages::CatalogueNotRead(paths_.Header());
  } else if (access_ == SetAccess::kReadOnly) {
    store_refusal_ = messages::ReadOnlySet(paths_.Header());
  }
}

PieceSet::~PieceSet() { Close(); }

std::string PieceSet::CheckPieceSize(std::uint32_t size) {
  return size < format::kMinPieceSize ? messages::PieceSizeTooSmall(size) : std::string();
}

bool PieceSet::TakeLock() {
  int error = 0;
  lock_ = fs_.LockFile(paths_.Header() + ".lock", &error);
  if (lock_) return true;
  const std::string header = paths_.Header();
  return Fail(error == EWOULDBLOCK ? messages::SetInUse(header)
                                   : messages::CantCreate(header + ".lock", error));
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
    if (close_result_) {
      // The new header is in place: what the old one needed is not needed any more, and the
      // partly filled last piece now lives on as the header's tail.
      RemoveAsides();
      if (LastPieceOpen_) fs_.Remove(LastPieceName_);
    }
  } else if (last_piece_recreated_) {
    // Nothing was stored since opening: the header on disk still holds this piece as its tail.
    fs_.Remove(LastPieceName_);
  }
  CopyBuffer_ = std::vector<char>();
  lock_.reset();
  return close_result_;
}

bool PieceSet::WriteCatalogue() {
  const std::uint32_t tail = LastPieceOpen_ ? WritePos_ - format::kPieceHeadSize : 0;
  CatalogueStreamWriter out(fs_, paths_, PieceSize_, LastPiece_,
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
  if (!out.WriteRecords(Files_, CopyBuffer_) || !out.Finish()) return Fail(out.error());
  // The new overflow pieces may take numbers of the old ones.
  for (std::uint32_t i = 1; i <= out.OverflowCount(); ++i)
    if (!KeepAside(LastPiece_ + i)) return false;
  // Every piece written since opening and the new catalogue (flushed by the writer) reach the
  // medium before the header that refers to them replaces the old one, and the renames are
  // made durable after.
  if (!SyncWrittenPieces()) return false;
  const std::string folder = platform::FolderOf(BasePath_);
  if (!out.Commit()) return Fail(out.error());
  if (const int error = fs_.SyncFolderEntries(folder))
    return Fail(messages::CantWrite(paths_.Header(), error));
  return true;
}

bool PieceSet::SyncWrittenPieces() {
  // The pieces from the last one at opening (which may have been laid out again from the tail
  // and appended to) up to the last one now; a piece that was not touched costs little.
  for (std::uint32_t n = std::max(opened_last_piece_, 1u); n <= LastPiece_ && n != 0; ++n) {
    const std::string path = paths_.Piece(n);
    int error = 0;
    auto piece = fs_.Open(path, platform::OpenMode::kRead, &error);
    if (!piece) {
      if (error == ENOENT && n == opened_last_piece_ && !last_piece_recreated_) continue;
      return Fail(messages::CantOpen(path, error));
    }
    if ((error = piece->Sync()) != 0) return Fail(messages::CantWrite(path, error));
  }
  return true;
}

bool PieceSet::KeepAside(std::uint32_t n) {
  const std::uint32_t first = opened_last_piece_ + 1;
  if (overflow_pieces_ == 0 || n < first || n - first >= overflow_pieces_) return true;
  if (!aside_record_written_) {
    // The record names the header on disk by its bytes; it is written once, before the first
    // piece is moved.
    AsideRecord record{0, 0, first, overflow_pieces_};
    const std::string header = paths_.Header();
    int error = 0;
    auto file = fs_.Open(header, platform::OpenMode::kRead, &error);
    if (!file) return Fail(messages::CantOpen(header, error));
    if (!HashFile(*file, CopyBuffer_, &record.header_size, &record.header_hash))
      return Fail(messages::CantRead(header, EIO));
    if ((error = WriteAsideRecord(fs_, paths_, record)) != 0)
      return Fail(messages::CantCreate(AsideRecordPath(paths_), error));
    aside_ = record;
    aside_record_written_ = true;
  }
  const std::string aside = AsidePiecePath(paths_, n);
  if (fs_.Exists(aside)) return true;  // moved before (by this writer or one that died)
  const std::string piece = paths_.Piece(n);
  const int error = fs_.Rename(piece, aside);
  if (error != 0 && error != ENOENT) return Fail(messages::CantRename(piece, aside, error));
  return true;
}

void PieceSet::RemoveAsides() {
  if (!aside_record_written_) return;
  fs_.Remove(AsideRecordPath(paths_));
  for (std::uint32_t i = 0; i < aside_.count; ++i)
    fs_.Remove(AsidePiecePath(paths_, aside_.first + i));
  aside_record_written_ = false;
}

void PieceSet::RemoveLeftovers(const AsideRecord& current) {
  const std::string folder = platform::FolderOf(BasePath_);
  std::vector<platform::DirEntry> entries;
  if (fs_.ListDirectory(folder.empty() ? "." : folder, &entries) != 0) return;
  const std::string temp = TempPrefix(BasePath_);
  const std::string aside = platform::FileNameOf(AsideRecordPath(paths_));
  const bool record_matches = current.count > 0;
  for (const platform::DirEntry& entry : entries) {
    const std::string& name = entry.name;
    if (entry.is_directory) continue;
    const bool temporary =
        name.size() == temp.size() + 6 && name.compare(0, temp.size(), temp) == 0;
    bool stale_aside = false;
    if (!record_matches && name.compare(0, aside.size(), aside) == 0) {
      const std::string rest = name.substr(aside.size());
      stale_aside = rest.find_first_not_of("0123456789") == std::string::npos;
    }
    if (temporary || stale_aside) fs_.Remove(folder + name);
  }
}

bool PieceSet::ReadCatalogue() {
  catalogue_read_ = false;
  SetReader reader(fs_, BasePath_);
  if (!reader.Open()) return Fail(reader.error());
  PieceSize_ = reader.piece_size();
  PayloadSize_ = PieceSize_ - format::kPieceHeadSize;
  LastPiece_ = reader.last_piece();
  tail_length_ = reader.tail_length();
  overflow_pieces_ = reader.overflow_count();
  opened_last_piece_ = LastPiece_;
  if (access_ == SetAccess::kReadWrite) {
    // A writer that died before its header was in place may have moved overflow pieces of this
    // header aside: they stay until a new header replaces it. Anything else it left goes.
    aside_ = reader.aside();
    aside_record_written_ = aside_.count > 0;
    RemoveLeftovers(aside_);
  }

  // Unless the set is read-only, the tail is laid out as the last piece again: first in a
  // temporary file beside the header, which takes the piece's name only once the whole catalogue
  // has been read.
  const std::string piece = paths_.Piece(LastPiece_);
  std::unique_ptr<platform::File> tail;
  if (tail_length_ > 0 && access_ == SetAccess::kReadWrite) {
    int error = 0;
    tail = fs_.CreateUniqueFile(platform::FolderOf(BasePath_), TempPrefix(BasePath_), &error);
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
  catalogue_read_ = true;
  Files_ = std::move(files);
  return true;
}

}  // namespace vornalis
