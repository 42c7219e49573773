#include "engine/aside_pieces.h"

#include <array>
#include <string_view>

#include "engine/endian.h"
#include "engine/set_files.h"
#include "platform/path.h"

namespace vornalis {
namespace {

constexpr std::string_view kRecordMagic = "QBAS";
constexpr std::size_t kRecordSize = 4 + 8 + 8 + 4 + 4;

}  // namespace

std::string AsideRecordPath(const SetPaths& set) { return set.Header() + ".aside"; }

std::string AsidePiecePath(const SetPaths& set, std::uint32_t n) {
  return AsideRecordPath(set) + std::to_string(n);
}

bool HashFile(platform::File& file, std::span<char> buffer, std::uint64_t* size,
              std::uint64_t* hash) {
  // FNV-1a, 64 bits: enough to tell one header from the next one of the same set.
  std::uint64_t h = 0xcbf29ce484222325ull, length = 0;
  if (file.Seek(0) != 0) return false;
  for (;;) {
    const platform::IoResult read = file.Read(buffer);
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

bool ReadMatchingAsideRecord(platform::FileSystem& fs, const SetPaths& set, platform::File& header,
                             AsideRecord* record) {
  int error = 0;
  auto file = fs.Open(AsideRecordPath(set), platform::OpenMode::kRead, &error);
  if (!file) return false;
  std::array<char, kRecordSize> bytes{};
  if (file->Read(bytes).count != bytes.size() || std::string_view(bytes.data(), 4) != kRecordMagic)
    return false;
  record->header_size = ReadU64(bytes.data() + 4);
  record->header_hash = ReadU64(bytes.data() + 12);
  record->first = ReadU32(bytes.data() + 20);
  record->count = ReadU32(bytes.data() + 24);

  // The header is read whole once to see whether the record is its own.
  const std::int64_t length = header.Size(&error);
  if (length < 0 || static_cast<std::uint64_t>(length) != record->header_size) return false;
  std::array<char, 16384> buffer{};
  std::uint64_t size = 0, hash = 0;
  return HashFile(header, buffer, &size, &hash) && size == record->header_size &&
         hash == record->header_hash;
}

int WriteAsideRecord(platform::FileSystem& fs, const SetPaths& set, const AsideRecord& record) {
  std::string bytes(kRecordMagic);
  AppendU64(&bytes, record.header_size);
  AppendU64(&bytes, record.header_hash);
  AppendU32(&bytes, record.first);
  AppendU32(&bytes, record.count);
  int error = 0;
  auto file = fs.CreateUniqueFile(platform::FolderOf(set.base), TempPrefix(set.base), &error);
  if (!file) return error;
  const std::string temp = file->Path();
  if ((error = file->Write(bytes).error) == 0) error = file->Sync();
  if (const int close_error = file->Close(); error == 0) error = close_error;
  if (error == 0) error = fs.Rename(temp, AsideRecordPath(set));
  if (error == 0) error = fs.SyncFolderEntries(platform::FolderOf(set.base));
  if (error != 0) fs.Remove(temp);
  return error;
}

}  // namespace vornalis
