#include "desktop/command_line.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <string_view>

#include "engine/patch_area.h"
#include "exe/make_exe.h"
#include "platform/collation.h"
#include "platform/path.h"
#include "platform/text_encoding.h"
#include "vornalis/version.h"

namespace vornalis::desktop {
namespace {

// The characters of text, each as its UTF-8 bytes (a byte that begins no character alone).
std::vector<std::string_view> Characters(std::string_view text) {
  std::vector<std::string_view> characters;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = std::max<std::size_t>(1, platform::Utf8Length(text, i));
    characters.push_back(text.substr(i, length));
    i += length;
  }
  return characters;
}

// Wildcard match of a whole name, character by character: "*" any run of characters, "?" one.
bool Matches(const std::vector<std::string_view>& pattern,
             const std::vector<std::string_view>& name) {
  std::size_t p = 0, n = 0, star_n = 0;
  std::optional<std::size_t> star;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == "?" || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == "*") {
      star = p++;
      star_n = n;
    } else if (star) {
      p = *star + 1;
      n = ++star_n;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == "*") ++p;
  return p == pattern.size();
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

constexpr char kUsage[] =
    "Usage: vornalis [PIECEFILE] [/f LISTFILE] [/d LISTFILE] [/e [FOLDER]]\n"
    "Packs files into a numbered set of piece files, lists what a set holds and rebuilds it.\n"
    "\n"
    "  PIECEFILE     open the set of this file, its header or any of its pieces\n"
    "  /f LISTFILE   make a new set (named PIECEFILE, else asked for) of the files named in\n"
    "                LISTFILE, one full path a line; the list file is deleted once read\n"
    "  /d LISTFILE   the same for folders, each with everything below it\n"
    "  /e [FOLDER]   open the set of PIECEFILE and assemble its files into FOLDER, or ask\n"
    "  --help        show this (also -h, -? or /?); --version, or -v, shows the version;\n"
    "                each only by itself\n"
    "\n"
    "Switches may be written in capitals. The same work without a window: vornalis-cli.\n";

}  // namespace

std::optional<std::string> OptionText(const std::vector<std::string>& args,
                                      platform::FileSystem& fs) {
  if (args.size() != 1 || fs.Exists(args[0])) return std::nullopt;
  const std::string& option = args[0];
  if (option == "--help" || option == "-h" || option == "-?" || option == "/?")
    return std::string(kUsage);
  if (option == "--version" || option == "-v") return std::string("vornalis ") + kVersion + "\n";
  return std::nullopt;
}

bool ReadLines(const std::string& path, platform::FileSystem& fs, std::vector<std::string>* lines) {
  auto file = fs.Open(path, platform::OpenMode::kRead);
  if (!file.ok()) return false;
  std::string text;
  std::array<char, 65536> buffer;
  for (;;) {
    const Result<std::size_t> read = file->Read(buffer);
    if (!read.ok()) return false;
    text.append(buffer.data(), *read);
    if (*read < buffer.size()) break;
  }
  (void)file->Close();
  lines->clear();
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines->push_back(std::move(line));
    start = end + 1;
  }
  return true;
}

std::string FindOnDisk(const std::string& path, platform::FileSystem& fs) {
  const std::string folder = platform::FolderOf(path);
  const std::string pattern = platform::FileNameOf(path);
  if (pattern.empty()) return std::string();
  // A short (8.3) name or one in other letter case is found by the system itself.
  if (pattern.find_first_of("*?") == std::string::npos && fs.Exists(path))
    return folder + platform::NameOnDisk(path);

  const Result<std::vector<platform::DirEntry>> entries =
      fs.ListDirectory(folder.empty() ? std::string(".") : folder);
  if (!entries.ok()) return std::string();
  std::vector<std::string> names;
  const std::string folded = platform::FoldCase(pattern);
  const std::vector<std::string_view> wanted = Characters(folded);
  for (const platform::DirEntry& entry : *entries) {
    const std::string name = platform::FoldCase(entry.name);
    if (Matches(wanted, Characters(name))) names.push_back(entry.name);
  }
  if (names.empty()) return std::string();
  return folder + *std::min_element(names.begin(), names.end());
}

CommandLine ParseCommandLine(const std::vector<std::string>& args, const std::string& program_path,
                             const std::string& current_folder, platform::FileSystem& fs) {
  CommandLine line;
  line.StubFallback = exe::StubBeside(program_path);
  if (!current_folder.empty())
    line.StubPath = platform::WithSeparator(current_folder) + std::string(exe::kStubFileName);
  if (args.empty()) return line;

  if (!line.StubPath.empty()) line.StubPath = exe::StubBeside(program_path);
  line.StartMode = StartOpen;
  enum class Switch { kNone, kFiles, kFolders, kAssemble } state = Switch::kNone;
  std::string files_list, folders_list;
  for (const std::string& arg : args) {
    const std::string lower = Lower(arg);
    if (lower == "/f") {
      state = Switch::kFiles;
    } else if (lower == "/d") {
      state = Switch::kFolders;
    } else if (lower == "/e") {
      state = Switch::kAssemble;
      line.StartMode = StartAssemble;
    } else if (state == Switch::kFolders) {
      folders_list = arg;
      line.StartMode = StartAddFiles;
    } else if (state == Switch::kFiles) {
      files_list = arg;
      line.StartMode = StartAddFiles;
    } else if (state == Switch::kAssemble) {
      line.AssembleTarget = arg;
    } else {
      line.PieceFileArg = arg;
      line.PieceFilePath = arg;
      const std::string found = FindOnDisk(arg, fs);
      if (!found.empty()) line.PieceFilePath = found;
    }
  }

  // Each list file is deleted once read; one that cannot be read is left as it is.
  for (auto [list, paths] :
       {std::pair{&folders_list, &line.FoldersToAdd}, std::pair{&files_list, &line.FilesToAdd}}) {
    if (list->empty()) continue;
    line.StartMode = StartAddFiles;
    if (ReadLines(*list, fs, paths)) (void)fs.Remove(*list);
  }
  return line;
}

}  // namespace vornalis::desktop
