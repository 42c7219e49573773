// PieceSet::AddFiles: appending files' bytes to the data pieces and their entries to the
// catalogue.
#include <algorithm>
#include <cerrno>

#include "engine/catalogue.h"
#include "engine/catalogue_stream_writer.h"
#include "engine/format.h"
#include "engine/messages.h"
#include "engine/name_claims.h"
#include "engine/own_files.h"
#include "engine/piece_set.h"
#include "engine/set_files.h"
#include "engine/stored_path.h"
#include "platform/endian.h"
#include "platform/path.h"
#include "platform/temp_file.h"

namespace vornalis {

namespace {

// Files up to this size are gathered: below it a write's own cost outweighs the copy's. Larger
// ones are copied straight, a megabyte at a time.
constexpr std::uint32_t kGatheredFileMax = 64 * 1024;
// Gathered bytes are written when this many wait (a quarter of the copy buffer does as well as
// all of it)...
constexpr std::size_t kGatherBufferSize = 256 * 1024;
// ...or this many files, so the caller hears of stored files steadily even when they are empty.
constexpr std::size_t kGatheredFilesMax = 1024;

// What the user is told of a source that failed to be read, or ended before its size.
Status SourceFailed(const Status& status) {
  if (status.error == platform::kEndedEarly)
    return messages::Said(status, messages::SourceEndedEarly(status.path));
  return messages::ReadFailed(status);
}

}  // namespace

bool PieceSet::AddFiles(const std::string& work_folder, const std::vector<StoredFile>& files,
                        void* context, ProgressCallback callback, const std::string& source_root) {
  if (!refusal_.ok()) return Fail(refusal_);
  WorkFolder_ = work_folder;
  SourceRoot_ = source_root;
  skipped_.clear();

  // Files already in the catalogue are skipped; the input is not compared with itself. A name
  // a rebuild would refuse is left out here, by the rule the rebuild uses.
  std::vector<StoredFile> work;
  work.reserve(files.size());
  for (const StoredFile& file : files) {
    if (!IsStorableName(file.Folder, file.Name)) {
      skipped_.push_back(
          {NativePath(SourceRoot_, file.Folder, file.Name),
           messages::UnstorableName(NativePath(SourceRoot_, file.Folder, file.Name))});
      continue;
    }
    if (catalogue::FindStored(collator_, Files_, file.Folder, file.Name) == Files_.size())
      work.push_back(StoredFile{file.Folder, file.Name});
  }
  if (work.empty()) return true;
  CollectOwnFiles();
  if (!CheckNamesAhead(work)) return false;

  const std::size_t first_new = Files_.size();
  Files_.reserve(first_new + work.size());
  // The entries stored join the catalogue's order however this call ends, so no lookup misses
  // a stored file.
  struct MergeOnExit {
    PieceSet& set;
    std::size_t first_new;
    ~MergeOnExit() { catalogue::MergeNewFiles(set.collator_, &set.Files_, first_new); }
  } merge{*this, first_new};
  bool ok = true;
  bool stopped = false;
  for (std::size_t i = 0; i < work.size(); ++i) {
    const Stored stored = StoreFile(work, i);
    if (stored == Stored::kFailed) ok = false;
    if (stored == Stored::kStopped) stopped = true;
    if (!AnnounceWritten(work, context, callback)) stopped = true;
    if (!ok || stopped) break;
  }
  // The files still gathered (those before a failing one among them) are written now.
  if (!stopped) {
    if (!WriteGathered()) ok = false;
    AnnounceWritten(work, context, callback);
  }
  if (current_piece_) {
    const Status closed = current_piece_->Close();
    current_piece_.reset();
    if (!closed.ok() && ok) ok = Fail(messages::WriteFailed(closed));
  }
  work = std::vector<StoredFile>();  // its entries moved into Files_; free it before sorting
  return ok;
}

bool PieceSet::CheckNamesAhead(const std::vector<StoredFile>& work) {
  // The names above the last piece that hold something not this set's; usually none, and then
  // nothing more is looked at.
  const std::string folder = platform::FolderOf(BasePath_);
  const Result<std::vector<platform::DirEntry>> entries =
      fs_.ListDirectory(folder.empty() ? "." : folder);
  if (!entries.ok()) return true;
  std::uint32_t first_taken = 0;
  Status refusal;
  for (const platform::DirEntry& entry : *entries) {
    const std::uint32_t n = PieceNumberOf(paths_, entry.name);
    if (n <= LastPiece_ || (first_taken != 0 && n >= first_taken)) continue;
    NameClaim claim = ClaimPiece(fs_, paths_, n, owner_);
    if (claim.ok()) continue;
    first_taken = n;
    refusal = std::move(claim.refusal);
  }
  if (first_taken == 0) return true;

  // The pieces this add will fill follow from the sources' sizes, as StoreFile fills them.
  std::uint32_t last = LastPiece_;
  bool open = LastPieceOpen_;
  std::uint64_t pos = WritePos_;
  std::uint64_t records = 0;
  for (const StoredFile& file : work) {
    const Result<platform::FileInfo> source =
        fs_.Inspect(NativePath(SourceRoot_, file.Folder, file.Name), true);
    std::uint64_t left =
        source.ok() ? std::min<std::uint64_t>(source->size, format::kMaxFileSize) : 0;
    if (!open) {
      ++last;
      pos = format::kPieceHeadSize;
      open = true;
    }
    while (left > 0) {
      const std::uint64_t take = std::min<std::uint64_t>(left, PieceSize_ - pos);
      pos += take;
      left -= take;
      if (pos == PieceSize_) {
        open = false;
        if (left > 0) {
          ++last;
          pos = format::kPieceHeadSize;
          open = true;
        }
      }
    }
    records += catalogue::RecordSize(file, format::CatalogueForm::kLarge);
  }
  // The new catalogue: what is stored, what will be, the tail, and a block length for every
  // started block; an upper bound (records of the large form), so a name the new overflow pieces
  // may take is counted.
  for (const StoredFile& file : Files_)
    records += catalogue::RecordSize(file, format::CatalogueForm::kLarge);
  const std::uint64_t tail = open ? pos - format::kPieceHeadSize : 0;
  const std::uint64_t stream =
      format::kStreamFixedSize + tail + records + 4 * (records / format::kBlockLimit + 2);
  const std::uint64_t needed =
      std::uint64_t{last} + CatalogueStreamWriter::OverflowCount(stream, PieceSize_);
  if (first_taken > needed) return true;
  return Fail(refusal);
}

void PieceSet::CollectOwnFiles() {
  own_files_.clear();
  const std::string folder = platform::FolderOf(BasePath_);
  const std::string listed = folder.empty() ? "." : folder;
  const Result<platform::FileInfo> folder_info = fs_.Inspect(listed, true);
  folder_info_ = folder_info.ok() ? *folder_info : platform::FileInfo();
  const Result<std::vector<platform::DirEntry>> entries = fs_.ListDirectory(listed);
  if (!entries.ok()) return;
  const std::string header = platform::FileNameOf(paths_.Header());
  const std::string temp = TempPrefix(BasePath_);
  for (const platform::DirEntry& entry : *entries) {
    const std::string& name = entry.name;
    const std::uint32_t piece = PieceNumberOf(paths_, name);
    const bool own = piece != 0 || name == header || name == platform::FileNameOf(paths_.Lock()) ||
                     name.compare(0, header.size() + 6, header + ".aside") == 0 ||
                     name.compare(0, temp.size(), temp) == 0;
    if (!own) continue;
    if (const Result<platform::FileInfo> info = fs_.Inspect(folder + name); info.ok())
      own_files_.push_back({info->device, info->inode, piece});
  }
}

std::vector<std::string> PieceSet::OwnSources(const std::vector<std::string>& paths) {
  std::vector<std::string> own;
  bool collected = false;
  for (const std::string& path : paths) {
    if (!fs_.IsRegularFile(path)) continue;
    auto opened = fs_.Open(path, platform::OpenMode::kRead);
    if (!opened.ok()) continue;
    if (!collected) CollectOwnFiles();
    collected = true;
    const std::unique_ptr<platform::File> file = opened.take();
    if (IsOwnFile(*file, path)) own.push_back(path);
  }
  return own;
}

bool PieceSet::IsOwnFile(platform::File& source, const std::string& source_path) {
  const Result<platform::FileInfo> inspected = source.Inspect();
  if (!inspected.ok()) return false;
  const platform::FileInfo& info = *inspected;
  for (const OwnFile& own : own_files_) {
    if (own.device != info.device || own.inode != info.inode) continue;
    // A name that looks like a piece's may be a neighbouring set's file: its head tells.
    return own.piece == 0 ||
           ClaimPiece(fs_, paths_, own.piece, owner_).owner == NameClaim::Owner::kThisSet;
  }
  // Files made from the set under any name: a self-assembling program or recovery files, which
  // lie beside the set.
  if (!IsMadeFromSet(source, info.size, SetName_, paths_)) return false;
  const Result<platform::FileInfo> folder = fs_.Inspect(platform::FolderOf(source_path), true);
  return folder.ok() && folder->SameFile(folder_info_);
}

std::uint64_t PieceSet::LastPieceFor(std::uint64_t size) const {
  const std::uint64_t first = LastPieceOpen_ ? LastPiece_ : LastPiece_ + 1ull;
  if (size == 0) return first;
  const std::uint64_t at = LastPieceOpen_ ? WritePos_ - format::kPieceHeadSize : 0;
  return first + (at + size - 1) / PayloadSize_;
}

bool PieceSet::StartNewPiece() {
  if (LastPiece_ == 0xFFFFFFFFu)
    return Fail(messages::CreateFailed(Status::System(EFBIG, paths_.Piece(0))));
  current_piece_.reset();
  const std::uint32_t n = LastPiece_ + 1;
  CurrentPieceName_ = paths_.Piece(n);
  // The header on disk may still need a piece of this number; a piece of this set that a writer
  // which died left there has no use; anything else is not this set's to take.
  if (!KeepAside(n)) return false;
  const NameClaim claim = ClaimPiece(fs_, paths_, n, owner_);
  if (!claim.ok()) return Fail(claim.refusal);
  if (claim.owner == NameClaim::Owner::kThisSet) (void)fs_.Remove(CurrentPieceName_);
  auto created = fs_.Open(CurrentPieceName_, platform::OpenMode::kCreateNew);
  if (!created.ok()) {
    // Something took the name in the meantime: it is left as it is.
    if (created.error() == EEXIST) {
      const NameClaim now = ClaimPiece(fs_, paths_, n, owner_);
      return Fail(now.ok() ? messages::InTheWay(CurrentPieceName_) : now.refusal);
    }
    return Fail(messages::CreateFailed(created.status()));
  }
  current_piece_ = created.take();
  if (const Result<platform::FileInfo> made = current_piece_->Inspect(); made.ok())
    own_files_.push_back({made->device, made->inode, n});
  LastPieceOpen_ = true;
  ++LastPiece_;
  // Data pieces take the numbers of the pieces the header read at opening refers to; once one
  // is overwritten, that header is stale and must be written again, even if the file that
  // overwrote it is given back.
  if (protect_count_ > 0 && LastPiece_ >= protect_first_ &&
      LastPiece_ - protect_first_ < protect_count_)
    modified_ = true;
  std::string head(format::kPieceMagic);
  AppendU32(&head, LastPiece_);
  if (Status written = current_piece_->Write(head); !written.ok())
    return Fail(messages::WriteFailed(written));
  WritePos_ = format::kPieceHeadSize;
  return true;
}

void PieceSet::GiveBack(const PieceState& before, std::uint32_t first_new_piece) {
  // The failing file gets no entry, so its bytes must not stay in the sequence: the pieces it
  // started are removed and the next file is written where this one began.
  current_piece_.reset();
  for (std::uint32_t n = first_new_piece; n <= LastPiece_ && n != 0; ++n)
    (void)fs_.Remove(paths_.Piece(n));
  LastPiece_ = before.last_piece;
  LastPieceOpen_ = before.last_piece_open;
  WritePos_ = before.write_pos;
  LastPieceName_ = before.last_piece_name;
}

bool PieceSet::AnnounceWritten(std::vector<StoredFile>& work, void* context,
                               ProgressCallback callback) {
  for (std::size_t j = 0; j < pending_written_; ++j) {
    const std::size_t index = pending_[j].index;
    modified_ = true;
    Files_.push_back(std::move(work[index]));
    const StoredFile& entry = Files_.back();
    const int percent = static_cast<int>((index + 1) * 100 / work.size());
    if (callback != nullptr &&
        callback(context, percent, entry.Name, entry.Folder, entry.Size) == -1) {
      // The caller stops after this file: the files written after it are not kept either.
      if (j + 1 < pending_.size()) GiveBackPending(j + 1);
      pending_.clear();
      pending_written_ = 0;
      return false;
    }
  }
  pending_.erase(pending_.begin(),
                 pending_.begin() + static_cast<std::ptrdiff_t>(pending_written_));
  pending_written_ = 0;
  return true;
}

void PieceSet::GiveBackPending(std::size_t from) {
  GiveBack(pending_[from].before, pending_[from].first_new_piece);
  pending_.resize(from);
  pending_written_ = std::min(pending_written_, from);
  gathered_bytes_ = 0;
}

bool PieceSet::WriteGathered() {
  if (gathered_bytes_ > 0) {
    const Status written =
        current_piece_->Write(std::span<const char>(gathered_.data(), gathered_bytes_));
    gathered_bytes_ = 0;
    if (!written.ok()) {
      Fail(messages::WriteFailed(written));
      GiveBackPending(pending_written_);
      return false;
    }
  }
  pending_written_ = pending_.size();
  return true;
}

bool PieceSet::ReadyPiece() {
  if (!LastPieceOpen_) return StartNewPiece();
  CurrentPieceName_ = LastPieceName_;
  // Within one AddFiles the last piece stays open, positioned at WritePos.
  if (current_piece_) return true;
  if (!UnshareLastPiece()) return false;
  auto piece = fs_.Open(CurrentPieceName_, platform::OpenMode::kUpdate);
  if (!piece.ok()) return Fail(messages::OpenFailed(piece.status()));
  current_piece_ = piece.take();
  if (Status seek = current_piece_->Seek(WritePos_); !seek.ok())
    return Fail(messages::WriteFailed(seek));
  return true;
}

bool PieceSet::UnshareLastPiece() {
  // A second name (a snapshot's hard link, made while the set was open) would see the bytes
  // appended: the piece is copied to a file of its own first, and the copy takes its name.
  const Result<platform::FileInfo> info = fs_.Inspect(CurrentPieceName_);
  if (!info.ok() || info->links <= 1) return true;
  auto from = fs_.Open(CurrentPieceName_, platform::OpenMode::kRead);
  if (!from.ok()) return Fail(messages::OpenFailed(from.status()));
  auto copy = platform::TempFile::Create(fs_, platform::FolderOf(BasePath_), TempPrefix(BasePath_));
  if (!copy.ok()) return Fail(messages::CreateFailed(copy.status().For(CurrentPieceName_)));
  if (Status copied =
          platform::CopyThroughBuffer(*from.get(), copy->file(), WritePos_, CopyBuffer_);
      !copied.ok())
    return Fail(copied.path == CurrentPieceName_
                    ? messages::ReadFailed(copied)
                    : messages::WriteFailed(copied.For(CurrentPieceName_)));
  from.take().reset();
  if (Status placed = copy->Commit(CurrentPieceName_, false); !placed.ok())
    return Fail(messages::WriteFailed(placed.For(CurrentPieceName_)));
  if (const Result<platform::FileInfo> made = fs_.Inspect(CurrentPieceName_); made.ok())
    own_files_.push_back({made->device, made->inode, LastPiece_});
  return true;
}

Status PieceSet::FinishPiece() {
  // The next byte, of this file or a later one, starts a new piece. This one's bytes start on
  // their way to the medium now, so that closing the set waits less.
  current_piece_->StartWriteback();
  const Status closed = current_piece_->Close();
  current_piece_.reset();
  LastPieceOpen_ = false;
  return closed;
}

PieceSet::Stored PieceSet::StoreFile(std::vector<StoredFile>& work, std::size_t index) {
  StoredFile* entry = &work[index];
  const std::string source_path = NativePath(SourceRoot_, entry->Folder, entry->Name);
  auto opened = fs_.Open(source_path, platform::OpenMode::kRead);
  if (!opened.ok()) {
    Fail(messages::OpenFailed(opened.status()));
    return Stored::kFailed;
  }
  const std::unique_ptr<platform::File> source = opened.take();
  if (IsOwnFile(*source, source_path)) {
    skipped_.push_back({source_path, messages::OwnSetFile(source_path), true});
    return Stored::kSkipped;
  }
  const Result<std::uint64_t> source_size = source->Size();
  if (!source_size.ok()) {
    Fail(messages::ReadFailed(source_size.status()));
    return Stored::kFailed;
  }
  const std::uint64_t size = *source_size;
  if (size > format::kMaxFileSize) {
    Fail(Status::Error(Status::Code::kRefused, source_path,
                       messages::FileTooLarge(source_path, size)));
    return Stored::kFailed;
  }
  // A file whose bytes would need a piece number past the last there is is refused before any
  // of them is written.
  if (const std::uint64_t last = LastPieceFor(size); last > format::kMaxPieceNumber) {
    Fail(Status::Error(Status::Code::kRefused, source_path,
                       messages::TooManyPieces(source_path, last)));
    return Stored::kFailed;
  }
  entry->Size = size;

  // A small file that fits in the piece it starts in waits in the buffer with the files before
  // it; any other is written at once, after them.
  const std::uint32_t room =
      LastPieceOpen_ ? PieceSize_ - WritePos_ : PieceSize_ - format::kPieceHeadSize;
  if (size <= kGatheredFileMax && size <= room) return GatherFile(*source, index, entry);
  if (!WriteGathered()) return Stored::kFailed;

  const PieceState before{LastPiece_, LastPieceOpen_, WritePos_, LastPieceName_};
  const std::uint32_t first_new_piece = LastPiece_ + 1;
  auto give_back = [&] {
    GiveBack(before, first_new_piece);
    return Stored::kFailed;
  };
  if (!ReadyPiece()) return give_back();
  entry->Piece = LastPiece_;
  entry->Offset = WritePos_;

  std::uint64_t remaining = size;
  while (remaining > 0) {
    // At most a chunk at a time, so a caller hears how far a large file has come.
    const auto take = static_cast<std::uint32_t>(
        std::min<std::uint64_t>({remaining, PieceSize_ - WritePos_, ByteProgress::kChunk}));
    if (Status copy = platform::CopyThroughBuffer(*source, *current_piece_, take, CopyBuffer_);
        !copy.ok()) {
      Fail(copy.path != source->Path() ? messages::WriteFailed(copy) : SourceFailed(copy));
      return give_back();
    }
    WritePos_ += take;
    remaining -= take;
    // Stopped inside the file: it is given up as a failing one is, and storing ends.
    if (byte_progress_ != nullptr && size > ByteProgress::kChunk &&
        !byte_progress_->Copied(size - remaining, size)) {
      GiveBack(before, first_new_piece);
      return Stored::kStopped;
    }
    if (WritePos_ == PieceSize_) {
      if (const Status closed = FinishPiece(); !closed.ok()) {
        Fail(messages::WriteFailed(closed));
        return give_back();
      }
      if (remaining > 0 && !StartNewPiece()) return give_back();
    }
  }
  LastPieceName_ = CurrentPieceName_;
  pending_.push_back({index, before, first_new_piece});
  pending_written_ = pending_.size();
  return Stored::kYes;
}

PieceSet::Stored PieceSet::GatherFile(platform::File& source, std::size_t index,
                                      StoredFile* entry) {
  const auto size = static_cast<std::size_t>(entry->Size);  // kGatheredFileMax at most
  if (gathered_.empty()) gathered_.resize(kGatherBufferSize);
  if (gathered_.size() - gathered_bytes_ < size || pending_.size() >= kGatheredFilesMax) {
    if (!WriteGathered()) return Stored::kFailed;
  }
  const PieceState before{LastPiece_, LastPieceOpen_, WritePos_, LastPieceName_};
  const std::uint32_t first_new_piece = LastPiece_ + 1;
  // Only a piece that has to be started or opened can fail here, and then nothing waits.
  if (!ReadyPiece()) {
    GiveBack(before, first_new_piece);
    return Stored::kFailed;
  }
  const std::span<char> bytes(gathered_.data() + gathered_bytes_, size);
  for (std::size_t got = 0; got < size;) {
    const Result<std::size_t> read = source.Read(bytes.subspan(got));
    if (!read.ok() || *read == 0) {
      Fail(SourceFailed(read.ok() ? Status::System(platform::kEndedEarly, source.Path())
                                  : read.status()));
      // A piece started for this file goes again; the files gathered before it stay.
      if (LastPiece_ >= first_new_piece) GiveBack(before, first_new_piece);
      return Stored::kFailed;
    }
    got += *read;
  }
  entry->Piece = LastPiece_;
  entry->Offset = WritePos_;
  pending_.push_back({index, before, first_new_piece});
  gathered_bytes_ += size;
  WritePos_ += static_cast<std::uint32_t>(size);
  LastPieceName_ = CurrentPieceName_;
  if (WritePos_ < PieceSize_) return Stored::kYes;

  if (!WriteGathered()) return Stored::kFailed;
  if (const Status closed = FinishPiece(); !closed.ok()) {
    // Any byte of the piece may be lost: none of the files not yet announced is kept.
    Fail(messages::WriteFailed(closed));
    GiveBackPending(0);
    return Stored::kFailed;
  }
  return Stored::kYes;
}

}  // namespace vornalis
