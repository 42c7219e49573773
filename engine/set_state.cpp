#include "engine/set_state.h"

#include <algorithm>
#include <array>

#include "engine/endian.h"
#include "engine/format.h"
#include "engine/piece_layout.h"
#include "engine/set_reader.h"

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
// reader copies it out, and separately its first `first` bytes.
class HashingSink final : public platform::File {
 public:
  explicit HashingSink(std::uint64_t first) : first_(first) {}
  Md5Digest All() { return all_.Final(); }
  Md5Digest First() { return head_.Final(); }
  std::uint64_t written() const { return written_; }

  const std::string& Path() const override { return path_; }
  Result<std::size_t> Read(std::span<char>) override { return Refused(); }
  Result<std::size_t> ReadAt(std::uint64_t, std::span<char>) override { return Refused(); }
  Status Write(std::span<const char> data) override {
    all_.Update(data);
    if (written_ < first_) {
      const auto take =
          static_cast<std::size_t>(std::min<std::uint64_t>(first_ - written_, data.size()));
      head_.Update(data.first(take));
    }
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
  std::uint64_t first_;
  std::uint64_t written_ = 0;
  Md5 all_, head_;
};

// The MD5 of the first length payload bytes of piece n, as header knows the piece; nothing when
// it cannot be read whole or is no piece n.
std::optional<Md5Digest> HashPiecePayload(OpenedHeader& header, std::uint32_t n,
                                          std::uint64_t length, std::span<char> buffer) {
  auto piece = header.OpenPiece(n);
  if (!piece.ok()) return std::nullopt;
  std::array<char, format::kPieceHeadSize> head{};
  const Result<std::size_t> read_head = piece->ReadAt(0, head);
  if (!read_head.ok() || *read_head != head.size() || !IsPieceHead(head, n)) return std::nullopt;
  Md5 md5;
  for (std::uint64_t at = 0; at < length;) {
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(length - at, buffer.size()));
    const Result<std::size_t> read = piece->ReadAt(format::kPieceHeadSize + at, buffer.first(want));
    if (!read.ok() || *read == 0) return std::nullopt;
    md5.Update(buffer.first(*read));
    at += *read;
  }
  return md5.Final();
}

// Whether the entries of a set read now hold every entry recorded in was, with only entries
// at or after its end besides.
bool EntriesGrownFrom(const std::vector<StoredFile>& files, std::uint32_t piece_size,
                      const SetState& was) {
  std::uint32_t before = 0, at_end = 0;
  Md5Digest before_sum{}, at_end_sum{};
  std::vector<Md5Digest> at_end_hashes;
  for (const StoredFile& entry : files) {
    const std::uint64_t start = SequenceStart(entry, piece_size);
    if (start < was.stored_end) {
      ++before;
      AddTo(before_sum, EntryHash(entry));
    } else if (start == was.stored_end && entry.Size == 0) {
      ++at_end;
      const Md5Digest hash = EntryHash(entry);
      AddTo(at_end_sum, hash);
      at_end_hashes.push_back(hash);
    }
  }
  if (before != was.entries_before_end || before_sum != was.entries_sum) return false;
  if (at_end == was.empty_at_end_count) return at_end_sum == was.empty_at_end_sum;
  // More empty files at the end than before: those recorded must be among them, which only a
  // record that lists them can tell.
  if (at_end < was.empty_at_end_count || was.empty_at_end.size() != was.empty_at_end_count)
    return false;
  std::sort(at_end_hashes.begin(), at_end_hashes.end());
  std::vector<Md5Digest> recorded = was.empty_at_end;
  std::sort(recorded.begin(), recorded.end());
  return std::includes(at_end_hashes.begin(), at_end_hashes.end(), recorded.begin(),
                       recorded.end());
}

}  // namespace

bool SetState::SameShape(const SetState& other) const {
  return piece_size == other.piece_size && last_piece == other.last_piece &&
         tail_length == other.tail_length && entries == other.entries;
}

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
  AppendU32(&body, static_cast<std::uint32_t>(state.empty_at_end.size()));
  for (const Md5Digest& hash : state.empty_at_end) body += DigestBytes(hash);
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
  for (std::uint32_t i = 0; i < listed; ++i)
    state.empty_at_end.push_back(DigestAt(body.data() + kFixedSize + 16 * i));
  return state;
}

Result<SetStateReading> ReadSetState(platform::FileSystem& fs, const SetPaths& paths,
                                     const SetState* against) {
  SetReader reader(fs, paths);
  if (Status opened = reader.Open(); !opened.ok()) return opened;
  SetStateReading reading;
  SetState& now = reading.now;
  now.piece_size = reader.piece_size();
  now.last_piece = reader.last_piece();
  now.tail_length = reader.tail_length();
  now.overflow_count = reader.overflow_count();
  now.stored_end = reader.shape().stored_end;
  // Where the bytes of the partly filled piece recorded lie now: still in the tail when the set
  // ends in that same piece, else in that piece's own file.
  const bool same_piece = against != nullptr && against->last_piece == now.last_piece;
  HashingSink tail(same_piece ? against->tail_length : 0);
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
      now.empty_at_end.push_back(EntryHash(entry));
    }
  }
  if (now.empty_at_end.size() > kMostListedEmpty) now.empty_at_end.clear();
  if (against == nullptr) return reading;

  const SetState& was = *against;
  if (now.piece_size != was.piece_size || now.last_piece < was.last_piece ||
      now.stored_end < was.stored_end || !EntriesGrownFrom(files, now.piece_size, was))
    return reading;
  if (was.tail_length > 0) {
    std::optional<Md5Digest> old_bytes;
    if (same_piece && now.tail_length > 0) {
      if (now.tail_length >= was.tail_length) old_bytes = tail.First();
    } else {
      old_bytes = HashPiecePayload(reader.header(), was.last_piece, was.tail_length, buffer);
    }
    if (old_bytes != was.tail_hash) return reading;
  }
  reading.grown = true;
  return reading;
}

}  // namespace vornalis
