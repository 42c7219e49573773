// PieceSet: construction, opening (reading the catalogue), closing (writing it), throwing away
// and lookups. Storing files is in piece_set_add.cpp, rebuilding them in piece_set_extract.cpp,
// keeping pieces aside and cleaning up after writers in piece_set_aside.cpp.
#include "engine/piece_set.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <mutex>

#include "engine/catalogue.h"
#include "engine/catalogue_stream_writer.h"
#include "engine/file_identity.h"
#include "engine/format.h"
#include "engine/messages.h"
#include "engine/name_claims.h"
#include "engine/rebuild.h"
#include "engine/set_files.h"
#include "engine/set_history.h"
#include "engine/set_reader.h"
#include "engine/set_recovery_files.h"
#include "platform/endian.h"
#include "platform/path.h"
#include "platform/temp_file.h"

namespace vornalis {
namespace {

// Lets the threads of ExtractShare share the header the set was opened with.
class MutexHeaderLock final : public HeaderLock {
 public:
  void Lock() noexcept override { mutex_.lock(); }
  void Unlock() noexcept override { mutex_.unlock(); }

 private:
  std::mutex mutex_;
};

}  // namespace

PieceSet::PieceSet(std::string base_path, std::uint32_t piece_size, platform::FileSystem& fs,
                   NewSet existing)
    : fs_(fs),
      collator_(platform::Collator::Default()),
      SetName_(SetNameOf(base_path)),
      CopyBuffer_(format::kBufferSize),
      BasePath_(std::move(base_path)),
      paths_(FindSetPaths(fs, BasePath_)),
      PieceSize_(piece_size),
      PayloadSize_(piece_size >= format::kMinPieceSize ? piece_size - format::kPieceHeadSize : 0),
      owner_(platform::CurrentUser()) {
  if (Status size = CheckPieceSize(piece_size); !size.ok()) {
    Refuse(std::move(size));
    return;
  }
  if (!TakeLock()) {
    Refuse(last_status_);
    return;
  }
  CheckHeaderName(existing);
}

PieceSet::PieceSet(std::string base_path, SetAccess access, platform::FileSystem& fs)
    : PieceSet(FindSetPaths(fs, base_path), access, fs) {}

PieceSet::PieceSet(SetPaths paths, SetAccess access, platform::FileSystem& fs)
    : fs_(fs),
      collator_(platform::Collator::Default()),
      SetName_(SetNameOf(paths.base)),
      CopyBuffer_(format::kBufferSize),
      BasePath_(paths.base),
      paths_(std::move(paths)),
      access_(access) {
  if (paths_.extension.empty() && access_ == SetAccess::kReadWrite) {
    access_ = SetAccess::kReadOnly;
    if (ReadCatalogue()) ClearLastError();
    Refuse(Status::Error(Status::Code::kNameTaken, paths_.Header(),
                         messages::HeaderWithoutExtension(paths_.Header())));
    return;
  }
  // A second writer (or one that cannot make the lock file) is refused; it may still read the
  // set as it was last closed.
  if (access_ == SetAccess::kReadWrite && !TakeLock()) {
    const Status refusal = last_status_;
    access_ = SetAccess::kReadOnly;
    if (ReadCatalogue()) ClearLastError();
    Refuse(refusal);
    return;
  }
  if (!ReadCatalogue()) {
    // Nothing may replace the header on disk by a catalogue that lost its entries.
    Files_.clear();
    refusal_ = Status::Error(Status::Code::kFormat, paths_.Header(),
                             messages::CatalogueNotRead(paths_.Header()));
  } else if (access_ == SetAccess::kReadOnly && refusal_.ok()) {
    refusal_ = Status::Error(Status::Code::kRefused, paths_.Header(),
                             messages::ReadOnlySet(paths_.Header()));
  }
}

PieceSet::~PieceSet() { Close(); }

Status PieceSet::CheckPieceSize(std::uint32_t size) {
  if (size >= format::kMinPieceSize) return Status::Ok();
  return Status::Error(Status::Code::kRefused, "", messages::PieceSizeTooSmall(size));
}

bool PieceSet::TakeLock() {
  Result<std::unique_ptr<platform::Lock>> lock = LockSet(fs_, paths_);
  if (!lock.ok()) return Fail(lock.status());
  lock_ = lock.take();
  return true;
}

bool PieceSet::Fail(Status status) {
  last_status_ = std::move(status);
  return false;
}

void PieceSet::Refuse(Status status) {
  refusal_ = status;
  Fail(std::move(status));
}

void PieceSet::CheckHeaderName(NewSet existing) {
  const NameClaim header = ClaimHeader(fs_, paths_, owner_);
  if (header.owner == NameClaim::Owner::kOther) {
    Refuse(header.refusal);
    return;
  }
  if (header.owner == NameClaim::Owner::kFree) {
    RemoveLeftovers(nullptr);
    return;
  }
  if (existing == NewSet::kRefuseExisting) {
    Refuse(Status::Error(Status::Code::kExists, paths_.Header(),
                         messages::SetExists(paths_.Header())));
    return;
  }
  // The old set stays whole until this one is closed: every piece its header refers to is kept
  // aside before this set takes its number. A header that cannot be read protects nothing.
  header_on_disk_ = header.info;
  replaces_ = true;
  SetReader old(fs_, paths_);
  if (!old.Open().ok()) {
    RemoveLeftovers(nullptr);
    return;
  }
  protect_first_ = 1;
  const std::uint64_t pieces = std::uint64_t{old.last_piece()} + old.overflow_count();
  protect_count_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(pieces, 0xFFFFFFFFu));
  RemoveLeftovers(&old.header());
}

