// make-exe: a self-assembling executable for a set, made from the stub beside this program.
#include <cstdio>

#include "cli/commands.h"
#include "cli/open_set.h"
#include "exe/make_exe.h"
#include "platform/path.h"

namespace vornalis::cli {

int MakeExeCommand(const std::string& set_argument) {
  auto set = OpenSet(set_argument, SetAccess::kReadOnly);
  if (!set) return kFailed;
  const std::string stub = exe::StubBeside(platform::ProgramPath());
  const exe::MakeExeResult result = exe::MakeExe(*set, stub);
  if (result.outcome == exe::MakeExeResult::Outcome::kCreated) {
    std::printf("%s\n", result.message.c_str());
    return kOk;
  }
  PrintError(result.message);
  if (result.outcome == exe::MakeExeResult::Outcome::kFailed) {
    PrintError(result.detail);
    PrintError("Stub: " + stub);
  }
  return kFailed;
}

}  // namespace vornalis::cli
