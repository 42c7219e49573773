// The packets of PAR 2.0 recovery files: making them, and reading them back from files.
//
// A packet is a 64-byte header (magic "PAR2\0PKT", length, MD5 of the rest, recovery set id,
// type) and a body; every field is little-endian and 4-byte aligned. The recovery set id is the
// MD5 of the main packet's body, a file's id the MD5 of its first 16 KiB's MD5, its length and
// its name. Reading checks each packet's MD5: a damaged packet is passed over (the reader looks
// for the next magic), so a damaged recovery file gives what is sound in it; every field is
// checked before it is used, and a set whose fields cannot be used is marked with its fault.
// Memory stays bounded whatever the files hold: no packet but a recovery slice's is read whole
// above kMostPacketBody bytes, a recovery slice is only hashed, never kept, and what the packets
// of a group of files take is charged to one budget (ReadBudget), past which a file is dropped.
//
// Files are read one by one and put together only where they agree: two files whose packets
// describe the same file differently (an old copy of a set's recovery files beside new ones, with
// the same recovery set id because the first 16 KiB of every file are as they were) make two
// candidates, never one set that mixes them.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "recovery/md5.h"

namespace vornalis::recovery::par2 {

using Id = Md5Digest;

inline constexpr std::string_view kMagic{"PAR2\0PKT", 8};
inline constexpr std::string_view kMainType{"PAR 2.0\0Main\0\0\0\0", 16};
inline constexpr std::string_view kFileDescType{"PAR 2.0\0FileDesc", 16};
inline constexpr std::string_view kSliceChecksumType{"PAR 2.0\0IFSC\0\0\0\0", 16};
inline constexpr std::string_view kRecoverySliceType{"PAR 2.0\0RecvSlic", 16};
inline constexpr std::string_view kCreatorType{"PAR 2.0\0Creator\0", 16};
// This program's own packet, which other PAR 2.0 programs pass over: what the files protected
// were when they were protected, in a form the caller gives (engine/set_state.h).
inline constexpr std::string_view kStateType{"VornalisSetState", 16};
// This program's record of what its commits did to a protected set, in a file of its own
// (engine/set_history.h).
inline constexpr std::string_view kHistoryType{"VornalisHistory\0", 16};
inline constexpr std::uint64_t kHeaderSize = 64;
// The header and the exponent that come before a recovery slice's bytes.
inline constexpr std::uint64_t kRecoverySliceOverhead = kHeaderSize + 4;
// The largest body of any packet but a recovery slice: a main packet or slice checksums for the
// most slices the code allows fit well within it.
inline constexpr std::uint64_t kMostPacketBody = std::uint64_t{1} << 20;
// The largest slice a recovery set may have: work on slices keeps a few of them in memory at
// once, and the largest set this program protects needs less (recovery/plan.h).
inline constexpr std::uint64_t kMaxSliceSize = std::uint64_t{64} << 20;
// At most this many input slices exist (the constants of the code), and exponents run to
// kMaxExponent (the constants' order is 65535, so a larger one repeats a smaller one).
inline constexpr std::uint32_t kMaxInputSlices = 32768;
inline constexpr std::uint32_t kMaxExponent = 65534;

// Why the packets of a recovery set cannot be used, whatever files they describe.
enum class Fault {
  kNone,
  kSliceSize,      // 0, not a multiple of 4, or above kMaxSliceSize (value: the size)
  kTooManySlices,  // more input slices than the code has constants (value: their count)
};

struct FileDescription {
  Id file_id{};
  Md5Digest hash{};     // of the whole file
  Md5Digest hash16k{};  // of its first 16 KiB
  std::uint64_t length = 0;
  std::string name;  // relative to the recovery files' folder, "/" between folders
  bool operator==(const FileDescription&) const = default;
};

struct SliceChecksum {
  Md5Digest hash{};  // of the slice, the last one padded with zero bytes
  std::uint32_t crc = 0;
  bool operator==(const SliceChecksum&) const = default;
};

Id FileIdOf(const Md5Digest& hash16k, std::uint64_t length, std::string_view name);

// Whole packets, ready to be written.
std::string MakePacket(const Id& set_id, std::string_view type, std::string_view body);
// The main packet's body; its MD5 is the recovery set id. file_ids must be sorted.
std::string MainBody(std::uint64_t slice_size, const std::vector<Id>& file_ids);
std::string FileDescBody(const FileDescription& file);
std::string SliceChecksumBody(const Id& file_id, const std::vector<SliceChecksum>& slices);
std::string CreatorBody(std::string_view creator);
// The packets every recovery file holds: the main packet, each file's description and slice
// checksums in the main packet's order, this program's state packet (when state is not empty)
// and the creator's.
struct FileChecksums {
  FileDescription description;
  std::vector<SliceChecksum> slices;
};
std::string CriticalPackets(const Id& set_id, const std::string& main_body,
                            const std::vector<FileChecksums>& files, std::string_view state,
                            std::string_view creator);
// The header of a recovery slice packet whose slice_size bytes of data follow, and the exponent;
// md5_of_rest is the MD5 of the set id, the type, the exponent and the data.
std::string RecoverySliceHead(const Id& set_id, std::uint32_t exponent, std::uint64_t slice_size,
                              const Md5Digest& md5_of_rest);

// A recovery slice found in a file: its data lies at offset of path.
struct RecoverySlice {
  std::string path;
  std::uint64_t offset = 0;
  std::uint64_t length = 0;  // of the data, which must be the set's slice size to be used
  std::uint32_t exponent = 0;
};

// One recovery set as the files read hold it.
struct RecoverySet {
  Id set_id{};
  bool has_main = false;
  std::uint64_t slice_size = 0;
  std::vector<Id> file_ids;  // the recovery set's files, in the main packet's order
  std::map<Id, FileDescription> files;
  std::map<Id, std::vector<SliceChecksum>> checksums;
  std::map<std::uint32_t, RecoverySlice> slices;  // by exponent, the first sound one
  std::string creator;
  std::string state;               // the body of this program's packet (kStateType), if any
  std::vector<std::string> paths;  // the files that hold packets of this set
  // Whether every file of the main packet has its description and its slice checksums.
  bool Complete() const;
  // Why the set's packets cannot be used; kNone when they can (which needs Complete() too).
  Fault fault() const;
  std::uint64_t fault_value() const;
  // The input slices of every file of the main packet (once Complete()).
  std::uint64_t InputSlices() const;
  // Whether what both hold of the files they describe is the same: descriptions and slice
  // checksums of every file both describe, and the main packet when both have it.
  bool AgreesWith(const RecoverySet& other) const;
};

// The memory the packets read from a group of files may take together, shared by the threads
// that read them. Every packet kept is charged what it takes; once the budget is spent, nothing
// more is taken.
class ReadBudget {
 public:
  explicit ReadBudget(std::uint64_t bytes) : left_(static_cast<std::int64_t>(bytes)) {}
  // Takes bytes from the budget; false (taking nothing) when that is more than is left.
  bool Take(std::uint64_t bytes);
  // Gives back what was taken for packets that are not kept after all.
  void Give(std::uint64_t bytes);

