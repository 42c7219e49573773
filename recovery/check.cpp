#include "recovery/check.h"

#include <algorithm>
#include <cerrno>
#include <memory>

#include "platform/path.h"
#include "platform/temp_file.h"
#include "recovery/galois.h"
#include "recovery/md5_many.h"
#include "recovery/reed_solomon.h"

namespace vornalis::recovery {
namespace {

// Slices read at once (at most this many bytes of them), and the bytes of each rebuilt slice
// worked on at once (a tile).
constexpr std::uint64_t kBatchBytes = std::uint64_t{8} << 20;
constexpr std::size_t kMostBatchSlices = 32;
constexpr std::size_t kTile = 4096;

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

// One slice to read: slice `slice` of the file at `path`.
struct SliceJob {
  std::size_t file;
  std::uint32_t slice;
};

// Reads slices in batches and has each batch worked on while the next one is read: the work
// of a batch is split into tasks (task_count(batch)), run on the threads given together with
// the reading of the next batch. Every read slice is zero-padded to the slice size.
class SlicePipeline {
 public:
  SlicePipeline(platform::FileSystem& fs, const std::vector<std::string>& paths,
                std::uint64_t slice_size, const WorkOptions& options)
      : fs_(fs),
        paths_(paths),
        slice_size_(slice_size),
        threads_(options.threads),
        // A slice for each thread to hash where slices are small; two at a time where they are
        // large, so that memory stays at four slices whatever the threads.
        batch_slices_(static_cast<std::size_t>(std::clamp<std::uint64_t>(
            kBatchBytes / slice_size,
            slice_size <= kBatchBytes / 2 ? std::max(2u, options.threads) : 2u,
            kMostBatchSlices))) {
    for (auto& buffer : buffers_) buffer.resize(batch_slices_ * slice_size);
  }

  std::size_t batch_slices() const { return batch_slices_; }

  // Runs over jobs: for each batch, tasks(batch, data) says how many tasks there are and
  // task(batch, data, i) runs one; after each batch, done(batch, data, bytes read so far) may
  // stop the run by returning false (which then fails with Stopped()). No file read is left
  // open afterwards: one that is to be replaced next could not be on Windows.
  template <typename Tasks, typename Task, typename Done>
  Status Run(const std::vector<SliceJob>& jobs, Tasks tasks, Task task, Done done) {
    const Status status = RunOpen(jobs, tasks, task, done);
    file_.reset();
    return status;
  }

 private:
  template <typename Tasks, typename Task, typename Done>
  Status RunOpen(const std::vector<SliceJob>& jobs, Tasks tasks, Task task, Done done) {
    std::size_t next = 0;
    std::vector<SliceJob> batches[2];
    Status read = Read(jobs, &next, 0, &batches[0]);
    for (int current = 0; read.ok() && !batches[current].empty(); current ^= 1) {
      const std::vector<SliceJob>& batch = batches[current];
      const char* data = buffers_[current].data();
      const std::size_t count = tasks(batch, data);
      // The extra task reads the next batch meanwhile.
      ParallelFor(threads_, count + 1, [&](std::size_t i) {
        if (i == count)
          read = Read(jobs, &next, current ^ 1, &batches[current ^ 1]);
        else
          task(batch, data, i);
      });
      if (!done(batch, data, bytes_)) return Stopped();
    }
    return read;
  }

  Status Read(const std::vector<SliceJob>& jobs, std::size_t* next, int into,
              std::vector<SliceJob>* batch) {
    batch->clear();
    char* data = buffers_[into].data();
    for (; *next < jobs.size() && batch->size() < batch_slices_; ++*next) {
      const SliceJob& job = jobs[*next];
      if (!file_ || open_ != job.file) {
        auto opened = fs_.Open(paths_[job.file], platform::OpenMode::kRead);
        if (!opened.ok()) return opened.status();
        file_ = opened.take();
        open_ = job.file;
      }
      const std::span<char> slice(data + batch->size() * slice_size_, slice_size_);
      const Result<std::size_t> read = file_->ReadAt(std::uint64_t{job.slice} * slice_size_, slice);
      if (!read.ok()) return read.status();
      std::fill(slice.begin() + static_cast<std::ptrdiff_t>(*read), slice.end(), '\0');
      bytes_ += *read;
      batch->push_back(job);
    }
    return Status::Ok();
  }

