#pragma once
// flashwright-cli run as a whole process by a benchmark: its wall time, the
// processor time it used, and its exit status. FLASHWRIGHT_CLI_PATH names the
// program; its data directory is a scratch one.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

struct CliRun {
  double seconds = 0, cpu = 0;
  int status = -1;  // -1: it did not exit on its own
};

inline CliRun RunCli(const std::vector<std::string>& args) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    // The simulated chips' calibration values belong in no operator's
    // calibration record, where a later --restore last could find them.
    setenv("XDG_DATA_HOME", "/tmp/flashwright_bench_data", 1);
    std::vector<char*> argv{const_cast<char*>(FLASHWRIGHT_CLI_PATH)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  CliRun run;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}