std::vector<std::string> PieceSet::Warnings() const {
  std::vector<std::string> all = warnings_;
  if (header_)
    for (const std::string& warning : header_->warnings())
      if (std::find(all.begin(), all.end(), warning) == all.end()) all.push_back(warning);
  return all;
}

int PieceSet::GetTotals(std::uint32_t& total_bytes) const {
  total_bytes = 0;
  for (const StoredFile& file : Files_) total_bytes += static_cast<std::uint32_t>(file.Size);
  return static_cast<int>(Files_.size());
}

std::uint64_t PieceSet::TotalBytes() const {
  std::uint64_t total = 0;
  for (const StoredFile& file : Files_) total += file.Size;
  return total;
}

format::CatalogueForm PieceSet::Form() const { return catalogue::FormFor(Files_, form_); }

SetShape PieceSet::Shape() const {
  return SetShape::OfOpenSet(PieceSize_, LastPiece_, LastPieceOpen_, WritePos_);
}

const StoredFile* PieceSet::Find(const std::string& folder, const std::string& name) const {
  const std::size_t i = catalogue::FindStored(collator_, Files_, folder, name);
  return i < Files_.size() ? &Files_[i] : nullptr;
}

Result<const StoredFile*> PieceSet::FindUnique(const std::string& folder,
                                               const std::string& name) const {
  const auto [first, last] = catalogue::EqualRange(collator_, Files_, folder, name);
  for (std::size_t i = first; i < last; ++i)
    if (Files_[i].Folder == folder && Files_[i].Name == name) return &Files_[i];
  if (last - first == 1) return &Files_[first];
  const std::string stored_path = folder + name;
  if (first == last)
    return Status::Error(Status::Code::kNotFound, stored_path,
                         messages::NoSuchStoredFile(stored_path));
  return Status::Error(Status::Code::kAmbiguous, stored_path,
                       messages::AmbiguousName(stored_path, last - first));
}

bool PieceSet::Commit() {
  if (closed_) return close_result_;
  if (!modified_) return true;
  current_piece_.reset();
  const std::uint32_t tail = LastPieceOpen_ ? WritePos_ - format::kPieceHeadSize : 0;
  if (!WriteCatalogue()) {
    EndFailedCommit();
    return false;
  }
  AdoptCommitted(tail);
  return true;
}

