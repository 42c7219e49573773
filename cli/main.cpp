#include "cli/cli_app.h"

int main(int argc, char** argv) { return vornalis::cli::Run(argc, argv); }
