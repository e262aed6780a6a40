// The serial file shared by processes at once, as POSIX systems start them.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "production/serial_numbers.h"

namespace fw {
namespace {

TEST(Production, SerialNumbersAreNeverHandedOutTwiceAcrossProcesses) {
  // Four processes take 25 numbers each from one file at once.
  const std::string path = testing::TempDir() + "/flashwright_production_" + std::to_string(getpid()) + "_serial.txt";
  std::remove(path.c_str());
  const std::string out = path + ".taken";
  std::vector<pid_t> children;
  for (int c = 0; c < 4; ++c) {
    const pid_t pid = fork();
    if (pid == 0) {
      SerialNumbers numbers({1, 1}, path);
      std::ofstream taken(out + std::to_string(c));
      std::string error;
      for (int k = 0; k < 25; ++k) {
        const auto n = numbers.Take(&error);
        if (!n) _exit(1);
        taken << *n << "\n";
      }
      taken.close();
      _exit(0);
    }
    children.push_back(pid);
  }
  std::set<std::uint64_t> all;
  for (int c = 0; c < 4; ++c) {
    int status = 0;
    waitpid(children[static_cast<std::size_t>(c)], &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::ifstream taken(out + std::to_string(c));
    std::uint64_t n;
    while (taken >> n) all.insert(n);
    std::remove((out + std::to_string(c)).c_str());
  }
  EXPECT_EQ(all.size(), 100u);
  EXPECT_EQ(*all.rbegin(), 100u);
  std::remove(path.c_str());
  std::remove((path + ".lock").c_str());
}

}  // namespace
}  // namespace fw