  platform::FileSystem& fs_;
  const std::vector<std::string>& paths_;
  std::uint64_t slice_size_;
  unsigned threads_;
  std::size_t batch_slices_;
  std::vector<char> buffers_[2];
  std::unique_ptr<platform::File> file_;
  std::size_t open_ = 0;
  std::uint64_t bytes_ = 0;
};

// The files of a recovery set as a check starts: files that are not there marked lost whole,
// the slices of the others to be read.
struct Survey {
  CheckResult result;
  std::vector<std::string> paths;
  std::vector<std::uint64_t> sizes;  // as found, ~0 for none
  std::vector<std::uint32_t> first_global;
  std::vector<SliceJob> jobs;
  std::uint64_t total = 0;  // bytes the recovery set describes
};

Result<Survey> SurveyFiles(platform::FileSystem& fs, const Targets& targets,
                           const par2::RecoverySet& set) {
  Survey survey;
  for (const auto& [exponent, slice] : set.slices)
    if (slice.length == set.slice_size) ++survey.result.recovery_slices;
  std::uint32_t global = 0;
  for (std::size_t f = 0; f < set.file_ids.size(); ++f) {
    const par2::FileDescription& description = set.files.at(set.file_ids[f]);
    FileCheck check;
    check.name = description.name;
    check.path = targets.paths.at(f);
    check.slices = static_cast<std::uint32_t>(set.checksums.at(set.file_ids[f]).size());
    survey.total += description.length;
    const Result<platform::FileInfo> info = fs.Inspect(check.path, true);
    if (!info.ok() || info->kind != platform::FileInfo::Kind::kRegular) {
      // A file that is not there, or no file, counts as lost whole.
      check.missing = !info.ok() && info.error() == ENOENT;
      for (std::uint32_t s = 0; s < check.slices; ++s) check.bad_slices.push_back(s);
    } else {
      for (std::uint32_t s = 0; s < check.slices; ++s) survey.jobs.push_back({f, s});
    }
    survey.sizes.push_back(info.ok() ? info->size : ~std::uint64_t{0});
    survey.paths.push_back(check.path);
    survey.first_global.push_back(global);
    global += check.slices;
    survey.result.files.push_back(std::move(check));
  }
  return survey;
}

// Hashes group g (eight slices) of a batch, for the check.
void HashGroup(const std::vector<SliceJob>& batch, const char* data, std::size_t group,
               std::uint64_t slice_size, std::vector<Md5Digest>& digests) {
  const char* slices[8] = {};
  const std::size_t first = group * 8, count = std::min<std::size_t>(8, batch.size() - first);
  for (std::size_t i = 0; i < count; ++i) slices[i] = data + (first + i) * slice_size;
  Md5Many(slices, count, slice_size, digests.data() + first);
}

// Notes the slices of a batch whose digests differ from the recorded ones; returns their
// places in the batch.
std::vector<std::size_t> RecordDigests(const par2::RecoverySet& set,
                                       const std::vector<SliceJob>& batch,
                                       const std::vector<Md5Digest>& digests, CheckResult& result) {
  std::vector<std::size_t> bad;
  for (std::size_t i = 0; i < batch.size(); ++i) {
    const par2::Id& id = set.file_ids[batch[i].file];
    if (digests[i] == set.checksums.at(id)[batch[i].slice].hash) continue;
    result.files[batch[i].file].bad_slices.push_back(batch[i].slice);
    bad.push_back(i);
  }
  return bad;
}

// Once every slice was read: which files are whole, and how many slices are bad.
void Conclude(const par2::RecoverySet& set, Survey& survey) {
  survey.result.bad_slices = 0;
  for (std::size_t f = 0; f < survey.result.files.size(); ++f) {
    FileCheck& check = survey.result.files[f];
    std::sort(check.bad_slices.begin(), check.bad_slices.end());
    check.whole =
        check.bad_slices.empty() && survey.sizes[f] == set.files.at(set.file_ids[f]).length;
    survey.result.bad_slices += static_cast<std::uint32_t>(check.bad_slices.size());
  }
}

// The recovery slices that rebuild the lost slices with these constants, and the factors that
// do it: lost slice l is the sum over j of factors[l][j] * (recovery slice j plus the sound
// slices, each times its constant to the power of exponent j).
struct Solution {
  std::vector<std::uint32_t> exponents;
  std::vector<std::vector<std::uint16_t>> factors;
};

std::optional<Solution> Solve(const par2::RecoverySet& set,
                              const std::vector<std::uint16_t>& constants) {
  // As many recovery slices as there are lost ones; other ones are tried should the matrix of
  // those first chosen not be invertible.
  std::vector<std::uint32_t> usable;
  for (const auto& [exponent, slice] : set.slices)
    if (slice.length == set.slice_size) usable.push_back(exponent);
  Solution solution;
  for (std::size_t skip = 0; skip + constants.size() <= usable.size(); ++skip) {
    solution.exponents.assign(
        usable.begin() + static_cast<std::ptrdiff_t>(skip),
        usable.begin() + static_cast<std::ptrdiff_t>(skip + constants.size()));
    if (auto inverse = InvertForRepair(constants, solution.exponents)) {
      solution.factors = std::move(*inverse);
      return solution;
    }
  }
  return std::nullopt;
}

// The factor of a sound slice (with this constant) for lost slice l.
std::uint16_t SoundFactor(const Solution& solution, std::size_t l, std::uint16_t constant) {
  std::uint16_t factor = 0;
  for (std::size_t j = 0; j < solution.exponents.size(); ++j)
    factor ^= gf::Multiply(solution.factors[l][j], gf::Power(constant, solution.exponents[j]));
  return factor;
}

// Adds each lost slice's share of the recovery slices into rebuilt (count slices, the first of
// which is lost slice first).
Status AddRecoverySlices(platform::FileSystem& fs, const par2::RecoverySet& set,
                         const Solution& solution, std::size_t first, std::size_t count,
                         char* rebuilt, unsigned threads) {
  std::vector<char> slice(set.slice_size);
  for (std::size_t j = 0; j < solution.exponents.size() && count > 0; ++j) {
    const par2::RecoverySlice& source = set.slices.at(solution.exponents[j]);
    auto file = fs.Open(source.path, platform::OpenMode::kRead);
    if (!file.ok()) return file.status();
    const Result<std::size_t> read = file->ReadAt(source.offset, slice);
    if (!read.ok()) return read.status();
    if (*read != set.slice_size) return Status::System(platform::kEndedEarly, source.path);
    ParallelFor(threads, count, [&](std::size_t l) {
      gf::Multiplier(solution.factors[first + l][j])
          .AddTo(slice.data(), rebuilt + l * set.slice_size, set.slice_size);
    });
  }
  return Status::Ok();
}

// The files being repaired, each written anew beside itself under a temporary name, and put in
// place only once each is the file the recovery set describes.
class NewFiles {
 public:
  NewFiles(platform::FileSystem& fs, const Targets& targets, const par2::RecoverySet& set,
           const CheckResult& check, const WorkOptions& options)
      : fs_(fs),
        targets_(targets),
        set_(set),
        check_(check),
        options_(options),
        files_(check.files.size()) {}

