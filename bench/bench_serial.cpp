// What one poll of PortRead costs on a real (pseudo-)terminal: the
// "bytes waiting" look (FIONREAD), without and with the 1 ms sleep.

#include <benchmark/benchmark.h>

#include <pty.h>
#include <unistd.h>

#include "link/pause.h"
#include "link/posix_serial_device.h"

namespace {

struct Pty {
  int master = -1;
  std::string path;
  Pty() {
    int slave = -1;
    char name[128] = {};
    openpty(&master, &slave, name, nullptr, nullptr);
    close(slave);
    path = name;
  }
  ~Pty() { close(master); }
};

std::unique_ptr<fw::SerialDevice> OpenConfigured(const Pty& pty, benchmark::State& state) {
  auto device = fw::OpenPosixSerialDevice(pty.path, nullptr);
  if (!device) {
    state.SkipWithError("cannot open the pseudo-terminal");
    return nullptr;
  }
  device->SetState();
  return device;
}

void BytesWaitingLook(benchmark::State& state) {
  Pty pty;
  auto device = OpenConfigured(pty, state);
  if (!device) return;
  for (auto _ : state) benchmark::DoNotOptimize(device->BytesWaiting());
}
BENCHMARK(BytesWaitingLook)->Unit(benchmark::kMicrosecond);

void PollWithSleep(benchmark::State& state) {
  Pty pty;
  auto device = OpenConfigured(pty, state);
  if (!device) return;
  fw::RealPause pause;
  for (auto _ : state) {
    benchmark::DoNotOptimize(device->BytesWaiting());
    pause.Sleep(1);
  }
}
BENCHMARK(PollWithSleep)->Unit(benchmark::kMicrosecond);

void SleepOneMillisecond(benchmark::State& state) {
  fw::RealPause pause;
  for (auto _ : state) pause.Sleep(1);
}
BENCHMARK(SleepOneMillisecond)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
