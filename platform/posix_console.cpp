// The terminal on POSIX systems.
#include <unistd.h>

#include <cstdio>

#include "platform/console.h"

namespace vornalis::platform {

bool IsTerminal(Stream stream) {
  const int fd = stream == Stream::kInput    ? STDIN_FILENO
                 : stream == Stream::kOutput ? STDOUT_FILENO
                                             : STDERR_FILENO;
  return ::isatty(fd) == 1;
}

std::vector<std::string> Arguments(int argc, char** argv) { return {argv, argv + argc}; }

void PrepareConsole() {}

bool ConsoleIsOwn() { return false; }

std::optional<std::string> ReadLine() {
  std::string line;
  for (int c = std::fgetc(stdin); c != EOF; c = std::fgetc(stdin)) {
    if (c == '\n') return line;
    line += static_cast<char>(c);
  }
  return line.empty() ? std::nullopt : std::optional<std::string>(line);
}

}  // namespace vornalis::platform
