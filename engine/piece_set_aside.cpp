// PieceSet: pieces kept aside while the header on disk still refers to them, and cleaning up
// after writers: what a writer that died left behind, and what a commit made useless. Nothing
// is removed or renamed unless it is provably this program's (name_claims.h, aside_pieces.h),
// and folders are walked through their listings, so a record that claims billions of pieces
// costs no more than the folder holds.
#include <algorithm>
#include <array>
#include <cerrno>

#include "engine/aside_pieces.h"
#include "engine/format.h"
#include "engine/leftovers.h"
#include "engine/messages.h"
#include "engine/name_claims.h"
#include "engine/piece_set.h"
#include "engine/set_files.h"
#include "platform/path.h"

namespace vornalis {
template <typename Visit>
bool PieceSet::ForEachAside(const AsideRecord& record, Visit visit) {
  const std::string folder = platform::FolderOf(BasePath_);
  const Result<std::vector<platform::DirEntry>> entries =
      fs_.ListDirectory(folder.empty() ? "." : folder);
  if (!entries.ok()) return false;
  for (const platform::DirEntry& entry : *entries) {
    const std::uint32_t n = AsidePieceNumber(paths_, entry.name);
    if (n != 0 && record.Covers(n)) visit(n, folder + entry.name);
  }
  return true;
}

void PieceSet::RestoreAsides(const AsideRecord& record) {
  bool all_back = true;
  all_back &= ForEachAside(record, [&](std::uint32_t n, const std::string& aside) {
    if (ClaimPieceAt(fs_, aside, n, owner_).owner != NameClaim::Owner::kThisSet) return;
    // The name holds nothing, or a piece this set's writers made since, which the piece aside
    // replaces.
    if (!ClaimPiece(fs_, paths_, n, owner_).ok() || !fs_.Rename(aside, paths_.Piece(n)).ok())
      all_back = false;
  });
  if (!all_back) return;
  (void)fs_.Remove(AsideRecordPath(paths_));
  aside_record_written_ = false;
}

void PieceSet::RemoveAsides() {
  if (!aside_record_written_) return;
  // The record goes last, so pieces that could not be removed stay named by it for the next
  // writer to remove.
  bool all_gone = true;
  all_gone &= ForEachAside(aside_, [&](std::uint32_t n, const std::string& aside) {
    if (ClaimPieceAt(fs_, aside, n, owner_).owner != NameClaim::Owner::kThisSet ||
        !fs_.Remove(aside).ok())
      all_gone = false;
  });
  if (all_gone) (void)fs_.Remove(AsideRecordPath(paths_));
  aside_record_written_ = false;
}

void PieceSet::RemovePiecesAbove(std::uint32_t last) {
  const std::string folder = platform::FolderOf(BasePath_);
  const Result<std::vector<platform::DirEntry>> entries =
      fs_.ListDirectory(folder.empty() ? "." : folder);
  if (!entries.ok()) return;
  for (const platform::DirEntry& entry : *entries) {
    const std::uint32_t n = PieceNumberOf(paths_, entry.name);
    if (n > last && ClaimPiece(fs_, paths_, n, owner_).owner == NameClaim::Owner::kThisSet)
      (void)fs_.Remove(folder + entry.name);
  }
}

void PieceSet::RemoveLeftovers(OpenedHeader* header) {
  RemoveSetTemporaries(fs_, paths_);
  // Pieces a writer that died kept aside for the header on disk go back under their names;
  // a record of a header replaced since is cleaned up with its pieces.
  if (header != nullptr) {
    if (const Result<AsideRecord> current = header->CurrentRecord(); current.ok()) {
      aside_ = *current;
      aside_record_written_ = true;
      RestoreAsides(aside_);
      return;
    }
  }
  if (const Result<AsideRecord> stale = ReadAsideRecord(fs_, paths_, owner_); stale.ok()) {
    aside_ = *stale;
    aside_record_written_ = true;
    RemoveAsides();
  }
}

bool PieceSet::KeepAside(std::uint32_t n) {
  if (protect_count_ == 0 || n < protect_first_ || n - protect_first_ >= protect_count_)
    return true;
  const std::string aside = AsidePiecePath(paths_, n);
  if (fs_.Inspect(aside).ok()) {
    // Moved before by this writer; anything else there is not trusted, and the piece stays.
    if (ClaimPieceAt(fs_, aside, n, owner_).owner == NameClaim::Owner::kThisSet) return true;
    return Fail(messages::InTheWay(aside));
  }
  const NameClaim at_name = ClaimPiece(fs_, paths_, n, owner_);
  if (at_name.owner == NameClaim::Owner::kFree) return true;
  if (at_name.owner == NameClaim::Owner::kOther) return Fail(at_name.refusal);
  if (!aside_record_written_ || !aside_.Covers(n)) {
    // The record names the header on disk by its bytes and covers what it referred to; it is
    // in place before the first piece is moved.
    AsideRecord record{0, 0, protect_first_, protect_count_};
    if (aside_record_written_) {
      const std::uint64_t end = std::max(std::uint64_t{aside_.first} + aside_.count,
                                         std::uint64_t{protect_first_} + protect_count_);
      record.first = std::min(aside_.first, protect_first_);
      record.count = static_cast<std::uint32_t>(end - record.first);
    }
    // Only a record this set's writers wrote may be replaced by the new one.
    const std::string record_path = AsideRecordPath(paths_);
    if (fs_.Inspect(record_path).ok() && !ReadAsideRecord(fs_, paths_, owner_).ok())
      return Fail(messages::InTheWay(record_path));
    auto file = fs_.Open(paths_.Header(), platform::OpenMode::kRead);
    if (!file.ok()) return Fail(messages::OpenFailed(file.status()));
    if (Status hashed = HashFile(*file, CopyBuffer_, &record.header_size, &record.header_hash);
        !hashed.ok())
      return Fail(messages::ReadFailed(hashed));
    if (Status written = WriteAsideRecord(fs_, paths_, record); !written.ok())
      return Fail(messages::CreateFailed(written.For(record_path)));
    aside_ = record;
    aside_record_written_ = true;
  }
  const std::string piece = paths_.Piece(n);
  const Status moved = fs_.Rename(piece, aside);
  if (moved.ok() || moved.error == ENOENT) return true;
  return Fail(messages::RenameFailed(moved, piece, aside));
}

}  // namespace vornalis