 private:
  std::atomic<std::int64_t> left_;
};

// What recovery files beside a set may cost in memory when they are read: far more than the
// packets of any set this program protects (a few MiB for 32,768 blocks), far less than a
// 32-bit program can hold.
inline constexpr std::uint64_t kReadBudgetBytes = std::uint64_t{64} << 20;

// What one file holds: its sets by id; whether damaged packets were passed over in it, and
// whether it was dropped for holding more than the budget could take.
struct ReadResult {
  std::map<Id, RecoverySet> sets;
  std::vector<std::string> damaged;
  std::vector<std::string> too_large;
};

// Reads every packet of one file into result (a file that cannot be read counts as damaged);
// without slices, recovery slice packets are passed over unread. A file whose packets would take
// more than budget has left is dropped whole (its sets are not kept) and named in too_large.
void ReadRecoveryFile(platform::FileSystem& fs, const std::string& path, ReadResult& result,
                      ReadBudget& budget, bool slices = true);

// The recovery sets a group of files holds, each put together only from files that agree.
struct Candidates {
  std::vector<RecoverySet> sets;
  std::vector<std::string> damaged;    // files in which damaged packets were passed over
  std::vector<std::string> too_large;  // files dropped for the memory their packets need
  // Files whose packets of a set agree with several candidates of it, or describe nothing, so
  // that they cannot be put with one; they are not used.
  std::vector<std::string> unplaced;
};

// Puts what each file held (in the order given) into candidates: a set of a file joins the
// candidate of the same id whose files it agrees with, or starts one; a set that describes no
// file (recovery slices alone) joins the only candidate of its id, when there is one.
Candidates GroupAgreeing(std::vector<ReadResult> each);

// Reads every packet of each file, the files spread over threads threads (par2_read_files.cpp,
// which a program without threads leaves out), within one budget of budget_bytes; without
// slices, recovery slice packets are passed over unread.
Candidates ReadRecoveryFiles(platform::FileSystem& fs, const std::vector<std::string>& paths,
                             unsigned threads = 1, std::uint64_t budget_bytes = kReadBudgetBytes,
                             bool slices = true);

// Calls take(set_id, body) with every sound packet of type in file (size bytes long), passing
// over damaged stretches, until take returns false. Reads the headers of other packets only.
void ReadPacketsOfType(platform::File& file, std::uint64_t size, std::string_view type,
                       const std::function<bool(const Id& set_id, std::string_view body)>& take);

// Calls take(name) with the name of every sound file description packet in file (size bytes
// long), passing over damaged stretches, until take returns true; true when it did. Reads the
// headers of packets and the bodies of descriptions only.
bool AnyDescribedName(platform::File& file, std::uint64_t size,
                      const std::function<bool(std::string_view name)>& take);

}  // namespace vornalis::recovery::par2
