#include <cstdio>
#include <new>

#include "cli/cli_app.h"
#include "platform/crash.h"

int main(int argc, char** argv) {
  vornalis::platform::ExitOnCrash();
  // Every input is read in bounded memory; should the system still refuse memory, the command
  // says so rather than ending without a word.
  try {
    return vornalis::cli::Run(argc, argv);
  } catch (const std::bad_alloc&) {
    std::fputs("vornalis-cli: out of memory; nothing more was changed\n", stderr);
    return 1;
  }
}
