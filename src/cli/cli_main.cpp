// flashwright-cli: Flashwright from the terminal.

#include <vector>

#include "cli/cli.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  // The arguments as UTF-8 whatever the system passed (Windows: wide
  // characters), so that a file name in any script reaches the core whole.
  std::vector<std::string> arguments = fw::platform::Arguments(argc, argv);
  std::vector<char*> pointers;
  for (std::string& a : arguments) pointers.push_back(a.data());
  pointers.push_back(nullptr);
  return fw::cli::Run(static_cast<int>(arguments.size()), pointers.data());
}
