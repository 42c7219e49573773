#include "exe/stub/recovery_proof.h"

#include <array>
#include <optional>
#include <vector>

#include "engine/messages.h"
#include "platform/path.h"
#include "recovery/par2_packets.h"

namespace vornalis::stub {
namespace {

namespace par2 = recovery::par2;

// The length and MD5 of what file holds; nothing when it cannot be read.
std::optional<std::pair<std::uint64_t, recovery::Md5Digest>> HashOf(platform::File& file) {
  std::vector<char> buffer(std::size_t{1} << 16);
  recovery::Md5 md5;
  std::uint64_t length = 0;
  for (;;) {
    const Result<std::size_t> read = file.ReadAt(length, buffer);
    if (!read.ok()) return std::nullopt;
    if (*read == 0) break;
    md5.Update(std::span<const char>(buffer.data(), *read));
    length += *read;
  }
  return std::make_pair(length, md5.Final());
}

bool MayBeRecoveryFile(platform::FileSystem& fs, const std::string& path, std::string_view name) {
  if (name.size() > 5 && FoldAscii(name.substr(name.size() - 5)) == ".par2") return true;
  auto file = fs.Open(path, platform::OpenMode::kRead);
  std::array<char, 8> magic{};
  if (!file.ok()) return false;
  const Result<std::size_t> read = file->ReadAt(0, magic);
  return read.ok() && *read == magic.size() && std::string_view(magic.data(), 8) == par2::kMagic;
}

}  // namespace

RecoveryProof::RecoveryProof(platform::FileSystem& fs, const SetPaths& paths) {
  const std::string folder = platform::FolderOf(paths.base);
  const Result<std::vector<platform::DirEntry>> entries =
      fs.ListDirectory(folder.empty() ? "." : folder);
  if (!entries.ok()) return;
  const SetNameMatcher names(paths, &FoldAscii, *entries, fs.IgnoresCase(folder, *entries));
  par2::ReadBudget budget(par2::kReadBudgetBytes);
  std::vector<par2::ReadResult> each;
  for (const platform::DirEntry& entry : *entries) {
    if (!entry.is_regular || entry.is_link || names.Of(entry.name)) continue;
    const std::string path = folder + entry.name;
    if (!MayBeRecoveryFile(fs, path, entry.name)) continue;
    par2::ReadRecoveryFile(fs, path, each.emplace_back(), budget, false);
  }
  const par2::Candidates read = par2::GroupAgreeing(std::move(each));
  if (read.sets.empty()) return;
  auto header_file = fs.Open(paths.Header(), platform::OpenMode::kRead);
  if (!header_file.ok()) return;
  const auto header = HashOf(*header_file);
  if (!header) return;
  // The set's own recovery set made for the header here; when several candidates are, they
  // disagree on some piece, and none can prove anything.
  std::optional<std::map<std::uint32_t, std::pair<std::uint64_t, recovery::Md5Digest>>> proven;
  for (const par2::RecoverySet& set : read.sets) {
    if (!set.Complete()) continue;
    std::map<std::uint32_t, std::pair<std::uint64_t, recovery::Md5Digest>> described;
    bool own = true, current = false;
    for (const par2::Id& file_id : set.file_ids) {
      const par2::FileDescription& file = set.files.at(file_id);
      const std::optional<std::uint32_t> n = names.Of(file.name);
      own = own && n && described.emplace(*n, std::make_pair(file.length, file.hash)).second;
      if (own && *n == 0) current = file.length == header->first && file.hash == header->second;
    }
    if (!own || !current) continue;
    if (proven) return;
    described.erase(0);
    proven = std::move(described);
  }
  if (proven) pieces_ = std::move(*proven);
}

Status RecoveryProof::Prove(std::uint32_t n, platform::File& file,
                            const std::string& path) noexcept {
  const auto recorded = pieces_.find(n);
  if (recorded == pieces_.end()) return Status::Ok();
  const auto found = HashOf(file);
  if (!found) return messages::ReadFailed(Status::System(platform::kEndedEarly, path));
  if (*found == recorded->second) return Status::Ok();
  return Status::Error(Status::Code::kFormat, path, messages::NotThisSetsPiece(path, n));
}

}  // namespace vornalis::stub
