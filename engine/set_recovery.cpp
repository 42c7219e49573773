#include "engine/set_recovery.h"

#include <algorithm>
#include <array>

#include "engine/format.h"
#include "engine/messages.h"
#include "engine/own_files.h"
#include "engine/piece_set.h"
#include "engine/set_reader.h"
#include "engine/verify.h"
#include "platform/path.h"

namespace vornalis {
namespace {

namespace par2 = recovery::par2;

std::string Folder(const SetPaths& paths) { return platform::FolderOf(paths.base); }

// The user's message for a failure of the recovery functions: a read of one of the files read
// (the set's, or recovery files), or a write of a new file, which a temporary name beside the
// file it is to become may stand for.
Status Said(const Status& status, const std::vector<std::string>& read,
            const std::vector<std::string>& written) {
  if (status.ok() || !status.message.empty()) return status;
  switch (status.code) {
    case Status::Code::kIo:
      break;
    case Status::Code::kRefused:  // a stop asked for, or a name that leads out of the folder
      return messages::Said(status, status.path.empty()
                                        ? std::string(messages::kRecoveryStopped)
                                        : messages::UnsafeRecoveryName(status.path));
    case Status::Code::kFormat:
      return messages::Said(status, messages::RepairedFileMismatch(status.path));
    default:
      return status;
  }
  const auto named = [&](const std::vector<std::string>& paths) {
    return std::find(paths.begin(), paths.end(), status.path) != paths.end();
  };
  if (status.error == platform::kEndedEarly || named(read) || named(written))
    return messages::ReadFailed(status);
  for (const std::string& path : written)
    if (status.path.compare(0, path.size(), path) == 0)
      return messages::WriteFailed(status.For(path));
  return messages::WriteFailed(status);
}

std::vector<std::string> PathsOf(const std::vector<recovery::InputFile>& files) {
  std::vector<std::string> paths;
  for (const recovery::InputFile& file : files) paths.push_back(file.path);
  return paths;
}

// The set's files as they lie when it is closed: the header, the data pieces that are files of
// their own (not the tail kept in the header) and the overflow pieces of the catalogue.
Result<std::vector<recovery::InputFile>> SetFiles(platform::FileSystem& fs, const SetPaths& paths,
                                                  std::uint32_t* piece_size) {
  SetReader reader(fs, paths);
  if (Status opened = reader.Open(); !opened.ok()) return opened;
  *piece_size = reader.piece_size();
  std::vector<recovery::InputFile> files{{paths.Header(), platform::FileNameOf(paths.Header())}};
  const std::uint32_t last = reader.last_piece();
  for (std::uint32_t n = 1; n <= last + reader.overflow_count(); ++n) {
    if (n == last && reader.tail_length() > 0) continue;
    files.push_back({paths.Piece(n), platform::FileNameOf(paths.Piece(n))});
  }
  return files;
}

// Which of the set's files name is: 0 for the header, n for piece n, -1 for none.
std::int64_t PieceOfName(const SetPaths& paths, const std::string& name) {
  if (name == platform::FileNameOf(paths.Header())) return 0;
  const std::uint32_t n = PieceNumberOf(paths, name);
  return n == 0 ? -1 : n;
}

// Whether the file at path, which the recovery set names as the set's header (piece 0) or
// piece n and whose bytes do not match, may be replaced: it may not be another set's header or
// piece (or anything else that is not a plain file of this user).
Status MayReplace(platform::FileSystem& fs, const std::string& path, std::uint32_t piece,
                  std::uint32_t owner) {
  const Result<platform::FileInfo> info = fs.Inspect(path);
  if (!info.ok()) return Status::Ok();  // missing
  if (info->kind != platform::FileInfo::Kind::kRegular || info->links != 1 || info->owner != owner)
    return messages::InTheWay(path);
  auto file = fs.Open(path, platform::OpenMode::kRead);
  std::array<char, format::kPieceHeadSize> head{};
  const Result<std::size_t> read = file.ok() ? file->ReadAt(0, head) : Result<std::size_t>(0);
  if (!read.ok() || *read < head.size()) return Status::Ok();  // cut short: damaged
  const std::string_view magic(head.data(), 4);
  // A header where a piece belongs, a piece where the header belongs or a piece of another
  // number is some other set's sound file, not a damaged one of this set.
  const bool other = piece == 0 ? magic == format::kPieceMagic
                                : magic == format::kHeaderMagic ||
                                      (magic == format::kPieceMagic && !IsPieceHead(head, piece));
  if (other)
    return Status::Error(Status::Code::kNameTaken, path, messages::BelongsToAnotherSet(path));
  return Status::Ok();
}

}  // namespace

std::vector<std::string> FindRecoveryFiles(platform::FileSystem& fs, const SetPaths& paths) {
  std::vector<std::string> found;
  const std::string folder = Folder(paths);
  const Result<std::vector<platform::DirEntry>> entries =
      fs.ListDirectory(folder.empty() ? "." : folder);
  if (!entries.ok()) return found;
  const std::string header = platform::FileNameOf(paths.Header());
  for (const platform::DirEntry& entry : *entries) {
    if (!entry.is_regular || entry.is_link) continue;
    // The set's own names hold its header and pieces, never recovery files; thousands of small
    // pieces are not opened for nothing.
    if (entry.name == header || PieceNumberOf(paths, entry.name) != 0) continue;
    const std::string path = folder + entry.name;
    auto file = fs.Open(path, platform::OpenMode::kRead);
    const Result<std::uint64_t> size = file.ok() ? file->Size() : Result<std::uint64_t>(0);
    if (file.ok() && size.ok() && IsRecoveryFileFor(*file, *size, paths)) found.push_back(path);
  }
  std::sort(found.begin(), found.end());
  return found;
}

Result<ProtectReport> ProtectSet(platform::FileSystem& fs, const SetPaths& paths,
                                 const ProtectRequest& request, recovery::Progress* progress) {
  Result<std::unique_ptr<platform::Lock>> lock = LockSet(fs, paths);
  if (!lock.ok()) return lock.status();
  std::uint32_t piece_size = 0;
  Result<std::vector<recovery::InputFile>> files = SetFiles(fs, paths, &piece_size);
  if (!files.ok()) return files.status();
  recovery::PlanRequest plan_request;
  for (const recovery::InputFile& file : *files) {
    const Result<platform::FileInfo> info = fs.Inspect(file.path, true);
    if (!info.ok()) return messages::OpenFailed(info.status());
    plan_request.file_sizes.push_back(info->size);
    plan_request.names.push_back(file.name);
  }
  plan_request.redundancy_percent = request.redundancy_percent;
  plan_request.recovery_files = request.recovery_files;
  plan_request.media_size = piece_size;
  ProtectReport report;
  report.plan = recovery::PlanRecovery(plan_request);
  const std::vector<std::string> older = FindRecoveryFiles(fs, paths);
  Result<recovery::CreateOutcome> made = recovery::CreateRecoveryFiles(
      fs, Folder(paths), SetNameOf(paths.base), *files, report.plan, request.work, progress);
  if (!made.ok()) return Said(made.status(), PathsOf(*files), {});
  report.outcome = made.take();
  // The older recovery files go only now that the new ones are all in place.
  for (const std::string& path : older) {
    const auto& written = report.outcome.written;
    if (std::find(written.begin(), written.end(), path) != written.end()) continue;
    if (fs.Remove(path).ok()) report.removed.push_back(path);
  }
  return report;
}

Result<SetRecovery> LoadSetRecovery(platform::FileSystem& fs, const SetPaths& paths,
                                    unsigned threads) {
  const std::vector<std::string> files = FindRecoveryFiles(fs, paths);
  if (files.empty())
    return Status::Error(Status::Code::kNotFound, paths.Header(),
                         messages::NoRecoveryFiles(paths.Header()));
  recovery::par2::ReadResult read = recovery::par2::ReadRecoveryFiles(fs, files, threads);
  SetRecovery found;
  for (const std::string& path : read.damaged)
    found.warnings.push_back(messages::DamagedRecoveryFile(path));
  // The set is the complete one that describes the set's header, else the one with most
  // recovery slices among those that describe its pieces.
  const recovery::par2::RecoverySet* best = nullptr;
  const auto score = [&](const recovery::par2::RecoverySet& set) {
    bool header = false, pieces = false;
    for (const auto& [id, file] : set.files) {
      header = header || PieceOfName(paths, file.name) == 0;
      pieces = pieces || PieceOfName(paths, file.name) > 0;
    }
    if (!set.Complete() || !(header || pieces)) return std::uint64_t{0};
    return (header ? std::uint64_t{1} << 32 : 0) + set.slices.size() + 1;
  };
  for (const auto& [id, set] : read.sets)
    if (score(set) > 0 && (best == nullptr || score(set) > score(*best))) best = &set;
  if (best == nullptr)
    return Status::Error(Status::Code::kNotFound, paths.Header(),
                         messages::NoRecoveryFiles(paths.Header()));
  for (const auto& [id, set] : read.sets) {
    if (&set == best) continue;
    for (const std::string& path : set.paths)
      if (std::find(best->paths.begin(), best->paths.end(), path) == best->paths.end())
        found.warnings.push_back(messages::OtherRecoveryFile(path));
  }
  found.set = *best;
  return found;
}

namespace {

// The check's findings with the pieces named and the stored files they hold.
SetCheck Described(platform::FileSystem& fs, const SetPaths& paths, recovery::CheckResult result) {
  SetCheck check;
  check.result = std::move(result);
  // The stored files each damaged piece holds bytes of, when the catalogue can be read.
  std::map<std::uint32_t, std::vector<std::string>> users;
  const bool header_whole = std::all_of(
      check.result.files.begin(), check.result.files.end(),
      [&](const recovery::FileCheck& f) { return f.whole || PieceOfName(paths, f.name) != 0; });
  if (header_whole) {
    PieceSet set(paths, SetAccess::kReadOnly, fs);
    if (set.LastStatus().ok()) users = FilesByPiece(set);
  }
  for (const recovery::FileCheck& file : check.result.files) {
    if (file.whole) continue;
    const std::int64_t piece = PieceOfName(paths, file.name);
    DamagedFile damaged{file.path,
                        piece > 0 ? static_cast<std::uint32_t>(piece) : 0,
                        file.missing,
                        static_cast<std::uint32_t>(file.bad_slices.size()),
                        {}};
    if (piece > 0) damaged.affected = users[damaged.piece];
    check.damaged.push_back(std::move(damaged));
  }
  return check;
}

}  // namespace

Result<SetCheck> CheckSet(platform::FileSystem& fs, const SetPaths& paths,
                          const SetRecovery& recovery, const recovery::WorkOptions& work,
                          recovery::Progress* progress) {
  Result<std::unique_ptr<platform::Lock>> lock = LockSet(fs, paths);
  if (!lock.ok()) return lock.status();
  Result<recovery::CheckResult> checked =
      recovery::CheckFiles(fs, Folder(paths), recovery.set, work, progress);
  if (!checked.ok()) return Said(checked.status(), {checked.status().path}, {});
  return Described(fs, paths, checked.take());
}

Result<SetRepair> RepairSet(platform::FileSystem& fs, const SetPaths& paths,
                            const SetRecovery& recovery, const recovery::WorkOptions& work,
                            recovery::Progress* progress) {
  Result<std::unique_ptr<platform::Lock>> lock = LockSet(fs, paths);
  if (!lock.ok()) return lock.status();
  // Only files of this set are replaced: a sound file of another set under one of its names
  // stops the repair before anything changes.
  const std::uint32_t owner = platform::CurrentUser();
  const recovery::BeforePlacing only_own = [&](const recovery::CheckResult& check) {
    for (const recovery::FileCheck& file : check.files) {
      if (file.whole) continue;
      const std::int64_t piece = PieceOfName(paths, file.name);
      if (Status may =
              MayReplace(fs, file.path, piece > 0 ? static_cast<std::uint32_t>(piece) : 0, owner);
          !may.ok())
        return may;
    }
    return Status::Ok();
  };
  Result<recovery::RepairOutcome> done =
      recovery::CheckAndRepair(fs, Folder(paths), recovery.set, work, progress, only_own);
  if (!done.ok()) {
    const Status& status = done.status();
    if (status.code == Status::Code::kRefused && !status.path.empty() && status.message.empty())
      return messages::Said(status, messages::CannotRebuild(paths.Header()));
    // Reads are of the set's files and of recovery files; writes of the new files.
    std::vector<std::string> read = recovery.set.paths;
    for (const std::string& path : FindRecoveryFiles(fs, paths)) read.push_back(path);
    std::vector<std::string> written;
    for (const par2::Id& id : recovery.set.file_ids)
      written.push_back(Folder(paths) + recovery.set.files.at(id).name);
    return Said(status, read, written);
  }
  SetRepair repair{Described(fs, paths, std::move(done->check)), std::move(done->repaired)};
  if (!repair.check.whole() && !repair.check.result.repairable())
    return Status::Error(
        Status::Code::kRefused, paths.Header(),
        messages::TooMuchLost(repair.check.result.bad_slices, repair.check.result.recovery_slices));
  return repair;
}

}  // namespace vornalis
