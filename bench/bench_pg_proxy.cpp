// The tests' fault proxy as a program of its own, for the database bench:
// prints its port, then takes one command a line on standard input
// ("drop TEXT": the next statement holding TEXT loses its answer; "silent";
// "heal"; "dropped": prints how many answers were lost) and ends with it.

#include <iostream>
#include <string>

#include "pg_proxy.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: bench_pg_proxy SERVER_UNIX_SOCKET\n";
    return 2;
  }
  fw::test::PgProxy proxy(argv[1]);
  std::cout << proxy.port() << std::endl;
  for (std::string line; std::getline(std::cin, line);) {
    if (line.rfind("drop ", 0) == 0) {
      proxy.DropAnswerTo(line.substr(5));
    } else if (line == "silent") {
      proxy.GoSilent();
    } else if (line == "heal") {
      proxy.Heal();
    } else if (line == "dropped") {
      std::cout << proxy.dropped() << std::endl;
    }
  }
  return 0;
}
