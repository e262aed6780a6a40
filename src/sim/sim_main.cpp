// flashwright-sim: a simulated GX-0450 gateway with a virtual chip, served on
// a pseudo-terminal whose path is the first line of standard output.

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "chips/catalogue.h"
#include "sim/gateway_sim.h"
#include "sim/hex_image.h"
#include "sim/simulated_gateway.h"
#include "sim/virtual_chip.h"
#include "version.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

// What the arrival timestamps on a pseudo-terminal vary by beyond what the
// arrivals themselves show: twice the largest measured (bench/bench_timing
// saw at most 43 us over 2000 cycles, the end-to-end tests 47 us over 1160),
// and the most a late Begin frame is excused (delivery delays of 1-3 ms
// were measured here, in about one frame of a thousand).
constexpr std::uint32_t kPtyJitterUs = 100;
constexpr std::uint32_t kPtyLatenessUs = 3000;

void OnSignal(int) { g_stop = 1; }

// How long this process has waited, runnable, for a processor (Linux's
// /proc/self/schedstat, second field, in ns): over a poll() that a frame's
// first byte woke, how long before it was read it came. Zero where the
// kernel does not keep it: then only the arrivals themselves count.
class RunQueueWait {
 public:
  RunQueueWait() : fd_(open("/proc/self/schedstat", O_RDONLY | O_CLOEXEC)) {}
  ~RunQueueWait() {
    if (fd_ >= 0) close(fd_);
  }
  std::uint64_t Us() const {
    char text[96];
    const ssize_t n = fd_ >= 0 ? pread(fd_, text, sizeof text - 1, 0) : -1;
    if (n <= 0) return 0;
    text[n] = '\0';
    unsigned long long running = 0, waiting = 0;
    return std::sscanf(text, "%llu %llu", &running, &waiting) == 2 ? waiting / 1000 : 0;
  }

 private:
  int fd_;
};

// Chips taken out of, or put into, the socket (SIGUSR1), counted.
volatile std::sig_atomic_t g_swaps = 0;
void OnSwap(int) { g_swaps = g_swaps + 1; }

constexpr const char* kUsage =
    "usage: flashwright-sim --chip NAME [--revision R] [--load FILE.hex] [--dump FILE.hex]\n"
    "                       [--fault silent|no-answer:N|short-answer:N|hangup:N]\n"
    "                       [--strict-timing] [--timing-log]\n";

