// PieceSet::ExtractFile: rebuilding one stored file from the pieces its bytes lie in.
#include <algorithm>
#include <cerrno>

#include "engine/format.h"
#include "engine/messages.h"
#include "engine/piece_set.h"
#include "engine/set_files.h"
#include "engine/set_reader.h"
#include "engine/stored_path.h"
#include "platform/path.h"

namespace vornalis {

bool PieceSet::ExtractFile(const std::string& target_folder, const std::string& folder,
                           const std::string& name) {
  const StoredFile* found = Find(folder, name);
  if (found == nullptr) return true;
  if (!IsSafeStoredPath(folder, name)) return Fail(messages::UnsafeStoredPath(folder, name));

  const std::string target = platform::WithSeparator(target_folder);
  const std::string native_folder = NativeFolder(folder);
  const std::string destination_path = target + native_folder + name;
  // Folders are made only when the file cannot be created without them.
  auto create_destination = [&](std::string* error) {
    int code = 0;
    auto destination = fs_.Open(destination_path, platform::OpenMode::kCreate, &code);
    if (!destination && code == ENOENT) {
      fs_.CreateDirectories(target + native_folder);
      destination = fs_.Open(destination_path, platform::OpenMode::kCreate, &code);
    }
    if (!destination) *error = messages::CantCreate(destination_path);
    return destination;
  };
  const PieceSource source{fs_, BasePath_, PieceSize_, TailInHeader() ? LastPiece_ : 0};
  std::string error;
  if (!CopyStoredFile(source, *found, CopyBuffer_, create_destination, &error)) return Fail(error);
  return true;
}

}  // namespace vornalis
