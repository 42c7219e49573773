// How recovery data for a group of files is laid out: the slice size, how many recovery slices
// there are and how they are shared among the recovery files. The slice size is chosen so that
// each recovery file, with the packets every recovery file repeats, keeps to the size of the
// media the files travel on, where that can be done.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vornalis::recovery {

struct PlanRequest {
  std::vector<std::uint64_t> file_sizes;
  std::vector<std::string> names;  // as the recovery files will name the files
  unsigned redundancy_percent = 10;
  // Enough recovery slices to rebuild the largest file whole, whatever the percentage: the
  // files are the media, and losing one is the loss to be ready for.
  bool cover_largest_file = false;
  unsigned recovery_files = 0;     // 0: as many as keep to media_size (one without it)
  std::uint64_t media_size = 0;    // 0: no limit
  std::uint64_t state_length = 0;  // of the state packet's body (a multiple of 4), 0 for none
};

struct Plan {
  std::uint64_t slice_size = 0;
  std::uint32_t input_slices = 0;
  std::uint32_t recovery_slices = 0;
  std::vector<std::uint32_t> slices_per_file;  // in each recovery file, exponents from 0 on
  std::uint64_t largest_file = 0;              // bytes of the largest recovery file
  bool fits_media = true;
  // How many of the input files, the largest first, the recovery slices rebuild when they are
  // lost whole; and the share of all input slices they rebuild, in whole percent.
  std::uint32_t files_covered = 0;
  unsigned percent_covered = 0;
};

// Every recovery file holds the packets that describe the files this many times.
inline constexpr std::uint64_t kCriticalCopies = 2;

Plan PlanRecovery(const PlanRequest& request);

// The bytes of one copy of the packets that every recovery file repeats: the main packet, each
// file's description and slice checksums, the state packet and the creator's.
std::uint64_t CriticalPacketsSize(const PlanRequest& request, std::uint64_t slice_size,
                                  std::size_t creator_length);

// The text of the creator packet.
std::string CreatorText();

}  // namespace vornalis::recovery