void PieceSet::AdoptCommitted(std::uint32_t tail) {
  // The new header is in place: what the old one needed is not needed any more, and pieces of a
  // set this one replaced, or of a writer that died, have no use above the new catalogue.
  RemoveAsides();
  RemovePiecesAbove(LastPiece_ + written_overflow_);
  // From here on the set is as an opening of the new header makes it: its tail laid out as the
  // last piece, which the piece on disk already is; a last piece with no bytes lives on in the
  // header only.
  if (LastPieceOpen_ && tail == 0) {
    (void)fs_.Remove(LastPieceName_);
    LastPieceOpen_ = false;
    LastPieceName_.clear();
    WritePos_ = 0;
  }
  const Result<platform::FileInfo> header = fs_.Inspect(paths_.Header());
  header_on_disk_ = header.ok() ? *header : platform::FileInfo();
  tail_length_ = tail;
  opened_last_piece_ = LastPiece_;
  first_created_ = LastPiece_ + 1;
  last_piece_recreated_ = LastPieceOpen_;
  // The data pieces stored next take the numbers of the new catalogue's overflow pieces.
  protect_first_ = LastPiece_ + 1;
  protect_count_ = written_overflow_;
  replaces_ = false;
  modified_ = false;
}

void PieceSet::EndFailedCommit() {
  closed_ = true;
  close_result_ = false;
  refusal_ = last_status_;
  current_piece_.reset();
  // The header on disk is still the one from before, so nothing written since is of use: it
  // goes, and a disk that filled up gets its space back.
  if (!catalogue_committed_ && lock_) RemoveWritten();
  Release();
}

bool PieceSet::Close() {
  if (closed_) return close_result_;
  if (!Commit()) return false;
  closed_ = true;
  current_piece_.reset();
  // The header on disk holds everything stored: the last piece lives on as its tail, and
  // anything moved aside goes back.
  if (last_piece_recreated_) (void)fs_.Remove(LastPieceName_);
  if (aside_record_written_) RestoreAsides(aside_);
  Release();
  return close_result_;
}

void PieceSet::Release() {
  CopyBuffer_ = std::vector<char>();
  gathered_ = std::vector<char>();
  lock_.reset();
}

void PieceSet::Discard() {
  if (closed_) return;
  closed_ = true;
  current_piece_.reset();
  if (lock_) RemoveWritten();
  Release();
}

void PieceSet::RemoveWritten() {
  // Only pieces this object made are removed; the last piece of an opened set was laid out
  // again from the header's tail, which still holds its bytes.
  const std::uint32_t first = last_piece_recreated_ ? opened_last_piece_ : first_created_;
  for (std::uint32_t n = std::max(first, 1u); n <= LastPiece_ && n != 0; ++n)
    if (ClaimPiece(fs_, paths_, n, owner_).owner == NameClaim::Owner::kThisSet)
      (void)fs_.Remove(paths_.Piece(n));
  if (aside_record_written_) RestoreAsides(aside_);
}

bool PieceSet::WriteCatalogue() {
  catalogue_committed_ = false;
  const std::uint32_t tail = LastPieceOpen_ ? WritePos_ - format::kPieceHeadSize : 0;
  const format::CatalogueForm form = Form();
  CatalogueStreamWriter out(
      fs_, paths_, PieceSize_, LastPiece_, form,
      CatalogueStreamWriter::StreamSize(Files_, tail, CopyBuffer_.size(), form));
  if (Status begun = out.Begin(tail); !begun.ok()) return Fail(begun);
  if (tail > 0) {
    auto piece = fs_.Open(LastPieceName_, platform::OpenMode::kRead);
    if (!piece.ok()) return Fail(messages::OpenFailed(piece.status()));
    if (Status seek = piece->Seek(format::kPieceHeadSize); !seek.ok())
      return Fail(messages::ReadFailed(seek));
    if (Status copied = out.CopyFrom(*piece, tail, CopyBuffer_); !copied.ok()) return Fail(copied);
  }
  if (Status written = out.WriteRecords(Files_, CopyBuffer_); !written.ok()) return Fail(written);
  if (Status finished = out.Finish(); !finished.ok()) return Fail(finished);
  // The new overflow pieces may take numbers of pieces the header on disk refers to, and must
  // take no name that is not the set's.
  for (std::uint32_t i = 1; i <= out.OverflowCount(); ++i) {
    if (!KeepAside(LastPiece_ + i)) return false;
    const NameClaim claim = ClaimPiece(fs_, paths_, LastPiece_ + i, owner_);
    if (!claim.ok()) return Fail(claim.refusal);
  }
  // The header replaced must be the one this set was read from (or the set it replaces); a new
  // set's header name must still be free.
  const Result<platform::FileInfo> now = fs_.Inspect(paths_.Header());
  if (now.ok() && !now->SameFile(header_on_disk_)) return Fail(messages::InTheWay(paths_.Header()));
  // Every piece written since opening and the new catalogue (flushed by the writer) reach the
  // medium before the header that refers to them replaces the old one, and the renames are
  // made durable after.
  if (!SyncWrittenPieces()) return false;
  const std::string folder = platform::FolderOf(BasePath_);
  recovery_after_ = RecoveryFilesAfterCommit{};
  const SetHistory history = ReadHistory(fs_, paths_);
  const bool recorded = RecordInHistory(out);
  if (Status committed = out.Commit(); !committed.ok()) {
    // The header on disk is the one from before, and so is its history.
    if (recorded) (void)WriteHistory(fs_, paths_, history);
    return Fail(committed);
  }
  catalogue_committed_ = true;
  written_overflow_ = out.OverflowCount();
  if (replaces_) RemoveReplacedRecovery();
  if (Status synced = fs_.SyncFolderEntries(folder); !synced.ok()) {
    synced.path = paths_.Header();
    return Fail(messages::WriteFailed(synced));
  }
  return true;
}

