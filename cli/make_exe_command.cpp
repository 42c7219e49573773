// make-exe: a self-assembling executable for a set, made from the stub beside this program.
#include <cstdio>

#include "cli/commands.h"
#include "cli/open_set.h"
#include "engine/messages.h"
#include "exe/make_exe.h"
#include "platform/path.h"

namespace vornalis::cli {

int MakeExeCommand(const std::string& set_argument) {
  auto set = OpenSet(set_argument, SetAccess::kReadOnly);
  if (!set) return kFailed;
  const std::string stub = exe::StubBeside(platform::ProgramPath());
  const Result<std::string> made = exe::MakeExe(*set, stub);
  if (made.ok()) {
    std::printf("%s\n", messages::ExeCreated(*made).c_str());
    return kOk;
  }
  PrintError(messages::Explained(made.status()));
  if (made.status().code == Status::Code::kIo) PrintError("Stub: " + stub);
  return kFailed;
}

}  // namespace vornalis::cli
