#include "exe/stub/disk_prompt.h"

#include <cstdio>
#include <optional>

#include "engine/shown_text.h"
#include "platform/console.h"
#include "platform/path.h"

namespace vornalis::stub {

bool CanAsk() {
  return platform::IsTerminal(platform::Stream::kInput) &&
         platform::IsTerminal(platform::Stream::kError);
}

std::string DiskPrompt::Locate(std::uint32_t, const std::string& path,
                               const std::string& refusal) noexcept {
  if (!refusal.empty()) {
    std::fputs((EscapeControls(refusal) + "\n").c_str(), stderr);
  }
  const std::string name = platform::FileNameOf(path);
  const std::string question = "Insert the disk with " + EscapeControls(name) +
                               ", or give the folder that holds it; Enter to retry, S to skip "
                               "the files in it: ";
  std::fputs(question.c_str(), stderr);
  std::fflush(stderr);
  const std::optional<std::string> answer = platform::ReadLine();
  if (!answer || *answer == "S" || *answer == "s") return std::string();
  if (answer->empty()) return path;
  return platform::WithSeparator(*answer) + name;
}

}  // namespace vornalis::stub
