#include "engine/aside_pieces.h"

#include <array>
#include <cerrno>
#include <string_view>

#include "engine/endian.h"
#include "engine/format.h"
#include "engine/set_files.h"
#include "platform/path.h"
#include "platform/temp_file.h"

namespace vornalis {
namespace {

constexpr std::string_view kRecordMagic = format::kAsideMagic;
constexpr std::size_t kRecordSize = 4 + 8 + 8 + 4 + 4;

}  // namespace

bool AsideRecord::Fits(std::uint64_t size, std::uint64_t hash, std::uint32_t last_piece,
                       std::uint32_t overflow_count) const {
  return size == header_size && hash == header_hash && first >= 1 && count >= 1 &&
         std::uint64_t{first} + count - 1 <= std::uint64_t{last_piece} + overflow_count;
}

std::string AsideRecordPath(const SetPaths& set) { return set.Header() + ".aside"; }

std::string AsidePiecePath(const SetPaths& set, std::uint32_t n) {
  return AsideRecordPath(set) + std::to_string(n);
}

std::uint32_t AsidePieceNumber(const SetPaths& set, const std::string& file_name) {
  const std::string record = platform::FileNameOf(AsideRecordPath(set));
  if (file_name.size() <= record.size() || file_name.compare(0, record.size(), record) != 0)
    return 0;
  return ParsePieceNumber(std::string_view(file_name).substr(record.size()));
}

bool HashFile(platform::File& file, std::span<char> buffer, std::uint64_t* size,
              std::uint64_t* hash) {
  // FNV-1a, 64 bits: enough to tell one header from the next one of the same set. Forgery is
  // kept out by ownership, not by the hash.
  std::uint64_t h = 0xcbf29ce484222325ull, length = 0;
  for (;;) {
    const platform::IoResult read = file.ReadAt(length, buffer);
    if (read.error != 0) return false;
    for (std::size_t i = 0; i < read.count; ++i) {
      h ^= static_cast<unsigned char>(buffer[i]);
      h *= 0x100000001b3ull;
    }
    length += read.count;
    if (read.count < buffer.size()) break;
  }
  *size = length;
  *hash = h;
  return true;
}

std::unique_ptr<platform::File> OpenOwnedFile(platform::FileSystem& fs, const std::string& path,
                                              std::uint32_t owner, int* error) {
  platform::FileInfo named;
  if ((*error = fs.Inspect(path, &named)) != 0) return nullptr;
  *error = EPERM;
  if (named.kind != platform::FileInfo::Kind::kRegular || named.links != 1 || named.owner != owner)
    return nullptr;
  auto file = fs.Open(path, platform::OpenMode::kRead, error);
  // The name must still lead to the file looked at: nothing was swapped in between.
  platform::FileInfo opened;
  if (file && (file->Inspect(&opened) != 0 || !opened.SameFile(named))) {
    *error = EPERM;
    return nullptr;
  }
  return file;
}

bool ReadAsideRecord(platform::FileSystem& fs, const SetPaths& set, std::uint32_t owner,
                     AsideRecord* record, bool* untrusted) {
  *untrusted = false;
  int error = 0;
  auto file = OpenOwnedFile(fs, AsideRecordPath(set), owner, &error);
  if (!file) {
    *untrusted = error == EPERM;
    return false;
  }
  std::array<char, kRecordSize + 1> bytes{};
  if (file->Read(bytes).count != kRecordSize || std::string_view(bytes.data(), 4) != kRecordMagic) {
    *untrusted = true;
    return false;
  }
  record->header_size = ReadU64(bytes.data() + 4);
  record->header_hash = ReadU64(bytes.data() + 12);
  record->first = ReadU32(bytes.data() + 20);
  record->count = ReadU32(bytes.data() + 24);
  return true;
}

int WriteAsideRecord(platform::FileSystem& fs, const SetPaths& set, const AsideRecord& record) {
  std::string bytes(kRecordMagic);
  AppendU64(&bytes, record.header_size);
  AppendU64(&bytes, record.header_hash);
  AppendU32(&bytes, record.first);
  AppendU32(&bytes, record.count);
  const std::string folder = platform::FolderOf(set.base);
  int error = 0;
  auto file = platform::TempFile::Create(fs, folder, TempPrefix(set.base), &error);
  if (!file) return error;
  if ((error = file->file().Write(bytes).error) != 0) return error;
  if ((error = file->Commit(AsideRecordPath(set), true)) != 0) return error;
  return fs.SyncFolderEntries(folder);
}

}  // namespace vornalis
