// Native path helpers: the separators of this system and splitting a path into folder and name.
// Stored folders inside a set always use "\"; engine/stored_path.h turns them into native ones.
// Paths are UTF-8 on every system.
#pragma once

#include <string>
#include <string_view>

namespace vornalis::platform {

#ifdef _WIN32
inline constexpr bool kWindows = true;
// Windows writes "\" and takes "/" as well.
inline constexpr char kSeparator = '\\';
inline constexpr std::string_view kSeparators = "\\/";
#else
inline constexpr bool kWindows = false;
inline constexpr char kSeparator = '/';
inline constexpr std::string_view kSeparators = "/";
#endif

inline bool IsSeparator(char c) { return kSeparators.find(c) != std::string_view::npos; }

// The folder part of a path, up to and including its last separator ("" when it has none).
std::string FolderOf(std::string_view path);
// The part after the last separator.
std::string FileNameOf(std::string_view path);
// path with one separator at its end (unchanged when it already has one, or is empty).
std::string WithSeparator(std::string_view path);
// path without separators at its end, but a root ("/", "C:\") kept whole.
std::string WithoutTrailingSeparators(std::string_view path);
// Absolute form of path, relative ones taken from the current folder; "." and ".." resolved
// lexically. Returns path unchanged when the current folder cannot be read.
std::string AbsolutePath(std::string_view path);

// Full path of the running program's own file ("" when the system does not tell).
std::string ProgramPath();
// The current folder ("" when the system does not tell).
std::string CurrentFolder();
// The name the file system keeps for path's last part: on Windows a short (8.3) name gives the
// long one; elsewhere, and when nothing is there, the name as given.
std::string NameOnDisk(std::string_view path);

}  // namespace vornalis::platform
