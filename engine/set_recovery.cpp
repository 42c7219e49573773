#include "engine/set_recovery.h"

#include <algorithm>
#include <array>
#include <map>

#include "engine/file_identity.h"
#include "engine/format.h"
#include "engine/leftovers.h"
#include "engine/messages.h"
#include "engine/piece_layout.h"
#include "engine/piece_set.h"
#include "engine/set_history.h"
#include "engine/set_reader.h"
#include "engine/set_state.h"
#include "engine/verify.h"
#include "platform/path.h"

namespace vornalis {
namespace {

namespace par2 = recovery::par2;

std::string Folder(const SetPaths& paths) { return platform::FolderOf(paths.base); }

std::string PathOfNumber(const SetPaths& paths, std::uint32_t number) {
  return number == 0 ? paths.Header() : paths.Piece(number);
}

// The user's message for a failure of the recovery functions: a read of a file (the set's, or a
// recovery file), or a write of a new file.
Status Said(const Status& status) {
  if (status.ok() || !status.message.empty()) return status;
  switch (status.code) {
    case Status::Code::kIo:
      return status.writing ? messages::WriteFailed(status) : messages::ReadFailed(status);
    case Status::Code::kStopped:
      return messages::Said(status, std::string(messages::kRecoveryStopped));
    case Status::Code::kFormat:
      return messages::Said(status, messages::RepairedFileMismatch(status.path));
    default:
      return status;
  }
}

// The set's files as they lie when it is closed: the header, the data pieces that are files of
// their own (not the tail kept in the header) and the overflow pieces of the catalogue.
Result<std::vector<recovery::InputFile>> SetFiles(platform::FileSystem& fs, const SetPaths& paths,
                                                  std::uint32_t* piece_size) {
  SetReader reader(fs, paths);
  if (Status opened = reader.Open(); !opened.ok()) return opened;
  *piece_size = reader.piece_size();
  std::vector<StoredFile> entries;
  std::vector<char> buffer(format::kBufferSize);
  if (Status read = reader.ReadCatalogue(&entries, buffer); !read.ok()) return read;
  const std::uint32_t last = reader.last_piece();
  // A last piece begun for an empty file holds no stored byte, and the writer keeps no file of
  // it: nothing of it is to be protected.
  const bool last_holds_bytes = std::any_of(entries.begin(), entries.end(), [&](const auto& e) {
    return SpanOf(e, reader.piece_size()).last == last && e.Size > 0;
  });
  std::vector<recovery::InputFile> files{{paths.Header(), platform::FileNameOf(paths.Header())}};
  for (std::uint32_t n = 1; n <= last + reader.overflow_count(); ++n) {
    if (n == last && (reader.tail_length() > 0 || !last_holds_bytes)) continue;
    files.push_back({paths.Piece(n), platform::FileNameOf(paths.Piece(n))});
  }
  return files;
}

// Whether the file at path, which the recovery set names as the set's header (piece 0) or
// piece n and whose bytes do not match, may be replaced: it may not be another set's header or
// piece, nor anything else that is not a plain file of this user. A second name (a snapshot's
// hard link) is no reason to refuse when the head says the file is this piece: the rename that
// replaces it leaves the other name its own copy.
Status MayReplace(platform::FileSystem& fs, const std::string& path, std::uint32_t piece,
                  std::uint32_t owner) {
  const Result<platform::FileInfo> info = fs.Inspect(path);
  if (!info.ok()) return Status::Ok();  // missing
  if (info->kind != platform::FileInfo::Kind::kRegular || info->owner != owner)
    return messages::InTheWay(path);
  auto file = fs.Open(path, platform::OpenMode::kRead);
  std::array<char, format::kPieceHeadSize> head{};
  const Result<std::size_t> read = file.ok() ? file->ReadAt(0, head) : Result<std::size_t>(0);
  const bool whole_head = read.ok() && *read == head.size();
  const std::string_view magic(head.data(), whole_head ? 4 : 0);
  const bool own_head = piece == 0 ? format::IsHeaderMagic(magic) : IsPieceHead(head, piece);
  if (info->links != 1 && !own_head) return messages::InTheWay(path);
  if (!whole_head) return Status::Ok();  // cut short: damaged
  // A header where a piece belongs, a piece where the header belongs or a piece of another
  // number is some other set's sound file, not a damaged one of this set.
  const bool other =
      piece == 0 ? magic == format::kPieceMagic
                 : format::IsHeaderMagic(magic) || (magic == format::kPieceMagic && !own_head);
  if (other)
    return Status::Error(Status::Code::kNameTaken, path, messages::BelongsToAnotherSet(path));
  return Status::Ok();
}

// How the recovery files stand to the header in force, and which of their files are not the
// set's as it is now (changed with it, or no files of it): those are neither checked nor
// written.
struct Standing {
  RecoveryAge age = RecoveryAge::kCurrent;
  std::uint32_t kept_pieces = 0;
  std::vector<bool> changed;  // by file of the recovery set
};

Standing JudgeAge(platform::FileSystem& fs, const SetPaths& paths, const SetRecovery& recovery,
                  HeaderRepair header_repair) {
  const par2::RecoverySet& set = recovery.set;
  Standing standing{RecoveryAge::kCurrent, 0, std::vector<bool>(set.file_ids.size(), false)};
  std::size_t header = 0;
  while (recovery.numbers[header] != 0) ++header;
  const par2::FileDescription& described = set.files.at(set.file_ids[header]);
  const FileIdentity protected_header{described.length, described.hash};
  const std::optional<FileIdentity> now = IdentityOf(fs, paths.Header());
  // A header that is missing or cannot be read is for the check to judge, and to repair.
  if (!now) return standing;
  if (*now == protected_header) {
    // The header is the one described: pieces it does not refer to are no files of the set,
    // whatever the recovery files say, and are never written.
    SetReader reader(fs, paths);
    if (reader.Open().ok())
      for (std::size_t f = 0; f < set.file_ids.size(); ++f) {
        const std::uint32_t n = recovery.numbers[f];
        standing.changed[f] = n > std::uint64_t{reader.last_piece()} + reader.overflow_count() ||
                              (n == reader.last_piece() && reader.tail_length() > 0);
      }
    return standing;
  }
  if (const std::optional<std::uint32_t> kept =
          PiecesKeptSince(ReadHistory(fs, paths), protected_header, *now)) {
    // Adds of this program made the header now: it and the pieces they wrote are newer than the
    // recovery files; the pieces before those hold what they held.
    standing.age = RecoveryAge::kAdded;
    standing.kept_pieces = *kept;
    for (std::size_t f = 0; f < set.file_ids.size(); ++f)
      standing.changed[f] = recovery.numbers[f] == 0 || recovery.numbers[f] > *kept;
    return standing;
  }
  // Nothing recorded leads here: a header that reads as a sound set is somebody's (even one with
  // the names and sizes of the set protected: a set made anew can have them), and is left as it
  // is with every piece; one that does not is damaged.
  if (header_repair == HeaderRepair::kWhenDamaged && HeaderReadsAsSound(fs, paths)) {
    standing.age = RecoveryAge::kDiffers;
    standing.changed.assign(set.file_ids.size(), true);
  }
  return standing;
}

recovery::Targets TargetsOf(const SetPaths& paths, const SetRecovery& recovery,
                            const Standing& standing) {
  recovery::Targets targets;
  for (const std::uint32_t n : recovery.numbers) {
    targets.paths.push_back(PathOfNumber(paths, n));
    targets.marks.emplace_back(n == 0 ? format::kHeaderMagic : format::kPieceMagic);
  }
  for (const bool changed : standing.changed) targets.writable.push_back(!changed);
  return targets;
}

// The check's findings with the pieces named and the stored files they hold; files that changed
// with the set are not damaged.
SetCheck Described(platform::FileSystem& fs, const SetPaths& paths, const SetRecovery& recovery,
                   const Standing& standing, recovery::CheckResult result) {
  SetCheck check;
  check.age = standing.age;
  check.kept_pieces = standing.kept_pieces;
  check.result = std::move(result);
  // The stored files each damaged piece holds bytes of, when the catalogue can be read.
  std::map<std::uint32_t, std::vector<std::string>> users;
  bool header_readable = standing.age == RecoveryAge::kAdded;
  for (std::size_t f = 0; f < check.result.files.size(); ++f)
    if (recovery.numbers[f] == 0) header_readable = header_readable || check.result.files[f].whole;
  if (header_readable) {
    PieceSet set(paths, SetAccess::kReadOnly, fs);
    if (set.LastStatus().ok()) users = FilesByPiece(set);
  }
  for (std::size_t f = 0; f < check.result.files.size(); ++f) {
    const recovery::FileCheck& file = check.result.files[f];
    if (file.whole || standing.changed[f]) continue;
    const std::uint32_t piece = recovery.numbers[f];
    DamagedFile damaged{file.path,    piece,
                        file.missing, static_cast<std::uint32_t>(file.bad_slices.size()),
                        file.slices,  {}};
    if (piece > 0) damaged.affected = users[piece];
    check.damaged.push_back(std::move(damaged));
  }
  return check;
}

// The outcome of a check that checks nothing: the header in force is not the one protected, and
// nothing this program recorded leads to it; what each says the set holds is told.
SetCheck Unchecked(platform::FileSystem& fs, const SetPaths& paths, const SetRecovery& recovery,
                   const Standing& standing) {
  SetCheck check;
  check.age = standing.age;
  check.protected_state = recovery.state;
  if (const Result<SetState> now = ReadSetState(fs, paths); now.ok()) check.state_now = *now;
  return check;
}

// The lock on the set for a recovery command, with what a protect or repair that died left
// behind removed.
Result<std::unique_ptr<platform::Lock>> LockForRecovery(platform::FileSystem& fs,
                                                        const SetPaths& paths) {
  Result<std::unique_ptr<platform::Lock>> lock = LockSet(fs, paths);
  if (lock.ok()) RemoveSetTemporaries(fs, paths);
  return lock;
}

recovery::WorkOptions WithSetTemporaries(recovery::WorkOptions work, const SetPaths& paths) {
  work.temp_prefix = TempPrefix(paths.base);
  return work;
}

// Pieces of the set beyond the end of the header in place (one a repair just put back): they hold
// files stored after the recovery files were made. Each is renamed aside, so that no later add
// takes its name and overwrites it.
std::vector<LostPiece> SetAsideBeyond(platform::FileSystem& fs, const SetPaths& paths) {
  std::vector<LostPiece> lost;
  SetReader reader(fs, paths);
  if (!reader.Open().ok()) return lost;
  const std::uint64_t end = std::uint64_t{reader.last_piece()} + reader.overflow_count();
  const std::string folder = Folder(paths);
  const Result<std::vector<platform::DirEntry>> entries =
      fs.ListDirectory(folder.empty() ? "." : folder);
  if (!entries.ok()) return lost;
  const SetNameMatcher names = FolderNameMatcher(fs, paths);
  const std::uint32_t owner = platform::CurrentUser();
  std::vector<std::pair<std::uint32_t, std::string>> beyond;
  for (const platform::DirEntry& entry : *entries) {
    const std::optional<std::uint32_t> n = names.Of(entry.name);
    if (!n || *n <= end || !entry.is_regular || entry.is_link) continue;
    const std::string path = folder + entry.name;
    const Result<platform::FileInfo> info = fs.Inspect(path);
    auto file = fs.Open(path, platform::OpenMode::kRead);
    std::array<char, format::kPieceHeadSize> head{};
    const Result<std::size_t> read = file.ok() ? file->ReadAt(0, head) : Result<std::size_t>(0);
    if (info.ok() && info->owner == owner && read.ok() && *read == head.size() &&
        IsPieceHead(head, *n))
      beyond.emplace_back(*n, path);
  }
  std::sort(beyond.begin(), beyond.end());
  for (const auto& [n, path] : beyond) {
    LostPiece piece{path, ""};
    for (int i = 0; i < 100 && piece.kept_as.empty(); ++i) {
      const std::string aside = path + ".lost" + (i == 0 ? std::string() : std::to_string(i));
      if (fs.Inspect(aside).ok()) continue;
      if (fs.Rename(path, aside).ok()) piece.kept_as = aside;
      break;
    }
    lost.push_back(std::move(piece));
  }
  if (!lost.empty()) (void)fs.SyncFolderEntries(folder);
  return lost;
}

}  // namespace

Result<ProtectReport> ProtectSet(platform::FileSystem& fs, const SetPaths& paths,
                                 const ProtectRequest& request, recovery::Progress* progress) {
  Result<std::unique_ptr<platform::Lock>> lock = LockForRecovery(fs, paths);
  if (!lock.ok()) return lock.status();
  std::uint32_t piece_size = 0;
  Result<std::vector<recovery::InputFile>> files = SetFiles(fs, paths, &piece_size);
  if (!files.ok()) return files.status();
  const Result<SetState> state = ReadSetState(fs, paths);
  if (!state.ok()) return state.status();
  const std::string state_body = EncodeSetState(*state);
  recovery::PlanRequest plan_request;
  for (const recovery::InputFile& file : *files) {
    const Result<platform::FileInfo> info = fs.Inspect(file.path, true);
    if (!info.ok()) return messages::OpenFailed(info.status());
    plan_request.file_sizes.push_back(info->size);
    plan_request.names.push_back(file.name);
  }
  const bool by_default = request.redundancy_percent == 0;
  plan_request.redundancy_percent =
      by_default ? kDefaultRedundancyPercent : request.redundancy_percent;
  plan_request.cover_largest_file = by_default;
  plan_request.recovery_files = request.recovery_files;
  plan_request.media_size = piece_size;
  plan_request.state_length = state_body.size();
  ProtectReport report;
  report.plan = recovery::PlanRecovery(plan_request);
  if (report.plan.slice_size > par2::kMaxSliceSize)
    return Status::Error(Status::Code::kRefused, paths.Header(),
                         messages::SetTooLargeToProtect(paths.Header()));

  // The names the new files take must be free or hold this set's recovery files; and the older
  // recovery files that go are those under such names.
  const std::string folder = Folder(paths);
  const std::string base_name = SetNameOf(paths.base);
  const std::vector<std::string> names = recovery::RecoveryFileNames(base_name, report.plan);
  for (const std::string& name : names) {
    const std::string path = folder + name;
    if (fs.Inspect(path).ok() && !IsOwnRecoveryFileByName(fs, paths, path))
      return Status::Error(Status::Code::kNameTaken, path, messages::NotOwnRecoveryFile(path));
  }
  const std::vector<std::string> older = OwnRecoveryFilesByName(fs, paths);

  Result<recovery::CreateOutcome> made =
      recovery::CreateRecoveryFiles(fs, folder, base_name, *files, report.plan, state_body,
                                    WithSetTemporaries(request.work, paths), progress);
  if (!made.ok()) return Said(made.status());
  report.outcome = made.take();
  // The older recovery files go only now that the new ones are all in place.
  for (const std::string& path : older) {
    const auto& written = report.outcome.written;
    if (std::find(written.begin(), written.end(), path) != written.end()) continue;
    if (fs.Remove(path).ok()) report.removed.push_back(path);
  }
  // The adds recorded are those of a set the new files protect as it is.
  SetHistory history = ReadHistory(fs, paths);
  if (!history.adds.empty()) {
    history.adds.clear();
    (void)WriteHistory(fs, paths, history);
  }
  return report;
}

Result<SetCheck> CheckSet(platform::FileSystem& fs, const SetPaths& paths,
                          const SetRecovery& recovery, const recovery::WorkOptions& work,
                          recovery::Progress* progress) {
  // Only reading: the set's last commit is checked, whoever holds it open. When nobody does,
  // what a protect or repair that died left behind goes first (the lock is taken for that only).
  (void)LockForRecovery(fs, paths);
  const Standing standing = JudgeAge(fs, paths, recovery, HeaderRepair::kWhenDamaged);
  if (standing.age == RecoveryAge::kDiffers) return Unchecked(fs, paths, recovery, standing);
  const recovery::Targets targets = TargetsOf(paths, recovery, standing);
  Result<recovery::CheckResult> checked =
      recovery::CheckFiles(fs, targets, recovery.set, work, progress);
  if (!checked.ok()) return Said(checked.status());
  return Described(fs, paths, recovery, standing, checked.take());
}

Result<SetRepair> RepairSet(platform::FileSystem& fs, const SetPaths& paths,
                            const SetRecovery& recovery, const recovery::WorkOptions& work,
                            recovery::Progress* progress, HeaderRepair header) {
  Result<std::unique_ptr<platform::Lock>> lock = LockForRecovery(fs, paths);
  if (!lock.ok()) return lock.status();
  const Standing standing = JudgeAge(fs, paths, recovery, header);
  if (standing.age == RecoveryAge::kDiffers) {
    SetRepair nothing;
    nothing.check = Unchecked(fs, paths, recovery, standing);
    return nothing;
  }
  const recovery::Targets targets = TargetsOf(paths, recovery, standing);
  // Only files of this set are replaced: a sound file of another set under one of its names
  // stops the repair before anything changes.
  const std::uint32_t owner = platform::CurrentUser();
  const recovery::BeforePlacing only_own = [&](const recovery::CheckResult& check) {
    for (std::size_t f = 0; f < check.files.size(); ++f) {
      if (check.files[f].whole || !targets.Writable(f)) continue;
      if (Status may = MayReplace(fs, check.files[f].path, recovery.numbers[f], owner); !may.ok())
        return may;
    }
    return Status::Ok();
  };
  Result<recovery::RepairOutcome> done = recovery::CheckAndRepair(
      fs, targets, recovery.set, WithSetTemporaries(work, paths), progress, only_own);
  if (!done.ok()) {
    const Status& status = done.status();
    if (status.code == Status::Code::kUnrecoverable)
      return messages::Said(status, messages::CannotRebuild(paths.Header()));
    return Said(status);
  }
  SetRepair repair{Described(fs, paths, recovery, standing, std::move(done->check)),
                   std::move(done->repaired),
                   {}};
  if (!repair.check.damaged.empty() && !repair.check.repairable())
    return Status::Error(
        Status::Code::kRefused, paths.Header(),
        messages::TooMuchLost(repair.check.result.bad_slices, repair.check.result.recovery_slices));
  const bool header_put_back =
      std::any_of(repair.check.damaged.begin(), repair.check.damaged.end(),
                  [](const DamagedFile& file) { return file.piece == 0; }) &&
      !repair.repaired.empty();
  if (header_put_back) repair.lost = SetAsideBeyond(fs, paths);
  return repair;
}

}  // namespace vornalis
