#include "engine/set_recovery_files.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>

#include "engine/messages.h"
#include "platform/collation.h"
#include "platform/path.h"
#include "recovery/md5.h"

namespace vornalis {
namespace {

namespace par2 = recovery::par2;

// The set's names in any case, as the locale folds it.
class FoldedNames : public SetNameMatcher {
 public:
  explicit FoldedNames(const SetPaths& paths) : SetNameMatcher(paths, &platform::FoldCase) {}
};

// Whether name ends in ".par2", case ignored: a recovery file whose first packet is damaged is
// still looked at under such a name.
bool HasRecoveryExtension(std::string_view name) {
  constexpr std::string_view kExtension = ".par2";
  if (name.size() < kExtension.size()) return false;
  const std::string_view end = name.substr(name.size() - kExtension.size());
  return std::equal(end.begin(), end.end(), kExtension.begin(),
                    [](char a, char b) { return (a | 0x20) == b || a == b; });
}

// What is known of one candidate: which of the set's files it describes, and how many of them
// match the files at hand.
struct Candidate {
  const par2::RecoverySet* set = nullptr;
  std::vector<std::uint32_t> numbers;
  std::size_t matching = 0;
};

// The hash of the first 16 KiB and the length of the set's files, each read once.
class FilesAtHand {
 public:
  FilesAtHand(platform::FileSystem& fs, const SetPaths& paths) : fs_(fs), paths_(paths) {}

  bool Matches(std::uint32_t number, const par2::FileDescription& described) {
    auto known = known_.find(number);
    if (known == known_.end()) known = known_.emplace(number, Look(number)).first;
    return known->second && known->second->first == described.length &&
           known->second->second == described.hash16k;
  }

 private:
  using Seen = std::optional<std::pair<std::uint64_t, recovery::Md5Digest>>;

  Seen Look(std::uint32_t number) {
    const std::string path = number == 0 ? paths_.Header() : paths_.Piece(number);
    auto file = fs_.Open(path, platform::OpenMode::kRead);
    if (!file.ok()) return std::nullopt;
    const Result<std::uint64_t> size = file->Size();
    std::string first(16384, '\0');
    const Result<std::size_t> read = file->ReadAt(0, first);
    if (!size.ok() || !read.ok()) return std::nullopt;
    return std::make_pair(*size, recovery::Md5::Of(std::span<const char>(first.data(), *read)));
  }

  platform::FileSystem& fs_;
  const SetPaths& paths_;
  std::map<std::uint32_t, Seen> known_;
};

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
Refusal Judge(const par2::RecoverySet& set, const FoldedNames& names, Candidate* candidate) {
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
  return FoldedNames(paths).Of(name);
}

bool DescribesSetHeader(platform::File& file, std::uint64_t size, const SetPaths& paths) {
  const FoldedNames names(paths);
  return par2::AnyDescribedName(file, size, [&](std::string_view name) {
    const std::optional<std::uint32_t> number = names.Of(name);
    return number && *number == 0;
  });
}

bool DescribesOnlySet(platform::File& file, std::uint64_t size, const SetPaths& paths) {
  const FoldedNames names(paths);
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
  const std::string folder = platform::FolderOf(paths.base);
  const Result<std::vector<platform::DirEntry>> entries =
      fs.ListDirectory(folder.empty() ? "." : folder);
  if (!entries.ok()) return found;
  const FoldedNames names(paths);
  for (const platform::DirEntry& entry : *entries) {
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
    if (DescribesSetHeader(*file, *size, paths)) found.push_back(path);
  }
  std::sort(found.begin(), found.end());
  return found;
}

Result<SetPaths> SetOrRecoverable(platform::FileSystem& fs, const std::string& path) {
  Result<SetPaths> paths = IdentifySetFile(path, fs);
  if (paths.ok()) return paths;
  const SetPaths guess = FindSetPaths(fs, BasePathOf(path));
  if (!FindRecoveryFiles(fs, guess).empty()) return guess;
  return paths;
}

Result<SetRecovery> LoadSetRecovery(platform::FileSystem& fs, const SetPaths& paths,
                                    unsigned threads) {
  const std::vector<std::string> files = FindRecoveryFiles(fs, paths);
  if (files.empty())
    return Status::Error(Status::Code::kNotFound, paths.Header(),
                         messages::NoRecoveryFiles(paths.Header()));
  const par2::ReadResult read = par2::ReadRecoveryFiles(fs, files, threads);
  SetRecovery found;
  for (const std::string& path : read.damaged)
    found.warnings.push_back(messages::DamagedRecoveryFile(path));

  // Every recovery set read is judged; the usable ones are ranked by the files they match.
  const FoldedNames names(paths);
  FilesAtHand at_hand(fs, paths);
  std::vector<Candidate> candidates;
  std::map<std::string, std::string> refused;  // by path, why its set is not used
  for (const auto& [id, set] : read.sets) {
    Candidate candidate;
    if (const Refusal refusal = Judge(set, names, &candidate); refusal != Refusal::kNone) {
      for (const std::string& path : set.paths)
        refused.emplace(path, RefusalText(refusal, set, path));
      continue;
    }
    candidates.push_back(std::move(candidate));
  }
  // Only between several does it matter which matches the files at hand: the first 16 KiB of
  // each piece are read then, and not for a lone candidate.
  if (candidates.size() > 1)
    for (Candidate& candidate : candidates)
      for (std::size_t f = 0; f < candidate.set->file_ids.size(); ++f)
        if (at_hand.Matches(candidate.numbers[f],
                            candidate.set->files.at(candidate.set->file_ids[f])))
          ++candidate.matching;
  // Most files matched first; then the one that records the set's state, then a fixed order.
  std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
    if (a.matching != b.matching) return a.matching > b.matching;
    const bool a_state = DecodeSetState(a.set->state).has_value();
    const bool b_state = DecodeSetState(b.set->state).has_value();
    if (a_state != b_state) return a_state;
    return a.set->set_id < b.set->set_id;
  });
  if (candidates.empty()) {
    // What was found and why it is not used is said with it, a line each.
    std::string message = messages::NoUsableRecoveryFiles(paths.Header());
    for (const auto& [path, reason] : refused) message += "\n" + reason;
    return Status::Error(Status::Code::kRefused, paths.Header(), message);
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
