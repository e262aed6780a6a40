// flashwright-cli: Flashwright from the terminal.

#include "cli/cli.h"

int main(int argc, char** argv) { return fw::cli::Run(argc, argv); }
