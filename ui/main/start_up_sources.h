// What the start-up add stores: every file below the folders of the "/d" list, walked breadth
// first with the list itself as the queue (subfolders are appended to it), each folder in the
// order the system lists it; then the files of the "/f" list, in order.
//
// The source root is the deepest folder that holds every named file and folder, so entries
// named from one folder are stored exactly as named from there (photos\ and photos\2000\ for
// the folder photos; an empty Folder for a file), and entries from elsewhere keep their true
// folders relative to that root instead of being read from the wrong place. Empty lines are
// passed over; links to folders are not followed, so a loop of links cannot walk forever; a
// folder that cannot be listed adds nothing.
#pragma once

#include <string>
#include <vector>

#include "engine/stored_file.h"
#include "platform/file_system.h"

namespace vornalis::ui {

struct StartUpSources {
  std::string source_root;  // ends with a separator
  std::vector<StoredFile> entries;
};

// folders is the "/d" list and becomes the queue: every folder walked is in it afterwards.
StartUpSources CollectStartUpSources(std::vector<std::string>& folders,
                                     const std::vector<std::string>& files,
                                     platform::FileSystem& fs);

}  // namespace vornalis::ui
