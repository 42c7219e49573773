// PieceSet::AddFiles: appending files' bytes to the data pieces and their entries to the
// catalogue.
#include <algorithm>

#include "engine/catalogue.h"
#include "engine/endian.h"
#include "engine/format.h"
#include "engine/messages.h"
#include "engine/piece_set.h"
#include "engine/set_files.h"
#include "engine/stored_path.h"

namespace vornalis {

bool PieceSet::AddFiles(const std::string& work_folder, const std::vector<StoredFile>& files,
                        void* context, ProgressCallback callback, const std::string& source_root) {
  if (!store_refusal_.empty()) return Fail(store_refusal_);
  WorkFolder_ = work_folder;
  SourceRoot_ = source_root;

  // Files already in the catalogue are skipped; the input is not compared with itself.
  std::vector<StoredFile> work;
  work.reserve(files.size());
  for (const StoredFile& file : files)
    if (catalogue::FindFile(collator_, Files_, file.Folder, file.Name) == Files_.size())
      work.push_back(StoredFile{file.Folder, file.Name});

  const std::size_t first_new = Files_.size();
  Files_.reserve(first_new + work.size());
  bool ok = true;
  for (std::size_t i = 0; i < work.size(); ++i) {
    if (!StoreFile(&work[i])) {
      ok = false;
      break;
    }
    modified_ = true;
    Files_.push_back(std::move(work[i]));
    const StoredFile& stored = Files_.back();
    const int percent = static_cast<int>((i + 1) * 100 / work.size());
    if (callback != nullptr &&
        callback(context, percent, stored.Name, stored.Folder, stored.Size) == -1)
      break;
  }
  if (current_piece_) {
    const int error = current_piece_->Close();
    current_piece_.reset();
    if (error != 0 && ok) ok = Fail(messages::CantWrite(LastPieceName_, error));
  }
  work = std::vector<StoredFile>();  // its entries moved into Files_; free it before sorting
  catalogue::MergeNewFiles(collator_, &Files_, first_new);
  return ok;
}

bool PieceSet::StartNewPiece() {
  if (LastPiece_ == 0xFFFFFFFFu) return Fail(messages::CantCreate(paths_.Piece(0)));
  current_piece_.reset();
  CurrentPieceName_ = paths_.Piece(LastPiece_ + 1);
  // The header on disk may still need an overflow piece of this number.
  if (!KeepAside(LastPiece_ + 1)) return false;
  int error = 0;
  current_piece_ = fs_.Open(CurrentPieceName_, platform::OpenMode::kCreate, &error);
  if (!current_piece_) return Fail(messages::CantCreate(CurrentPieceName_, error));
  LastPieceOpen_ = true;
  ++LastPiece_;
  // Data pieces take the numbers of the overflow pieces the header read at opening refers to;
  // once one is overwritten, that header is stale and must be written again, even if the file
  // that overwrote it is given back.
  if (LastPiece_ <= std::uint64_t{opened_last_piece_} + overflow_pieces_) modified_ = true;
  std::string head(format::kPieceMagic);
  AppendU32(&head, LastPiece_);
  const platform::IoResult written = current_piece_->Write(head);
  if (written.error != 0) return Fail(messages::CantWrite(CurrentPieceName_, written.error));
  WritePos_ = format::kPieceHeadSize;
  return true;
}

void PieceSet::GiveBack(const PieceState& before, std::uint32_t first_new_piece) {
  // The failing file gets no entry, so its bytes must not stay in the sequence: the pieces it
  // started are removed and the next file is written where this one began.
  current_piece_.reset();
  for (std::uint32_t n = first_new_piece; n <= LastPiece_ && n != 0; ++n)
    fs_.Remove(paths_.Piece(n));
  LastPiece_ = before.last_piece;
  LastPieceOpen_ = before.last_piece_open;
  WritePos_ = before.write_pos;
  LastPieceName_ = before.last_piece_name;
}

bool PieceSet::StoreFile(StoredFile* entry) {
  if (!IsSafeStoredPath(entry->Folder, entry->Name) ||
      entry->Folder.size() > format::kMaxTextLength || entry->Name.size() > format::kMaxTextLength)
    return Fail(messages::UnsafeStoredPath(entry->Folder, entry->Name));

  const std::string source_path = SourceRoot_ + NativeFolder(entry->Folder) + entry->Name;
  int error = 0;
  auto source = fs_.Open(source_path, platform::OpenMode::kRead, &error);
  if (!source) return Fail(messages::CantOpen(source_path, error));
  const std::int64_t source_size = source->Size(&error);
  if (source_size < 0) return Fail(messages::CantRead(source_path, error));
  if (static_cast<std::uint64_t>(source_size) > format::kMaxFileSize)
    return Fail(messages::FileTooLarge(source_path, static_cast<std::uint64_t>(source_size)));

  const PieceState before{LastPiece_, LastPieceOpen_, WritePos_, LastPieceName_};
  const std::uint32_t first_new_piece = LastPiece_ + 1;
  auto give_back = [&] {
    GiveBack(before, first_new_piece);
    return false;
  };

  if (!LastPieceOpen_) {
    if (!StartNewPiece()) return give_back();
  } else {
    CurrentPieceName_ = LastPieceName_;
    // Within one AddFiles the last piece stays open, positioned at WritePos.
    if (!current_piece_) {
      current_piece_ = fs_.Open(CurrentPieceName_, platform::OpenMode::kUpdate, &error);
      if (!current_piece_) return Fail(messages::CantOpen(CurrentPieceName_, error));
      if ((error = current_piece_->Seek(WritePos_)) != 0) {
        Fail(messages::CantWrite(CurrentPieceName_, error));
        return give_back();
      }
    }
  }

  const auto size = static_cast<std::uint32_t>(source_size);
  entry->Size = size;
  entry->Piece = LastPiece_;
  entry->Offset = WritePos_;

  std::uint32_t remaining = size;
  while (remaining > 0) {
    // At most a chunk at a time, so a caller hears how far a large file has come.
    const std::uint32_t take = std::min({remaining, PieceSize_ - WritePos_, ByteProgress::kChunk});
    const platform::CopyResult copy = fs_.Copy(*source, *current_piece_, take, CopyBuffer_);
    if (copy.failure == platform::CopyResult::Failure::kWrite) {
      Fail(messages::CantWrite(CurrentPieceName_, copy.error));
      return give_back();
    }
    if (copy.failure == platform::CopyResult::Failure::kRead) {
      Fail(copy.error == 0 ? messages::SourceEndedEarly(source_path)
                           : messages::CantRead(source_path, copy.error));
      return give_back();
    }
    WritePos_ += take;
    remaining -= take;
    if (byte_progress_ != nullptr && size > ByteProgress::kChunk)
      byte_progress_->Copied(size - remaining, size);
    if (WritePos_ == PieceSize_) {
      // The piece is full: the next byte, of this file or a later one, starts a new piece. Its
      // bytes start on their way to the medium now, so that closing the set waits less.
      current_piece_->StartWriteback();
      const int close_error = current_piece_->Close();
      current_piece_.reset();
      LastPieceOpen_ = false;
      if (close_error != 0) {
        Fail(messages::CantWrite(CurrentPieceName_, close_error));
        return give_back();
      }
      if (remaining > 0 && !StartNewPiece()) return give_back();
    }
  }
  LastPieceName_ = CurrentPieceName_;
  return true;
}

}  // namespace vornalis