bool PieceSet::RecordInHistory(const CatalogueStreamWriter& out) {
  // Only a set with a header on disk and recovery files beside it has anything to record.
  if (!fs_.Exists(paths_.Header())) return false;
  if (replaces_) {
    const std::vector<recovery::Md5Digest> retired = OwnRecoveryContent(fs_, paths_);
    if (retired.empty()) return false;
    SetHistory history = ReadHistory(fs_, paths_);
    history.adds.clear();
    for (const recovery::Md5Digest& id : retired)
      if (std::find(history.retired.begin(), history.retired.end(), id) == history.retired.end())
        history.retired.push_back(id);
    if (history.retired.size() > kMostRetired)
      history.retired.erase(history.retired.begin(),
                            history.retired.end() - static_cast<std::ptrdiff_t>(kMostRetired));
    // Without the record, copies of those recovery files under other names would go on counting
    // for the new set: the user is told.
    if (Status written = WriteHistory(fs_, paths_, history); !written.ok())
      warnings_.push_back(written.message);
    return true;
  }
  if (FindRecoveryFiles(fs_, paths_).empty()) return false;
  const std::optional<FileIdentity> before = IdentityOf(fs_, paths_.Header());
  const std::optional<FileIdentity> after = IdentityOf(fs_, out.HeaderTempPath());
  if (!before || !after) return false;
  // The pieces before the last one at opening were full and are not written again; the last is
  // when the header held its tail (it is laid out again), or is a full piece otherwise.
  const std::uint32_t kept = opened_last_piece_ - (tail_length_ > 0 ? 1 : 0);
  recovery_after_.older = true;
  // A history that cannot be written leaves the recovery files of unknown age: a check then
  // changes nothing and says so.
  if (Status written =
          WriteHistory(fs_, paths_, WithAdd(ReadHistory(fs_, paths_), *before, *after, kept));
      !written.ok())
    warnings_.push_back(written.message);
  return true;
}

void PieceSet::RemoveReplacedRecovery() {
  for (const std::string& path : OwnRecoveryFilesByName(fs_, paths_))
    if (fs_.Remove(path).ok()) recovery_after_.retired.push_back(path);
}

bool PieceSet::SyncWrittenPieces() {
  // The pieces from the last one at opening (which may have been laid out again from the tail
  // and appended to) up to the last one now, flushed together (FileSystem::SyncFiles).
  std::vector<std::string> written;
  for (std::uint32_t n = std::max(opened_last_piece_, 1u); n <= LastPiece_ && n != 0; ++n) {
    std::string path = paths_.Piece(n);
    // The tail of a closed set that nothing was appended to stays in the header.
    if (n == opened_last_piece_ && !last_piece_recreated_ && !fs_.Exists(path)) continue;
    written.push_back(std::move(path));
  }
  if (Status synced = fs_.SyncFiles(written); !synced.ok())
    return Fail(messages::WriteFailed(synced));
  return true;
}

