// flashwright-cli: Flashwright from the terminal.

#include <vector>

#include "cli/cli.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  // The arguments as UTF-8 whatever the system passed (Windows: wide
  // characters), so that a file name in any script reaches the core whole.
  std::vector<std::string> arguments = fw::platform::Arguments(argc, argv);
  // A database URL may hold a password: once copied, it is taken off the
  // command line other users' process lists show.
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--database" && i + 1 < argc) fw::platform::HideArgument(argv, i + 1);
    if (arg.rfind("--database=", 0) == 0) fw::platform::HideArgument(argv, i, std::string("--database=").size());
  }
  std::vector<char*> pointers;
  for (std::string& a : arguments) pointers.push_back(a.data());
  pointers.push_back(nullptr);
  return fw::cli::Run(static_cast<int>(arguments.size()), pointers.data());
}
