// PieceSet::ExtractFile: rebuilding one stored file from the pieces its bytes lie in.
#include <algorithm>
#include <array>
#include <cerrno>

#include "engine/endian.h"
#include "engine/format.h"
#include "engine/messages.h"
#include "engine/piece_set.h"
#include "engine/set_files.h"
#include "engine/stored_path.h"
#include "platform/path.h"

namespace vornalis {

void PieceSet::CreateFolders(const std::string& target_folder, const std::string& native_folder) {
  const std::string folder = target_folder + native_folder;
  if (folder.empty() || fs_.IsDirectory(folder)) return;
  // Every missing level is made, the target's own included; a failure shows when the file
  // itself cannot be created.
  for (std::size_t end = 1; (end = folder.find(platform::kSeparator, end)) != std::string::npos;
       ++end) {
    const std::string level = folder.substr(0, end + 1);
    if (!fs_.IsDirectory(level)) fs_.CreateDirectory(level);
  }
}

std::unique_ptr<platform::File> PieceSet::OpenPiece(std::uint32_t n, std::uint32_t offset) {
  const std::string path = PieceFile(n);
  int error = 0;
  auto piece = fs_.Open(path, platform::OpenMode::kRead, &error);
  if (!piece) {
    Fail(messages::CantOpen(PiecePath(BasePath_, n)));
    return nullptr;
  }
  // A piece of another set, or another piece renamed, would give wrong bytes without a word.
  std::array<char, format::kPieceHeadSize> head{};
  const platform::IoResult read = piece->Read(head);
  if (read.error != 0 || read.count < head.size()) {
    Fail(messages::CantRead(path, read.error));
    return nullptr;
  }
  if (std::string_view(head.data(), 4) != format::kPieceMagic || ReadU32(head.data() + 4) != n) {
    Fail(messages::InvalidPiece(path));
    return nullptr;
  }
  if (offset != format::kPieceHeadSize && (error = piece->Seek(offset)) != 0) {
    Fail(messages::CantRead(path, error));
    return nullptr;
  }
  return piece;
}

bool PieceSet::ExtractFile(const std::string& target_folder, const std::string& folder,
                           const std::string& name) {
  const StoredFile* found = Find(folder, name);
  if (found == nullptr) return true;
  const StoredFile entry = *found;
  if (!IsSafeStoredPath(folder, name)) return Fail(messages::UnsafeStoredPath(folder, name));

  const std::string target = platform::WithSeparator(target_folder);
  const std::string native_folder = NativeFolder(folder);
  const std::string destination_path = target + native_folder + name;

  // The first piece is opened before the destination is created, so a missing piece leaves no
  // empty file behind. A file of 0 bytes needs no piece at all.
  std::unique_ptr<platform::File> piece;
  if (entry.Size > 0 && !(piece = OpenPiece(entry.Piece, entry.Offset))) return false;

  // Folders are made only when the file cannot be created without them.
  int error = 0;
  auto destination = fs_.Open(destination_path, platform::OpenMode::kCreate, &error);
  if (!destination && error == ENOENT) {
    CreateFolders(target, native_folder);
    destination = fs_.Open(destination_path, platform::OpenMode::kCreate, &error);
  }
  if (!destination) return Fail(messages::CantCreate(destination_path));

  std::uint32_t remaining = entry.Size;
  std::uint32_t n = entry.Piece;
  std::uint32_t offset = entry.Offset;
  while (remaining > 0) {
    if (!piece && !(piece = OpenPiece(n, offset))) return false;
    const std::uint32_t take = std::min(remaining, PieceSize_ - offset);
    const platform::CopyResult copy = fs_.Copy(*piece, *destination, take, CopyBuffer_);
    if (copy.failure == platform::CopyResult::Failure::kWrite)
      return Fail(messages::CantWrite(destination_path, copy.error));
    if (copy.failure == platform::CopyResult::Failure::kRead)
      return Fail(messages::CantRead(piece->Path(), copy.error));
    piece.reset();
    remaining -= take;
    ++n;
    offset = format::kPieceHeadSize;
  }
  if ((error = destination->Close()) != 0)
    return Fail(messages::CantWrite(destination_path, error));
  return true;
}

}  // namespace vornalis
