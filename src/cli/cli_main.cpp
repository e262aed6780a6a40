// flashwright-cli: Flashwright from the terminal.

#include <cstring>
#include <iostream>
#include <string>

#include "cli/chips_command.h"

namespace {

int Usage(std::ostream& out, int code) {
  out << "usage: flashwright-cli chips [--csv]    list the supported chips\n";
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage(std::cerr, 2);
  const std::string command = argv[1];
  if (command == "--help" || command == "-h" || command == "help") return Usage(std::cout, 0);
  if (command == "chips") {
    if (argc == 2) {
      fw::cli::PrintChipsTable(std::cout);
      return 0;
    }
    if (argc == 3 && std::strcmp(argv[2], "--csv") == 0) {
      fw::cli::PrintChipsCsv(std::cout);
      return 0;
    }
    return Usage(std::cerr, 2);
  }
  std::cerr << "flashwright-cli: unknown command \"" << command << "\"\n";
  return Usage(std::cerr, 2);
}
