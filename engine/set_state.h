// What a set was when its recovery files were made. Protect writes it into every recovery file
// as this program's own packet (other PAR 2.0 programs pass over it), so that a set that changed
// since is told from a damaged one: a header that no longer matches its recovery files may be
// a newer header (files were added, or the set was made anew) that must never be replaced by the
// older one, or a damaged one that must.
//
// The record is small whatever the set holds: the header's fields, the extent of the stored
// bytes, an order-free sum over the catalogue's entries, and a hash of the bytes of the partly
// filled last piece. An add never changes the entries or the bytes that were there before: it
// appends bytes after the end and entries that point there. So the set has only grown since
// when every entry recorded is still there unchanged, every other one starts at or after the
// old end, and the bytes of the old partly filled piece are the same.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/set_files.h"
#include "platform/file_system.h"
#include "recovery/md5.h"

namespace vornalis {

inline constexpr std::uint32_t kMostListedEmpty = 1024;

struct SetState {
  std::uint32_t piece_size = 0;
  std::uint32_t last_piece = 0;
  std::uint32_t tail_length = 0;
  std::uint32_t overflow_count = 0;
  std::uint32_t entries = 0;
  std::uint64_t stored_end = 0;  // bytes of stored data, over the pieces' payloads
  // The entries that start before stored_end: how many, and the sum of their hashes.
  std::uint32_t entries_before_end = 0;
  recovery::Md5Digest entries_sum{};
  // The empty entries that stand right at stored_end, where an add may put more: how many, the
  // sum of their hashes, and the hashes themselves when there are at most kMostListedEmpty.
  std::uint32_t empty_at_end_count = 0;
  recovery::Md5Digest empty_at_end_sum{};
  std::vector<recovery::Md5Digest> empty_at_end;
  // The payload of the partly filled last piece (tail_length bytes), when there is one.
  recovery::Md5Digest tail_hash{};

  // Whether the pieces' numbers and sizes, the tail and the count of entries are the same.
  bool SameShape(const SetState& other) const;
};

// The record as it is written (a multiple of 4 bytes), and read back; nothing for a body that
// is no record (or one that would need more memory than a set can justify).
std::string EncodeSetState(const SetState& state);
std::optional<SetState> DecodeSetState(std::string_view body);

// The set at paths as it lies closed, and, when against is given, whether it has only grown
// since it was as against says. A failure is the set's reading failure (its header or
// catalogue cannot be read).
struct SetStateReading {
  SetState now;
  bool grown = false;  // against was given and the set has only grown since
};
Result<SetStateReading> ReadSetState(platform::FileSystem& fs, const SetPaths& paths,
                                     const SetState* against = nullptr);

}  // namespace vornalis
