#include "recovery/check.h"

#include <algorithm>
#include <cerrno>
#include <memory>

#include "platform/path.h"
#include "platform/temp_file.h"
#include "recovery/galois.h"
#include "recovery/reed_solomon.h"

namespace vornalis::recovery {
namespace {

// Slices read at once, and hashed on the threads given.
constexpr std::size_t kBatch = 8;

// A name of the recovery set as a path below folder; "" for a name that would lead elsewhere
// (absolute, with a drive, or with "..").
std::string PathBelow(const std::string& folder, const std::string& name) {
  if (name.empty() || name[0] == '/' || name.find(':') != std::string::npos ||
      name.find('\\') != std::string::npos)
    return std::string();
  std::string path = folder;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = name.find('/', start);
    const std::string part = name.substr(start, end == std::string::npos ? end : end - start);
    if (part.empty() || part == "." || part == "..") return std::string();
    path += part;
    if (end == std::string::npos) return path;
    path += platform::kSeparator;
    start = end + 1;
  }
}

// Reads slice s of file into slice (zero-padded); the count of the file's bytes read.
Result<std::size_t> ReadSlice(platform::File& file, std::uint64_t slice_size, std::uint32_t s,
                              std::span<char> slice) {
  const Result<std::size_t> read = file.ReadAt(std::uint64_t{s} * slice_size, slice);
  if (read.ok()) std::fill(slice.begin() + static_cast<std::ptrdiff_t>(*read), slice.end(), '\0');
  return read;
}

}  // namespace

bool CheckResult::whole() const {
  return bad_slices == 0 &&
         std::all_of(files.begin(), files.end(), [](const FileCheck& file) { return file.whole; });
}

Result<CheckResult> CheckFiles(platform::FileSystem& fs, const std::string& folder,
                               const par2::RecoverySet& set, const WorkOptions& options,
                               Progress* progress) {
  CheckResult result;
  const std::uint64_t slice_size = set.slice_size;
  for (const auto& [exponent, slice] : set.slices)
    if (slice.length == slice_size) ++result.recovery_slices;
  std::uint64_t total = 0, done = 0;
  for (const par2::Id& id : set.file_ids) total += set.files.at(id).length;
  std::vector<char> batch(kBatch * slice_size);
  for (const par2::Id& id : set.file_ids) {
    const par2::FileDescription& description = set.files.at(id);
    const std::vector<par2::SliceChecksum>& sums = set.checksums.at(id);
    FileCheck check;
    check.name = description.name;
    check.path = PathBelow(folder, description.name);
    check.slices = static_cast<std::uint32_t>(sums.size());
    if (check.path.empty()) return Status::Error(Status::Code::kRefused, description.name, "");
    auto file = fs.Open(check.path, platform::OpenMode::kRead);
    const Result<std::uint64_t> size = file.ok() ? file->Size() : Result<std::uint64_t>(0);
    if (!file.ok() || !size.ok()) {
      // A file that is not there, or cannot be read, counts as lost whole.
      check.missing = file.error() == ENOENT;
      for (std::uint32_t s = 0; s < check.slices; ++s) check.bad_slices.push_back(s);
    } else {
      for (std::uint32_t s = 0; s < check.slices; s += kBatch) {
        const std::uint32_t count = std::min<std::uint32_t>(kBatch, check.slices - s);
        std::vector<char> sound(count, 0);  // not vector<bool>: its elements share bytes
        for (std::uint32_t i = 0; i < count; ++i) {
          const std::span<char> slice(batch.data() + i * slice_size, slice_size);
          const Result<std::size_t> read = ReadSlice(*file, slice_size, s + i, slice);
          if (!read.ok()) return read.status();
          done += *read;
        }
        ParallelFor(options.threads, count, [&](std::size_t i) {
          sound[i] = Md5::Of(std::span<const char>(batch.data() + i * slice_size, slice_size)) ==
                     sums[s + i].hash;
        });
        for (std::uint32_t i = 0; i < count; ++i)
          if (!sound[i]) check.bad_slices.push_back(s + i);
        if (progress != nullptr && !progress->Step(done, total)) return Stopped();
      }
      check.whole = check.bad_slices.empty() && *size == description.length;
    }
    result.bad_slices += static_cast<std::uint32_t>(check.bad_slices.size());
    result.files.push_back(std::move(check));
  }
  return result;
}

