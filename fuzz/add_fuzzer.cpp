// libFuzzer target for storing into a set: the input becomes a set's header file (and up to two
// overflow pieces) and one source file, which is then stored into the set opened for storing.
// Whatever the header holds, the set that opened before must open afterwards: with the new file
// rebuilding byte for byte when storing and closing succeeded, as it was when they failed. A
// crash, a sanitizer report, a broken set or a file left anywhere but the set's own is a
// finding.
//
// Input layout: byte 0 gives the number of overflow pieces (0 to 2); each is a u16 length and
// that many payload bytes; then a u16 length and the source's bytes; the rest is the header.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/piece_set.h"
#include "engine/set_files.h"
#include "fuzz/fuzz_files.h"
#include "platform/endian.h"

namespace {

// Takes a u16 length and that many bytes off the front of input.
std::string TakeChunk(std::string* input) {
  if (input->size() < 2) return {};
  const std::size_t length =
      std::min<std::size_t>(vornalis::ReadU16(input->data()), input->size() - 2);
  std::string chunk = input->substr(2, length);
  input->erase(0, 2 + length);
  return chunk;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vornalis;
  using fuzz::ReadWhole;
  using fuzz::WriteWhole;
  if (size == 0) return 0;
  const std::string folder = fuzz::WorkFolder("add-fuzz");
  const std::string base = folder + "set";
  std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::vector<std::string> overflow;
  for (int i = 0; i < data[0] % 3; ++i) overflow.push_back(TakeChunk(&input));
  const std::string source = TakeChunk(&input);
  WriteWhole(HeaderPath(base), input);
  const std::uint32_t last_piece = input.size() >= 16 ? ReadU32(input.data() + 12) : 0;
  for (std::size_t i = 0; i < overflow.size(); ++i) {
    const auto n = static_cast<std::uint32_t>(last_piece + i + 1);
    std::string piece = "QBTM";
    AppendU32(&piece, n);
    WriteWhole(PiecePath(base, n), piece + overflow[i]);
  }
  std::filesystem::create_directories(folder + "src");
  WriteWhole(folder + "src/new", source);

  std::size_t before = 0;
  bool readable = false;
  {
    PieceSet set(base, SetAccess::kReadOnly);
    readable = set.LastError().empty();
    before = set.Files().size();
  }
  bool stored = false;
  {
    PieceSet set(base, SetAccess::kReadWrite);
    stored =
        set.AddFiles(folder + "src/", {StoredFile{"", "new"}}, nullptr, nullptr, folder + "src/") &&
        set.Find("", "new") != nullptr && set.Files().size() == before + 1;
    stored = set.Close() && stored;
  }
  if (readable) {
    PieceSet set(base, SetAccess::kReadOnly);
    if (!set.LastError().empty()) std::abort();  // a set that opened no longer does
    if (set.Files().size() != before + (stored ? 1 : 0)) std::abort();
    if (stored) {
      const StoredFile* entry = set.Find("", "new");
      if (entry == nullptr || !set.ExtractFile(folder + "out/", *entry)) std::abort();
      if (ReadWhole(folder + "out/new") != source) std::abort();
    }
  }
  // Nothing may be left beside the set but its own files (pieces, and pieces kept aside).
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    const bool own = name.rfind("set", 0) == 0 && name.find(".pec") != std::string::npos &&
                     name.find(".lock") == std::string::npos;
    if (name != "out" && name != "src" && !own) std::abort();
  }

  fuzz::Empty(folder);
  return 0;
}
