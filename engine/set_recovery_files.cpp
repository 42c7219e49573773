#include "engine/set_recovery_files.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>

#include "engine/file_identity.h"
#include "engine/messages.h"
#include "engine/set_history.h"
#include "platform/collation.h"
#include "platform/path.h"
#include "recovery/md5.h"

namespace vornalis {
namespace {

namespace par2 = recovery::par2;

// Whether name ends in ".par2", case ignored: a recovery file whose first packet is damaged is
// still looked at under such a name.
bool HasRecoveryExtension(std::string_view name) {
  constexpr std::string_view kExtension = ".par2";
  if (name.size() < kExtension.size()) return false;
  const std::string_view end = name.substr(name.size() - kExtension.size());
  return std::equal(end.begin(), end.end(), kExtension.begin(),
                    [](char a, char b) { return (a | 0x20) == b || a == b; });
}

std::string FolderOf(const SetPaths& paths) { return platform::FolderOf(paths.base); }

std::vector<platform::DirEntry> ListFolder(platform::FileSystem& fs, const SetPaths& paths) {
  const std::string folder = FolderOf(paths);
  Result<std::vector<platform::DirEntry>> entries = fs.ListDirectory(folder.empty() ? "." : folder);
  return entries.ok() ? entries.take() : std::vector<platform::DirEntry>();
}

SetNameMatcher MatcherOf(platform::FileSystem& fs, const SetPaths& paths,
                         const std::vector<platform::DirEntry>& entries) {
  return SetNameMatcher(paths, &platform::FoldCase, entries,
                        fs.IgnoresCase(FolderOf(paths), entries));
}

// Whether name is one protect gives the set's recovery files: a name of the set (as names tells
// them), then ".par2" or ".vol", digits, "+", digits and ".par2", the extension in any case.
bool IsProtectName(const SetNameMatcher& names, const SetPaths& paths, std::string_view name) {
  const std::string folded = FoldAscii(name);
  std::size_t stem = std::string_view::npos;
  if (folded.ends_with(".par2")) {
    const std::size_t vol = folded.rfind(".vol");
    stem = folded.size() - 5;
    if (vol != std::string::npos) {
      const std::string_view numbers = std::string_view(folded).substr(vol + 4, stem - vol - 4);
      const std::size_t plus = numbers.find('+');
      const auto digits = [](std::string_view text) {
        return !text.empty() &&
               std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
      };
      if (plus != std::string_view::npos && digits(numbers.substr(0, plus)) &&
          digits(numbers.substr(plus + 1)))
        stem = vol;
    }
  }
  if (stem == std::string_view::npos) return false;
  // The set whose header the stem names: this one, unless another set lies beside it under
  // that exact spelling.
  const std::optional<std::uint32_t> number =
      names.Of(std::string(name.substr(0, stem)) + paths.extension);
  return number && *number == 0;
}

// Whether the file at path is a plain file of this user that describes the set's files and no
// other.
bool DescribesOnlySetAt(platform::FileSystem& fs, const std::string& path,
                        const SetNameMatcher& names) {
  const Result<platform::FileInfo> info = fs.Inspect(path);
  if (!info.ok() || info->kind != platform::FileInfo::Kind::kRegular ||
      info->owner != platform::CurrentUser())
    return false;
  auto file = fs.Open(path, platform::OpenMode::kRead);
  const Result<std::uint64_t> size = file.ok() ? file->Size() : Result<std::uint64_t>(0);
  return file.ok() && size.ok() && DescribesOnlySet(*file, *size, names);
}

// What is known of one candidate: which of the set's files it describes, and how many of them
// match the files at hand.
struct Candidate {
  const par2::RecoverySet* set = nullptr;
  std::vector<std::uint32_t> numbers;
  std::size_t matching = 0;
};

// The set's files as they lie: each one's length and the hash of its first 16 KiB, and the MD5
// of the whole where two candidates can be told apart only by it; each read once.
class FilesAtHand {
 public:
  FilesAtHand(platform::FileSystem& fs, const SetPaths& paths) : fs_(fs), paths_(paths) {}

