#include "recovery/create.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string_view>

#include "platform/endian.h"
#include "platform/path.h"
#include "platform/temp_file.h"
#include "recovery/crc32.h"
#include "recovery/galois.h"
#include "recovery/md5_many.h"
#include "recovery/par2_packets.h"
#include "recovery/reed_solomon.h"

namespace vornalis::recovery {
namespace {

constexpr std::size_t kFirstBytes = 16384;  // the part of a file its id is made from
// Slices read at once (up to this many bytes, and slices), and the bytes of each recovery slice
// worked on at once (a tile).
constexpr std::size_t kBatchBytes = std::size_t{16} << 20;
constexpr std::size_t kMostBatchSlices = 64;
constexpr std::size_t kTileBytes = 4096;

// One input file as the recovery files describe it.
struct Source {
  const InputFile* input = nullptr;
  par2::FileDescription description;
  std::vector<par2::SliceChecksum> sums;
  std::uint32_t first_slice = 0;  // the global index of its first slice
  std::uint32_t slices = 0;
};

std::string VolumeName(const std::string& base, std::uint32_t first, std::uint32_t count,
                       int first_digits, int count_digits) {
  char text[64];
  std::snprintf(text, sizeof text, ".vol%0*u+%0*u.par2", first_digits, first, count_digits, count);
  return base + text;
}

int Digits(std::uint32_t n) {
  int digits = 1;
  for (; n >= 10; n /= 10) ++digits;
  return digits;
}

// Reads the first 16 KiB and the length of each file, and orders them by id as the main packet
// lists them; slices are numbered in that order.
Result<std::vector<Source>> Describe(platform::FileSystem& fs, const std::vector<InputFile>& inputs,
                                     std::uint64_t slice_size) {
  std::vector<Source> sources(inputs.size());
  std::string first(kFirstBytes, '\0');
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    auto file = fs.Open(inputs[i].path, platform::OpenMode::kRead);
    if (!file.ok()) return file.status();
    const Result<std::uint64_t> size = file->Size();
    if (!size.ok()) return size.status();
    const Result<std::size_t> read = file->ReadAt(0, first);
    if (!read.ok()) return read.status();
    par2::FileDescription& description = sources[i].description;
    description.length = *size;
    description.name = inputs[i].name;
    description.hash16k = Md5::Of(std::span<const char>(first.data(), *read));
    description.file_id = par2::FileIdOf(description.hash16k, *size, inputs[i].name);
    sources[i].input = &inputs[i];
    sources[i].slices = static_cast<std::uint32_t>((*size + slice_size - 1) / slice_size);
  }
  std::sort(sources.begin(), sources.end(), [](const Source& a, const Source& b) {
    return a.description.file_id < b.description.file_id;
  });
  std::uint32_t next = 0;
  for (Source& source : sources) {
    source.first_slice = next;
    next += source.slices;
  }
  return sources;
}

std::string CriticalPackets(const par2::Id& set_id, const std::string& main_body,
                            const std::vector<Source>& sources, std::string_view state) {
  std::vector<par2::FileChecksums> files;
  for (const Source& source : sources) files.push_back({source.description, source.sums});
  return par2::CriticalPackets(set_id, main_body, files, state, CreatorText());
}

// The name of a new file that is to become final_name in folder, as options ask.
std::string TempPrefixFor(const WorkOptions& options, const std::string& final_name) {
  return options.temp_prefix.empty() ? final_name + "." : options.temp_prefix;
}

// Adds every slice of the sources into the recovery slices [first, first + count): each file read
// once, in order. With hash set (the first pass), each file's and each slice's checksums are
// made on the way.
//
// Slices are read in batches, and the recovery data is worked on in tiles: each tile of every
// recovery slice takes the matching tile of every slice of the batch while it is in the
// processor's cache, so the recovery data (which may be as large as the memory allowed) passes
// through the cache once a batch rather than once a slice. Tiles are the tasks spread over the
// threads; the checksums are tasks of their own.
Status AddSlices(platform::FileSystem& fs, std::vector<Source>& sources, std::uint64_t slice_size,
                 std::uint32_t first, std::uint32_t count, char* recovery, bool hash,
                 const WorkOptions& options, const std::function<bool(std::uint64_t)>& advance) {
  const std::size_t batch_slices =
      std::clamp<std::size_t>(kBatchBytes / slice_size, 1, kMostBatchSlices);
  const std::size_t tile = kTileBytes;
  const std::size_t tiles = (slice_size + tile - 1) / tile;
  std::vector<char> batch(batch_slices * slice_size);
  struct Slot {
    Source* source;
    std::uint32_t slice;
    std::size_t bytes;  // of the file, before the padding
  };
  std::vector<Slot> slots;
  std::vector<gf::Multiplier> factors(batch_slices * count);
  std::vector<Md5> whole(sources.size());
  const auto work_on_batch = [&] {
    // The factors of every slice of the batch for every recovery slice.
    ParallelFor(options.threads, slots.size(), [&](std::size_t k) {
      const std::uint16_t constant = SliceConstant(slots[k].source->first_slice + slots[k].slice);
      for (std::uint32_t r = 0; r < count; ++r)
        factors[k * count + r] = gf::Multiplier(gf::Power(constant, first + r));
    });
    std::vector<par2::SliceChecksum> sums(slots.size());
    // The checksums: each file's own MD5 in the order of its bytes (task 0), the slices' MD5s
    // eight at a time and their CRCs.
    const std::size_t groups = (slots.size() + 7) / 8;
    const std::size_t hash_tasks = hash ? 1 + groups : 0;
    ParallelFor(options.threads, hash_tasks + tiles, [&](std::size_t task) {
      if (task < hash_tasks) {
        if (task == 0) {
          for (std::size_t k = 0; k < slots.size(); ++k)
            whole[static_cast<std::size_t>(slots[k].source - sources.data())].Update(
                std::span<const char>(batch.data() + k * slice_size, slots[k].bytes));
          return;
        }
        const std::size_t first_slot = (task - 1) * 8;
        const std::size_t count_in_group = std::min<std::size_t>(8, slots.size() - first_slot);
        const char* slices[8] = {};
        Md5Digest digests[8];
        for (std::size_t i = 0; i < count_in_group; ++i)
          slices[i] = batch.data() + (first_slot + i) * slice_size;
        Md5Many(slices, count_in_group, slice_size, digests);
        for (std::size_t i = 0; i < count_in_group; ++i)
          sums[first_slot + i] = {digests[i], Crc32(std::span<const char>(slices[i], slice_size))};
        return;
      }
      // Each recovery slice's tile stays in the first-level cache while every slice of the
      // batch is added into it.
      const std::size_t at = (task - hash_tasks) * tile;
      const std::size_t length = std::min<std::size_t>(tile, slice_size - at);
      for (std::uint32_t r = 0; r < count; ++r)
        for (std::size_t k = 0; k < slots.size(); ++k)
          factors[k * count + r].AddTo(batch.data() + k * slice_size + at,
                                       recovery + r * slice_size + at, length);
    });
    if (hash)
      for (std::size_t k = 0; k < slots.size(); ++k) slots[k].source->sums.push_back(sums[k]);
    slots.clear();
  };
  for (Source& source : sources) {
    auto file = fs.Open(source.input->path, platform::OpenMode::kRead);
    if (!file.ok()) return file.status();
    for (std::uint32_t s = 0; s < source.slices; ++s) {
      char* slice = batch.data() + slots.size() * slice_size;
      const Result<std::size_t> read = file->Read(std::span<char>(slice, slice_size));
      if (!read.ok()) return read.status();
      const std::uint64_t expected =
          std::min<std::uint64_t>(slice_size, source.description.length - s * slice_size);
      if (*read != expected) return Status::System(platform::kEndedEarly, source.input->path);
      std::fill(slice + *read, slice + slice_size, '\0');
      slots.push_back({&source, s, *read});
      if (!advance(*read)) return Stopped();
      if (slots.size() == batch_slices) work_on_batch();
    }
  }
  work_on_batch();
  if (hash)
    for (std::size_t i = 0; i < sources.size(); ++i) sources[i].description.hash = whole[i].Final();
  return Status::Ok();
}

}  // namespace

