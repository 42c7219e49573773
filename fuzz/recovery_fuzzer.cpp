// libFuzzer target for the recovery files' reader and what trusts it: the input becomes a
// recovery file beside a small set (a header and three pieces), which is then looked for,
// checked and repaired from it. Any crash, sanitizer report or allocation above the fuzzer's
// limits (-malloc_limit_mb, -rss_limit_mb) is a finding, and so is any file written beside the
// set that is not one of the set's own names.
//
// An input that starts with "FLOOD" and a u32 count N is a flood: a file that names the set's
// header once, then holds N packets (of at most 2^20) of ever new recovery sets, each with the
// rest of the input as its body. Reading 2^20 of them whole took some 800 MB; the reader keeps
// them within its budget, and the test command runs this target with -rss_limit_mb=512.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "engine/piece_set.h"
#include "engine/set_recovery.h"
#include "fuzz/fuzz_files.h"
#include "platform/endian.h"
#include "recovery/par2_packets.h"

namespace {

using namespace vornalis;

// The set's files, made once: four small files over pieces of 1,000 bytes.
const std::map<std::string, std::string>& SetFiles(const std::string& folder) {
  static const std::map<std::string, std::string> files = [&folder] {
    for (int i = 0; i < 4; ++i)
      fuzz::WriteWhole(folder + "f" + std::to_string(i), std::string(700 + 60 * i, char('a' + i)));
    {
      PieceSet set(folder + "s", 1000);
      std::vector<StoredFile> entries;
      for (int i = 0; i < 4; ++i) entries.push_back(StoredFile{"", "f" + std::to_string(i)});
      if (!set.AddFiles(folder, entries, nullptr, nullptr, folder)) std::abort();
    }
    std::map<std::string, std::string> made;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      const std::string name = entry.path().filename().string();
      if (name.ends_with(".pec")) made[name] = fuzz::ReadWhole(folder + name);
    }
    fuzz::Empty(folder);
    return made;
  }();
  return files;
}

// Writes the recovery file an input stands for at path: the input itself, or the flood it
// describes, packet by packet.
void WriteRecoveryFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  if (size < 9 || input.compare(0, 5, "FLOOD") != 0) {
    fuzz::WriteWhole(path, input);
    return;
  }
  namespace par2 = recovery::par2;
  const std::uint32_t count = std::min<std::uint32_t>(ReadU32(input.data() + 5), 1u << 20);
  std::string body = input.substr(9, 64);
  body.resize((body.size() + 3) / 4 * 4, '\0');
  par2::FileDescription header;
  header.length = 1000;
  header.name = "s.pec";
  header.file_id = par2::FileIdOf(header.hash16k, header.length, header.name);
  std::ofstream out(path, std::ios::binary);
  const auto put = [&out](const std::string& packet) {
    out.write(packet.data(), static_cast<std::streamsize>(packet.size()));
  };
  put(par2::MakePacket({}, par2::kFileDescType, par2::FileDescBody(header)));
  for (std::uint32_t i = 0; i < count; ++i) {
    par2::Id id{};
    for (int b = 0; b < 4; ++b) id[b] = static_cast<std::uint8_t>(i >> (8 * b));
    put(par2::MakePacket(id, par2::kCreatorType, body));
  }
}

}  // namespace

// Memory the address sanitizer keeps of what was freed counts as held: a smaller quarantine than
// its default keeps the limit about what the reader holds.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=32"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string folder = fuzz::WorkFolder("recovery");
  const std::map<std::string, std::string>& set_files = SetFiles(folder);
  for (const auto& [name, bytes] : set_files) fuzz::WriteWhole(folder + name, bytes);
  WriteRecoveryFile(folder + "input.par2", data, size);

  platform::FileSystem& fs = platform::RealFileSystem();
  const SetPaths paths{folder + "s"};
  // A budget smaller than the programs', which the sanitizers' own overhead multiplies.
  const Result<SetRecovery> recovery = LoadSetRecovery(fs, paths, 1, std::uint64_t{16} << 20);
  if (recovery.ok()) {
    recovery::WorkOptions work;
    work.memory = std::uint64_t{16} << 20;
    (void)CheckSet(fs, paths, *recovery, work, nullptr);
    (void)RepairSet(fs, paths, *recovery, work, nullptr);
  }
  // Whatever the recovery file says, nothing is written beside the set but under its names (and
  // its lock).
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name != "input.par2" && name != "s.pec.lock" && !SetFileOfName(paths, name)) std::abort();
  }
  fuzz::Empty(folder);
  return 0;
}