  bool Matches(std::uint32_t number, const par2::FileDescription& described, bool whole) {
    const Seen& seen = First(number);
    if (!seen || seen->first != described.length || seen->second != described.hash16k) return false;
    if (!whole) return true;
    auto known = whole_.find(number);
    if (known == whole_.end()) known = whole_.emplace(number, IdentityOf(fs_, Path(number))).first;
    return known->second && known->second->md5 == described.hash &&
           known->second->length == described.length;
  }

 private:
  using Seen = std::optional<std::pair<std::uint64_t, recovery::Md5Digest>>;

  std::string Path(std::uint32_t number) const {
    return number == 0 ? paths_.Header() : paths_.Piece(number);
  }

  const Seen& First(std::uint32_t number) {
    auto known = first_.find(number);
    if (known != first_.end()) return known->second;
    Seen seen;
    auto file = fs_.Open(Path(number), platform::OpenMode::kRead);
    if (file.ok()) {
      const Result<std::uint64_t> size = file->Size();
      std::string first(16384, '\0');
      const Result<std::size_t> read = file->ReadAt(0, first);
      if (size.ok() && read.ok())
        seen = std::make_pair(*size, recovery::Md5::Of(std::span<const char>(first.data(), *read)));
    }
    return first_.emplace(number, seen).first->second;
  }

