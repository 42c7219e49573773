#include "engine/own_files.h"

#include <array>
#include <string_view>

#include "engine/endian.h"
#include "engine/name_bytes.h"
#include "engine/patch_area.h"
#include "platform/path.h"
#include "recovery/par2_packets.h"

namespace vornalis {
namespace {

using recovery::par2::kFileDescType;
using recovery::par2::kMagic;
constexpr std::size_t kPacketHeadSize = recovery::par2::kHeaderSize;
constexpr std::size_t kFileDescNameOffset = kPacketHeadSize + 56;  // file id, two hashes, length
constexpr int kMaxPackets = 256;

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

bool IsRecoveryFileFor(platform::File& file, std::uint64_t size, const SetPaths& set) {
  const std::string header = platform::FileNameOf(set.Header());
  std::uint64_t at = 0;
  for (int packet = 0; packet < kMaxPackets && at + kPacketHeadSize <= size; ++packet) {
    std::array<char, kPacketHeadSize> head{};
    if (!ReadAt(file, at, head) || std::string_view(head.data(), 8) != kMagic) return false;
    const std::uint64_t length = ReadU64(head.data() + 8);
    if (length < kPacketHeadSize || length % 4 != 0 || length > size - at) return false;
    if (std::string_view(head.data() + 48, 16) == kFileDescType && length > kFileDescNameOffset &&
        length - kFileDescNameOffset <= 1024) {
      std::array<char, 1024> name{};
      const auto name_length = static_cast<std::size_t>(length - kFileDescNameOffset);
      if (!ReadAt(file, at + kFileDescNameOffset, std::span<char>(name.data(), name_length)))
        return false;
      std::string_view text(name.data(), name_length);
      text = text.substr(0, text.find('\0'));
      if (text == header || PieceNumberOf(set, text) != 0) return true;
    }
    at += length;
  }
  return false;
}

bool IsMadeFromSet(platform::File& file, std::uint64_t size, const std::string& set_name,
                   const SetPaths& set) {
  // Most files are too short to be either, and cost nothing.
  if (size < kFileDescNameOffset) return false;
  std::array<char, 8> magic{};
  if (!ReadAt(file, 0, magic)) return false;
  const std::string_view head(magic.data(), magic.size());
  if (head == kMagic) return IsRecoveryFileFor(file, size, set);
  if (head.substr(0, exe::kElfMagic.size()) == exe::kElfMagic ||
      head.substr(0, exe::kWindowsMagic.size()) == exe::kWindowsMagic)
    return IsProgramFor(file, size, set_name);
  return false;
}

}  // namespace vornalis
