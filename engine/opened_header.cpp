#include "engine/opened_header.h"

#include <algorithm>
#include <array>
#include <cerrno>

#include "engine/messages.h"
#include "platform/path.h"

namespace vornalis {

OpenedHeader::OpenedHeader(platform::FileSystem& fs, SetPaths paths)
    : fs_(fs), paths_(std::move(paths)) {}

Status OpenedHeader::Open() {
  auto file = fs_.Open(paths_.Header(), platform::OpenMode::kRead);
  if (!file.ok()) return file.status();
  file_ = file.take();
  const Result<platform::FileInfo> info = file_->Inspect();
  if (!info.ok()) return info.status();
  info_ = *info;
  return Status::Ok();
}

void OpenedHeader::SetExtent(std::uint32_t last_piece, std::uint32_t overflow_count,
                             bool has_piece_one) {
  last_piece_ = last_piece;
  overflow_count_ = overflow_count;
  piece_one_ = platform::FileInfo{};
  if (!has_piece_one) return;
  if (auto piece = OpenPiece(1); piece.ok()) {
    if (const Result<platform::FileInfo> info = piece->Inspect(); info.ok()) piece_one_ = *info;
  }
}

void OpenedHeader::Warn(std::string text) {
  if (std::find(warnings_.begin(), warnings_.end(), text) == warnings_.end())
    warnings_.push_back(std::move(text));
}

Result<AsideRecord> OpenedHeader::CurrentRecord() {
  Locked locked(lock_);
  return CurrentRecordLocked();
}

Result<AsideRecord> OpenedHeader::CurrentRecordLocked() {
  Result<AsideRecord> record = ReadAsideRecord(fs_, paths_, info_.owner);
  if (!record.ok()) {
    if (record.status().code == Status::Code::kRefused)
      Warn(messages::IgnoredAsideFile(AsideRecordPath(paths_)));
    return record;
  }
  if (!hashed_) {
    // The header is read whole once, without moving its position.
    std::array<char, 16384> buffer{};
    if (Status hashed = HashFile(*file_, buffer, &header_size_, &header_hash_); !hashed.ok())
      return hashed;
    hashed_ = true;
  }
  if (!record->Fits(header_size_, header_hash_, last_piece_, overflow_count_))
    return Status::Error(Status::Code::kFormat, AsideRecordPath(paths_), "");
  return record;
}

Result<std::unique_ptr<platform::File>> OpenedHeader::OpenAside(std::uint32_t n) {
  const Result<AsideRecord> record = CurrentRecordLocked();
  if (!record.ok()) return record.status();
  const std::string path = AsidePiecePath(paths_, n);
  if (!record->Covers(n)) return Status::System(ENOENT, path);
  auto aside = OpenOwnedFile(fs_, path, info_.owner);
  if (!aside.ok() && aside.status().code == Status::Code::kRefused)
    Warn(messages::IgnoredAsideFile(path));
  return aside;
}

Result<std::unique_ptr<platform::File>> OpenedHeader::OpenPiece(std::uint32_t n) {
  // By name first, then aside: a writer moves a piece aside before anything takes its name, so
  // a piece that was replaced before or while it was opened is found aside afterwards. A writer
  // that puts pieces back from aside replaces the name instead, so the name must still lead to
  // the file opened.
  Locked locked(lock_);
  const std::string path = paths_.Piece(n);
  for (int attempt = 0;; ++attempt) {
    auto named = fs_.Open(path, platform::OpenMode::kRead);
    if (auto aside = OpenAside(n); aside.ok()) return aside;
    if (!named.ok() || attempt == 2) return named;
    const Result<platform::FileInfo> opened = named->Inspect();
    const Result<platform::FileInfo> now = fs_.Inspect(path);
    if (!opened.ok() || !now.ok() || now->SameFile(*opened)) return named;
  }
}

bool OpenedHeader::StillCurrent() {
  const Result<platform::FileInfo> now = fs_.Inspect(paths_.Header());
  return now.ok() && now->SameFile(info_);
}

bool OpenedHeader::DataPiecesValid() {
  if (StillCurrent()) return true;
  const Result<platform::FileInfo> now = fs_.Inspect(paths_.Piece(1));
  return piece_one_.exists() && now.ok() && now->SameFile(piece_one_);
}

bool OpenedHeader::IsSetFile(const platform::FileInfo& info) {
  Locked locked(lock_);
  if (!ids_collected_) {
    // From the folder's listing rather than by number, so a damaged header that claims
    // billions of pieces costs no more than the folder holds.
    ids_collected_ = true;
    set_file_ids_.emplace_back(info_.device, info_.inode);
    const std::string folder = platform::FolderOf(paths_.base);
    const std::string header = platform::FileNameOf(paths_.Header());
    const auto entries = fs_.ListDirectory(folder.empty() ? "." : folder);
    for (const platform::DirEntry& entry : entries.ok() ? *entries : decltype(*entries){}) {
      const std::uint64_t n = PieceNumberOf(paths_, entry.name);
      const bool piece = n >= 1 && n <= std::uint64_t{last_piece_} + overflow_count_;
      if (entry.name != header && !piece && AsidePieceNumber(paths_, entry.name) == 0) continue;
      if (const Result<platform::FileInfo> found = fs_.Inspect(folder + entry.name); found.ok())
        set_file_ids_.emplace_back(found->device, found->inode);
    }
  }
  return std::find(set_file_ids_.begin(), set_file_ids_.end(),
                   std::make_pair(info.device, info.inode)) != set_file_ids_.end();
}

}  // namespace vornalis