  // Whether file f is to be written: lost or damaged, and writable.
  bool Wanted(std::size_t f) const { return !check_.files[f].whole && targets_.Writable(f); }

  Status Create(std::size_t f) {
    const std::string& path = check_.files[f].path;
    const std::string prefix =
        options_.temp_prefix.empty() ? platform::FileNameOf(path) + "." : options_.temp_prefix;
    auto temp = platform::TempFile::Create(fs_, platform::FolderOf(path), prefix);
    if (!temp.ok()) return temp.status().Writing(path);
    if (f < targets_.marks.size() && !targets_.marks[f].empty())
      if (Status marked = temp->file().Write(targets_.marks[f]); !marked.ok())
        return marked.Writing(path);
    files_[f] = temp.take();
    return Status::Ok();
  }
  bool Has(std::size_t f) const { return files_[f] != nullptr; }

  Status WriteSlice(std::size_t f, std::uint32_t s, const char* data) {
    const std::uint64_t at = std::uint64_t{s} * set_.slice_size;
    const std::uint64_t length =
        std::min<std::uint64_t>(set_.slice_size, Description(f).length - at);
    platform::File& out = files_[f]->file();
    Status status = out.Seek(at);
    if (status.ok()) status = out.Write(std::span<const char>(data, length));
    return status.ok() ? status : status.Writing(check_.files[f].path);
  }

