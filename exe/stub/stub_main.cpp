// The self-assembling stub. Make .EXE copies this program next to a set under the set's name and
// writes the set's file count and name into the copy's zero padding; run, the copy rebuilds
// every stored file of <its own folder>/<name>.pec into the folder given as its argument (the
// current folder by default), with the same rules as the engine: nothing is written outside the
// target, and missing folders are made.
//
// It reads the set with SetReader and rebuilds it with the engine's own rebuilding code (no
// sorting, no locale), so every rule of reading and rebuilding a set is the engine's.
#include <unistd.h>

#include <array>
#include <cstdio>
#include <vector>

#include "engine/endian.h"
#include "engine/format.h"
#include "engine/patch_area.h"
#include "engine/rebuild.h"
#include "engine/set_reader.h"
#include "engine/shown_text.h"
#include "platform/file_system.h"
#include "platform/path.h"

namespace {

using namespace vornalis;

// Reads the patch area: the file count and the set's name.
bool ReadPatch(platform::FileSystem& fs, const std::string& own, std::uint32_t* count,
               std::string* name) {
  auto self = fs.Open(own, platform::OpenMode::kRead);
  std::array<char, 4 + exe::kMaxNameLength> patch{};
  if (!self.ok()) return false;
  const Result<std::size_t> read = self->ReadAt(exe::kCountOffset, patch);
  if (!read.ok() || *read < patch.size()) return false;
  *count = ReadU32(patch.data());
  std::size_t length = 0;
  while (length < exe::kMaxNameLength && patch[4 + length] != '\0') ++length;
  name->assign(patch.data() + 4, length);
  return true;
}

// Prints text and a line end to out; names in it come from whoever made the set, so on a
// terminal their control characters are shown escaped.
void PrintLine(std::FILE* out, const std::string& text) {
  const bool terminal = ::isatty(::fileno(out)) == 1;
  std::fprintf(out, "%s\n", (terminal ? EscapeControls(text) : text).c_str());
}

// Prints a line per rebuilt file and the message of each failure.
class Report final : public RebuildObserver {
 public:
  bool Rebuilt(const StoredFile& file, const Status& status) noexcept override {
    if (status.ok()) {
      PrintLine(stdout, file.Folder + file.Name);
    } else {
      PrintLine(stderr, status.message);
      ++failed;
    }
    return true;
  }
  unsigned failed = 0;
};

}  // namespace

int main(int argc, char** argv) {
  platform::FileSystem& fs = platform::RealFileSystem();
  const std::string own = platform::ProgramPath();
  std::uint32_t expected = 0;
  std::string name;
  if (!ReadPatch(fs, own, &expected, &name) || name.empty()) {
    std::fprintf(stderr, "%s holds no set name: it was not made by Make .EXE\n", own.c_str());
    return 1;
  }
  // The one argument is a folder; anything that looks like an option is not taken for one.
  if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
    std::fprintf(stderr,
                 "Usage: %s [FOLDER]\nRebuilds every file of the set %s.pec, which lies beside "
                 "this program, in FOLDER (the current folder when none is given).\n",
                 argv[0], name.c_str());
    return 2;
  }
  const std::string base = platform::FolderOf(own) + name;
  const std::string target = platform::WithSeparator(argc > 1 ? argv[1] : ".");

  std::vector<char> buffer(format::kBufferSize);
  std::vector<StoredFile> files;
  SetReader reader(fs, base);
  if (const Status read = reader.ReadSnapshot(&files, buffer); !read.ok()) {
    PrintLine(stderr, read.message);
    return 1;
  }
  const OverlapIndex overlaps(files, reader.shape());
  const PieceSource source{fs,
                           reader.paths(),
                           reader.shape(),
                           reader.tail_length() > 0 ? reader.last_piece() : 0,
                           &reader.header(),
                           &overlaps};
  std::vector<const StoredFile*> entries;
  entries.reserve(files.size());
  for (const StoredFile& file : files) entries.push_back(&file);
  Report report;
  const Status status = RebuildFiles(source, target, entries, buffer, &report);
  if (!status.ok()) {
    PrintLine(stderr, status.message);
    return 1;
  }
  const unsigned failed = report.failed;
  const auto count = static_cast<unsigned>(files.size());
  PrintLine(stdout, std::to_string(count - failed) + " of " + std::to_string(count) +
                        " files rebuilt in " + target);
  if (count != expected)
    std::fprintf(stderr, "The set holds %u files, but this program was made for a set of %u\n",
                 count, expected);
  return failed == 0 && count == expected ? 0 : 1;
}
