// PieceSet's rebuilding of stored files: by catalogue entry, through the rebuilding code that
// the self-assembling stub uses as well.
#include "engine/messages.h"
#include "engine/piece_set.h"
#include "engine/rebuild.h"

namespace vornalis {

Result<std::unique_ptr<platform::File>> PieceSet::OpenPiece(std::uint32_t n) const {
  if (access_ == SetAccess::kReadOnly && header_) return header_->OpenPiece(n);
  return fs_.Open(paths_.Piece(n), platform::OpenMode::kRead);
}

PieceSource PieceSet::Source() const {
  // A reader takes pieces through the header it read, which may have been replaced since; a
  // writer holds the lock and reads the pieces it knows under their names.
  OpenedHeader* header = access_ == SetAccess::kReadOnly ? header_.get() : nullptr;
  return PieceSource{fs_, paths_, Shape(), TailInHeader() ? LastPiece_ : 0, header, &overlaps_};
}

Status PieceSet::ExtractShare(const std::string& target_folder,
                              const std::vector<const StoredFile*>& share, std::span<char> buffer,
                              RebuildObserver* observer) const {
  return RebuildFiles(Source(), target_folder, share, buffer, observer);
}

bool PieceSet::ExtractFiles(const std::string& target_folder,
                            const std::vector<const StoredFile*>& entries,
                            RebuildObserver* observer, RebuildOrder order) {
  const Status status =
      RebuildFiles(Source(), target_folder, entries, CopyBuffer_, observer, byte_progress_, order);
  return status.ok() || Fail(status);
}

namespace {

// Keeps the failure of the one file rebuilt.
class SingleFile final : public RebuildObserver {
 public:
  bool Rebuilt(const StoredFile&, const Status& status) noexcept override {
    result = status;
    return true;
  }
  Status result;
};

}  // namespace

bool PieceSet::ExtractFile(const std::string& target_folder, const StoredFile& entry) {
  SingleFile single;
  if (!ExtractFiles(target_folder, {&entry}, &single)) return false;
  return single.result.ok() || Fail(single.result);
}

bool PieceSet::ExtractFile(const std::string& target_folder, const std::string& folder,
                           const std::string& name) {
  const Result<const StoredFile*> found = FindUnique(folder, name);
  if (!found.ok()) return found.status().code == Status::Code::kNotFound || Fail(found.status());
  // The file takes the caller's spelling of the stored folder and name.
  StoredFile spelt = **found;
  spelt.Folder = folder;
  spelt.Name = name;
  return ExtractFile(target_folder, spelt);
}

}  // namespace vornalis
