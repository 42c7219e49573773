#include "cli/shown_name.h"

#include <unistd.h>

#include <cstdio>

#include "engine/shown_text.h"

namespace vornalis::cli {

bool StdoutIsTerminal() {
  static const bool terminal = ::isatty(STDOUT_FILENO) == 1;
  return terminal;
}

std::string ShownName(std::string_view text) {
  return StdoutIsTerminal() ? EscapeControls(text) : std::string(text);
}

}  // namespace vornalis::cli
