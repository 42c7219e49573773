#include "engine/verify.h"

#include <algorithm>
#include <array>
#include <map>

#include "engine/format.h"
#include "engine/messages.h"
#include "engine/set_files.h"
#include "engine/set_reader.h"
#include "platform/endian.h"
#include "platform/path.h"

namespace vornalis {

namespace {

// Consecutive missing pieces checked one by one, each its own problem; a longer run is looked
// up in the set's folder and said as one problem, so a header that claims billions of pieces
// costs neither billions of problems nor billions of opens.
constexpr std::uint64_t kMissingCheckedAlone = 64;

// What is wrong with piece n as a file; ok when it is sound. *missing tells a piece that could
// not be opened.
Status CheckPiece(const PieceSet& set, std::uint32_t n, bool* missing) {
  *missing = false;
  // A tail kept in the header was checked when the catalogue was read.
  if (set.TailInHeader() && n == set.LastPiece()) return Status::Ok();
  const std::string name = set.Paths().Piece(n);
  auto file = set.OpenPiece(n);
  if (!file.ok()) {
    *missing = true;
    return messages::Said(file.status().For(name), messages::MissingPiece(name));
  }
  std::array<char, format::kPieceHeadSize> head{};
  const Result<std::size_t> read = file->Read(head);
  if (!read.ok()) return messages::ReadFailed(read.status());
  if (!IsPieceHead(std::span<const char>(head.data(), *read), n))
    return Status::Error(Status::Code::kFormat, name, messages::InvalidPiece(name));
  const Result<std::uint64_t> size = file->Size();
  if (!size.ok()) return messages::ReadFailed(size.status());
  const bool last_is_partial = n == set.LastPiece() && set.LastPieceOpen();
  const std::uint64_t expected = last_is_partial ? set.WritePos() : set.PieceSize();
  if (last_is_partial ? *size < expected : *size != expected)
    return Status::Error(Status::Code::kFormat, name,
                         messages::DamagedPiece(name, *size, expected));
  return Status::Ok();
}

// The pieces of the sound entries, each entry's span with its index in Files(). Sound entries
// share no bytes, so in the order of their first pieces their last pieces never go back either.
struct EntrySpan {
  std::uint64_t first, last;
  std::size_t entry;
};

class SpanIndex {
 public:
  explicit SpanIndex(const PieceSet& set) : set_(set) {
    for (std::size_t i = 0; i < set.Files().size(); ++i) {
      const StoredFile& entry = set.Files()[i];
      if (!CheckEntry(entry, set.Shape(), &set.Overlaps()).ok()) continue;
      const PieceSpan span = SpanOf(entry, set.PieceSize());
      if (span.first <= span.last) spans_.push_back({span.first, span.last, i});
    }
    std::sort(spans_.begin(), spans_.end(), [](const EntrySpan& a, const EntrySpan& b) {
      return a.first != b.first ? a.first < b.first : a.last < b.last;
    });
  }
  const std::vector<EntrySpan>& spans() const { return spans_; }

  // The stored files (Folder + Name) with bytes in pieces first to last, in catalogue order.
  std::vector<std::string> FilesIn(std::uint64_t first, std::uint64_t last) const {
    const auto from = std::partition_point(spans_.begin(), spans_.end(),
                                           [&](const EntrySpan& s) { return s.last < first; });
    const auto to = std::partition_point(from, spans_.end(),
                                         [&](const EntrySpan& s) { return s.first <= last; });
    std::vector<std::size_t> entries;
    for (auto it = from; it != to; ++it) entries.push_back(it->entry);
    std::sort(entries.begin(), entries.end());
    std::vector<std::string> names;
    for (const std::size_t i : entries)
      names.push_back(set_.Files()[i].Folder + set_.Files()[i].Name);
    return names;
  }

