#include "engine/rebuild_shares.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <unordered_map>

#include "engine/windows_names.h"
#include "platform/collation.h"

namespace vornalis {
namespace {

// What making one file costs beside its bytes (the folder entry, the inode, the rename), as the
// bytes that could be copied meanwhile: small files are weighed by their count, large ones by
// their size.
constexpr std::uint64_t kCostPerFile = 32 * 1024;

// The folder and name as a rebuild on Windows would give them before it makes them unique
// (windows_names.h; the "_" put in front of a name taken left out), with letter case folded;
// plain ASCII is folded here, without the cost of the Unicode rules, which give the same answer
// for it. Entries of one such path can come out under one name, on this system or on Windows.
std::string FoldedPath(const StoredFile& entry) {
  WindowsName reason;
  std::string path = WindowsAcceptedFolder(entry.Folder, &reason);
  const std::string name = WindowsAcceptedName(entry.Name);
  path.append(name, name.find_first_not_of('_') == std::string::npos ? name.size()
                                                                     : name.find_first_not_of('_'));
  if (std::all_of(path.begin(), path.end(), [](char c) { return (c & 0x80) == 0; })) {
    for (char& c : path) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    return path;
  }
  return platform::FoldCase(path);
}

}  // namespace

std::vector<std::vector<const StoredFile*>> SplitForThreads(
    const std::vector<const StoredFile*>& entries, std::size_t parts) {
  std::vector<const StoredFile*> order(entries);
  std::stable_sort(order.begin(), order.end(), [](const StoredFile* x, const StoredFile* y) {
    return x->Piece != y->Piece ? x->Piece < y->Piece : x->Offset < y->Offset;
  });
  parts = std::max<std::size_t>(1, std::min(parts, order.size()));
  std::uint64_t total = 0;
  for (const StoredFile* entry : order) total += entry->Size + kCostPerFile;

  std::vector<std::vector<const StoredFile*>> shares(parts);
  std::unordered_map<std::string, std::size_t> share_of;  // folded path -> its first's share
  share_of.reserve(order.size());
  std::uint64_t done = 0;
  std::size_t current = 0;
  for (const StoredFile* entry : order) {
    // The next share begins once this one holds its part of the work.
    while (current + 1 < parts && done >= total / parts * (current + 1)) ++current;
    done += entry->Size + kCostPerFile;
    const auto [found, first] = share_of.emplace(FoldedPath(*entry), current);
    shares[first ? current : found->second].push_back(entry);
  }
  std::erase_if(shares, [](const auto& share) { return share.empty(); });
  return shares;
}

}  // namespace vornalis