  Result<std::vector<std::string>> Place(const BeforePlacing& before_placing) {
    std::vector<char> buffer(std::size_t{1} << 20);
    for (std::size_t f = 0; f < files_.size(); ++f) {
      if (!files_[f]) continue;
      Md5 md5;
      std::uint64_t at = 0;
      for (;;) {
        const Result<std::size_t> read = files_[f]->file().ReadAt(at, buffer);
        if (!read.ok()) return read.status().Writing(check_.files[f].path);
        if (*read == 0) break;
        md5.Update(std::span<const char>(buffer.data(), *read));
        at += *read;
      }
      if (at != Description(f).length || md5.Final() != Description(f).hash)
        return Status::Error(Status::Code::kFormat, check_.files[f].path, "");
      if (Status finished = files_[f]->Finish(true); !finished.ok())
        return finished.Writing(check_.files[f].path);
    }
    if (before_placing)
      if (Status allowed = before_placing(check_); !allowed.ok()) return allowed;
    std::vector<std::string> placed;
    for (std::size_t f = 0; f < files_.size(); ++f) {
      if (!files_[f]) continue;
      if (Status put = files_[f]->PutInPlace(check_.files[f].path); !put.ok())
        return put.Writing(check_.files[f].path);
      placed.push_back(check_.files[f].path);
    }
    return placed;
  }

 private:
  const par2::FileDescription& Description(std::size_t f) const {
    return set_.files.at(set_.file_ids[f]);
  }

