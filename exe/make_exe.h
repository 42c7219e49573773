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

// Which program a self-assembling program is: a Windows program (<base path>.exe, made from
// ext.dll, what Make .EXE makes), or one for the system these tools run on (<base path>.run,
// made from ext-native; on Windows the same as the first).
enum class StubKind { kWindows, kNative };

// Makes the executable for set from the stub at stub_path; its path (base path + ".exe", or
// ".run" for a native one) on success. A set without files fails with kRefused and "Can't Make .EXE
// without any files added!", a set whose name the patch area cannot hold with kRefused too; nothing
// is touched then. A failed copy or patch fails with kIo and "Can't create " + the executable's
// path; the Status's path and error number name the file that failed and why (the stub, most often,
// is not where it was looked for).
Result<std::string> MakeExe(const PieceSet& set, const std::string& stub_path,
                            StubKind kind = StubKind::kWindows,
                            platform::FileSystem& fs = platform::RealFileSystem());

// The stub of that kind beside a program: ext.dll or ext-native in the folder of program_path.
std::string StubBeside(const std::string& program_path, StubKind kind = StubKind::kWindows);

}  // namespace vornalis::exe