std::vector<std::string> RecoveryFileNames(const std::string& base_name, const Plan& plan) {
  std::vector<std::string> names{base_name + ".par2"};
  std::uint32_t largest_first = 0, largest_count = 0, first = 0;
  for (const std::uint32_t count : plan.slices_per_file) {
    largest_first = std::max(largest_first, first);
    largest_count = std::max(largest_count, count);
    first += count;
  }
  first = 0;
  for (const std::uint32_t count : plan.slices_per_file) {
    names.push_back(
        VolumeName(base_name, first, count, Digits(largest_first), Digits(largest_count)));
    first += count;
  }
  return names;
}

Result<CreateOutcome> CreateRecoveryFiles(platform::FileSystem& fs, const std::string& folder,
                                          const std::string& base_name,
                                          const std::vector<InputFile>& inputs, const Plan& plan,
                                          std::string_view state, const WorkOptions& options,
                                          Progress* progress) {
  const std::uint64_t slice_size = plan.slice_size;
  Result<std::vector<Source>> described = Describe(fs, inputs, slice_size);
  if (!described.ok()) return described.status();
  std::vector<Source>& sources = *described;
  std::vector<par2::Id> ids;
  for (const Source& source : sources) ids.push_back(source.description.file_id);
  const std::string main_body = par2::MainBody(slice_size, ids);
  const par2::Id set_id = Md5::Of(main_body);

  // The recovery files, under temporary names until all are whole; each begins with a packet's
  // magic at once, which the packets written last replace.
  const std::vector<std::string> names = RecoveryFileNames(base_name, plan);
  std::vector<std::unique_ptr<platform::TempFile>> files;
  for (const std::string& name : names) {
    auto file = platform::TempFile::Create(fs, folder, TempPrefixFor(options, name));
    Status begun = file.ok() ? file->file().Write(par2::kMagic) : file.status();
    if (!begun.ok()) return begun.Writing(folder + name);
    files.push_back(file.take());
  }
  PlanRequest request;
  for (const InputFile& input : inputs) request.names.push_back(input.name);
  for (const Source& source : sources) request.file_sizes.push_back(source.description.length);
  request.state_length = state.size();
  const std::uint64_t critical = CriticalPacketsSize(request, slice_size, CreatorText().size());

  // The recovery slices in shares that fit the memory allowed; the files are read once a share.
  CreateOutcome outcome;
  const std::uint32_t total = plan.recovery_slices;
  const auto per_pass = static_cast<std::uint32_t>(
      std::clamp<std::uint64_t>(options.memory / slice_size, 1, std::max<std::uint32_t>(total, 1)));
  std::uint64_t input_bytes = 0;
  for (const Source& source : sources) input_bytes += source.description.length;
  const std::uint64_t passes = total == 0 ? 1 : (total + per_pass - 1) / per_pass;
  std::uint64_t done = 0;
  const auto advance = [&](std::uint64_t bytes) {
    done += bytes;
    return progress == nullptr || progress->Step(done, input_bytes * passes);
  };
  std::vector<char> recovery;
  for (std::uint32_t first = 0; first < total || outcome.passes == 0; first += per_pass) {
    const std::uint32_t count = std::min(per_pass, total - first);
    recovery.assign(std::uint64_t{count} * slice_size, '\0');
    outcome.recovery_memory = std::max<std::uint64_t>(outcome.recovery_memory, recovery.size());
    const Status added = AddSlices(fs, sources, slice_size, first, count, recovery.data(),
                                   outcome.passes == 0, options, advance);
    if (!added.ok()) return added;
    ++outcome.passes;
    // Each recovery slice goes to the volume file that holds its exponent, after the packets
    // every file repeats.
    for (std::uint32_t r = 0; r < count; ++r) {
      const std::uint32_t exponent = first + r;
      std::size_t volume = 0;
      std::uint32_t before = 0;
      while (exponent >= before + plan.slices_per_file[volume])
        before += plan.slices_per_file[volume++];
      const std::span<const char> data(recovery.data() + std::uint64_t{r} * slice_size, slice_size);
      std::string rest(reinterpret_cast<const char*>(set_id.data()), set_id.size());
      rest += par2::kRecoverySliceType;
      AppendU32(&rest, exponent);
      Md5 md5;
      md5.Update(rest);
      md5.Update(data);
      platform::File& out = files[volume + 1]->file();
      const std::uint64_t at =
          critical + std::uint64_t{exponent - before} * (par2::kRecoverySliceOverhead + slice_size);
      Status written = out.Seek(at);
      if (written.ok())
        written = out.Write(par2::RecoverySliceHead(set_id, exponent, slice_size, md5.Final()));
      if (written.ok()) written = out.Write(data);
      if (!written.ok()) return written.Writing(folder + names[volume + 1]);
    }
  }
  recovery = std::vector<char>();

  // The packets that describe the files, now that every checksum is known, at the start of
  // each file and after its recovery slices; then each file is flushed and put in place.
  const std::string packets = CriticalPackets(set_id, main_body, sources, state);
  if (packets.size() != critical)  // the slices were placed after room of this size
    return Status::Error(Status::Code::kFormat, folder + names.front(), "");
  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::uint64_t slices = i == 0 ? 0 : plan.slices_per_file[i - 1];
    const std::uint64_t end = critical + slices * (par2::kRecoverySliceOverhead + slice_size);
    Status status = files[i]->file().Seek(0);
    if (status.ok()) status = files[i]->file().Write(packets);
    for (std::uint64_t copy = 1; copy < kCriticalCopies && status.ok(); ++copy) {
      status = files[i]->file().Seek(end + (copy - 1) * critical);
      if (status.ok()) status = files[i]->file().Write(packets);
    }
    if (status.ok()) status = files[i]->Finish(true);
    if (!status.ok()) return status.Writing(folder + names[i]);
  }
  for (std::size_t i = files.size(); i-- > 0;) {
    if (Status placed = files[i]->PutInPlace(folder + names[i]); !placed.ok())
      return placed.Writing(folder + names[i]);
    outcome.written.insert(outcome.written.begin(), folder + names[i]);
  }
  return outcome;
}

}  // namespace vornalis::recovery