  platform::FileSystem& fs_;
  const Targets& targets_;
  const par2::RecoverySet& set_;
  const CheckResult& check_;
  const WorkOptions& options_;
  std::vector<std::unique_ptr<platform::TempFile>> files_;
};

}  // namespace

bool CheckResult::whole() const {
  return bad_slices == 0 &&
         std::all_of(files.begin(), files.end(), [](const FileCheck& file) { return file.whole; });
}

Result<Targets> TargetsBelow(const std::string& folder, const par2::RecoverySet& set) {
  Targets targets;
  for (const par2::Id& id : set.file_ids) {
    const std::string& name = set.files.at(id).name;
    std::string path = PathBelow(folder, name);
    if (path.empty()) return Status::Error(Status::Code::kUntrusted, name, "");
    targets.paths.push_back(std::move(path));
  }
  return targets;
}

Result<CheckResult> CheckFiles(platform::FileSystem& fs, const Targets& targets,
                               const par2::RecoverySet& set, const WorkOptions& options,
                               Progress* progress) {
  Result<Survey> survey = SurveyFiles(fs, targets, set);
  if (!survey.ok()) return survey.status();
  // The slices read are hashed eight at a time (Md5Many), each eight on a thread.
  SlicePipeline pipeline(fs, survey->paths, set.slice_size, options);
  std::vector<Md5Digest> digests(pipeline.batch_slices());
  const Status read = pipeline.Run(
      survey->jobs,
      [](const std::vector<SliceJob>& batch, const char*) { return (batch.size() + 7) / 8; },
      [&](const std::vector<SliceJob>& batch, const char* data, std::size_t group) {
        HashGroup(batch, data, group, set.slice_size, digests);
      },
      [&](const std::vector<SliceJob>& batch, const char*, std::uint64_t done) {
        RecordDigests(set, batch, digests, survey->result);
        return progress == nullptr || progress->Step(done, survey->total);
      });
  if (!read.ok()) return read;
  Conclude(set, *survey);
  return std::move(survey->result);
}

Result<std::vector<std::string>> RepairFiles(platform::FileSystem& fs, const Targets& targets,
                                             const par2::RecoverySet& set, const CheckResult& check,
                                             const WorkOptions& options, Progress* progress,
                                             const BeforePlacing& before_placing) {
  const std::uint64_t slice_size = set.slice_size;
  const std::string folder =
      targets.paths.empty() ? std::string() : platform::FolderOf(targets.paths.front());
  const std::string where = folder.empty() ? "." : folder;
  if (!check.repairable()) return Status::Error(Status::Code::kUnrecoverable, where, "");
  // The slices to compute and the sound ones.
  struct Lost {
    std::size_t file;
    std::uint32_t slice;
  };
  std::vector<std::uint32_t> first_global;
  std::vector<Lost> lost;
  std::vector<std::uint16_t> constants;
  std::vector<SliceJob> sound;
  std::vector<std::string> paths;
  std::uint32_t next = 0;
  for (std::size_t f = 0; f < check.files.size(); ++f) {
    const FileCheck& file = check.files[f];
    first_global.push_back(next);
    paths.push_back(file.path);
    std::size_t bad = 0;
    for (std::uint32_t s = 0; s < file.slices; ++s) {
      if (bad < file.bad_slices.size() && file.bad_slices[bad] == s) {
        lost.push_back({f, s});
        constants.push_back(SliceConstant(next + s));
        ++bad;
      } else {
        sound.push_back({f, s});
      }
    }
    next += file.slices;
  }
  const std::optional<Solution> solution = Solve(set, constants);
  if (!solution) return Status::Error(Status::Code::kUnrecoverable, where, "");

  NewFiles outputs(fs, targets, set, check, options);
  for (std::size_t f = 0; f < check.files.size(); ++f)
    if (outputs.Wanted(f))
      if (Status created = outputs.Create(f); !created.ok()) return created;

  // The lost slices in shares that fit the memory allowed, each share from one reading of
  // every sound slice; in the first share the sound slices of the files being repaired are
  // copied to their new files on the way.
  const auto per_pass = static_cast<std::size_t>(std::clamp<std::uint64_t>(
      options.memory / slice_size, 1, std::max<std::size_t>(lost.size(), 1)));
  std::uint64_t total_bytes = 0;
  for (const par2::Id& id : set.file_ids) total_bytes += set.files.at(id).length;
  const std::uint64_t passes = lost.empty() ? 1 : (lost.size() + per_pass - 1) / per_pass;
  const std::size_t tiles = (slice_size + kTile - 1) / kTile;
  std::uint64_t done_before = 0;
  for (std::size_t first = 0; first == 0 || first < lost.size(); first += per_pass) {
    const std::size_t count = std::min(per_pass, lost.size() - first);
    std::vector<char> rebuilt(count * slice_size, '\0');
    if (Status added =
            AddRecoverySlices(fs, set, *solution, first, count, rebuilt.data(), options.threads);
        !added.ok())
      return added;
    SlicePipeline pipeline(fs, paths, slice_size, options);
    std::vector<gf::Multiplier> factors(pipeline.batch_slices() * count);
    Status written = Status::Ok();
    const Status read = pipeline.Run(
        sound,
        [&](const std::vector<SliceJob>& batch, const char* data) {
          for (std::size_t k = 0; k < batch.size(); ++k) {
            const std::uint16_t constant =
                SliceConstant(first_global[batch[k].file] + batch[k].slice);
            for (std::size_t l = 0; l < count; ++l)
              factors[k * count + l] = gf::Multiplier(SoundFactor(*solution, first + l, constant));
            if (first == 0 && outputs.Has(batch[k].file) && written.ok())
              written = outputs.WriteSlice(batch[k].file, batch[k].slice, data + k * slice_size);
          }
          return count == 0 ? 0 : tiles;
        },
        [&](const std::vector<SliceJob>& batch, const char* data, std::size_t tile) {
          const std::size_t at = tile * kTile;
          const std::size_t length = std::min<std::size_t>(kTile, slice_size - at);
          for (std::size_t l = 0; l < count; ++l)
            for (std::size_t k = 0; k < batch.size(); ++k)
              factors[k * count + l].AddTo(data + k * slice_size + at,
                                           rebuilt.data() + l * slice_size + at, length);
        },
        [&](const std::vector<SliceJob>&, const char*, std::uint64_t bytes) {
          return written.ok() &&
                 (progress == nullptr || progress->Step(done_before + bytes, total_bytes * passes));
        });
    if (!written.ok()) return written;
    if (!read.ok()) return read;
    done_before += total_bytes;
    for (std::size_t l = 0; l < count; ++l)
      if (outputs.Has(lost[first + l].file))
        if (Status out = outputs.WriteSlice(lost[first + l].file, lost[first + l].slice,
                                            rebuilt.data() + l * slice_size);
            !out.ok())
          return out;
    if (lost.empty()) break;
  }
  return outputs.Place(before_placing);
}

Result<RepairOutcome> CheckAndRepair(platform::FileSystem& fs, const Targets& targets,
                                     const par2::RecoverySet& set, const WorkOptions& options,
                                     Progress* progress, const BeforePlacing& before_placing) {
  const std::uint64_t slice_size = set.slice_size;
  Result<Survey> survey = SurveyFiles(fs, targets, set);
  if (!survey.ok()) return survey.status();
  // The slices of the files that are not there are known to be lost before anything is read:
  // they are rebuilt while the others are checked, when the recovery data and the memory
  // allowed suffice.
  std::vector<std::pair<std::size_t, std::uint32_t>> lost;  // file, slice
  std::vector<std::uint16_t> constants;
  for (std::size_t f = 0; f < survey->result.files.size(); ++f)
    for (const std::uint32_t s : survey->result.files[f].bad_slices) {
      lost.emplace_back(f, s);
      constants.push_back(SliceConstant(survey->first_global[f] + s));
    }
  std::optional<Solution> solution;
  if (!lost.empty() && lost.size() * slice_size <= options.memory) solution = Solve(set, constants);
  const std::size_t count = solution ? lost.size() : 0;
  std::vector<char> rebuilt(count * slice_size, '\0');
  if (count > 0)
    if (Status added =
            AddRecoverySlices(fs, set, *solution, 0, count, rebuilt.data(), options.threads);
        !added.ok())
      return added;

  // One reading: each batch's slices are hashed eight at a time and added into the rebuilt
  // slices tile by tile; a slice found damaged is added once more, which takes it out again.
  SlicePipeline pipeline(fs, survey->paths, slice_size, options);
  std::vector<Md5Digest> digests(pipeline.batch_slices());
  std::vector<gf::Multiplier> factors(pipeline.batch_slices() * count);
  const std::size_t tiles = count == 0 ? 0 : (slice_size + kTile - 1) / kTile;
  bool damaged = false;
  const Status read = pipeline.Run(
      survey->jobs,
      [&](const std::vector<SliceJob>& batch, const char*) {
        for (std::size_t k = 0; k < batch.size() && count > 0; ++k) {
          const std::uint16_t constant =
              SliceConstant(survey->first_global[batch[k].file] + batch[k].slice);
          for (std::size_t l = 0; l < count; ++l)
            factors[k * count + l] = gf::Multiplier(SoundFactor(*solution, l, constant));
        }
        return (batch.size() + 7) / 8 + tiles;
      },
      [&](const std::vector<SliceJob>& batch, const char* data, std::size_t task) {
        const std::size_t groups = (batch.size() + 7) / 8;
        if (task < groups) return HashGroup(batch, data, task, slice_size, digests);
        const std::size_t at = (task - groups) * kTile;
        const std::size_t length = std::min<std::size_t>(kTile, slice_size - at);
        for (std::size_t l = 0; l < count; ++l)
          for (std::size_t k = 0; k < batch.size(); ++k)
            factors[k * count + l].AddTo(data + k * slice_size + at,
                                         rebuilt.data() + l * slice_size + at, length);
      },
      [&](const std::vector<SliceJob>& batch, const char* data, std::uint64_t done) {
        // The batch's bytes are still there: a damaged slice's share is taken out again.
        for (const std::size_t k : RecordDigests(set, batch, digests, survey->result)) {
          damaged = true;
          for (std::size_t l = 0; l < count; ++l)
            factors[k * count + l].AddTo(data + k * slice_size, rebuilt.data() + l * slice_size,
                                         slice_size);
        }
        return progress == nullptr || progress->Step(done, survey->total);
      });
  if (!read.ok()) return read;
  Conclude(set, *survey);
  RepairOutcome outcome{std::move(survey->result), {}};
  if (outcome.check.whole() || !outcome.check.repairable()) return outcome;
  bool any_wanted = false;
  for (std::size_t f = 0; f < outcome.check.files.size(); ++f)
    any_wanted = any_wanted || (!outcome.check.files[f].whole && targets.Writable(f));
  if (!any_wanted) return outcome;
  // Slices found damaged on the way, lost ones the memory could not hold, or a file that is
  // there but not whole (bytes after its end): the repair reads the files once more.
  bool present_not_whole = false;
  for (std::size_t f = 0; f < outcome.check.files.size(); ++f)
    present_not_whole = present_not_whole ||
                        (!outcome.check.files[f].whole && survey->sizes[f] != ~std::uint64_t{0});
  if (damaged || count < lost.size() || !solution || present_not_whole) {
    Result<std::vector<std::string>> repaired =
        RepairFiles(fs, targets, set, outcome.check, options, progress, before_placing);
    if (!repaired.ok()) return repaired.status();
    outcome.repaired = repaired.take();
    return outcome;
  }
  NewFiles outputs(fs, targets, set, outcome.check, options);
  for (std::size_t l = 0; l < count; ++l) {
    const auto [f, s] = lost[l];
    if (!outputs.Wanted(f)) continue;
    if (!outputs.Has(f))
      if (Status created = outputs.Create(f); !created.ok()) return created;
    if (Status written = outputs.WriteSlice(f, s, rebuilt.data() + l * slice_size); !written.ok())
      return written;
  }
  Result<std::vector<std::string>> placed = outputs.Place(before_placing);
  if (!placed.ok()) return placed.status();
  outcome.repaired = placed.take();
  return outcome;
}

}  // namespace vornalis::recovery
