// Several gateways at once: flashwright-cli writing and verifying the same
// file through four flashwright-sim processes in one run, against one alone.
// Prints the wall time of each, their ratio, and the CPU the tool used
// while the gateways worked (a share of one core).

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "cli_run.h"
#include "sim_process.h"

int main(int argc, char** argv) {
  const std::string chip = argc > 1 ? argv[1] : "PIC16F630";
  const int ports = argc > 2 ? std::atoi(argv[2]) : 4;
  const std::string file = "/tmp/flashwright_bench_ports.hex";
  // A program a quarter full, a configuration word and EEPROM bytes.
  std::ofstream hex(file);
  for (int line = 0; line < 32; ++line) {
    char record[64];
    const int address = line * 16;
    unsigned sum = 16 + (address >> 8) + (address & 0xFF);
    std::snprintf(record, sizeof record, ":10%04X00", address);
    hex << record;
    for (int b = 0; b < 16; ++b) {
      const int value = b % 2 ? 0x20 : (line * 16 + b) & 0xFF;
      std::snprintf(record, sizeof record, "%02X", value);
      hex << record;
      sum += static_cast<unsigned>(value);
    }
    std::snprintf(record, sizeof record, "%02X\n", (256 - (sum & 0xFF)) & 0xFF);
    hex << record;
  }
  hex << ":02400E00C43FAD\n:00000001FF\n";
  hex.close();

  std::vector<std::unique_ptr<fw::test::SimProcess>> sims;
  for (int i = 0; i < ports; ++i) {
    sims.push_back(std::make_unique<fw::test::SimProcess>(std::vector<std::string>{"--chip", chip}));
    sims.back()->report_timing = false;  // all it wrote is printed below
  }
  std::vector<std::string> one = {"write", "--port", sims[0]->path, "--chip", chip, "--yes", "--quiet", file};
  std::vector<std::string> all = {"write", "--chip", chip, "--yes", "--quiet", file};
  for (const auto& s : sims) all.insert(all.end(), {"--port", s->path});
  const CliRun alone = RunCli(one);
  const CliRun together = RunCli(all);
  std::printf("%-40s %9s %9s %11s %7s\n", "run", "wall s", "cpu s", "cpu/core", "status");
  std::printf("%-40s %9.3f %9.3f %10.1f%% %7d\n", ("1 gateway, " + chip).c_str(), alone.seconds, alone.cpu,
              100 * alone.cpu / alone.seconds, alone.status);
  std::printf("%-40s %9.3f %9.3f %10.1f%% %7d\n", (std::to_string(ports) + " gateways at once").c_str(),
              together.seconds, together.cpu, 100 * together.cpu / together.seconds, together.status);
  std::printf("ratio %d at once / 1 alone: %.3f\n", ports, together.seconds / alone.seconds);
  for (const auto& s : sims) {
    s->Stop();
    std::printf("simulator: %s", s->Errors().c_str());
  }
  std::remove(file.c_str());
  return 0;
}
