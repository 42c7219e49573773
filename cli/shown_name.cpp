#include "cli/shown_name.h"

#include <cstdio>

#include "engine/shown_text.h"
#include "platform/console.h"

namespace vornalis::cli {

bool StdoutIsTerminal() {
  static const bool terminal = platform::IsTerminal(platform::Stream::kOutput);
  return terminal;
}

std::string ShownName(std::string_view text) {
  return StdoutIsTerminal() ? EscapeControls(text) : std::string(text);
}

}  // namespace vornalis::cli
