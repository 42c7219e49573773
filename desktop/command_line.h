// The desktop program's command line: an optional piece file, then the switches "/f" (a list
// file of files to pack), "/d" (a list file of folders to pack) and "/e" (assemble, into an
// optional folder). Switches are recognised in any letter case and only as whole arguments;
// a value after a switch belongs to it, the last such value counting. List files are read
// (one full path per line) and deleted here; one that cannot be read is left alone.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace vornalis::desktop {

enum StartModes { StartNone = 0, StartOpen = 1, StartAddFiles = 2, StartAssemble = 3 };

struct CommandLine {
  int StartMode = StartNone;
  std::string PieceFileArg;   // the piece file exactly as typed
  std::string PieceFilePath;  // the same, with the name found on disk when there is one
  std::vector<std::string> FilesToAdd;
  std::vector<std::string> FoldersToAdd;
  std::string AssembleTarget;
  // The stub Make .EXE copies: ext.dll in the current folder without arguments, beside the
  // program with any; "" when the current folder was unknown.
  std::string StubPath;
  // The stub beside the program's own file, which Make .EXE takes when StubPath holds none, so
  // that it works however the program was started.
  std::string StubFallback;
};

// What the program prints (or shows, without a console) and ends with for "--help", "-h", "-?"
// or "/?" (how it is used) and for "--version" or "-v", given as the only argument while no file
// of that name exists (a set may be called so, and is then opened); nothing for any other
// command line, which is ParseCommandLine's. Both faces ask it before they start a window.
std::optional<std::string> OptionText(const std::vector<std::string>& args,
                                      platform::FileSystem& fs = platform::RealFileSystem());

// args are the arguments after the program's own path; current_folder is "" when the system
// could not tell it.
CommandLine ParseCommandLine(const std::vector<std::string>& args, const std::string& program_path,
                             const std::string& current_folder,
                             platform::FileSystem& fs = platform::RealFileSystem());

// The first entry of path's folder whose name matches path's file name as a pattern ("*" and
// "?" as wildcards, letter case ignored), joined to path's folder; "" when none matches. An
// entry of exactly that name wins over others.
std::string FindOnDisk(const std::string& path, platform::FileSystem& fs);

// The lines of a text file, "\r\n" or "\n" ended; false when it cannot be read.
bool ReadLines(const std::string& path, platform::FileSystem& fs, std::vector<std::string>* lines);

}  // namespace vornalis::desktop
