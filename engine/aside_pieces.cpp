#include "engine/aside_pieces.h"

#include <array>
#include <string_view>

#include "engine/format.h"
#include "engine/set_files.h"
#include "platform/endian.h"
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

Status HashFile(platform::File& file, std::span<char> buffer, std::uint64_t* size,
                std::uint64_t* hash) {
  // FNV-1a, 64 bits: enough to tell one header from the next one of the same set. Forgery is
  // kept out by ownership, not by the hash.
  std::uint64_t h = 0xcbf29ce484222325ull, length = 0;
  for (;;) {
    const Result<std::size_t> read = file.ReadAt(length, buffer);
    if (!read.ok()) return read.status();
    for (std::size_t i = 0; i < *read; ++i) {
      h ^= static_cast<unsigned char>(buffer[i]);
      h *= 0x100000001b3ull;
    }
    length += *read;
    if (*read < buffer.size()) break;
  }
  *size = length;
  *hash = h;
  return Status::Ok();
}

Result<std::unique_ptr<platform::File>> OpenOwnedFile(platform::FileSystem& fs,
                                                      const std::string& path,
                                                      std::uint32_t owner) {
  const Status untrusted = Status::Error(Status::Code::kRefused, path, "");
  const Result<platform::FileInfo> named = fs.Inspect(path);
  if (!named.ok()) return named.status();
  if (named->kind != platform::FileInfo::Kind::kRegular || named->links != 1 ||
      named->owner != owner)
    return untrusted;
  auto file = fs.Open(path, platform::OpenMode::kRead);
  if (!file.ok()) return file;
  // The name must still lead to the file looked at: nothing was swapped in between.
  const Result<platform::FileInfo> opened = file->Inspect();
  if (!opened.ok() || !opened->SameFile(*named)) return untrusted;
  return file;
}

Result<AsideRecord> ReadAsideRecord(platform::FileSystem& fs, const SetPaths& set,
                                    std::uint32_t owner) {
  const std::string path = AsideRecordPath(set);
  auto file = OpenOwnedFile(fs, path, owner);
  if (!file.ok()) return file.status();
  std::array<char, kRecordSize + 1> bytes{};
  const Result<std::size_t> read = file->Read(bytes);
  if (!read.ok()) return read.status();
  if (*read != kRecordSize || std::string_view(bytes.data(), 4) != kRecordMagic)
    return Status::Error(Status::Code::kRefused, path, "");
  AsideRecord record;
  record.header_size = ReadU64(bytes.data() + 4);
  record.header_hash = ReadU64(bytes.data() + 12);
  record.first = ReadU32(bytes.data() + 20);
  record.count = ReadU32(bytes.data() + 24);
  return record;
}

Status WriteAsideRecord(platform::FileSystem& fs, const SetPaths& set, const AsideRecord& record) {
  std::string bytes(kRecordMagic);
  AppendU64(&bytes, record.header_size);
  AppendU64(&bytes, record.header_hash);
  AppendU32(&bytes, record.first);
  AppendU32(&bytes, record.count);
  const std::string folder = platform::FolderOf(set.base);
  auto file = platform::TempFile::Create(fs, folder, TempPrefix(set.base));
  if (!file.ok()) return file.status();
  if (Status written = file->file().Write(bytes); !written.ok()) return written;
  if (Status put = file->Commit(AsideRecordPath(set), true); !put.ok()) return put;
  return fs.SyncFolderEntries(folder);
}

}  // namespace vornalis