constexpr const char* kHelp =
    "A simulated GX-0450 gateway with a virtual PIC chip, served on a pseudo-terminal.\n"
    "The first line of output is the terminal's path: give it to Flashwright as its port.\n"
    "\n"
    "  --chip NAME       the chip, by its catalogue name in any letter case (PIC16F684,\n"
    "                    pic16f639, \"PIC16F636 / 639\")\n"
    "  --revision R      the revision bits of its device ID, 0 to 31 (default 3)\n"
    "  --load FILE.hex   its memories from an Intel HEX image in the full-chip layout\n"
    "  --dump FILE.hex   its memories, written there on SIGINT or SIGTERM\n"
    "  --strict-timing   judge every cycle by its frames' arrival times alone: no\n"
    "                    excuse for delivery delays\n"
    "  --timing-log      write every cycle judged to standard error: its time as it\n"
    "                    came, what was excused, what the chip needs\n"
    "  SIGUSR1           takes the chip out of the socket (the lines then read all ones),\n"
    "                    or puts a new factory-fresh one in; each chip taken out is\n"
    "                    dumped to FILE.hex.N with --dump (N counts the chips from 1)\n"
    "  --fault KIND      silent: nothing is answered; no-answer:N / short-answer:N: the\n"
    "                    N-th read gets no byte / one byte; hangup:N: the line drops\n"
    "                    after the N-th frame\n"
    "\n"
    "The chip behaves as silicon does: programming only clears bits, a bulk erase takes\n"
    "what the address counter points at, code protection hides and locks, and a cycle\n"
    "given less than the chip's own time has no effect. Whatever the chip refuses or\n"
    "ignores is written to standard error, as are protocol errors. A pseudo-terminal\n"
    "delivers frames with delays: a cycle short of its time is excused only by what the\n"
    "arrivals show (its Begin frame came late after the frame before it, or bunched\n"
    "with the frames before it) and by 100 us of timestamp jitter (a frame that woke the\n"
    "simulator counts from then, however long it then waited for the processor); each\n"
    "excused cycle is written to standard error (\"chip: excused: ...\"), and a summary\n"
    "line at exit.\n";

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string chip_name, load, dump, fault_text;
  int revision = 3;
  bool strict = false, timing_log = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::printf("flashwright-sim %s\n", FLASHWRIGHT_VERSION);
      return 0;
    }
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
    } else if (arg == "--strict-timing") {
      strict = true;
    } else if (arg == "--timing-log") {
      timing_log = true;
    } else {
      return Usage();
    }
  }
  const fw::ChipEntry* entry = fw::FindChipByName(chip_name);
  if (entry == nullptr) {
    std::string nearest;
    for (const std::string& n : fw::NearestChipNames(chip_name)) nearest += (nearest.empty() ? "" : ", ") + n;
    std::fprintf(stderr, "flashwright-sim: unknown chip \"%s\"; the nearest are %s\n", chip_name.c_str(),
                 nearest.c_str());
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

  auto fresh_chip = [&] {
    auto made = std::make_unique<fw::sim::VirtualChip>(*entry, static_cast<std::uint8_t>(revision));
    // Arrival times on a pseudo-terminal carry the kernel's delivery delays.
    if (!strict) made->SetDeliveryJitter(kPtyJitterUs, kPtyLatenessUs);
    made->SetTimingLog(timing_log);
    return made;
  };
  std::unique_ptr<fw::sim::VirtualChip> chip = fresh_chip();
  int chip_number = 1;
  std::string error;
  if (!load.empty() && !fw::sim::LoadChipHex(load, *chip, &error)) {
    std::fprintf(stderr, "flashwright-sim: %s\n", error.c_str());
    return 1;
  }
  fw::sim::GatewaySim gateway(*chip, fault);

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
  std::signal(SIGUSR1, OnSwap);
  std::printf("%s\n", name);
  std::fflush(stdout);

  bool client = false;
  size_t errors_shown = 0, notes_shown = 0, excuses_shown = 0;
  // The chips taken out so far: their cycles judged and excused.
  std::uint64_t judged = 0, excused = 0;
  std::uint32_t largest = 0;
  auto count = [&](const fw::sim::VirtualChip& c) {
    judged += c.cycles_judged();
    for (const std::string& e : c.excuses()) excused += e.rfind("excused:", 0) == 0;
    largest = std::max(largest, c.largest_excuse_us());
  };
  // What is new on the gateway and the chip, to standard error.
  auto show = [&] {
    for (; errors_shown < gateway.protocol_errors().size(); ++errors_shown) {
      std::fprintf(stderr, "protocol error: %s\n", gateway.protocol_errors()[errors_shown].c_str());
    }
    for (; chip && notes_shown < chip->notes().size(); ++notes_shown) {
      std::fprintf(stderr, "chip: %s\n", chip->notes()[notes_shown].c_str());
    }
    for (; chip && excuses_shown < chip->excuses().size(); ++excuses_shown) {
      const std::string& e = chip->excuses()[excuses_shown];
      std::fprintf(stderr, "%s%s\n", e.rfind("timing:", 0) == 0 ? "" : "chip: ", e.c_str());
    }
  };
  const RunQueueWait run_queue;
  std::sig_atomic_t swaps_done = 0;
  while (!g_stop) {
    for (; swaps_done != g_swaps; ++swaps_done) {
      if (chip) {
        chip->Settle();
        show();
        if (!dump.empty() && !fw::sim::DumpChipHex(dump + "." + std::to_string(chip_number), *chip, &error)) {
          std::fprintf(stderr, "flashwright-sim: %s\n", error.c_str());
        }
        gateway.SetChip(nullptr);
        count(*chip);
        chip.reset();
        std::printf("chip %d out\n", chip_number);
      } else {
        chip = fresh_chip();
        gateway.SetChip(chip.get());
        notes_shown = excuses_shown = 0;
        std::printf("chip %d in\n", ++chip_number);
      }
      std::fflush(stdout);
    }
    pollfd p{master, POLLIN, 0};
    const std::uint64_t waited_before = run_queue.Us();
    const int ready = master >= 0 ? poll(&p, 1, 50) : (usleep(50000), 0);
    const std::uint64_t woke_us = fw::sim::SteadyMicros();
    const auto held_us = static_cast<std::uint32_t>(std::min<std::uint64_t>(run_queue.Us() - waited_before, 1000000));
    if (ready < 0) continue;
    if (ready > 0 && (p.revents & POLLIN)) {
      std::uint8_t buffer[512];
      const ssize_t n = read(master, buffer, sizeof buffer);
      if (n > 0) {
        client = true;
        // Strict: the time as read, nothing inferred.
        gateway.Receive(buffer, static_cast<size_t>(n), woke_us, strict ? 0 : held_us);
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
    show();
    if (gateway.hung_up() && master >= 0) {
      close(master);
      master = -1;
    }
  }
  if (master >= 0) close(master);
  if (chip) {
    chip->Settle();
    show();
    count(*chip);
  }
  std::fprintf(stderr, "timing: %llu cycles judged, %llu excused, the largest excuse %u us%s\n",
               static_cast<unsigned long long>(judged), static_cast<unsigned long long>(excused), largest,
               strict ? " (strict)" : "");
  if (chip && !dump.empty() && !fw::sim::DumpChipHex(dump, *chip, &error)) {
    std::fprintf(stderr, "flashwright-sim: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
