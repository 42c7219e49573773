#include "engine/set_recovery.h"

#include <algorithm>
#include <array>
#include <map>

#include "engine/format.h"
#include "engine/leftovers.h"
#include "engine/messages.h"
#include "engine/piece_layout.h"
#include "engine/piece_set.h"
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
    case Status::Code::kRefused:  // a stop asked for
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
  std::vector<recovery::InputFile> files{{paths.Header(), platform::FileNameOf(paths.Header())}};
  const std::uint32_t last = reader.last_piece();
  for (std::uint32_t n = 1; n <= last + reader.overflow_count(); ++n) {
    if (n == last && reader.tail_length() > 0) continue;
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

// The MD5 and length of the file at path; nothing when it cannot be read.
std::optional<std::pair<std::uint64_t, recovery::Md5Digest>> HashFile(platform::FileSystem& fs,
                                                                      const std::string& path) {
  auto file = fs.Open(path, platform::OpenMode::kRead);
  if (!file.ok()) return std::nullopt;
  std::vector<char> buffer(std::size_t{1} << 20);
  recovery::Md5 md5;
  std::uint64_t length = 0;
  for (;;) {
    const Result<std::size_t> read = file->ReadAt(length, buffer);
    if (!read.ok()) return std::nullopt;
    if (*read == 0) break;
    md5.Update(std::span<const char>(buffer.data(), *read));
    length += *read;
  }
  return std::make_pair(length, md5.Final());
}

// How the recovery files stand to the set, and which of their files changed with the set or are
// no files of it (and are neither damaged nor to be repaired).
struct Standing {
  RecoveryAge age = RecoveryAge::kCurrent;
  std::vector<bool> changed;  // by file of the recovery set
};

Standing JudgeAge(platform::FileSystem& fs, const SetPaths& paths, const SetRecovery& recovery) {
  const par2::RecoverySet& set = recovery.set;
  Standing standing{RecoveryAge::kCurrent, std::vector<bool>(set.file_ids.size(), false)};
  std::size_t header = 0;
  while (recovery.numbers[header] != 0) ++header;
  const par2::FileDescription& described = set.files.at(set.file_ids[header]);
  const auto now = HashFile(fs, paths.Header());
  // A header that is missing or unreadable is for the check to judge.
  if (!now) return standing;
  if (now->first == described.length && now->second == described.hash) {
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
  const SetState* was = recovery.state ? &*recovery.state : nullptr;
  const Result<SetStateReading> reading = ReadSetState(fs, paths, was);
  if (!reading.ok()) return standing;  // no sound set: a damaged header
  if (was == nullptr) {
    standing.age = RecoveryAge::kUnknown;
  } else if (reading->grown) {
    standing.age = RecoveryAge::kAdded;
  } else if (!reading->now.SameShape(*was)) {
    // Another shape: a set made anew, when it is sound; a header damaged in its fields (it then
    // refers to pieces that are not there, or not as long) when it is not.
    PieceSet opened(paths, SetAccess::kReadOnly, fs);
    if (opened.CatalogueRead() && VerifySet(opened).ok()) standing.age = RecoveryAge::kReplaced;
  }
  if (standing.age == RecoveryAge::kCurrent) return standing;
  // Files added since change the header and take the numbers of the old overflow pieces and the
  // old partly filled piece; the pieces before those hold what they held.
  for (std::size_t f = 0; f < set.file_ids.size(); ++f) {
    const std::uint32_t n = recovery.numbers[f];
    const bool unchanged =
        standing.age == RecoveryAge::kAdded && n != 0 &&
        (n < was->last_piece || (n == was->last_piece && was->tail_length == 0 &&
                                 set.files.at(set.file_ids[f]).length == was->piece_size));
    standing.changed[f] = !unchanged;
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

// Whether name is one protect gives the set's recovery files: the set's name, then ".par2" or
// ".vol", digits, "+", digits and ".par2", case ignored as the set's names are.
bool IsProtectName(const SetPaths& paths, std::string_view name) {
  const std::string set_name = platform::FoldCase(SetNameOf(paths.base));
  const std::string folded = platform::FoldCase(name);
  if (folded.compare(0, set_name.size(), set_name) != 0) return false;
  std::string_view rest = std::string_view(folded).substr(std::min(set_name.size(), folded.size()));
  if (rest == ".par2") return true;
  if (!rest.starts_with(".vol") || !rest.ends_with(".par2")) return false;
  rest = rest.substr(4, rest.size() - 9);
  const std::size_t plus = rest.find('+');
  const auto digits = [](std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  return plus != std::string_view::npos && digits(rest.substr(0, plus)) &&
         digits(rest.substr(plus + 1));
}

// Whether the file at path is a recovery file of this set that protect may replace or remove:
// a plain file of this user that describes the set's files and no other.
bool IsOwnRecoveryFile(platform::FileSystem& fs, const std::string& path, const SetPaths& paths,
                       std::uint32_t owner) {
  const Result<platform::FileInfo> info = fs.Inspect(path);
  if (!info.ok() || info->kind != platform::FileInfo::Kind::kRegular || info->owner != owner)
    return false;
  auto file = fs.Open(path, platform::OpenMode::kRead);
  const Result<std::uint64_t> size = file.ok() ? file->Size() : Result<std::uint64_t>(0);
  return file.ok() && size.ok() && DescribesOnlySet(*file, *size, paths);
}

}  // namespace

std::string AgeMessage(RecoveryAge age, const std::string& header_path) {
  switch (age) {
    case RecoveryAge::kCurrent:
      break;
    case RecoveryAge::kAdded:
    case RecoveryAge::kReplaced:
      return messages::RecoveryOlderThanSet(header_path, age == RecoveryAge::kAdded);
    case RecoveryAge::kUnknown:
      return messages::RecoveryAgeUnknown(header_path);
  }
  return std::string();
}

Result<ProtectReport> ProtectSet(platform::FileSystem& fs, const SetPaths& paths,
                                 const ProtectRequest& request, recovery::Progress* progress) {
  Result<std::unique_ptr<platform::Lock>> lock = LockForRecovery(fs, paths);
  if (!lock.ok()) return lock.status();
  std::uint32_t piece_size = 0;
  Result<std::vector<recovery::InputFile>> files = SetFiles(fs, paths, &piece_size);
  if (!files.ok()) return files.status();
  const Result<SetStateReading> state = ReadSetState(fs, paths);
  if (!state.ok()) return state.status();
  const std::string state_body = EncodeSetState(state->now);
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
  const std::uint32_t owner = platform::CurrentUser();
  const std::string base_name = SetNameOf(paths.base);
  const std::vector<std::string> names = recovery::RecoveryFileNames(base_name, report.plan);
  for (const std::string& name : names) {
    const std::string path = folder + name;
    if (fs.Inspect(path).ok() && !IsOwnRecoveryFile(fs, path, paths, owner))
      return Status::Error(Status::Code::kNameTaken, path, messages::NotOwnRecoveryFile(path));
  }
  std::vector<std::string> older;
  for (const std::string& path : FindRecoveryFiles(fs, paths))
    if (IsProtectName(paths, platform::FileNameOf(path)) &&
        IsOwnRecoveryFile(fs, path, paths, owner))
      older.push_back(path);

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
  return report;
}

Result<SetCheck> CheckSet(platform::FileSystem& fs, const SetPaths& paths,
                          const SetRecovery& recovery, const recovery::WorkOptions& work,
                          recovery::Progress* progress) {
  Result<std::unique_ptr<platform::Lock>> lock = LockForRecovery(fs, paths);
  if (!lock.ok()) return lock.status();
  const Standing standing = JudgeAge(fs, paths, recovery);
  // Recovery files of a set made anew, or that cannot tell, cover nothing worth reading.
  if (standing.age == RecoveryAge::kReplaced || standing.age == RecoveryAge::kUnknown) {
    SetCheck check;
    check.age = standing.age;
    return check;
  }
  const recovery::Targets targets = TargetsOf(paths, recovery, standing);
  Result<recovery::CheckResult> checked =
      recovery::CheckFiles(fs, targets, recovery.set, work, progress);
  if (!checked.ok()) return Said(checked.status());
  return Described(fs, paths, recovery, standing, checked.take());
}

Result<SetRepair> RepairSet(platform::FileSystem& fs, const SetPaths& paths,
                            const SetRecovery& recovery, const recovery::WorkOptions& work,
                            recovery::Progress* progress) {
  Result<std::unique_ptr<platform::Lock>> lock = LockForRecovery(fs, paths);
  if (!lock.ok()) return lock.status();
  const Standing standing = JudgeAge(fs, paths, recovery);
  if (standing.age == RecoveryAge::kReplaced || standing.age == RecoveryAge::kUnknown) {
    SetRepair nothing;
    nothing.check.age = standing.age;
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
    if (status.code == Status::Code::kRefused && !status.path.empty() && status.message.empty())
      return messages::Said(status, messages::CannotRebuild(paths.Header()));
    return Said(status);
  }
  SetRepair repair{Described(fs, paths, recovery, standing, std::move(done->check)),
                   std::move(done->repaired)};
  if (!repair.check.damaged.empty() && !repair.check.repairable())
    return Status::Error(
        Status::Code::kRefused, paths.Header(),
        messages::TooMuchLost(repair.check.result.bad_slices, repair.check.result.recovery_slices));
  return repair;
}

}  // namespace vornalis
