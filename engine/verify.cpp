#include "engine/verify.h"

#include <array>
#include <map>

#include "engine/endian.h"
#include "engine/format.h"
#include "engine/messages.h"
#include "engine/set_files.h"

namespace vornalis {

PieceSpan SpanOf(const StoredFile& entry, std::uint32_t piece_size) {
  if (entry.Size == 0) return {};
  const std::uint64_t payload = piece_size - format::kPieceHeadSize;
  const std::uint64_t end = std::uint64_t{entry.Offset} - format::kPieceHeadSize + entry.Size;
  return {entry.Piece, static_cast<std::uint32_t>(entry.Piece + (end - 1) / payload)};
}

namespace {

// What is wrong with piece n as a file, or "" when it is sound.
std::string CheckPiece(const PieceSet& set, platform::FileSystem& fs, std::uint32_t n) {
  // A tail kept in the header was checked when the catalogue was read.
  if (set.TailInHeader() && n == set.LastPiece()) return "";
  const std::string name = PiecePath(set.BasePath(), n);
  int error = 0;
  auto file = fs.Open(name, platform::OpenMode::kRead, &error);
  if (!file) return "Missing piece " + name;
  std::array<char, format::kPieceHeadSize> head{};
  const platform::IoResult read = file->Read(head);
  if (read.error != 0) return messages::CantRead(name, read.error);
  if (read.count < head.size() || std::string_view(head.data(), 4) != format::kPieceMagic ||
      ReadU32(head.data() + 4) != n)
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

VerifyReport VerifySet(const PieceSet& set, platform::FileSystem& fs) {
  VerifyReport report;
  const std::uint64_t payload = set.PayloadSize();
  // Stored bytes end where the next byte would be written.
  const std::uint64_t stored_end =
      set.LastPiece() == 0
          ? 0
          : (set.LastPiece() - 1ull) * payload +
                (set.LastPieceOpen() ? set.WritePos() - format::kPieceHeadSize : payload);

  std::map<std::uint32_t, std::vector<std::string>> users;  // piece -> files with bytes in it
  for (const StoredFile& entry : set.Files()) {
    const std::uint64_t start =
        (entry.Piece - 1ull) * payload + entry.Offset - format::kPieceHeadSize;
    if (start + entry.Size > stored_end) {
      report.problems.push_back(
          {"Stored file " + entry.Folder + entry.Name + " reaches past the end of the stored bytes",
           {entry.Folder + entry.Name}});
      continue;
    }
    const PieceSpan span = SpanOf(entry, set.PieceSize());
    for (std::uint32_t n = span.first; n <= span.last && n >= span.first; ++n)
      users[n].push_back(entry.Folder + entry.Name);
  }
  for (auto& [n, files] : users) {
    ++report.pieces_checked;
    std::string problem = CheckPiece(set, fs, n);
    if (!problem.empty()) report.problems.push_back({std::move(problem), std::move(files)});
  }
  return report;
}

}  // namespace vornalis
