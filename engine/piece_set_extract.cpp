// PieceSet::ExtractFile: rebuilding one stored file from the pieces its bytes lie in.
#include "engine/piece_set.h"
#include "engine/set_reader.h"

namespace vornalis {

bool PieceSet::ExtractFile(const std::string& target_folder, const std::string& folder,
                           const std::string& name) {
  const StoredFile* found = Find(folder, name);
  if (found == nullptr) return true;
  const PieceSource source{fs_, BasePath_, PieceSize_, TailInHeader() ? LastPiece_ : 0};
  std::string error;
  if (!RebuildStoredFile(source, *found, target_folder, folder, name, CopyBuffer_, &error))
    return Fail(error);
  return true;
}

}  // namespace vornalis
