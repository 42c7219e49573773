#include "engine/opened_header.h"

#include <algorithm>
#include <array>
#include <cerrno>

#include "engine/messages.h"
#include "platform/path.h"

namespace vornalis {

OpenedHeader::OpenedHeader(platform::FileSystem& fs, SetPaths paths)
    : fs_(fs), paths_(std::move(paths)) {}

int OpenedHeader::Open() {
  int error = 0;
  file_ = fs_.Open(paths_.Header(), platform::OpenMode::kRead, &error);
  if (!file_) return error;
  return file_->Inspect(&info_);
}

void OpenedHeader::SetExtent(std::uint32_t last_piece, std::uint32_t overflow_count,
                             bool has_piece_one) {
  last_piece_ = last_piece;
  overflow_count_ = overflow_count;
  piece_one_ = platform::FileInfo{};
  if (!has_piece_one) return;
  int error = 0;
  if (auto piece = OpenPiece(1, &error)) piece->Inspect(&piece_one_);
}

void OpenedHeader::Warn(std::string text) {
  if (std::find(warnings_.begin(), warnings_.end(), text) == warnings_.end())
    warnings_.push_back(std::move(text));
}

bool OpenedHeader::CurrentRecord(AsideRecord* record) {
  bool untrusted = false;
  if (!ReadAsideRecord(fs_, paths_, info_.owner, record, &untrusted)) {
    if (untrusted) Warn(messages::IgnoredAsideFile(AsideRecordPath(paths_)));
    return false;
  }
  if (!hashed_) {
    // The header is read whole once, without moving its position.
    std::array<char, 16384> buffer{};
    if (!HashFile(*file_, buffer, &header_size_, &header_hash_)) return false;
    hashed_ = true;
  }
  return record->Fits(header_size_, header_hash_, last_piece_, overflow_count_);
}

std::unique_ptr<platform::File> OpenedHeader::OpenAside(std::uint32_t n) {
  AsideRecord record;
  if (!CurrentRecord(&record) || !record.Covers(n)) return nullptr;
  const std::string path = AsidePiecePath(paths_, n);
  int error = 0;
  auto aside = OpenOwnedFile(fs_, path, info_.owner, &error);
  if (!aside && error == EPERM) Warn(messages::IgnoredAsideFile(path));
  return aside;
}

std::unique_ptr<platform::File> OpenedHeader::OpenPiece(std::uint32_t n, int* error) {
  // By name first, then aside: a writer moves a piece aside before anything takes its name, so
  // a piece that was replaced before or while it was opened is found aside afterwards. A writer
  // that puts pieces back from aside replaces the name instead, so the name must still lead to
  // the file opened.
  const std::string path = paths_.Piece(n);
  for (int attempt = 0;; ++attempt) {
    auto named = fs_.Open(path, platform::OpenMode::kRead, error);
    if (auto aside = OpenAside(n)) return aside;
    platform::FileInfo opened, now;
    if (!named || attempt == 2 || named->Inspect(&opened) != 0 || fs_.Inspect(path, &now) != 0 ||
        now.SameFile(opened))
      return named;
  }
}

bool OpenedHeader::StillCurrent() {
  platform::FileInfo now;
  return fs_.Inspect(paths_.Header(), &now) == 0 && now.SameFile(info_);
}

bool OpenedHeader::DataPiecesValid() {
  if (StillCurrent()) return true;
  platform::FileInfo now;
  return piece_one_.exists() && fs_.Inspect(paths_.Piece(1), &now) == 0 && now.SameFile(piece_one_);
}

bool OpenedHeader::IsSetFile(const platform::FileInfo& info) {
  if (!ids_collected_) {
    // From the folder's listing rather than by number, so a damaged header that claims
    // billions of pieces costs no more than the folder holds.
    ids_collected_ = true;
    set_file_ids_.emplace_back(info_.device, info_.inode);
    const std::string folder = platform::FolderOf(paths_.base);
    const std::string header = platform::FileNameOf(paths_.Header());
    std::vector<platform::DirEntry> entries;
    fs_.ListDirectory(folder.empty() ? "." : folder, &entries);
    for (const platform::DirEntry& entry : entries) {
      const std::uint64_t n = PieceNumberOf(paths_, entry.name);
      const bool piece = n >= 1 && n <= std::uint64_t{last_piece_} + overflow_count_;
      if (entry.name != header && !piece && AsidePieceNumber(paths_, entry.name) == 0) continue;
      platform::FileInfo found;
      if (fs_.Inspect(folder + entry.name, &found) == 0)
        set_file_ids_.emplace_back(found.device, found.inode);
    }
  }
  return std::find(set_file_ids_.begin(), set_file_ids_.end(),
                   std::make_pair(info.device, info.inode)) != set_file_ids_.end();
}

}  // namespace vornalis
