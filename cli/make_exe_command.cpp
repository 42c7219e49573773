// make-exe: a self-assembling program for a set, made from a stub beside this program: a Windows
// program by default, one for this system with --native.
#include <cstdio>

#include "cli/commands.h"
#include "cli/open_set.h"
#include "engine/messages.h"
#include "exe/make_exe.h"
#include "platform/path.h"

namespace vornalis::cli {

int MakeExeCommand(const std::string& set_argument, bool native) {
  auto set = OpenSet(set_argument, SetAccess::kReadOnly);
  if (!set) return kFailed;
  const exe::StubKind kind = native ? exe::StubKind::kNative : exe::StubKind::kWindows;
  const std::string stub = exe::StubBeside(platform::ProgramPath(), kind);
  const Result<std::string> made = exe::MakeExe(*set, stub, kind);
  if (made.ok()) {
    std::printf("%s\n", messages::ExeCreated(*made).c_str());
    return kOk;
  }
  PrintError(messages::Explained(made.status()));
  return kFailed;
}

}  // namespace vornalis::cli
