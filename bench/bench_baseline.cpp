// A PIC12F508's OSCCAL through faults, as whole processes: flashwright-cli
// erases and writes a chip of flashwright-sim whose line drops after the
// N-th frame, for N across the whole operation; then the chip is dumped and
// the calibration record read. A run loses the value where neither copy on
// the chip nor the record holds it, and lies where it says done while a
// copy is not the chip's own.

#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli_run.h"
#include "sim_process.h"

namespace {

constexpr const char* kOwn = "0C26";  // the simulated part's OSCCAL (MOVLW 0x26)

std::string Slurp(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The word at `address` of a dumped image, as four hex digits; "" if absent.
std::string DumpedWord(const std::string& hex, std::uint32_t address) {
  std::istringstream lines(hex);
  std::string line;
  const std::uint32_t byte = 2 * address;
  std::uint32_t upper = 0;
  while (std::getline(lines, line)) {
    if (line.size() < 11 || line[0] != ':') continue;
    const std::uint32_t count = std::stoul(line.substr(1, 2), nullptr, 16);
    const std::uint32_t offset = std::stoul(line.substr(3, 4), nullptr, 16);
    const std::uint32_t type = std::stoul(line.substr(7, 2), nullptr, 16);
    if (type == 4) upper = std::stoul(line.substr(9, 4), nullptr, 16) << 16;
    if (type != 0 || byte < upper + offset || byte + 1 >= upper + offset + count) continue;
    const std::uint32_t at = 9 + 2 * (byte - upper - offset);
    return line.substr(at + 2, 2) + line.substr(at, 2);
  }
  return "";
}

}  // namespace

int main(int argc, char** argv) {
  const int step = argc > 1 ? std::atoi(argv[1]) : 97;
  const std::string file = "/tmp/flashwright_bench_508.hex";
  // A program over every word but the OSCCAL word, IDs and a configuration word.
  {
    std::ofstream out(file);
    out << ":020000040000FA\n";
    for (std::uint32_t a = 0; a < 0x3FE; a += 2) {
      const std::uint32_t w = 0x0A00 + (a / 2 & 0xFF);
      const unsigned sum = 2 + (a >> 8) + (a & 0xFF) + (w & 0xFF) + (w >> 8);
      char line[32];
      std::snprintf(line, sizeof line, ":02%04X00%02X%02X%02X\n", a, w & 0xFF, w >> 8, (0x100 - (sum & 0xFF)) & 0xFF);
      out << line;
    }
    out << ":080400000100020003000400EA\n:021FFE00FA0FD8\n:00000001FF\n";
  }
  std::printf("%-8s %6s %6s %7s %5s\n", "command", "runs", "done", "losses", "lies");
  for (const char* command : {"erase", "write"}) {
    int runs = 0, done = 0, losses = 0, lies = 0;
    for (int n = 1;; n += step) {
      const std::string dump = "/tmp/flashwright_bench_508_dump.hex";
      std::remove(dump.c_str());
      std::remove("/tmp/flashwright_bench_data/flashwright/calibration.log");
      fw::test::SimProcess sim({"--chip", "PIC12F508", "--fault", "hangup:" + std::to_string(n), "--dump", dump});
      sim.report_timing = false;
      std::vector<std::string> args{command, "--port", sim.path, "--chip", "PIC12F508", "--yes", "--quiet"};
      if (std::string(command) == "write") args.push_back(file);
      const CliRun run = RunCli(args);
      sim.Stop();
      const std::string image = Slurp(dump);
      const std::string word = DumpedWord(image, 0x1FF), backup = DumpedWord(image, 0x204);
      const bool recorded =
          Slurp("/tmp/flashwright_bench_data/flashwright/calibration.log").find("osccal=0C26") != std::string::npos;
      ++runs;
      if (run.status == 0) ++done;
      if (word != kOwn && backup != kOwn && !recorded) ++losses;
      if (run.status == 0 && (word != kOwn || backup != kOwn)) ++lies;
      // A run that went through had no fault left to meet: the sweep is over.
      if (run.status == 0) break;
    }
    std::printf("%-8s %6d %6d %7d %5d\n", command, runs, done, losses, lies);
    std::fflush(stdout);
  }
  std::remove(file.c_str());
  return 0;
}
