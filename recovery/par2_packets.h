// The packets of PAR 2.0 recovery files: making them, and reading them back from files.
//
// A packet is a 64-byte header (magic "PAR2\0PKT", length, MD5 of the rest, recovery set id,
// type) and a body; every field is little-endian and 4-byte aligned. The recovery set id is the
// MD5 of the main packet's body, a file's id the MD5 of its first 16 KiB's MD5, its length and
// its name. Reading checks each packet's MD5: a damaged packet is passed over (the reader looks
// for the next magic), so a damaged recovery file gives what is sound in it.
#pragma once

#include <cstdint>
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
inline constexpr std::uint64_t kHeaderSize = 64;
// The header and the exponent that come before a recovery slice's bytes.
inline constexpr std::uint64_t kRecoverySliceOverhead = kHeaderSize + 4;

struct FileDescription {
  Id file_id{};
  Md5Digest hash{};     // of the whole file
  Md5Digest hash16k{};  // of its first 16 KiB
  std::uint64_t length = 0;
  std::string name;  // relative to the recovery files' folder, "/" between folders
};

struct SliceChecksum {
  Md5Digest hash{};  // of the slice, the last one padded with zero bytes
  std::uint32_t crc = 0;
};

Id FileIdOf(const Md5Digest& hash16k, std::uint64_t length, std::string_view name);

// Whole packets, ready to be written.
std::string MakePacket(const Id& set_id, std::string_view type, std::string_view body);
// The main packet's body; its MD5 is the recovery set id. file_ids must be sorted.
std::string MainBody(std::uint64_t slice_size, const std::vector<Id>& file_ids);
std::string FileDescBody(const FileDescription& file);
std::string SliceChecksumBody(const Id& file_id, const std::vector<SliceChecksum>& slices);
std::string CreatorBody(std::string_view creator);
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
  std::vector<std::string> paths;  // the files that hold packets of this set
  // Whether every file of the main packet has its description and its slice checksums.
  bool Complete() const;
};

// What was read from a group of files: the sets found, and the files in which damaged packets
// were passed over.
struct ReadResult {
  std::map<Id, RecoverySet> sets;
  std::vector<std::string> damaged;
};

// Reads every packet of each file (a file that cannot be read is counted as damaged), the files
// spread over threads threads.
ReadResult ReadRecoveryFiles(platform::FileSystem& fs, const std::vector<std::string>& paths,
                             unsigned threads = 1);

// Whether a file begins with a packet magic (a recovery file, whatever its name).
bool LooksLikeRecoveryFile(platform::FileSystem& fs, const std::string& path);

}  // namespace vornalis::recovery::par2
