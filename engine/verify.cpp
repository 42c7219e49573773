#include "engine/verify.h"

#include <array>
#include <map>

#include "engine/format.h"
#include "engine/messages.h"
#include "engine/set_files.h"
#include "engine/set_reader.h"
#include "platform/endian.h"

namespace vornalis {

namespace {

// What is wrong with piece n as a file; ok when it is sound.
Status CheckPiece(const PieceSet& set, std::uint32_t n) {
  // A tail kept in the header was checked when the catalogue was read.
  if (set.TailInHeader() && n == set.LastPiece()) return Status::Ok();
  const std::string name = set.Paths().Piece(n);
  auto file = set.OpenPiece(n);
  if (!file.ok()) return messages::Said(file.status().For(name), messages::MissingPiece(name));
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
  for (auto& [n, files] : FilesByPiece(set)) {
    ++report.pieces_checked;
    Status problem = CheckPiece(set, n);
    if (!problem.ok()) report.problems.push_back({std::move(problem), std::move(files)});
  }
  return report;
}

}  // namespace vornalis
