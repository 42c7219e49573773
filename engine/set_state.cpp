#include "engine/set_state.h"

#include <algorithm>
#include <array>

#include "engine/format.h"
#include "engine/piece_layout.h"
#include "engine/set_reader.h"
#include "platform/endian.h"

namespace vornalis {
namespace {

using recovery::DigestAt;
using recovery::DigestBytes;
using recovery::Md5;
using recovery::Md5Digest;

// The record's version, so that a later form is never read as this one.
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kFixedSize = 4 * 7 + 8 + 4 + 16 + 16 + 16 + 4;

// a += b, as two 64-bit halves of one 128-bit number: an order-free sum in which no two equal
// entries cancel out.
void AddTo(Md5Digest& a, const Md5Digest& b) {
  const std::uint64_t low = ReadU64(DigestBytes(a).data()) + ReadU64(DigestBytes(b).data());
  const std::uint64_t carry = low < ReadU64(DigestBytes(b).data()) ? 1 : 0;
  const std::uint64_t high =
      ReadU64(DigestBytes(a).data() + 8) + ReadU64(DigestBytes(b).data() + 8) + carry;
  std::string sum;
  AppendU64(&sum, low);
  AppendU64(&sum, high);
  a = DigestAt(sum.data());
}

Md5Digest EntryHash(const StoredFile& entry) {
  std::string bytes;
  AppendU32(&bytes, entry.Piece);
  AppendU32(&bytes, entry.Offset);
  AppendU32(&bytes, static_cast<std::uint32_t>(entry.Size));
  // A size of 4 GB or more adds its high half; smaller ones hash as they always have.
  if (entry.Size > 0xFFFFFFFFu) AppendU32(&bytes, static_cast<std::uint32_t>(entry.Size >> 32));
  AppendU32(&bytes, static_cast<std::uint32_t>(entry.Folder.size()));
  bytes += entry.Folder;
  AppendU32(&bytes, static_cast<std::uint32_t>(entry.Name.size()));
  bytes += entry.Name;
  return Md5::Of(std::span<const char>(bytes.data(), bytes.size()));
}

// A file that only hashes what is written to it: the tail of a closed set, as the catalogue's
// reader copies it out.
class HashingSink final : public platform::File {
 public:
  Md5Digest All() { return all_.Final(); }

  const std::string& Path() const override { return path_; }
  Result<std::size_t> Read(std::span<char>) override { return Refused(); }
  Result<std::size_t> ReadAt(std::uint64_t, std::span<char>) override { return Refused(); }
  Status Write(std::span<const char> data) override {
    all_.Update(data);
    written_ += data.size();
    return Status::Ok();
  }
  Status Seek(std::uint64_t) override { return Refused(); }
  Result<std::uint64_t> Size() override { return written_; }
  Status Close() override { return Status::Ok(); }
  Status Sync() override { return Status::Ok(); }
  Result<platform::FileInfo> Inspect() override { return Refused(); }

 private:
  static Status Refused() { return Status::Error(Status::Code::kRefused, "", ""); }
  std::string path_;
  std::uint64_t written_ = 0;
  Md5 all_;
};

}  // namespace

std::string EncodeSetState(const SetState& state) {
  std::string body;
  AppendU32(&body, kVersion);
  AppendU32(&body, state.piece_size);
  AppendU32(&body, state.last_piece);
  AppendU32(&body, state.tail_length);
  AppendU32(&body, state.overflow_count);
  AppendU32(&body, state.entries);
  AppendU32(&body, state.entries_before_end);
  AppendU64(&body, state.stored_end);
  AppendU32(&body, state.empty_at_end_count);
  body += DigestBytes(state.entries_sum);
  body += DigestBytes(state.empty_at_end_sum);
  body += DigestBytes(state.tail_hash);
  AppendU32(&body, 0);  // no list of the empty entries' hashes
  return body;
}

std::optional<SetState> DecodeSetState(std::string_view body) {
  if (body.size() < kFixedSize || ReadU32(body.data()) != kVersion) return std::nullopt;
  SetState state;
  const char* p = body.data() + 4;
  state.piece_size = ReadU32(p);
  state.last_piece = ReadU32(p + 4);
  state.tail_length = ReadU32(p + 8);
  state.overflow_count = ReadU32(p + 12);
  state.entries = ReadU32(p + 16);
  state.entries_before_end = ReadU32(p + 20);
  state.stored_end = ReadU64(p + 24);
  state.empty_at_end_count = ReadU32(p + 32);
  state.entries_sum = DigestAt(p + 36);
  state.empty_at_end_sum = DigestAt(p + 52);
  state.tail_hash = DigestAt(p + 68);
  const std::uint32_t listed = ReadU32(p + 84);
  // The list is there in full or not at all, and never longer than a record keeps.
  if (listed > kMostListedEmpty || (listed != 0 && listed != state.empty_at_end_count) ||
      body.size() < kFixedSize + std::uint64_t{16} * listed)
    return std::nullopt;
  return state;
}

Result<SetState> ReadSetState(platform::FileSystem& fs, const SetPaths& paths) {
  SetReader reader(fs, paths);
  if (Status opened = reader.Open(); !opened.ok()) return opened;
  SetState now;
  now.piece_size = reader.piece_size();
  now.last_piece = reader.last_piece();
  now.tail_length = reader.tail_length();
  now.overflow_count = reader.overflow_count();
  now.stored_end = reader.shape().stored_end;
  HashingSink tail;
  std::vector<StoredFile> files;
  std::vector<char> buffer(format::kBufferSize);
  if (Status read = reader.ReadCatalogue(&files, buffer, &tail); !read.ok()) return read;
  now.tail_hash = tail.All();
  now.entries = static_cast<std::uint32_t>(files.size());
  for (const StoredFile& entry : files) {
    const std::uint64_t start = SequenceStart(entry, now.piece_size);
    if (start < now.stored_end) {
      ++now.entries_before_end;
      AddTo(now.entries_sum, EntryHash(entry));
    } else if (entry.Size == 0) {
      ++now.empty_at_end_count;
      AddTo(now.empty_at_end_sum, EntryHash(entry));
    }
  }
  return now;
}

}  // namespace vornalis
