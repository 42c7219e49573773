// libFuzzer target for the recovery files' reader and what trusts it: the input becomes a
// recovery file beside a small set (a header and three pieces), which is then looked for,
// checked and repaired from it. Any crash, sanitizer report or allocation above the fuzzer's
// limits (-malloc_limit_mb, -rss_limit_mb) is a finding, and so is any file written beside the
// set that is not one of the set's own names.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "engine/piece_set.h"
#include "engine/set_recovery.h"
#include "fuzz/fuzz_files.h"

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string folder = fuzz::WorkFolder("recovery");
  const std::map<std::string, std::string>& set_files = SetFiles(folder);
  for (const auto& [name, bytes] : set_files) fuzz::WriteWhole(folder + name, bytes);
  fuzz::WriteWhole(folder + "input.par2", std::string(reinterpret_cast<const char*>(data), size));

  platform::FileSystem& fs = platform::RealFileSystem();
  const SetPaths paths{folder + "s"};
  const Result<SetRecovery> recovery = LoadSetRecovery(fs, paths);
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
