#include "engine/verify.h"

#include <array>
#include <map>

#include "engine/endian.h"
#include "engine/format.h"
#include "engine/messages.h"
#include "engine/set_files.h"

namespace vornalis {

namespace {

// What is wrong with piece n as a file, or "" when it is sound.
std::string CheckPiece(const PieceSet& set, std::uint32_t n) {
  // A tail kept in the header was checked when the catalogue was read.
  if (set.TailInHeader() && n == set.LastPiece()) return "";
  const std::string name = set.Paths().Piece(n);
  int error = 0;
  auto file = set.OpenPiece(n, &error);
  if (!file) return "Missing piece " + name;
  std::array<char, format::kPieceHeadSize> head{};
  const platform::IoResult read = file->Read(head);
  if (read.error != 0) return messages::CantRead(name, read.error);
  if (!IsPieceHead(std::span<const char>(head.data(), read.count), n))
    return messages::InvalidPiece(name);
  const std::int64_t size = file->Size(&error);
  const bool last_is_partial = n == set.LastPiece() && set.LastPieceOpen();
  const std::int64_t expected = last_is_partial ? set.WritePos() : set.PieceSize();
  if (last_is_partial ? size < expected : size != expected)
    return "Damaged piece " + name + ": it is " + std::to_string(size) + " bytes long, not " +
           std::to_string(expected);
  return "";
}

}  // namespace

VerifyReport VerifySet(const PieceSet& set) {
  VerifyReport report;
  const SetShape shape = set.Shape();
  std::map<std::uint32_t, std::vector<std::string>> users;  // piece -> files with bytes in it
  for (const StoredFile& entry : set.Files()) {
    if (std::string problem = CheckEntryShape(entry, shape); !problem.empty()) {
      report.problems.push_back({std::move(problem), {entry.Folder + entry.Name}});
      continue;
    }
    if (set.Overlaps().Overlaps(entry, set.PieceSize())) {
      report.problems.push_back(
          {messages::EntryOverlaps(entry.Folder + entry.Name), {entry.Folder + entry.Name}});
      continue;
    }
    const PieceSpan span = SpanOf(entry, set.PieceSize());
    for (std::uint32_t n = span.first; n <= span.last && n >= span.first; ++n)
      users[n].push_back(entry.Folder + entry.Name);
  }
  for (auto& [n, files] : users) {
    ++report.pieces_checked;
    std::string problem = CheckPiece(set, n);
    if (!problem.empty()) report.problems.push_back({std::move(problem), std::move(files)});
  }
  return report;
}

}  // namespace vornalis
