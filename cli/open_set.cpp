#include "cli/open_set.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "cli/shown_name.h"

#include "engine/messages.h"
#include "engine/set_files.h"
#include "platform/console.h"

namespace vornalis::cli {

void PrintError(const std::string& message) {
  // Messages name stored files, whose names may hold control characters.
  static const bool terminal = platform::IsTerminal(platform::Stream::kError);
  std::fprintf(stderr, "%s\n", (terminal ? EscapeControls(message) : message).c_str());
}

std::unique_ptr<PieceSet> OpenSet(const std::string& set_argument, SetAccess access,
                                  platform::FileSystem& fs) {
  const Result<SetPaths> paths = IdentifySetFile(set_argument);
  if (!paths.ok()) {
    PrintError(messages::Explained(paths.status()));
    return nullptr;
  }
  auto set = std::make_unique<PieceSet>(*paths, access, fs);
  if (!set->LastStatus().ok()) {
    PrintError(messages::Explained(set->LastStatus()));
    return nullptr;
  }
  PrintWarnings(*set);
  return set;
}

void PrintWarnings(const PieceSet& set) {
  static std::vector<std::string> printed;
  for (const std::string& warning : set.Warnings()) {
    if (std::find(printed.begin(), printed.end(), warning) != printed.end()) continue;
    printed.push_back(warning);
    PrintError("Warning: " + warning);
  }
}

}  // namespace vornalis::cli
