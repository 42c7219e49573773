// libFuzzer target for the catalogue reader: the input becomes a set's header file (and up to
// two overflow pieces), of the standard form or the large one ("QBXL", 64-bit sizes), which is
// then opened, looked up, partly rebuilt and verified. Any crash, leak, sanitizer report or
// unbounded allocation is a finding, and so is a file written anywhere but below the target
// folder.
//
// Input layout: byte 0 gives the number of overflow pieces (0 to 2); each is a u16 length and
// that many payload bytes; the rest is the header file.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/piece_set.h"
#include "engine/set_files.h"
#include "engine/verify.h"
#include "fuzz/fuzz_files.h"
#include "platform/endian.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string folder = vornalis::fuzz::WorkFolder("fuzz");
  const std::string base = folder + "set";
  std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
  const int pieces = data[0] % 3;
  std::vector<std::string> overflow;
  for (int i = 0; i < pieces && input.size() >= 2; ++i) {
    const std::size_t length =
        std::min<std::size_t>(vornalis::ReadU16(input.data()), input.size() - 2);
    overflow.push_back(input.substr(2, length));
    input.erase(0, 2 + length);
  }
  vornalis::fuzz::WriteWhole(vornalis::HeaderPath(base), input);
  const std::uint32_t last_piece = input.size() >= 16 ? vornalis::ReadU32(input.data() + 12) : 0;
  for (std::size_t i = 0; i < overflow.size(); ++i) {
    const auto n = static_cast<std::uint32_t>(last_piece + i + 1);
    std::string piece = "QBTM";
    vornalis::AppendU32(&piece, n);
    vornalis::fuzz::WriteWhole(vornalis::PiecePath(base, n), piece + overflow[i]);
  }

  {
    vornalis::PieceSet set(base, vornalis::SetAccess::kReadOnly);
    std::uint32_t total = 0;
    set.GetTotals(total);
    std::vector<const vornalis::StoredFile*> entries;
    for (const vornalis::StoredFile& file : set.Files()) {
      if (entries.size() == 8) break;
      if (!set.FindUnique(file.Folder, file.Name).ok()) std::abort();  // a stored name is found
      entries.push_back(&file);
    }
    set.ExtractFiles(folder + "out/", entries, nullptr);
    // However many pieces the header claims, the check of them is bounded.
    vornalis::VerifySet(set);
  }
  // Whatever the catalogue says, nothing may be written beside the set but below out/.
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name != "out" && (name.size() < 4 || name.substr(name.size() - 4) != ".pec")) std::abort();
  }

  vornalis::fuzz::Empty(folder);
  return 0;
}
