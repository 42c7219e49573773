#include "recovery/par2_packets.h"

#include <algorithm>
#include <array>

#include "platform/endian.h"

namespace vornalis::recovery::par2 {
namespace {

// Text padded with zero bytes to a multiple of 4.
std::string Padded(std::string_view text) {
  std::string out(text);
  out.resize((out.size() + 3) / 4 * 4, '\0');
  return out;
}

// Text read from a padded field: up to its first zero byte.
std::string Unpadded(std::string_view field) {
  return std::string(field.substr(0, field.find('\0')));
}

std::string HeaderFields(std::uint64_t length, const Md5Digest& md5) {
  std::string head(kMagic);
  AppendU64(&head, length);
  head += DigestBytes(md5);
  return head;
}

// The packets of one file, read in turn through a window of the file's bytes; a damaged stretch
// is passed over up to the next magic.
class PacketReader {
 public:
  PacketReader(platform::File& file, std::uint64_t size) : file_(file), size_(size) {}

  // Calls take(packet, offset, length) for every sound packet whose type wanted(type) accepts,
  // until take returns false; packet holds the 64-byte header and the body of every packet but
  // a recovery slice's, of which only the exponent is kept. Packets of other types are passed
  // over by their length, unread. False when a damaged stretch was passed over.
  template <typename Wanted, typename Take>
  bool ReadAll(Wanted wanted, Take take) {
    bool sound = true;
    std::uint64_t at = 0;
    while (at + kHeaderSize <= size_) {
      const std::uint64_t length = PacketAt(at, wanted);
      if (length == 0) {
        sound = false;
        at = NextMagic(at + 4);
        continue;
      }
      if (length != kSkipped && !take(packet_, at, length)) return sound;
      at += length == kSkipped ? skipped_length_ : length;
    }
    return sound && at == size_;
  }

 private:
  static constexpr std::size_t kWindow = 1 << 20;
  static constexpr std::uint64_t kSkipped = ~std::uint64_t{0};

  // The bytes [at, at + length) of the file, at most kWindow of them, read into the window
  // when they are not there yet; fewer at the end of the file or after a failed read.
  std::string_view View(std::uint64_t at, std::size_t length) {
    if (at < window_start_ || at + length > window_start_ + window_.size()) {
      window_.resize(kWindow);
      const Result<std::size_t> read = file_.ReadAt(at, window_);
      window_.resize(read.ok() ? *read : 0);
      window_start_ = at;
    }
    const std::size_t from = static_cast<std::size_t>(at - window_start_);
    return std::string_view(window_).substr(from, length);
  }

  // The length of the sound packet at offset at (its bytes, but for a recovery slice's data, in
  // packet_); kSkipped for a packet not wanted, whose length is then in skipped_length_; 0 for
  // no packet.
  template <typename Wanted>
  std::uint64_t PacketAt(std::uint64_t at, Wanted wanted) {
    const std::string_view head = View(at, kHeaderSize);
    if (head.size() != kHeaderSize || head.substr(0, 8) != kMagic) return 0;
    const std::uint64_t length = ReadU64(head.data() + 8);
    if (length < kHeaderSize || length % 4 != 0 || length > size_ - at) return 0;
    const std::string_view type = head.substr(48, 16);
    const bool slice = type == kRecoverySliceType;
    // Bodies other than recovery data are small; a larger one is no packet to be read whole.
    if (!slice && length - kHeaderSize > kMostPacketBody) return 0;
    if (!wanted(type)) {
      skipped_length_ = length;
      return kSkipped;
    }
    Md5 md5;
    const Md5Digest recorded = DigestAt(head.data() + 16);
    packet_.assign(head.data(), head.size());
    md5.Update(packet_.substr(32));
    for (std::uint64_t done = kHeaderSize; done < length;) {
      const std::string_view part = View(
          at + done, static_cast<std::size_t>(std::min<std::uint64_t>(length - done, kWindow)));
      if (part.empty()) return 0;
      md5.Update(std::span<const char>(part.data(), part.size()));
      // Of a recovery slice, only the exponent is kept.
      if (!slice || done == kHeaderSize) packet_.append(part.substr(0, slice ? 4 : part.size()));
      done += part.size();
    }
    if (md5.Final() != recorded) return 0;
    return length;
  }

