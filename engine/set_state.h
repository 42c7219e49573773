// What a set was when its recovery files were made. Protect writes it into every recovery file
// as this program's own packet (other PAR 2.0 programs pass over it), so that what putting the
// protected header back would undo can be said: how many files the set held then, and where its
// stored bytes ended. Nothing is decided by it (what the set's own commits did is recorded in
// set_history.h).
//
// The record is small whatever the set holds: the header's fields, the extent of the stored
// bytes, an order-free sum over the catalogue's entries, and a hash of the bytes of the partly
// filled last piece.
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

// Records made by earlier versions may list the hashes of empty entries at the stored end, up to
// this many; they are read and passed over.
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
  // The empty entries that stand right at stored_end: how many, and the sum of their hashes.
  std::uint32_t empty_at_end_count = 0;
  recovery::Md5Digest empty_at_end_sum{};
  // The payload of the partly filled last piece (tail_length bytes), when there is one.
  recovery::Md5Digest tail_hash{};
};

// The record as it is written (a multiple of 4 bytes), and read back; nothing for a body that
// is no record (or one that would need more memory than a set can justify).
std::string EncodeSetState(const SetState& state);
std::optional<SetState> DecodeSetState(std::string_view body);

// The set at paths as it lies closed; a failure is the set's reading failure (its header or
// catalogue cannot be read).
Result<SetState> ReadSetState(platform::FileSystem& fs, const SetPaths& paths);

}  // namespace vornalis
