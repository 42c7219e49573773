#include "cli/open_set.h"

#include <cstdio>

#include "engine/set_files.h"

namespace vornalis::cli {

void PrintError(const std::string& message) { std::fprintf(stderr, "%s\n", message.c_str()); }

std::unique_ptr<PieceSet> OpenSet(const std::string& set_argument, SetAccess access) {
  const SetIdentity identity = IdentifySetFile(set_argument);
  if (!identity.ok) {
    PrintError(identity.message);
    return nullptr;
  }
  auto set = std::make_unique<PieceSet>(identity.base_path, access);
  if (!set->LastError().empty()) {
    PrintError(set->LastError());
    return nullptr;
  }
  return set;
}

}  // namespace vornalis::cli
