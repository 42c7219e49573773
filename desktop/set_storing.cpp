#include "desktop/set_storing.h"

#include <algorithm>

#include "engine/messages.h"
#include "platform/path.h"

namespace vornalis::desktop {

SourceList CollectForSet(PieceSet& set, const std::vector<std::string>& paths,
                         platform::FileSystem& fs) {
  std::vector<std::string> absolute;
  for (const std::string& path : paths) absolute.push_back(platform::AbsolutePath(path));
  const std::vector<std::string> own = set.OwnSources(absolute);
  std::vector<std::string> kept;
  for (std::size_t i = 0; i < paths.size(); ++i)
    if (std::find(own.begin(), own.end(), absolute[i]) == own.end()) kept.push_back(paths[i]);
  SourceList list = CollectSources(kept, fs, SourceLayout::kAllFromCommonRoot);
  for (const std::string& path : own)
    list.skipped.push_back({path, messages::OwnSetFile(path), true});
  return list;
}

}  // namespace vornalis::desktop
