#include "cli/cli_app.h"
#include "platform/crash.h"

int main(int argc, char** argv) {
  vornalis::platform::ExitOnCrash();
  return vornalis::cli::Run(argc, argv);
}
