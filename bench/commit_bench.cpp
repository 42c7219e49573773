// Times the commit the desktop program makes at the end of each Add: a set of N entries (default
// 200,000) is written in a fresh folder and opened for storing, as the program holds it; then, run
// after run, one small file is added to it and the set committed (the catalogue written and
// flushed, the set kept open). Prints the median and the range of the commits, and of the adds.
//
// usage: commit_bench [FOLDER] [ENTRIES] [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/catalogue_stream_writer.h"
#include "engine/format.h"
#include "engine/piece_set.h"
#include "platform/file_system.h"

namespace {

using namespace vornalis;
using Clock = std::chrono::steady_clock;

bool WriteSet(const std::string& base, const std::vector<StoredFile>& files) {
  const std::uint32_t piece_size = 1474560;
  std::vector<char> buffer(format::kBufferSize);
  const format::CatalogueForm form = format::CatalogueForm::kStandard;
  CatalogueStreamWriter out(platform::RealFileSystem(), SetPaths{base}, piece_size, 1, form,
                            CatalogueStreamWriter::StreamSize(files, 0, buffer.size(), form));
  return out.Begin(0).ok() && out.WriteRecords(files, buffer).ok() && out.Commit().ok();
}

bool WriteSource(const std::string& path, const std::string& text) {
  auto file = platform::RealFileSystem().Open(path, platform::OpenMode::kCreate);
  return file.ok() && file->Write(text).ok() && file->Close().ok();
}

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

void Report(const char* what, std::vector<double> times) {
  std::sort(times.begin(), times.end());
  std::printf("%-28s median %.3f s, range %.3f to %.3f s, %zu runs\n", what,
              times[times.size() / 2], times.front(), times.back(), times.size());
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : "/tmp";
  const std::size_t entries = argc > 2 ? std::stoul(argv[2]) : 200000;
  const int runs = argc > 3 ? std::stoi(argv[3]) : 9;

  std::vector<StoredFile> files;
  for (std::size_t i = 0; i < entries; ++i) {
    char name[32], dir[16];
    std::snprintf(name, sizeof name, "file_%07zu.dat", i);
    std::snprintf(dir, sizeof dir, "dir%03zu\\", i % 1000);
    files.push_back(StoredFile{dir, name, 1, 8, 0});
  }
  const std::string base = folder + "/committed";
  if (!WriteSet(base, files)) {
    std::fprintf(stderr, "cannot write the set in %s\n", folder.c_str());
    return 1;
  }
  files = std::vector<StoredFile>();

  PieceSet set(base);
  if (!set.CanStore()) {
    std::fprintf(stderr, "%s\n", set.LastError().c_str());
    return 1;
  }
  std::vector<double> adds, commits;
  for (int i = 0; i < runs; ++i) {
    const std::string name = "added-" + std::to_string(i) + ".txt";
    if (!WriteSource(folder + "/" + name, "one more small file " + std::to_string(i) + "\n")) {
      std::fprintf(stderr, "cannot write %s\n", name.c_str());
      return 1;
    }
    const Clock::time_point start = Clock::now();
    if (!set.AddFiles(folder + "/", {StoredFile{"", name}}, nullptr, nullptr, folder + "/")) {
      std::fprintf(stderr, "%s\n", set.LastError().c_str());
      return 1;
    }
    adds.push_back(Seconds(start));
    const Clock::time_point committing = Clock::now();
    if (!set.Commit()) {
      std::fprintf(stderr, "%s\n", set.LastError().c_str());
      return 1;
    }
    commits.push_back(Seconds(committing));
  }
  std::printf("%zu entries, one small file added per run\n", set.Files().size());
  Report("add one file:", adds);
  Report("commit after it:", commits);
  return set.Close() ? 0 : 1;
}
