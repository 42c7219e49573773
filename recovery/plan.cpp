#include "recovery/plan.h"

#include <algorithm>

#include "recovery/par2_packets.h"

namespace vornalis::recovery {
namespace {

// The slice count aimed at: fine enough that one lost piece costs little recovery data, coarse
// enough to be quick (the count par2 makes by default); but no slice smaller than a disk
// block, where the files allow, since each costs a checksum and a constant.
constexpr std::uint64_t kTargetSlices = 2000;
constexpr std::uint64_t kSmallestSlice = 512;

std::uint64_t RoundUp4(std::uint64_t n) { return (n + 3) / 4 * 4; }

std::uint64_t SlicesOf(const PlanRequest& request, std::uint64_t slice_size) {
  std::uint64_t slices = 0;
  for (const std::uint64_t size : request.file_sizes)
    slices += (size + slice_size - 1) / slice_size;
  return slices;
}

}  // namespace

std::string CreatorText() { return "Vornalis (vornalis-cli protect)"; }

std::uint64_t CriticalPacketsSize(const PlanRequest& request, std::uint64_t slice_size,
                                  std::size_t creator_length) {
  const std::uint64_t files = request.file_sizes.size();
  std::uint64_t size = par2::kHeaderSize + 12 + 16 * files;  // main
  for (const std::string& name : request.names)
    size += par2::kHeaderSize + 56 + RoundUp4(name.size());  // file description
  size += files * (par2::kHeaderSize + 16) + 20 * SlicesOf(request, slice_size);  // checksums
  if (request.state_length > 0) size += par2::kHeaderSize + RoundUp4(request.state_length);
  return size + par2::kHeaderSize + RoundUp4(creator_length);
}

Plan PlanRecovery(const PlanRequest& request) {
  std::uint64_t total = 0;
  for (const std::uint64_t size : request.file_sizes) total += size;
  const std::uint64_t media = request.media_size;
  const std::size_t creator = CreatorText().size();
  const auto fits = [&](std::uint64_t slice) {
    return kCriticalCopies * CriticalPacketsSize(request, slice, creator) +
               par2::kRecoverySliceOverhead + slice <=
           media;
  };
  Plan plan;
  std::uint64_t slice = std::max<std::uint64_t>(
      kSmallestSlice, RoundUp4((total + kTargetSlices - 1) / kTargetSlices));
  if (media > 0) slice = std::min(slice, RoundUp4(media));
  if (media > 0) {
    // Whole media-sized files (the pieces) are cut into k equal slices: k as near the aimed
    // count as leaves room in a recovery file for a slice and the repeated packets, coarser
    // first (fewer slices take fewer checksums), then finer (a smaller slice takes less room).
    const std::uint64_t aimed = std::max<std::uint64_t>(1, (media + slice - 1) / slice);
    std::uint64_t chosen = 0;
    const auto take = [&](std::uint64_t k) {
      const std::uint64_t candidate = RoundUp4((media + k - 1) / k);
      if (SlicesOf(request, candidate) > par2::kMaxInputSlices || !fits(candidate)) return false;
      chosen = candidate;
      return true;
    };
    for (std::uint64_t k = aimed; k >= 1 && chosen == 0; --k) take(k);
    for (std::uint64_t k = aimed + 1; k <= 4096 && chosen == 0; ++k)
      if (SlicesOf(request, RoundUp4((media + k - 1) / k)) <= par2::kMaxInputSlices) take(k);
    plan.fits_media = chosen != 0;
    if (chosen != 0) slice = chosen;
  }
  // Never more slices than the code has constants.
  while (SlicesOf(request, slice) > par2::kMaxInputSlices) slice = RoundUp4(slice + slice / 8 + 4);
  plan.slice_size = slice;
  plan.input_slices = static_cast<std::uint32_t>(SlicesOf(request, slice));
  // The slices of each file, largest first: what the recovery slices rebuild when files are lost.
  std::vector<std::uint64_t> file_slices;
  for (const std::uint64_t size : request.file_sizes)
    file_slices.push_back((size + slice - 1) / slice);
  std::sort(file_slices.rbegin(), file_slices.rend());
  std::uint64_t wanted = (std::uint64_t{plan.input_slices} * request.redundancy_percent + 99) / 100;
  if (request.cover_largest_file && !file_slices.empty())
    wanted = std::max(wanted, file_slices.front());
  plan.recovery_slices =
      static_cast<std::uint32_t>(std::min<std::uint64_t>(par2::kMaxExponent + 1, wanted));
  for (std::uint64_t left = plan.recovery_slices;
       plan.files_covered < file_slices.size() && file_slices[plan.files_covered] <= left;)
    left -= file_slices[plan.files_covered++];
  plan.percent_covered =
      plan.input_slices == 0
          ? 100
          : static_cast<unsigned>(std::min<std::uint64_t>(
                100, std::uint64_t{plan.recovery_slices} * 100 / plan.input_slices));
  if (plan.recovery_slices == 0) return plan;

  const std::uint64_t critical = kCriticalCopies * CriticalPacketsSize(request, slice, creator);
  std::uint64_t files = request.recovery_files;
  if (files == 0) {
    const std::uint64_t per_file =
        plan.fits_media ? std::max<std::uint64_t>(
                              1, (media - critical) / (par2::kRecoverySliceOverhead + slice))
                        : plan.recovery_slices;
    files = (plan.recovery_slices + per_file - 1) / per_file;
  }
  files = std::min<std::uint64_t>(files, plan.recovery_slices);
  for (std::uint64_t f = 0; f < files; ++f)
    plan.slices_per_file.push_back(static_cast<std::uint32_t>(
        plan.recovery_slices / files + (f < plan.recovery_slices % files ? 1 : 0)));
  plan.largest_file =
      critical + plan.slices_per_file.front() * (par2::kRecoverySliceOverhead + slice);
  if (media > 0 && plan.largest_file > media) plan.fits_media = false;
  return plan;
}

}  // namespace vornalis::recovery
