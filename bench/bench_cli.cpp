// flashwright-cli against flashwright-sim on a pseudo-terminal, as whole
// processes with real time and no extra delay: how close a chip read and a
// full write come to the floor the protocol prescribes (every mandated pause
// and answer poll of the operation). The floor is the sum of the pauses the
// same operations ask for on the in-process simulator, whose clock only the
// pauses move.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "cli_run.h"
#include "files/hex_file.h"
#include "operations/app_state.h"
#include "operations/connection.h"
#include "sim/simulated_gateway.h"
#include "sim_process.h"

namespace {

// Counts the time the pauses ask for, and lets none pass.
class CountingPause : public fw::Pause {
 public:
  void Sleep(std::uint32_t ms) override { total_us += std::uint64_t{ms} * 1000; }
  std::uint64_t total_us = 0;
};

class FixedClock : public fw::Clock {
 public:
  fw::TimeOfDay LocalTime() override { return {}; }
};

std::string ProgramFile(const fw::ChipEntry& entry, const std::string& path) {
  fw::ChipRecord chip;
  chip.Assign(entry, entry.IdWord);
  fw::Images images;
  // Words as wide as the chip's (12 bits on the baseline parts).
  const std::uint16_t mask = chip.BlankWord();
  for (std::uint32_t i = 0; i < chip.ProgramSize / 2; ++i) fw::SetWordAt(images.ProgramImage, i, (i * 0x1F3 + 7) & mask);
  for (std::uint32_t i = 0; i < chip.ConfigSize / 2; ++i) fw::SetWordAt(images.ConfigImage, i, mask);
  for (std::uint32_t i = 0; i < 4; ++i) fw::SetWordAt(images.ConfigImage, i, 0x0010 + i);
  fw::SetWordAt(images.ConfigImage, 7, chip.Baseline() ? 0x0FFA : 0x21C4);
  for (std::uint32_t i = 0; i < chip.DataSize; ++i) images.DataImage[i] = static_cast<std::uint8_t>(i);
  std::ofstream(path) << fw::FormatHex(fw::sectAll, chip, images, nullptr);
  return path;
}

// The floor of a command: the pauses of the same operations, in-process.
double FloorSeconds(const fw::ChipEntry& entry, const std::string& file, bool write, bool one_word = false,
                    bool verify = true) {
  FixedClock clock;
  CountingPause pause;
  fw::SilentDialogs dialogs(true);
  fw::sim::SimulatedGateway gateway(entry, 3, {}, [&pause] { return pause.total_us; });
  fw::AppState state(clock, pause, dialogs, [&gateway](const std::string&, std::string*) { return gateway.Open(); });
  state.selector.SelectChip(entry.IdWord);
  if (write) state.files.LoadFile(file, fw::sectAll);
  fw::Connect(state.link, state.log, "demo");
  fw::DeviceOperations& ops = state.operations;
  ops.SetOneWordCycles(one_word);
  if (write) {
    ops.WriteProgramAndConfig(true, true);
    if (state.chip.DataSize > 0) ops.WriteData();
    if (verify) {
      ops.VerifyProgramAndConfig(fw::FileCompareScope(state.chip, state.files.ConfigWordsLoaded()));
      if (state.chip.DataSize > 0) ops.VerifyData();
    }
  } else {
    ops.ReadProgramAndConfig();
  }
  return pause.total_us / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<const char*> chips = {"PIC16F684", "PIC16F886", "PIC16F1829", "PIC12F629", "PIC12F509"};
  if (argc > 1) chips.assign(argv + 1, argv + argc);
  std::printf("%-10s %-28s %9s %9s %7s\n", "chip", "command", "floor s", "took s", "ratio");
  for (const char* name : chips) {
    const fw::ChipEntry* entry = fw::FindChipByName(name);
    if (entry == nullptr) continue;
    const std::string file = ProgramFile(*entry, "/tmp/flashwright_bench_" + std::string(name) + ".hex");
    const std::string out = "/tmp/flashwright_bench_read.hex";
    fw::test::SimProcess sim({"--chip", name});
    // The write and verify by rows of the write latches, and as the walk was
    // before them, a word per programming cycle.
    struct {
      const char* what;
      bool write;
      bool one_word;
      std::vector<std::string> args;
      bool verify = true;
    } commands[] = {
        {"read --section program", false, false,
         {"read", "--port", sim.path, "--chip", name, "--section", "program", "--output", out, "--quiet"}},
        {"write+verify, rows", true, false,
         {"write", "--port", sim.path, "--chip", name, "--yes", "--entire-config", "--quiet", file}},
        {"write+verify, word a cycle", true, true,
         {"write", "--port", sim.path, "--chip", name, "--yes", "--entire-config", "--one-word-cycles", "--quiet",
          file}},
        {"write alone, rows", true, false,
         {"write", "--port", sim.path, "--chip", name, "--yes", "--entire-config", "--no-verify", "--quiet", file},
         false},
        {"write alone, word a cycle", true, true,
         {"write", "--port", sim.path, "--chip", name, "--yes", "--entire-config", "--no-verify", "--one-word-cycles",
          "--quiet", file},
         false},
    };
    for (const auto& c : commands) {
      const double floor = FloorSeconds(*entry, file, c.write, c.one_word, c.verify);
      const CliRun run = RunCli(c.args);
      if (run.status != 0) std::printf("  (exit status %d)\n", run.status);
      const double took = run.seconds;
      std::printf("%-10s %-28s %9.3f %9.3f %7.4f\n", name, c.what, floor, took, took / floor);
      std::fflush(stdout);
    }
    std::remove(file.c_str());
    std::remove(out.c_str());
  }
  return 0;
}
