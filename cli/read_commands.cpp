// list and info: reading a set without changing anything.
#include <algorithm>
#include <charconv>
#include <cstdio>

#include "cli/commands.h"
#include "cli/json.h"
#include "cli/open_set.h"
#include "cli/shown_name.h"
#include "engine/set_files.h"
#include "engine/size_text.h"

namespace vornalis::cli {
namespace {

void PrintJson(const PieceSet& set) {
  std::printf("{\"set\":%s,\"piece_size\":%u,\"files\":[", JsonString(set.Paths().Header()).c_str(),
              set.PieceSize());
  bool first = true;
  for (const StoredFile& file : set.Files()) {
    std::printf("%s\n{\"name\":%s,\"folder\":%s,\"size\":%llu,\"piece\":%u,\"offset\":%u}",
                first ? "" : ",", JsonString(file.Name).c_str(), JsonString(file.Folder).c_str(),
                static_cast<unsigned long long>(file.Size), file.Piece, file.Offset);
    first = false;
  }
  std::printf("],\n\"total_files\":%zu,\"total_bytes\":%llu}\n", set.Files().size(),
              static_cast<unsigned long long>(set.TotalBytes()));
}

void PrintTable(const PieceSet& set, bool long_format) {
  // Names are escaped on a terminal before their width is measured. They are shown twice over
  // rather than kept, so a set of half a million files costs no second copy of its names.
  std::size_t name_width = 4;
  const bool escaped = StdoutIsTerminal();
  for (const StoredFile& file : set.Files()) {
    name_width = std::max(name_width, escaped ? ShownName(file.Name).size() : file.Name.size());
  }
  name_width = std::min<std::size_t>(name_width, 48);
  const int width = static_cast<int>(name_width);
  if (long_format)
    std::printf("%-*s  %10s  %6s  %10s  %s\n", width, "Name", "Size", "Piece", "Offset", "Path");
  else
    std::printf("%-*s  %10s  %s\n", width, "Name", "Size", "Path");
  // One line at a time into one string, as printf for each of half a million lines would take
  // as long as opening the set.
  std::string line;
  const auto number = [&line](std::uint64_t value, std::size_t columns) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    const auto length = static_cast<std::size_t>(end - digits);
    if (length < columns) line.append(columns - length, ' ');
    line.append(digits, length);
  };
  for (const StoredFile& file : set.Files()) {
    line = ShownName(file.Name);
    if (line.size() < name_width) line.append(name_width - line.size(), ' ');
    line += "  ";
    number(file.Size, 10);
    if (long_format) {
      line += "  ";
      number(file.Piece, 6);
      line += "  ";
      number(file.Offset, 10);
    }
    line += "  ";
    line += ShownName(file.Folder);
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
  }
  std::printf("%s\n",
              TotalsText(static_cast<std::uint32_t>(set.Files().size()), set.TotalBytes()).c_str());
}

}  // namespace

int ListCommand(const std::string& set_argument, bool long_format, bool json) {
  auto set = OpenSet(set_argument, SetAccess::kReadOnly);
  if (!set) return kFailed;
  if (json)
    PrintJson(*set);
  else
    PrintTable(*set, long_format);
  return kOk;
}

int InfoCommand(const std::string& set_argument) {
  auto set = OpenSet(set_argument, SetAccess::kReadOnly);
  if (!set) return kFailed;
  const std::uint64_t bytes = set->TotalBytes();
  std::printf("Set:               %s\n", set->Paths().Header().c_str());
  std::printf("Piece size:        %u bytes (%s)\n", set->PieceSize(),
              SizeText(set->PieceSize()).c_str());
  std::printf("Data pieces:       %u\n", set->LastPiece());
  std::printf("Files:             %zu\n", set->Files().size());
  std::printf("Total size:        %llu bytes\n", static_cast<unsigned long long>(bytes));
  std::printf("Catalogue blocks:  %u\n", set->CatalogueBlocks());
  std::printf("Overflow pieces:   %u\n", set->OverflowPieces());
  std::printf("Form:              %s\n", set->Form() == format::CatalogueForm::kLarge
                                             ? "large (a file of 4 GB or more)"
                                             : "standard");
  return kOk;
}

}  // namespace vornalis::cli
