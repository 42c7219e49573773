// Turning the files and folders a user names into catalogue entries.
//
// A file is stored with an empty Folder; a folder with every file below it, each file's Folder
// relative to the parent of the folder named (photos\ and photos\2000\ for the folder photos).
// Folders are walked breadth first, each in the order the system lists it. Entries are grouped
// by the folder they are relative to, since AddFiles reads each group from its own root.
// When files of two paths given would be stored under the same folder and name (home/photos
// and usb/photos, or x/n.txt and y/n.txt), every path is stored relative to the folder that
// holds them all instead (home\photos\..., usb\photos\...); a file that still meets another
// path's file is named and left out, and so is a file whose name meets another's in its own
// folder once case is folded (Case.txt and case.txt). A path given twice counts once.
// What cannot be stored is named and left out before storing begins: links to folders (not
// followed), FIFOs, sockets and devices (whose bytes are no file's), and names a set's readers
// would refuse to rebuild (stored_path.h: a "\", which sets use between folders, a drive such
// as "C:" in front, or more than a set's 65,535 bytes).
#pragma once

#include <string>
#include <vector>

#include "engine/stored_file.h"
#include "platform/file_system.h"

namespace vornalis {

struct SourceGroup {
  std::string source_root;  // native folder ending with a separator
  std::vector<StoredFile> entries;
};

struct SourceList {
  std::vector<SourceGroup> groups;          // in order of first appearance
  std::vector<std::string> errors;          // paths that do not exist or cannot be listed
  std::vector<SkippedSource> skipped;       // what cannot be stored, and why
  std::vector<std::string> folders_walked;  // every folder listed, in the order walked
};

enum class SourceLayout {
  // Each path relative to its own parent, all of them relative to the folder that holds them
  // all only when their files would meet (the CLI).
  kEachFromItsParent,
  // Every path relative to the folder that holds them all (one group); the folders given are
  // walked together first, breadth first as one queue, and the files given follow in their
  // order (the desktop program's Add and start-up add).
  kAllFromCommonRoot,
};

// The deepest folder (ending with a separator) that holds every path, "" when they share none.
std::string CommonSourceRoot(const std::vector<std::string>& paths);

// Empty paths are passed over.
SourceList CollectSources(const std::vector<std::string>& paths,
                          platform::FileSystem& fs = platform::RealFileSystem(),
                          SourceLayout layout = SourceLayout::kEachFromItsParent);

}  // namespace vornalis
