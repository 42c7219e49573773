// Stored names as the CLI prints them: on a terminal with control characters escaped
// (engine/shown_text.h); elsewhere (a pipe, a file) as stored, so scripts get the exact bytes.
#pragma once

#include <string>
#include <string_view>

#include "engine/shown_text.h"

namespace vornalis::cli {

// Whether standard output is a terminal.
bool StdoutIsTerminal();

// text for printing to standard output: escaped on a terminal, as it is otherwise.
std::string ShownName(std::string_view text);

}  // namespace vornalis::cli
