// Stored folders and names versus native paths.
//
// A set keeps folders with "\" as separator whatever system wrote it; these helpers turn them
// into paths of this system, and decide whether a stored folder and name may be written below a
// target folder at all.
#pragma once

#include <string>
#include <string_view>

namespace vornalis {

// Stored folder ("a\b\") as a native relative path ("a/b/").
std::string NativeFolder(std::string_view stored_folder);
// The native path of a stored file below root (a native folder ending with a separator, or ""):
// root + NativeFolder(folder) + name. Sources are read and files rebuilt by this one rule.
std::string NativePath(std::string_view root, std::string_view folder, std::string_view name);
// Native relative folder ("a/b" or "a/b/") as stored ("a\b\"); "" stays "".
std::string StoredFolder(std::string_view native_folder);
// True when folder + name names a file strictly below any target folder: the name is a plain
// file name, and the folder is empty or relative components ending in "\", none of them empty,
// "." or "..", none a drive ("C:"), and none holds a separator of either kind.
bool IsSafeStoredPath(std::string_view folder, std::string_view name);
// True when a set can hold a file of this folder and name: one its readers will rebuild
// (IsSafeStoredPath), with texts that fit their u16 lengths.
bool IsStorableName(std::string_view folder, std::string_view name);

}  // namespace vornalis