  platform::FileSystem& fs_;
  const SetPaths& paths_;
  std::map<std::uint32_t, Seen> first_;
  std::map<std::uint32_t, std::optional<FileIdentity>> whole_;
};

// Counts, for each candidate, the files at hand its descriptions match. The MD5 of a whole file
// is read only where two candidates describe it alike in length and first 16 KiB but not in
// the whole.
void CountMatching(std::vector<Candidate>& candidates, FilesAtHand& at_hand) {
  std::map<std::uint32_t, const par2::FileDescription*> first_seen;
  std::set<std::uint32_t> whole;
  for (const Candidate& candidate : candidates)
    for (std::size_t f = 0; f < candidate.numbers.size(); ++f) {
      const par2::FileDescription& described = candidate.set->files.at(candidate.set->file_ids[f]);
      const auto [seen, first] = first_seen.emplace(candidate.numbers[f], &described);
      if (!first && seen->second->length == described.length &&
          seen->second->hash16k == described.hash16k && seen->second->hash != described.hash)
        whole.insert(candidate.numbers[f]);
    }
  for (Candidate& candidate : candidates)
    for (std::size_t f = 0; f < candidate.numbers.size(); ++f) {
      const std::uint32_t number = candidate.numbers[f];
      if (at_hand.Matches(number, candidate.set->files.at(candidate.set->file_ids[f]),
                          whole.contains(number)))
        ++candidate.matching;
    }
}

// Why a recovery set is not the set's own or cannot be used.
enum class Refusal { kNone, kBlockSize, kTooManySlices, kIncomplete, kOtherFiles };

std::string RefusalText(Refusal refusal, const par2::RecoverySet& set, const std::string& path) {
  switch (refusal) {
    case Refusal::kBlockSize:
      return messages::UnusableBlockSize(path, set.slice_size);
    case Refusal::kTooManySlices:
      return messages::TooManyRecoveryBlocks(path, set.fault_value());
    case Refusal::kIncomplete:
      return messages::IncompleteRecoveryFile(path);
    case Refusal::kOtherFiles:
      return messages::OtherRecoveryFile(path);
    case Refusal::kNone:
      break;
  }
  return std::string();
}

// Whether set is the set's own and can be used, and, when it is, which of the set's files it
// describes.
Refusal Judge(const par2::RecoverySet& set, const SetNameMatcher& names, Candidate* candidate) {
  if (set.fault() == par2::Fault::kSliceSize) return Refusal::kBlockSize;
  if (set.fault() == par2::Fault::kTooManySlices) return Refusal::kTooManySlices;
  if (!set.Complete()) return Refusal::kIncomplete;
  std::set<std::uint32_t> seen;
  std::uint64_t largest = 0;
  for (const par2::Id& id : set.file_ids) {
    const par2::FileDescription& file = set.files.at(id);
    const std::optional<std::uint32_t> number = names.Of(file.name);
    // A set's files are never larger than its piece size, a 32-bit number.
    if (!number || !seen.insert(*number).second || file.length > 0xFFFFFFFFu)
      return Refusal::kOtherFiles;
    candidate->numbers.push_back(*number);
    largest = std::max(largest, file.length);
  }
  if (!seen.contains(0)) return Refusal::kOtherFiles;
  // A block larger than every file it describes only costs memory.
  if (set.slice_size > std::max<std::uint64_t>(512, (largest + 3) / 4 * 4))
    return Refusal::kBlockSize;
  candidate->set = &set;
  return Refusal::kNone;
}

}  // namespace

std::optional<std::uint32_t> SetFileOfName(const SetPaths& paths, std::string_view name) {
  return SetNameMatcher(paths, &platform::FoldCase).Of(name);
}

SetNameMatcher FolderNameMatcher(platform::FileSystem& fs, const SetPaths& paths) {
  return MatcherOf(fs, paths, ListFolder(fs, paths));
}

bool DescribesSetHeader(platform::File& file, std::uint64_t size, const SetNameMatcher& names) {
  return par2::AnyDescribedName(file, size, [&](std::string_view name) {
    const std::optional<std::uint32_t> number = names.Of(name);
    return number && *number == 0;
  });
}

bool DescribesOnlySet(platform::File& file, std::uint64_t size, const SetNameMatcher& names) {
  bool header = false;
  const bool other = par2::AnyDescribedName(file, size, [&](std::string_view name) {
    const std::optional<std::uint32_t> number = names.Of(name);
    header = header || (number && *number == 0);
    return !number;
  });
  return header && !other;
}

std::vector<std::string> FindRecoveryFiles(platform::FileSystem& fs, const SetPaths& paths) {
  std::vector<std::string> found;
  const std::string folder = FolderOf(paths);
  const std::vector<platform::DirEntry> entries = ListFolder(fs, paths);
  const SetNameMatcher names = MatcherOf(fs, paths, entries);
  for (const platform::DirEntry& entry : entries) {
    if (!entry.is_regular || entry.is_link) continue;
    // The set's own names hold its header and pieces, never recovery files; thousands of small
    // pieces are not opened for nothing.
    if (names.Of(entry.name)) continue;
    const std::string path = folder + entry.name;
    auto file = fs.Open(path, platform::OpenMode::kRead);
    const Result<std::uint64_t> size = file.ok() ? file->Size() : Result<std::uint64_t>(0);
    if (!file.ok() || !size.ok() || *size < par2::kHeaderSize) continue;
    if (!HasRecoveryExtension(entry.name)) {
      std::array<char, 8> magic{};
      const Result<std::size_t> read = file->ReadAt(0, magic);
      if (!read.ok() || *read != magic.size() || std::string_view(magic.data(), 8) != par2::kMagic)
        continue;
    }
    if (DescribesSetHeader(*file, *size, names)) found.push_back(path);
  }
  std::sort(found.begin(), found.end());
  return found;
}

std::vector<std::string> OwnRecoveryFilesByName(platform::FileSystem& fs, const SetPaths& paths) {
  std::vector<std::string> found;
  const std::string folder = FolderOf(paths);
  const std::vector<platform::DirEntry> entries = ListFolder(fs, paths);
  const SetNameMatcher names = MatcherOf(fs, paths, entries);
  for (const platform::DirEntry& entry : entries)
    if (IsProtectName(names, paths, entry.name) &&
        DescribesOnlySetAt(fs, folder + entry.name, names))
      found.push_back(folder + entry.name);
  std::sort(found.begin(), found.end());
  return found;
}

bool IsOwnRecoveryFileByName(platform::FileSystem& fs, const SetPaths& paths,
                             const std::string& path) {
  const SetNameMatcher names = FolderNameMatcher(fs, paths);
  return IsProtectName(names, paths, platform::FileNameOf(path)) &&
         DescribesOnlySetAt(fs, path, names);
}

std::vector<recovery::Md5Digest> OwnRecoveryContent(platform::FileSystem& fs,
                                                    const SetPaths& paths) {
  std::vector<recovery::Md5Digest> own;
  const std::vector<std::string> files = FindRecoveryFiles(fs, paths);
  if (files.empty()) return own;
  const par2::Candidates read =
      par2::ReadRecoveryFiles(fs, files, 1, par2::kReadBudgetBytes, false);
  const SetNameMatcher names = FolderNameMatcher(fs, paths);
  for (const par2::RecoverySet& set : read.sets) {
    Candidate candidate;
    if (Judge(set, names, &candidate) == Refusal::kNone) own.push_back(ContentId(set));
  }
  return own;
}

Result<SetPaths> SetOrRecoverable(platform::FileSystem& fs, const std::string& path) {
  Result<SetPaths> paths = IdentifySetFile(path, fs);
  if (paths.ok()) return paths;
  const SetPaths guess = FindSetPaths(fs, BasePathOf(path));
  if (!FindRecoveryFiles(fs, guess).empty()) return guess;
  return paths;
}

Result<SetRecovery> LoadSetRecovery(platform::FileSystem& fs, const SetPaths& paths,
                                    unsigned threads, std::uint64_t budget_bytes) {
  const std::vector<std::string> files = FindRecoveryFiles(fs, paths);
  if (files.empty())
    return Status::Error(Status::Code::kNotFound, paths.Header(),
                         messages::NoRecoveryFiles(paths.Header()));
  const par2::Candidates read = par2::ReadRecoveryFiles(fs, files, threads, budget_bytes);
  SetRecovery found;
  for (const std::string& path : read.damaged)
    found.warnings.push_back(messages::DamagedRecoveryFile(path));

  // Every recovery set read is judged; the usable ones are ranked by the files they match.
  const SetNameMatcher names = FolderNameMatcher(fs, paths);
  std::vector<Candidate> candidates;
  std::map<std::string, std::string> refused;  // by path, why its set is not used
  for (const std::string& path : read.too_large)
    refused.emplace(path, messages::TooManyRecoveryPackets(path, budget_bytes));
  for (const std::string& path : read.unplaced)
    refused.emplace(path, messages::UnplacedRecoveryFile(path));
  const SetHistory history = ReadHistory(fs, paths);
  for (const par2::RecoverySet& set : read.sets) {
    Candidate candidate;
    if (const Refusal refusal = Judge(set, names, &candidate); refusal != Refusal::kNone) {
      for (const std::string& path : set.paths)
        refused.emplace(path, RefusalText(refusal, set, path));
      continue;
    }
    // The protection of a set that was replaced since covers none of this one.
    if (std::find(history.retired.begin(), history.retired.end(), ContentId(set)) !=
        history.retired.end()) {
      for (const std::string& path : set.paths)
        refused.emplace(path, messages::RetiredRecoveryFile(path));
      continue;
    }
    candidates.push_back(std::move(candidate));
  }
  // Only between several does it matter which matches the files at hand: the first 16 KiB of
  // each piece are read then, and not for a lone candidate.
  if (candidates.size() > 1) {
    FilesAtHand at_hand(fs, paths);
    CountMatching(candidates, at_hand);
  }
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const Candidate& a, const Candidate& b) { return a.matching > b.matching; });
  if (candidates.empty()) {
    // What was found and why it is not used is said with it, a line each.
    std::string message = messages::NoUsableRecoveryFiles(paths.Header());
    for (const auto& [path, reason] : refused) message += "\n" + reason;
    return Status::Error(Status::Code::kRefused, paths.Header(), message);
  }
  if (candidates.size() > 1 && candidates[0].matching == candidates[1].matching) {
    // Which is the set's cannot be told: none is used.
    std::vector<std::string> tied;
    for (const Candidate& candidate : candidates)
      if (candidate.matching == candidates[0].matching)
        tied.insert(tied.end(), candidate.set->paths.begin(), candidate.set->paths.end());
    std::sort(tied.begin(), tied.end());
    return Status::Error(Status::Code::kRefused, paths.Header(),
                         messages::RecoverySetsTie(paths.Header(), tied));
  }
  const Candidate& best = candidates.front();
  for (std::size_t i = 1; i < candidates.size(); ++i)
    for (const std::string& path : candidates[i].set->paths)
      refused.emplace(path, messages::OtherRecoveryFile(path));
  for (const auto& [path, reason] : refused)
    if (std::find(best.set->paths.begin(), best.set->paths.end(), path) == best.set->paths.end())
      found.warnings.push_back(reason);
  found.set = *best.set;
  found.numbers = best.numbers;
  found.state = DecodeSetState(best.set->state);
  return found;
}

}  // namespace vornalis
