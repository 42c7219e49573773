#include "engine/leftovers.h"

#include <algorithm>
#include <array>
#include <vector>

#include "engine/aside_pieces.h"
#include "engine/format.h"
#include "platform/path.h"
#include "recovery/par2_packets.h"

namespace vornalis {
namespace {

bool IsTemporaryName(const std::string& name, const std::string& prefix) {
  if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) return false;
  return std::all_of(
      name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
      });
}

}  // namespace

void RemoveLeftoverTemporaries(platform::FileSystem& fs, const std::string& folder,
                               const std::string& prefix,
                               std::initializer_list<std::string_view> magics) {
  const Result<std::vector<platform::DirEntry>> entries =
      fs.ListDirectory(folder.empty() ? "." : folder);
  if (!entries.ok()) return;
  for (const platform::DirEntry& entry : *entries) {
    if (!IsTemporaryName(entry.name, prefix)) continue;
    const std::string path = folder + entry.name;
    auto file = OpenOwnedFile(fs, path, platform::CurrentUser());
    if (!file.ok()) continue;
    std::array<char, 8> head{};
    const Result<std::size_t> read = file->Read(head);
    if (!read.ok()) continue;  // what it holds is unknown: it stays
    const std::size_t length = *read;
    const bool own =
        length == 0 || std::any_of(magics.begin(), magics.end(), [&](std::string_view magic) {
          return length >= magic.size() && std::string_view(head.data(), magic.size()) == magic;
        });
    file.take().reset();
    if (own) (void)fs.Remove(path);
  }
}

void RemoveSetTemporaries(platform::FileSystem& fs, const SetPaths& paths) {
  RemoveLeftoverTemporaries(fs, platform::FolderOf(paths.base), TempPrefix(paths.base),
                            {format::kHeaderMagic, format::kLargeHeaderMagic, format::kPieceMagic,
                             format::kAsideMagic, recovery::par2::kMagic});
}

}  // namespace vornalis
