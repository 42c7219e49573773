#include "engine/own_files.h"

#include <array>
#include <string_view>

#include "engine/name_bytes.h"
#include "engine/patch_area.h"
#include "engine/set_history.h"
#include "engine/set_recovery_files.h"
#include "platform/collation.h"
#include "platform/endian.h"
#include "platform/path.h"
#include "recovery/par2_packets.h"

namespace vornalis {
namespace {

using recovery::par2::kMagic;

// Reads exactly out.size() bytes at offset.
bool ReadAt(platform::File& file, std::uint64_t offset, std::span<char> out) {
  const Result<std::size_t> read = file.ReadAt(offset, out);
  return read.ok() && *read == out.size();
}

bool IsProgramFor(platform::File& file, std::uint64_t size, const std::string& set_name) {
  const std::string stored = StoredNameBytes(set_name);
  if (size < exe::kNameOffset + stored.size() + 1 || stored.size() > exe::kMaxNameLength)
    return false;
  std::array<char, exe::kMaxNameLength + 1> name{};
  const std::span<char> want(name.data(), stored.size() + 1);
  return ReadAt(file, exe::kNameOffset, want) &&
         std::string_view(name.data(), stored.size()) == stored && name[stored.size()] == '\0';
}

}  // namespace

bool IsMadeFromSet(platform::File& file, std::uint64_t size, const std::string& set_name,
                   const SetPaths& set) {
  // Most files are too short to be either, and cost nothing.
  if (size < recovery::par2::kHeaderSize) return false;
  std::array<char, 8> magic{};
  if (!ReadAt(file, 0, magic)) return false;
  const std::string_view head(magic.data(), magic.size());
  if (head == kMagic)
    return DescribesSetHeader(file, size, SetNameMatcher(set, &platform::FoldCase)) ||
           IsHistoryFile(file, size);
  if (head.substr(0, exe::kElfMagic.size()) == exe::kElfMagic ||
      head.substr(0, exe::kWindowsMagic.size()) == exe::kWindowsMagic)
    return IsProgramFor(file, size, set_name);
  return false;
}

}  // namespace vornalis
