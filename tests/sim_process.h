#pragma once

// flashwright-sim as a separate process serving a pseudo-terminal: its path
// is the first line the simulator prints; what it writes to standard error
// (the chip's notes, protocol errors) is kept in a file. Needs
// FLASHWRIGHT_SIM_PATH.

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fw::test {

struct SimProcess {
  pid_t pid = -1;
  FILE* out = nullptr;
  std::string path;
  std::string errors;
  bool report_timing = true;  // its excuses and timing summary on standard output when it ends

  explicit SimProcess(const std::vector<std::string>& args) {
    static std::atomic<int> count{0};
    errors = "/tmp/flashwright_sim_stderr_" + std::to_string(getpid()) + "_" + std::to_string(count++);
    int fds[2];
    if (pipe(fds) != 0) return;
    pid = fork();
    if (pid == 0) {
      dup2(fds[1], STDOUT_FILENO);
      if (std::freopen(errors.c_str(), "w", stderr) == nullptr) _exit(126);
      close(fds[0]);
      close(fds[1]);
      std::vector<char*> argv{const_cast<char*>(FLASHWRIGHT_SIM_PATH)};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(fds[1]);
    // Tests judge the programmer's timing through the simulator: where this
    // user may, its reads are kept from waiting behind a busy machine.
    setpriority(PRIO_PROCESS, static_cast<id_t>(pid), -10);
    out = fdopen(fds[0], "r");
    char line[256] = {};
    if (out && fgets(line, sizeof line, out)) {
      path = line;
      while (!path.empty() && path.back() == '\n') path.pop_back();
    }
  }
  // Ends it as Ctrl+C would; gives its exit status.
  int Stop() {
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    if (out) fclose(out);
    out = nullptr;
    pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // What the simulator wrote to standard error but its timing account (the
  // cycles it excused and the summary at exit): protocol errors and what
  // the chip refused or ignored.
  std::string Problems() const {
    std::istringstream lines(Errors());
    std::string line, problems;
    while (std::getline(lines, line)) {
      if (line.rfind("chip: excused:", 0) != 0 && line.rfind("timing:", 0) != 0) problems += line + "\n";
    }
    return problems;
  }
  std::string Errors() const {
    std::ifstream in(errors);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  ~SimProcess() {
    if (pid > 0) Stop();
    // Its timing account, for whoever follows how often cycles were
    // excused, and why.
    std::istringstream lines(report_timing ? Errors() : "");
    std::string line;
    while (std::getline(lines, line)) {
      if (line.rfind("chip: excused:", 0) == 0 || line.find(" cycles judged, ") != std::string::npos) {
        std::printf("flashwright-sim %s\n", line.c_str());
      }
    }
    std::remove(errors.c_str());
  }
};

}  // namespace fw::test
