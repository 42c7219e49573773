// vornalis-cli: parses the command line and runs one command. Returns the exit status: 0 on
// success, 1 when anything failed, 2 for a usage error, 130 after Ctrl-C.
#pragma once

namespace vornalis::cli {

int Run(int argc, char** argv);

}  // namespace vornalis::cli