  std::uint64_t NextMagic(std::uint64_t from) {
    for (std::uint64_t at = from - from % 4; at + 8 <= size_;) {
      const std::string_view bytes = View(at, kWindow);
      if (bytes.size() < 8) break;
      for (std::size_t i = 0; i + 8 <= bytes.size(); i += 4)
        if (bytes.substr(i, 8) == kMagic) return at + i;
      at += bytes.size() - bytes.size() % 4 - 4;
    }
    return size_;
  }

  platform::File& file_;
  std::uint64_t size_;
  std::string packet_;
  std::string window_;
  std::uint64_t window_start_ = 0;
  std::uint64_t skipped_length_ = 0;
};

}  // namespace

bool RecoverySet::Complete() const {
  if (!has_main || fault() != Fault::kNone) return false;
  for (const Id& id : file_ids) {
    const auto file = files.find(id);
    const auto sums = checksums.find(id);
    if (file == files.end() || sums == checksums.end()) return false;
    if (sums->second.size() != (file->second.length + slice_size - 1) / slice_size) return false;
  }
  return true;
}

std::uint64_t RecoverySet::InputSlices() const {
  // Lengths are 64-bit fields: the count saturates rather than wraps, so any number of huge
  // files stays too many.
  std::uint64_t count = 0;
  if (slice_size == 0) return 0;
  for (const Id& id : file_ids) {
    const auto file = files.find(id);
    if (file == files.end()) continue;
    count += file->second.length / slice_size + (file->second.length % slice_size != 0);
    if (count > kMaxInputSlices) return count;
  }
  return count;
}

Fault RecoverySet::fault() const {
  if (!has_main) return Fault::kNone;
  if (slice_size == 0 || slice_size % 4 != 0 || slice_size > kMaxSliceSize)
    return Fault::kSliceSize;
  if (InputSlices() > kMaxInputSlices) return Fault::kTooManySlices;
  return Fault::kNone;
}

std::uint64_t RecoverySet::fault_value() const {
  switch (fault()) {
    case Fault::kSliceSize:
      return slice_size;
    case Fault::kTooManySlices:
      return InputSlices();
    case Fault::kNone:
      break;
  }
  return 0;
}

Id FileIdOf(const Md5Digest& hash16k, std::uint64_t length, std::string_view name) {
  std::string bytes(DigestBytes(hash16k));
  AppendU64(&bytes, length);
  bytes += Padded(name);
  return Md5::Of(bytes);
}

std::string MakePacket(const Id& set_id, std::string_view type, std::string_view body) {
  std::string rest(DigestBytes(set_id));
  rest += type;
  rest += body;
  return HeaderFields(32 + rest.size(), Md5::Of(rest)) + rest;
}

std::string MainBody(std::uint64_t slice_size, const std::vector<Id>& file_ids) {
  std::string body;
  AppendU64(&body, slice_size);
  AppendU32(&body, static_cast<std::uint32_t>(file_ids.size()));
  for (const Id& id : file_ids) body += DigestBytes(id);
  return body;
}

std::string FileDescBody(const FileDescription& file) {
  std::string body(DigestBytes(file.file_id));
  body += DigestBytes(file.hash);
  body += DigestBytes(file.hash16k);
  AppendU64(&body, file.length);
  body += Padded(file.name);
  return body;
}

std::string SliceChecksumBody(const Id& file_id, const std::vector<SliceChecksum>& slices) {
  std::string body(DigestBytes(file_id));
  for (const SliceChecksum& slice : slices) {
    body += DigestBytes(slice.hash);
    AppendU32(&body, slice.crc);
  }
  return body;
}

std::string CreatorBody(std::string_view creator) { return Padded(creator); }

std::string CriticalPackets(const Id& set_id, const std::string& main_body,
                            const std::vector<FileChecksums>& files, std::string_view state,
                            std::string_view creator) {
  std::string packets = MakePacket(set_id, kMainType, main_body);
  for (const FileChecksums& file : files) {
    packets += MakePacket(set_id, kFileDescType, FileDescBody(file.description));
    packets += MakePacket(set_id, kSliceChecksumType,
                          SliceChecksumBody(file.description.file_id, file.slices));
  }
  if (!state.empty()) packets += MakePacket(set_id, kStateType, Padded(state));
  return packets + MakePacket(set_id, kCreatorType, CreatorBody(creator));
}

std::string RecoverySliceHead(const Id& set_id, std::uint32_t exponent, std::uint64_t slice_size,
                              const Md5Digest& md5_of_rest) {
  std::string head = HeaderFields(kRecoverySliceOverhead + slice_size, md5_of_rest);
  head += DigestBytes(set_id);
  head += kRecoverySliceType;
  AppendU32(&head, exponent);
  return head;
}

namespace {

// What keeping a packet costs, over the bytes it holds: a map node and the bookkeeping around it.
constexpr std::uint64_t kKeptOverhead = 96;

// Takes one sound packet into the sets of result; every field is checked before it is used.
// charge(bytes) pays for what is kept and returns false once the budget is spent; a packet whose
// fields contradict each other (a main packet whose MD5 is not its set's id) is refused as
// damaged. False when reading the file must stop.
template <typename Charge>
bool TakePacket(const std::string& path, const std::string& packet, std::uint64_t offset,
                std::uint64_t length, ReadResult& result, bool& damaged, Charge charge) {
  const Id set_id = DigestAt(packet.data() + 32);
  const std::string_view type(packet.data() + 48, 16);
  const std::string_view body = std::string_view(packet).substr(kHeaderSize);
  auto found = result.sets.find(set_id);
  if (found == result.sets.end()) {
    if (!charge(sizeof(RecoverySet) + kKeptOverhead + path.size())) return false;
    found = result.sets.emplace(set_id, RecoverySet{}).first;
    found->second.set_id = set_id;
    found->second.paths.push_back(path);
  }
  RecoverySet& set = found->second;
  if (type == kMainType && body.size() >= 12 && !set.has_main) {
    const std::uint64_t count = ReadU32(body.data() + 8);
    if (body.size() < 12 + 16 * count) return true;
    // The recovery set's id is the MD5 of its main packet's body.
    if (Md5::Of(std::span<const char>(body.data(), body.size())) != set_id) {
      damaged = true;
      return true;
    }
    if (!charge(16 * count)) return false;
    set.has_main = true;
    set.slice_size = ReadU64(body.data());
    for (std::uint64_t i = 0; i < count; ++i)
      set.file_ids.push_back(DigestAt(body.data() + 12 + 16 * i));
  } else if (type == kFileDescType && body.size() >= 56) {
    FileDescription described;
    described.file_id = DigestAt(body.data());
    described.hash = DigestAt(body.data() + 16);
    described.hash16k = DigestAt(body.data() + 32);
    described.length = ReadU64(body.data() + 48);
    described.name = Unpadded(body.substr(56));
    if (set.files.contains(described.file_id)) return true;
    if (!charge(sizeof(FileDescription) + kKeptOverhead + described.name.size())) return false;
    set.files.emplace(described.file_id, std::move(described));
  } else if (type == kSliceChecksumType && body.size() >= 16 && (body.size() - 16) % 20 == 0) {
    const Id file_id = DigestAt(body.data());
    if (set.checksums.contains(file_id)) return true;
    std::vector<SliceChecksum> slices((body.size() - 16) / 20);
    if (!charge(sizeof(SliceChecksum) * slices.size() + kKeptOverhead)) return false;
    for (std::size_t i = 0; i < slices.size(); ++i) {
      slices[i].hash = DigestAt(body.data() + 16 + 20 * i);
      slices[i].crc = ReadU32(body.data() + 32 + 20 * i);
    }
    set.checksums.emplace(file_id, std::move(slices));
  } else if (type == kRecoverySliceType && body.size() >= 4) {
    // An exponent beyond the code's repeats a smaller one and rebuilds nothing.
    const std::uint32_t exponent = ReadU32(body.data());
    if (exponent > kMaxExponent || set.slices.contains(exponent)) return true;
    if (!charge(sizeof(RecoverySlice) + kKeptOverhead + path.size())) return false;
    set.slices.emplace(exponent, RecoverySlice{path, offset + kRecoverySliceOverhead,
                                               length - kRecoverySliceOverhead, exponent});
  } else if (type == kStateType && set.state.empty()) {
    if (!charge(body.size())) return false;
    set.state = std::string(body);
  } else if (type == kCreatorType && set.creator.empty()) {
    if (!charge(body.size())) return false;
    set.creator = Unpadded(body);
  }
  return true;
}

// Puts what from holds of a set into into, which holds the same set (by id) from other files.
void MergeSet(RecoverySet& into, RecoverySet&& from) {
  if (!into.has_main && from.has_main) {
    into.has_main = true;
    into.slice_size = from.slice_size;
    into.file_ids = std::move(from.file_ids);
  }
  into.files.merge(from.files);
  into.checksums.merge(from.checksums);
  into.slices.merge(from.slices);
  if (into.creator.empty()) into.creator = std::move(from.creator);
  if (into.state.empty()) into.state = std::move(from.state);
  into.paths.insert(into.paths.end(), from.paths.begin(), from.paths.end());
}

}  // namespace

bool ReadBudget::Take(std::uint64_t bytes) {
  const auto wanted = static_cast<std::int64_t>(std::min<std::uint64_t>(bytes, INT64_MAX / 2));
  if (left_.fetch_sub(wanted) >= wanted) return true;
  left_.fetch_add(wanted);
  return false;
}

void ReadBudget::Give(std::uint64_t bytes) { left_.fetch_add(static_cast<std::int64_t>(bytes)); }

bool RecoverySet::AgreesWith(const RecoverySet& other) const {
  if (has_main && other.has_main && (slice_size != other.slice_size || file_ids != other.file_ids))
    return false;
  for (const auto& [id, described] : files) {
    const auto there = other.files.find(id);
    if (there != other.files.end() && !(there->second == described)) return false;
  }
  for (const auto& [id, sums] : checksums) {
    const auto there = other.checksums.find(id);
    if (there != other.checksums.end() && there->second != sums) return false;
  }
  return true;
}

void ReadRecoveryFile(platform::FileSystem& fs, const std::string& path, ReadResult& result,
                      ReadBudget& budget, bool slices) {
  auto file = fs.Open(path, platform::OpenMode::kRead);
  const Result<std::uint64_t> size = file.ok() ? file->Size() : Result<std::uint64_t>(0);
  if (!file.ok() || !size.ok()) {
    result.damaged.push_back(path);
    return;
  }
  PacketReader reader(*file, *size);
  std::uint64_t charged = 0;
  bool over = false, damaged = false;
  const auto charge = [&](std::uint64_t bytes) {
    if (!budget.Take(bytes)) return !(over = true);
    charged += bytes;
    return true;
  };
  const bool sound = reader.ReadAll(
      [slices](std::string_view type) { return slices || type != kRecoverySliceType; },
      [&](const std::string& packet, std::uint64_t offset, std::uint64_t length) {
        return TakePacket(path, packet, offset, length, result, damaged, charge);
      });
  if (over) {
    // Nothing of a file that holds more than can be kept is used; its share goes back.
    result.sets.clear();
    budget.Give(charged);
    result.too_large.push_back(path);
    return;
  }
  if (!sound || damaged) result.damaged.push_back(path);
}

Candidates GroupAgreeing(std::vector<ReadResult> each) {
  Candidates out;
  // Sets that describe files first, in the order of the files; then those that only add
  // recovery slices (or a creator) to a set described elsewhere.
  for (const bool describing : {true, false}) {
    for (ReadResult& one : each) {
      for (auto& [id, set] : one.sets) {
        const bool describes = set.has_main || !set.files.empty() || !set.checksums.empty();
        if (describes != describing) continue;
        std::vector<std::size_t> agreeing;
        for (std::size_t c = 0; c < out.sets.size(); ++c)
          if (out.sets[c].set_id == id && (!describing || out.sets[c].AgreesWith(set)))
            agreeing.push_back(c);
        if (agreeing.size() == 1) {
          MergeSet(out.sets[agreeing.front()], std::move(set));
        } else if (agreeing.empty()) {
          out.sets.push_back(std::move(set));
        } else {
          out.unplaced.insert(out.unplaced.end(), set.paths.begin(), set.paths.end());
        }
      }
    }
  }
  for (ReadResult& one : each) {
    out.damaged.insert(out.damaged.end(), one.damaged.begin(), one.damaged.end());
    out.too_large.insert(out.too_large.end(), one.too_large.begin(), one.too_large.end());
  }
  return out;
}

void ReadPacketsOfType(platform::File& file, std::uint64_t size, std::string_view type,
                       const std::function<bool(const Id& set_id, std::string_view body)>& take) {
  PacketReader reader(file, size);
  reader.ReadAll([type](std::string_view found) { return found == type; },
                 [&](const std::string& packet, std::uint64_t, std::uint64_t) {
                   return take(DigestAt(packet.data() + 32),
                               std::string_view(packet).substr(kHeaderSize));
                 });
}

bool AnyDescribedName(platform::File& file, std::uint64_t size,
                      const std::function<bool(std::string_view name)>& take) {
  bool found = false;
  ReadPacketsOfType(file, size, kFileDescType, [&](const Id&, std::string_view body) {
    if (body.size() >= 56) found = take(Unpadded(body.substr(56)));
    return !found;
  });
  return found;
}

}  // namespace vornalis::recovery::par2
