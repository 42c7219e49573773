// Make .EXE: a self-assembling executable for an open set. The stub program is copied beside the
// set as <base path>.exe, and the set's file count and name are written into the copy's patch
// area (engine/patch_area.h). The copy is made under a temporary name and takes the target's name
// only when complete, so a failure leaves no half-made executable and an earlier one intact.
#pragma once

#include <string>
#include <string_view>

#include "engine/piece_set.h"
#include "platform/file_system.h"

namespace vornalis::exe {

inline constexpr std::string_view kNoFilesMessage = "Can't Make .EXE without any files added!";

struct MakeExeResult {
  enum class Outcome {
    kCreated,      // message: target + " is created!"
    kNoFiles,      // message: kNoFilesMessage; nothing touched
    kNameTooLong,  // message says why; nothing touched
    kFailed,       // message: "Can't create " + target; the stub path is worth showing too
  };
  Outcome outcome = Outcome::kFailed;
  std::string target;   // base path + ".exe"
  std::string message;  // for the user
  std::string detail;   // for kFailed: what went wrong, for logs and the CLI
};

MakeExeResult MakeExe(const PieceSet& set, const std::string& stub_path,
                      platform::FileSystem& fs = platform::RealFileSystem());

// The stub beside a program: ext.dll in the folder of program_path.
std::string StubBeside(const std::string& program_path);

}  // namespace vornalis::exe
