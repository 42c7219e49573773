// Times opening a set with a large catalogue: writes a set of N entries (default 200,000) in a
// fresh folder, then opens it several times and prints the median. A second set holds the same
// entries in reverse order, as a set written under another locale might, so the reader has to
// sort.
//
// usage: catalogue_open_bench [FOLDER] [ENTRIES] [RUNS]
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

bool WriteSet(const std::string& base, const std::vector<StoredFile>& files) {
  const std::uint32_t piece_size = 1474560;
  std::vector<char> buffer(format::kBufferSize);
  const format::CatalogueForm form = format::CatalogueForm::kStandard;
  CatalogueStreamWriter out(platform::RealFileSystem(), SetPaths{base}, piece_size, 1, form,
                            CatalogueStreamWriter::StreamSize(files, 0, buffer.size(), form));
  return out.Begin(0).ok() && out.WriteRecords(files, buffer).ok() && out.Commit().ok();
}

double MedianOpenSeconds(const std::string& base, int runs, SetAccess access, std::size_t* count) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    {
      PieceSet set(base, access);
      *count = set.Files().size();
    }
    times.push_back(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : "/tmp";
  const std::size_t entries = argc > 2 ? std::stoul(argv[2]) : 200000;
  const int runs = argc > 3 ? std::stoi(argv[3]) : 5;

  std::vector<StoredFile> files;
  for (std::size_t i = 0; i < entries; ++i) {
    char name[32], dir[16];
    std::snprintf(name, sizeof name, "file_%07zu.dat", i);
    std::snprintf(dir, sizeof dir, "dir%03zu\\", i % 1000);
    files.push_back(StoredFile{dir, name, 1, 8, 0});
  }
  const std::string sorted = folder + "/sorted", reversed = folder + "/reversed";
  std::vector<StoredFile> backwards(files.rbegin(), files.rend());
  if (!WriteSet(sorted, files) || !WriteSet(reversed, backwards)) {
    std::fprintf(stderr, "cannot write the sets in %s\n", folder.c_str());
    return 1;
  }
  std::size_t count = 0;
  const double read_write = MedianOpenSeconds(sorted, runs, SetAccess::kReadWrite, &count);
  std::printf("open %zu entries (read-write, in order):  %.3f s median of %d\n", count, read_write,
              runs);
  const double read_only = MedianOpenSeconds(sorted, runs, SetAccess::kReadOnly, &count);
  std::printf("open %zu entries (read-only, in order):   %.3f s\n", count, read_only);
  const double resorted = MedianOpenSeconds(reversed, runs, SetAccess::kReadOnly, &count);
  std::printf("open %zu entries (read-only, must sort):  %.3f s\n", count, resorted);
  return 0;
}
