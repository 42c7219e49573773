// Rebuilding many small files in the order their bytes lie against the order of a list the user
// sorted (by size, which scatters them over the pieces): what the desktop program's Assemble
// pays for following its list.
//
//   rebuild_order_bench [FOLDER] [FILES] [RUNS]   (default /tmp, 20000, 5)
//
// The sources and the set are made once; every run rebuilds into a fresh folder, the two orders
// taking turns, and nothing is deleted between timed runs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "engine/piece_set.h"

namespace {

using namespace vornalis;

int NoProgress(void*, int, std::string, std::string, std::uint64_t) noexcept { return 0; }

double Seconds(PieceSet& set, const std::string& target,
               const std::vector<const StoredFile*>& entries, RebuildOrder order) {
  const auto start = std::chrono::steady_clock::now();
  set.ExtractFiles(target, entries, nullptr, order);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = std::string(argc > 1 ? argv[1] : "/tmp") + "/rebuild_order_bench";
  const std::size_t count = argc > 2 ? std::stoul(argv[2]) : 20000;
  const int runs = argc > 3 ? std::stoi(argv[3]) : 5;
  if (std::filesystem::exists(folder)) {
    std::fprintf(stderr, "%s exists; give a fresh folder\n", folder.c_str());
    return 1;
  }
  std::filesystem::create_directories(folder + "/src");
  std::mt19937 random(7);
  std::vector<StoredFile> sources;
  for (std::size_t i = 0; i < count; ++i) {
    const std::string dir = "d" + std::to_string(i / 200) + "\\";
    const std::string name = "f" + std::to_string(i) + ".dat";
    std::filesystem::create_directories(folder + "/src/d" + std::to_string(i / 200));
    std::ofstream(folder + "/src/d" + std::to_string(i / 200) + "/" + name)
        << std::string(1024 + random() % 7168, char('a' + i % 26));
    sources.push_back(StoredFile{dir, name});
  }
  {
    PieceSet set(folder + "/set", 1474560);
    if (!set.AddFiles(folder + "/src/", sources, nullptr, NoProgress, folder + "/src/") ||
        !set.Close()) {
      std::fprintf(stderr, "%s\n", set.LastError().c_str());
      return 1;
    }
  }
  PieceSet set(folder + "/set", SetAccess::kReadOnly);
  std::vector<const StoredFile*> by_size;
  for (const StoredFile& file : set.Files()) by_size.push_back(&file);
  std::stable_sort(by_size.begin(), by_size.end(),
                   [](const StoredFile* a, const StoredFile* b) { return a->Size < b->Size; });
  std::vector<double> position, listed;
  for (int run = 0; run < runs; ++run) {
    const std::string at = folder + "/out" + std::to_string(run);
    position.push_back(Seconds(set, at + "p/", by_size, RebuildOrder::kByPosition));
    listed.push_back(Seconds(set, at + "l/", by_size, RebuildOrder::kAsGiven));
  }
  const double p = Median(position), l = Median(listed);
  std::printf(
      "rebuild %zu files: by position %.3f s, in the list's order (by size) %.3f s, %.2fx\n",
      set.Files().size(), p, l, l / p);
  return 0;
}