bool PieceSet::ReadCatalogue() {
  catalogue_read_ = false;
  // The last piece of a closed set is laid out again for storing, unless its name holds a file
  // that is not this set's: the set is then read as it is and refuses to store.
  if (access_ == SetAccess::kReadWrite) {
    SetReader fields(fs_, paths_);
    if (fields.Open().ok() && fields.tail_length() > 0) {
      const NameClaim claim =
          ClaimPiece(fs_, paths_, fields.last_piece(), fields.header().info().owner);
      if (!claim.ok()) {
        access_ = SetAccess::kReadOnly;
        Refuse(claim.refusal);
        lock_.reset();
      }
    }
  }

  SetReader reader(fs_, paths_);
  std::vector<StoredFile> files;
  if (access_ == SetAccess::kReadOnly) {
    // A reader beside a writer: a catalogue read while the header was replaced is read again.
    Status read = reader.ReadSnapshot(&files, CopyBuffer_);
    catalogue_blocks_ = reader.blocks();
    if (!read.ok()) return Fail(std::move(read));
  } else if (Status opened = reader.Open(); !opened.ok()) {
    return Fail(std::move(opened));
  }
  header_ = reader.TakeHeader();
  if (!header_lock_) header_lock_ = std::make_unique<MutexHeaderLock>();
  header_->SetLock(header_lock_.get());
  owner_ = header_->info().owner;
  header_on_disk_ = header_->info();
  PieceSize_ = reader.piece_size();
  PayloadSize_ = PieceSize_ - format::kPieceHeadSize;
  form_ = reader.form();
  LastPiece_ = reader.last_piece();
  tail_length_ = reader.tail_length();
  overflow_pieces_ = reader.overflow_count();
  opened_last_piece_ = LastPiece_;
  first_created_ = LastPiece_ + 1;

  if (access_ == SetAccess::kReadWrite) {
    // Data pieces stored from now on, and the new catalogue's overflow pieces, take the
    // numbers of the overflow pieces the header on disk refers to.
    protect_first_ = LastPiece_ + 1;
    protect_count_ = overflow_pieces_;
    RemoveLeftovers(header_.get());
    // The tail is laid out as the last piece again: first in a temporary file beside the
    // header, which takes the piece's name only once the whole catalogue has been read.
    const std::string piece = paths_.Piece(LastPiece_);
    std::unique_ptr<platform::TempFile> tail;
    if (tail_length_ > 0) {
      auto created =
          platform::TempFile::Create(fs_, platform::FolderOf(BasePath_), TempPrefix(BasePath_));
      if (!created.ok()) return Fail(messages::CreateFailed(created.status().For(piece)));
      tail = created.take();
      std::string head(format::kPieceMagic);
      AppendU32(&head, LastPiece_);
      if (Status written = tail->file().Write(head); !written.ok())
        return Fail(messages::WriteFailed(written.For(piece)));
    }
    Status read = reader.ReadCatalogue(&files, CopyBuffer_, tail ? &tail->file() : nullptr);
    catalogue_blocks_ = reader.blocks();
    if (!read.ok()) return Fail(std::move(read));
    if (tail) {
      if (Status finished = tail->Finish(false); !finished.ok())
        return Fail(messages::WriteFailed(finished.For(piece)));
      if (Status placed = tail->PutInPlace(piece); !placed.ok())
        return Fail(messages::CreateFailed(placed.For(piece)));
      last_piece_recreated_ = true;
    }
  }
  if (tail_length_ > 0) {
    LastPieceName_ = paths_.Piece(LastPiece_);
    LastPieceOpen_ = true;
    WritePos_ = tail_length_ + format::kPieceHeadSize;
  }

  overlaps_ = OverlapIndex(files, Shape());
  if (access_ == SetAccess::kReadWrite) {
    // An entry that reaches past the stored bytes would take the bytes stored next as its own,
    // and make them look damaged: a damaged catalogue is read, never written on.
    for (const StoredFile& file : files) {
      const Status problem = CheckEntry(file, Shape(), &overlaps_);
      if (problem.ok()) continue;
      Refuse(Status::Error(Status::Code::kFormat, paths_.Header(),
                           messages::DamagedCatalogue(paths_.Header(), problem.message)));
      break;
    }
  }
  // A writer holds the lock and has read what it needs of the header; it lets the file go so
  // that it can replace it on every system.
  if (access_ == SetAccess::kReadWrite) header_->Release();
  // A set written under another locale or on another system may be in another order.
  if (!catalogue::IsSorted(collator_, files)) catalogue::SortFiles(collator_, &files);
  catalogue_read_ = true;
  Files_ = std::move(files);
  return true;
}

}  // namespace vornalis