Result<std::vector<std::string>> RepairFiles(platform::FileSystem& fs, const std::string& folder,
                                             const par2::RecoverySet& set, const CheckResult& check,
                                             const WorkOptions& options, Progress* progress) {
  const std::uint64_t slice_size = set.slice_size;
  if (!check.repairable())
    return Status::Error(Status::Code::kRefused, folder.empty() ? "." : folder, "");
  // The global number of each file's first slice, and the slices to compute.
  struct Lost {
    std::size_t file;
    std::uint32_t slice;
    std::uint32_t global;
  };
  std::vector<std::uint32_t> first_global;
  std::vector<Lost> lost;
  std::uint32_t next = 0;
  for (std::size_t f = 0; f < check.files.size(); ++f) {
    first_global.push_back(next);
    for (const std::uint32_t s : check.files[f].bad_slices) lost.push_back({f, s, next + s});
    next += check.files[f].slices;
  }
  // As many recovery slices as there are lost ones; other ones are tried should the matrix of
  // those first chosen not be invertible.
  std::vector<std::uint32_t> usable;
  for (const auto& [exponent, slice] : set.slices)
    if (slice.length == slice_size) usable.push_back(exponent);
  std::vector<std::uint16_t> constants;
  for (const Lost& l : lost) constants.push_back(SliceConstant(l.global));
  std::vector<std::uint32_t> exponents;
  std::optional<std::vector<std::vector<std::uint16_t>>> inverse;
  for (std::size_t skip = 0; !inverse && skip + lost.size() <= usable.size(); ++skip) {
    exponents.assign(usable.begin() + static_cast<std::ptrdiff_t>(skip),
                     usable.begin() + static_cast<std::ptrdiff_t>(skip + lost.size()));
    inverse = InvertForRepair(constants, exponents);
  }
  if (!inverse) return Status::Error(Status::Code::kRefused, folder.empty() ? "." : folder, "");

  // Each file to repair is written anew beside itself.
  std::vector<std::unique_ptr<platform::TempFile>> outputs(check.files.size());
  for (std::size_t f = 0; f < check.files.size(); ++f) {
    if (check.files[f].whole) continue;
    auto temp = platform::TempFile::Create(fs, platform::FolderOf(check.files[f].path),
                                           platform::FileNameOf(check.files[f].path) + ".");
    if (!temp.ok()) return temp.status();
    outputs[f] = temp.take();
  }
  std::vector<const par2::FileDescription*> descriptions;
  for (const par2::Id& id : set.file_ids) descriptions.push_back(&set.files.at(id));
  const auto write_slice = [&](std::size_t f, std::uint32_t s, const char* data) {
    const std::uint64_t at = std::uint64_t{s} * slice_size;
    const std::uint64_t length = std::min<std::uint64_t>(slice_size, descriptions[f]->length - at);
    platform::File& out = outputs[f]->file();
    Status status = out.Seek(at);
    if (status.ok()) status = out.Write(std::span<const char>(data, length));
    return status;
  };

  // The lost slices in shares that fit the memory allowed: each share is the sum of the recovery
  // slices and of every sound slice, each times its factor.
  const auto per_pass = static_cast<std::size_t>(std::clamp<std::uint64_t>(
      options.memory / slice_size, 1, std::max<std::size_t>(lost.size(), 1)));
  std::uint64_t total_bytes = 0, done = 0;
  for (const auto* description : descriptions) total_bytes += description->length;
  const std::uint64_t passes = lost.empty() ? 1 : (lost.size() + per_pass - 1) / per_pass;
  std::vector<char> slice(slice_size);
  const gf::Engine engine = gf::BestEngine();
  for (std::size_t first = 0; first < lost.size() || (first == 0 && lost.empty());
       first += per_pass) {
    const std::size_t count = std::min(per_pass, lost.size() - first);
    std::vector<char> rebuilt(count * slice_size, '\0');
    for (std::size_t j = 0; j < exponents.size() && count > 0; ++j) {
      const par2::RecoverySlice& source = set.slices.at(exponents[j]);
      auto file = fs.Open(source.path, platform::OpenMode::kRead);
      if (!file.ok()) return file.status();
      const Result<std::size_t> read = file->ReadAt(source.offset, slice);
      if (!read.ok()) return read.status();
      if (*read != slice_size) return Status::System(platform::kEndedEarly, source.path);
      ParallelFor(options.threads, count, [&](std::size_t l) {
        gf::Multiplier((*inverse)[first + l][j], engine)
            .AddTo(slice.data(), rebuilt.data() + l * slice_size, slice_size);
      });
    }
    // Every sound slice of every file, read once a share; in the first share the sound slices
    // of the files being repaired are copied to their new files on the way.
    for (std::size_t f = 0; f < check.files.size(); ++f) {
      const FileCheck& file_check = check.files[f];
      if (file_check.bad_slices.size() == file_check.slices) continue;
      auto file = fs.Open(file_check.path, platform::OpenMode::kRead);
      if (!file.ok()) return file.status();
      std::size_t bad = 0;
      for (std::uint32_t s = 0; s < file_check.slices; ++s) {
        if (bad < file_check.bad_slices.size() && file_check.bad_slices[bad] == s) {
          ++bad;
          continue;
        }
        const Result<std::size_t> read = ReadSlice(*file, slice_size, s, slice);
        if (!read.ok()) return read.status();
        done += *read;
        if (first == 0 && outputs[f])
          if (Status copied = write_slice(f, s, slice.data()); !copied.ok()) return copied;
        const std::uint16_t constant = SliceConstant(first_global[f] + s);
        ParallelFor(options.threads, count, [&](std::size_t l) {
          std::uint16_t factor = 0;
          for (std::size_t j = 0; j < exponents.size(); ++j)
            factor ^= gf::Multiply((*inverse)[first + l][j], gf::Power(constant, exponents[j]));
          gf::Multiplier(factor, engine)
              .AddTo(slice.data(), rebuilt.data() + l * slice_size, slice_size);
        });
        if (progress != nullptr && !progress->Step(done, total_bytes * passes)) return Stopped();
      }
    }
    for (std::size_t l = 0; l < count; ++l) {
      const Lost& slot = lost[first + l];
      if (Status written = write_slice(slot.file, slot.slice, rebuilt.data() + l * slice_size);
          !written.ok())
        return written;
    }
    if (lost.empty()) break;
  }

  // Each new file must be the file the recovery set describes before it takes its name.
  std::vector<std::string> repaired;
  for (std::size_t f = 0; f < outputs.size(); ++f) {
    if (!outputs[f]) continue;
    platform::File& out = outputs[f]->file();
    Md5 md5;
    std::uint64_t at = 0;
    for (;;) {
      const Result<std::size_t> read = out.ReadAt(at, slice);
      if (!read.ok()) return read.status();
      if (*read == 0) break;
      md5.Update(std::span<const char>(slice.data(), *read));
      at += *read;
    }
    if (at != descriptions[f]->length || md5.Final() != descriptions[f]->hash)
      return Status::Error(Status::Code::kFormat, check.files[f].path, "");
    if (Status finished = outputs[f]->Finish(true); !finished.ok()) return finished;
  }
  for (std::size_t f = 0; f < outputs.size(); ++f) {
    if (!outputs[f]) continue;
    if (Status placed = outputs[f]->PutInPlace(check.files[f].path); !placed.ok()) return placed;
    repaired.push_back(check.files[f].path);
  }
  return repaired;
}

}  // namespace vornalis::recovery
