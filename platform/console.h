// The terminal (or Windows console) that a command-line program talks to.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vornalis::platform {

enum class Stream { kInput, kOutput, kError };

// Whether the stream is a terminal that shows what is written to it (not a file or a pipe).
bool IsTerminal(Stream stream);
// The program's arguments, its own name first, as UTF-8 (Windows hands them over in UTF-16).
std::vector<std::string> Arguments(int argc, char** argv);
// Sets the console up to show UTF-8 text as written (Windows); nothing elsewhere.
void PrepareConsole();
// True when the program runs in a console window of its own, which closes when it ends (a
// Windows program started by a double-click); false in a terminal that outlives it.
bool ConsoleIsOwn();
// A line typed on standard input, without its line end; nothing at its end or on a failure.
std::optional<std::string> ReadLine();

}  // namespace vornalis::platform
