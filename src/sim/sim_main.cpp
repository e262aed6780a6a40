// flashwright-sim: a simulated GX-0450 gateway with a virtual chip, served on
// a pseudo-terminal whose path is the first line of standard output.

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "chips/catalogue.h"
#include "sim/gateway_sim.h"
#include "sim/hex_image.h"
#include "sim/simulated_gateway.h"
#include "sim/virtual_chip.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

constexpr std::uint32_t kPtyJitterUs = 300;

void OnSignal(int) { g_stop = 1; }

int Usage() {
  std::fprintf(stderr,
               "usage: flashwright-sim --chip NAME [--revision R] [--load FILE.hex] "
               "[--dump FILE.hex] [--fault silent|no-answer:N|short-answer:N|hangup:N]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string chip_name, load, dump, fault_text;
  int revision = 3;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--chip" && has_value) {
      chip_name = argv[++i];
    } else if (arg == "--revision" && has_value) {
      char* end = nullptr;
      revision = static_cast<int>(std::strtol(argv[++i], &end, 0));
      if (*end != '\0' || revision < 0 || revision > 31) return Usage();
    } else if (arg == "--load" && has_value) {
      load = argv[++i];
    } else if (arg == "--dump" && has_value) {
      dump = argv[++i];
    } else if (arg == "--fault" && has_value) {
      fault_text = argv[++i];
    } else {
      return Usage();
    }
  }
  const fw::ChipEntry* entry = fw::FindChipByName(chip_name);
  if (entry == nullptr) {
    std::fprintf(stderr, "flashwright-sim: unknown chip \"%s\"\n", chip_name.c_str());
    return Usage();
  }
  fw::sim::Fault fault;
  if (!fault_text.empty()) {
    const auto parsed = fw::sim::ParseFault(fault_text);
    if (!parsed) {
      std::fprintf(stderr, "flashwright-sim: bad fault \"%s\"\n", fault_text.c_str());
      return Usage();
    }
    fault = *parsed;
  }

  fw::sim::VirtualChip chip(*entry, static_cast<std::uint8_t>(revision));
  // Arrival times on a pseudo-terminal carry the scheduler's delivery jitter.
  chip.SetArrivalJitter(kPtyJitterUs);
  std::string error;
  if (!load.empty() && !fw::sim::LoadChipHex(load, chip, &error)) {
    std::fprintf(stderr, "flashwright-sim: %s\n", error.c_str());
    return 1;
  }
  fw::sim::GatewaySim gateway(chip, fault);

  int master = -1, slave = -1;
  char name[256] = {};
  if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
    std::perror("flashwright-sim: openpty");
    return 1;
  }
  termios raw{};
  tcgetattr(slave, &raw);
  cfmakeraw(&raw);
  tcsetattr(slave, TCSANOW, &raw);
  // Without a slave descriptor of our own, a client closing the port shows
  // here as a hang-up: the lines go idle.
  close(slave);

  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  std::printf("%s\n", name);
  std::fflush(stdout);

  bool client = false;
  size_t errors_shown = 0, notes_shown = 0;
  while (!g_stop) {
    pollfd p{master, POLLIN, 0};
    const int ready = master >= 0 ? poll(&p, 1, 50) : (usleep(50000), 0);
    if (ready < 0) continue;
    if (ready > 0 && (p.revents & POLLIN)) {
      std::uint8_t buffer[512];
      const ssize_t n = read(master, buffer, sizeof buffer);
      if (n > 0) {
        client = true;
        gateway.Receive(buffer, static_cast<size_t>(n), fw::sim::SteadyMicros());
        auto& out = gateway.output();
        while (!out.empty()) {
          std::uint8_t chunk[64];
          size_t k = 0;
          while (k < sizeof chunk && !out.empty()) {
            chunk[k++] = out.front();
            out.pop_front();
          }
          if (write(master, chunk, k) < 0) break;
        }
      }
    } else if (ready > 0 && (p.revents & (POLLHUP | POLLERR))) {
      if (client) gateway.LineIdle(fw::sim::SteadyMicros());
      client = false;
      usleep(2000);
    }
    for (; errors_shown < gateway.protocol_errors().size(); ++errors_shown) {
      std::fprintf(stderr, "protocol error: %s\n", gateway.protocol_errors()[errors_shown].c_str());
    }
    for (; notes_shown < chip.notes().size(); ++notes_shown) {
      std::fprintf(stderr, "chip: %s\n", chip.notes()[notes_shown].c_str());
    }
    if (gateway.hung_up() && master >= 0) {
      close(master);
      master = -1;
    }
  }
  if (master >= 0) close(master);
  if (!dump.empty() && !fw::sim::DumpChipHex(dump, chip, &error)) {
    std::fprintf(stderr, "flashwright-sim: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