 private:
  const PieceSet& set_;
  std::vector<EntrySpan> spans_;
};

// The numbers of the set's pieces that lie in its folder (or, for the tail, in its header),
// sorted.
std::vector<std::uint32_t> PiecesInFolder(const PieceSet& set) {
  const std::string folder = platform::FolderOf(set.BasePath());
  std::vector<std::uint32_t> numbers;
  if (set.TailInHeader()) numbers.push_back(set.LastPiece());
  const Result<std::vector<platform::DirEntry>> entries =
      set.FileSystem().ListDirectory(folder.empty() ? "." : folder);
  if (!entries.ok()) return numbers;
  for (const platform::DirEntry& entry : *entries)
    if (const std::uint32_t n = PieceNumberOf(set.Paths(), entry.name); n != 0)
      numbers.push_back(n);
  std::sort(numbers.begin(), numbers.end());
  return numbers;
}

}  // namespace

bool HeaderReadsAsSound(platform::FileSystem& fs, const SetPaths& paths) {
  SetReader reader(fs, paths);
  if (!reader.Open().ok()) return false;
  std::vector<StoredFile> files;
  std::vector<char> buffer(format::kBufferSize);
  if (!reader.ReadCatalogue(&files, buffer).ok()) return false;
  const std::uint32_t last = reader.last_piece();
  const SetShape shape = reader.shape();
  if (!OverlapIndex(files, shape).empty()) return false;
  bool reaches_last = files.empty() && last == 0;
  for (const StoredFile& entry : files) {
    if (!CheckEntryShape(entry, shape).ok()) return false;
    reaches_last =
        reaches_last || entry.Piece == last || SpanOf(entry, shape.piece_size).last == last;
  }
  return reaches_last;
}

std::map<std::uint32_t, std::vector<std::string>> FilesByPiece(const PieceSet& set) {
  std::map<std::uint32_t, std::vector<std::string>> users;
  for (const StoredFile& entry : set.Files()) {
    if (!CheckEntry(entry, set.Shape(), &set.Overlaps()).ok()) continue;
    const PieceSpan span = SpanOf(entry, set.PieceSize());
    for (std::uint32_t n = span.first; n <= span.last && n >= span.first; ++n)
      users[n].push_back(entry.Folder + entry.Name);
  }
  return users;
}

VerifyReport VerifySet(const PieceSet& set) {
  VerifyReport report;
  for (const StoredFile& entry : set.Files())
    if (Status problem = CheckEntry(entry, set.Shape(), &set.Overlaps()); !problem.ok())
      report.problems.push_back({std::move(problem), {entry.Folder + entry.Name}});
  const SpanIndex index(set);
  std::vector<std::uint32_t> present;  // listed once a long run of missing pieces needs it
  bool listed = false;
  std::uint64_t next = 1;  // the lowest piece not checked yet
  for (const EntrySpan& span : index.spans()) {
    std::uint64_t missing_run = 0;
    for (std::uint64_t n = std::max(next, span.first); n <= span.last; ++n) {
      bool missing = false;
      Status problem = CheckPiece(set, static_cast<std::uint32_t>(n), &missing);
      ++report.pieces_checked;
      missing_run = missing ? missing_run + 1 : 0;
      if (missing_run > kMissingCheckedAlone) {
        // The rest of the run, up to the next piece in the folder or the span's end.
        if (!listed) present = PiecesInFolder(set);
        listed = true;
        const auto after = std::upper_bound(present.begin(), present.end(), n);
        const std::uint64_t end =
            after == present.end() ? span.last : std::min<std::uint64_t>(span.last, *after - 1);
        if (end > n) {
          const std::string last = set.Paths().Piece(static_cast<std::uint32_t>(end));
          problem = messages::Said(problem, messages::MissingPieces(problem.path, last));
          report.pieces_checked += static_cast<std::uint32_t>(end - n);
        }
        report.problems.push_back({std::move(problem), index.FilesIn(n, end)});
        missing_run = 0;
        n = end;
        continue;
      }
      if (!problem.ok()) report.problems.push_back({std::move(problem), index.FilesIn(n, n)});
    }
    next = std::max(next, span.last + 1);
  }
  return report;
}

}  // namespace vornalis
