// The self-assembling stub. Make .EXE copies this program next to a set under the set's name and
// writes the set's file count and name into the copy's zero padding; run, the copy rebuilds
// every stored file of <its own folder>/<name>.pec into the folder given as its argument (the
// current folder by default), with the same rules as the engine: nothing is written outside the
// target, and missing folders are made.
//
// It reads the set with SetReader and rebuilds it with the engine's own rebuilding code (no
// sorting, no locale), so every rule of reading and rebuilding a set is the engine's; with the
// set's recovery files beside it, it proves each piece against them (recovery_proof.h). The same
// source makes the Windows program (ext.dll) and the one for this system (ext-native).
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/format.h"
#include "engine/name_bytes.h"
#include "engine/patch_area.h"
#include "engine/rebuild.h"
#include "engine/set_reader.h"
#include "engine/shown_text.h"
#include "exe/stub/disk_prompt.h"
#include "exe/stub/recovery_proof.h"
#include "platform/console.h"
#include "platform/crash.h"
#include "platform/endian.h"
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
  *name = NameFromStored(std::string_view(patch.data() + 4, length));
  return true;
}

// Prints text and a line end to out; names in it come from whoever made the set, so on a
// terminal their control characters are shown escaped.
void PrintLine(std::FILE* out, const std::string& text) {
  const bool terminal =
      platform::IsTerminal(out == stdout ? platform::Stream::kOutput : platform::Stream::kError);
  std::fputs((terminal ? EscapeControls(text) : text).c_str(), out);
  std::fputc('\n', out);
}

// Prints a line per rebuilt file and the message of each failure, and of each file rebuilt
// under another name than stored (on Windows, for a name it reserves).
class Report final : public RebuildObserver {
 public:
  bool Rebuilt(const StoredFile& file, const Status& status) noexcept override {
    if (status.ok()) {
      PrintLine(stdout, file.Folder + file.Name);
    } else if (status.code == Status::Code::kRenamed) {
      PrintLine(stderr, status.message);
      ++renamed;
    } else {
      PrintLine(stderr, status.message);
      ++failed;
    }
    return true;
  }
  unsigned failed = 0;
  unsigned renamed = 0;
};

// Rebuilds the set named in the patch area; the process's exit status.
int Run(const std::vector<std::string>& arguments) {
  platform::FileSystem& fs = platform::RealFileSystem();
  const std::string own = platform::ProgramPath();
  std::uint32_t expected = 0;
  std::string name;
  if (!ReadPatch(fs, own, &expected, &name) || name.empty()) {
    PrintLine(stderr, own + " holds no set name: it was not made by Make .EXE");
    return 1;
  }
  // The one argument is a folder; anything that looks like an option is not taken for one.
  if (arguments.size() > 2 || (arguments.size() == 2 && arguments[1][0] == '-')) {
    PrintLine(stderr, "Usage: " + platform::FileNameOf(arguments[0]) +
                          " [FOLDER]\nRebuilds every file of the set " + name +
                          ".pec, which lies beside this program, in FOLDER (the current folder "
                          "when none is given).");
    return 2;
  }
  const std::string base = platform::FolderOf(own) + name;
  const std::string target = platform::WithSeparator(arguments.size() > 1 ? arguments[1] : ".");

  std::vector<char> buffer(format::kBufferSize);
  std::vector<StoredFile> files;
  SetReader reader(fs, base);
  if (const Status read = reader.ReadSnapshot(&files, buffer); !read.ok()) {
    PrintLine(stderr, read.message);
    return 1;
  }
  const OverlapIndex overlaps(files, reader.shape());
  // A piece that is not beside the set is asked for when there is someone to ask; with the
  // set's recovery files beside it, each piece is proven against them before it is used.
  stub::DiskPrompt prompt;
  stub::RecoveryProof proof(fs, reader.paths());
  const PieceSource source{fs,
                           reader.paths(),
                           reader.shape(),
                           reader.tail_length() > 0 ? reader.last_piece() : 0,
                           &reader.header(),
                           &overlaps,
                           stub::CanAsk() ? &prompt : nullptr,
                           proof.active() ? &proof : nullptr};
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
  const std::string renamed =
      report.renamed == 0 ? "" : " (" + std::to_string(report.renamed) + " under another name)";
  PrintLine(stdout, std::to_string(count - failed) + " of " + std::to_string(count) +
                        " files rebuilt in " + target + renamed + ", " + std::to_string(failed) +
                        (failed == 1 ? " error" : " errors"));
  if (count != expected)
    PrintLine(stderr, "The set holds " + std::to_string(count) +
                          " files, but this program was made for a set of " +
                          std::to_string(expected));
  return failed == 0 && report.renamed == 0 && count == expected ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  platform::ExitOnCrash();
  platform::PrepareConsole();
  const int status = Run(platform::Arguments(argc, argv));
  // Started by a double-click, the program has a console window of its own, which closes when
  // it ends: it waits for Enter, so that the result can be read.
  if (platform::ConsoleIsOwn()) {
    std::fputs("Press Enter to close this window.", stdout);
    std::fflush(stdout);
    platform::ReadLine();
  }
  return status;
}
