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

#include <CLI/CLI.hpp>

#include "chips/catalogue.h"
#include "chips/user_chips.h"
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

// What the command line asks for.
struct SimOptions {
  std::string chip_name, load, dump, fault_text;
  int revision = 3;
  bool strict = false, timing_log = false;
  const fw::ChipEntry* entry = nullptr;
  fw::sim::Fault fault;
};

constexpr const char* kDescription =
    "A simulated GX-0450 gateway with a virtual PIC chip, served on a pseudo-terminal.\n"
    "The first line of output is the terminal's path: give it to Flashwright as its port.";

constexpr const char* kFooter =
    "  SIGUSR1           takes the chip out of the socket (the lines then read all ones),\n"
    "                    or puts a new factory-fresh one in; each chip taken out is\n"
    "                    dumped to FILE.hex.N with --dump (N counts the chips from 1)\n"
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
    "line at exit.";

// Reads the command line; a usage error ends the program with status 2 and
// its cause, --help and --version with status 0.
SimOptions ParseOptions(int argc, char** argv, const fw::ChipList& chips) {
  SimOptions o;
  CLI::App app{kDescription, "flashwright-sim"};
  app.set_version_flag("--version", std::string("flashwright-sim ") + FLASHWRIGHT_VERSION);
  app.add_option("--chip", o.chip_name,
                 "the chip, by its catalogue name in any letter case (PIC16F684,\n"
                 "pic16f639, \"PIC16F636 / 639\")")
      ->required()
      ->option_text("NAME");
  app.add_option("--revision", o.revision, "the revision bits of its device ID, 0 to 31 (default 3)")
      ->check(CLI::Range(0, 31))
      ->option_text("R");
  app.add_option("--load", o.load, "its memories from an Intel HEX image in the full-chip layout")
      ->option_text("FILE.hex");
  app.add_option("--dump", o.dump, "its memories, written there on SIGINT or SIGTERM")->option_text("FILE.hex");
  app.add_option("--fault", o.fault_text,
                 "silent: nothing is answered; no-answer:N / short-answer:N: the\n"
                 "N-th read gets no byte / one byte; hangup:N: the line drops\n"
                 "after the N-th frame")
      ->option_text("silent|no-answer:N|short-answer:N|hangup:N");
  app.add_flag("--strict-timing", o.strict,
               "judge every cycle by its frames' arrival times alone: no\n"
               "excuse for delivery delays");
  app.add_flag("--timing-log", o.timing_log,
               "write every cycle judged to standard error: its time as it\n"
               "came, what was excused, what the chip needs");
  app.footer(kFooter);
  auto usage_error = [&](const std::string& cause) {
    std::fprintf(stderr, "flashwright-sim: %s (try --help)\n", cause.c_str());
    std::exit(2);
  };
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    std::exit(app.exit(e));
  } catch (const CLI::CallForVersion& e) {
    std::exit(app.exit(e));
  } catch (const CLI::ParseError& e) {
    usage_error(e.what());
  }
  o.entry = chips.FindByName(o.chip_name);
  if (o.entry == nullptr) {
    std::string nearest;
    for (const std::string& n : fw::NearestChipNames(o.chip_name)) nearest += (nearest.empty() ? "" : ", ") + n;
    usage_error("unknown chip \"" + o.chip_name + "\"; the nearest are " + nearest);
  }
  if (!o.fault_text.empty()) {
    const auto parsed = fw::sim::ParseFault(o.fault_text);
    if (!parsed) usage_error("bad fault \"" + o.fault_text + "\"");
    o.fault = *parsed;
  }
  return o;
}

// A raw pseudo-terminal; its master side, or -1 after the reason went to
// standard error.
int OpenRawPty(std::string* name) {
  int master = -1, slave = -1;
  char path[256] = {};
  if (openpty(&master, &slave, path, nullptr, nullptr) != 0) {
    std::perror("flashwright-sim: openpty");
    return -1;
  }
  termios raw{};
  tcgetattr(slave, &raw);
  cfmakeraw(&raw);
  tcsetattr(slave, TCSANOW, &raw);
  // Without a slave descriptor of our own, a client closing the port shows
  // here as a hang-up: the lines go idle.
  close(slave);
  *name = path;
  return master;
}

// The gateway served on the pseudo-terminal, with the chip in its socket
// (or none, between SIGUSR1s), until SIGINT or SIGTERM.
class Server {
 public:
  Server(const SimOptions& options, int master)
      : o_(options), master_(master), chip_(FreshChip()), gateway_(*chip_, options.fault) {}

  // False with the reason on standard error when the image cannot be loaded.
  bool Load() {
    std::string error;
    if (o_.load.empty() || fw::sim::LoadChipHex(o_.load, *chip_, &error)) return true;
    std::fprintf(stderr, "flashwright-sim: %s\n", error.c_str());
    return false;
  }

  // Serves until a stop signal; the exit status.
  int Run() {
    while (!g_stop) {
      for (; swaps_done_ != g_swaps; ++swaps_done_) Swap();
      ServeOnce();
      Show();
      if (gateway_.hung_up() && master_ >= 0) {
        close(master_);
        master_ = -1;
      }
    }
    return Finish();
  }

 private:
  std::unique_ptr<fw::sim::VirtualChip> FreshChip() const {
    auto made = std::make_unique<fw::sim::VirtualChip>(*o_.entry, static_cast<std::uint8_t>(o_.revision));
    // Arrival times on a pseudo-terminal carry the kernel's delivery delays.
    if (!o_.strict) made->SetDeliveryJitter(kPtyJitterUs, kPtyLatenessUs);
    made->SetTimingLog(o_.timing_log);
    return made;
  }

  // The chips taken out so far: their cycles judged and excused.
  void Count(const fw::sim::VirtualChip& c) {
    judged_ += c.cycles_judged();
    for (const std::string& e : c.excuses()) excused_ += e.rfind("excused:", 0) == 0;
    largest_ = std::max(largest_, c.largest_excuse_us());
  }

  // What is new on the gateway and the chip, to standard error.
  void Show() {
    for (; errors_shown_ < gateway_.protocol_errors().size(); ++errors_shown_) {
      std::fprintf(stderr, "protocol error: %s\n", gateway_.protocol_errors()[errors_shown_].c_str());
    }
    for (; chip_ && notes_shown_ < chip_->notes().size(); ++notes_shown_) {
      std::fprintf(stderr, "chip: %s\n", chip_->notes()[notes_shown_].c_str());
    }
    for (; chip_ && excuses_shown_ < chip_->excuses().size(); ++excuses_shown_) {
      const std::string& e = chip_->excuses()[excuses_shown_];
      std::fprintf(stderr, "%s%s\n", e.rfind("timing:", 0) == 0 ? "" : "chip: ", e.c_str());
    }
  }

  // SIGUSR1: the chip taken out (dumped first with --dump), or a new one in.
  void Swap() {
    if (chip_) {
      chip_->Settle();
      Show();
      std::string error;
      if (!o_.dump.empty() && !fw::sim::DumpChipHex(o_.dump + "." + std::to_string(chip_number_), *chip_, &error)) {
        std::fprintf(stderr, "flashwright-sim: %s\n", error.c_str());
      }
      gateway_.SetChip(nullptr);
      Count(*chip_);
      chip_.reset();
      std::printf("chip %d out\n", chip_number_);
    } else {
      chip_ = FreshChip();
      gateway_.SetChip(chip_.get());
      notes_shown_ = excuses_shown_ = 0;
      std::printf("chip %d in\n", ++chip_number_);
    }
    std::fflush(stdout);
  }

  // One wait for the client's bytes (50 ms at most), and the answers.
  void ServeOnce() {
    pollfd p{master_, POLLIN, 0};
    const std::uint64_t waited_before = run_queue_.Us();
    const int ready = master_ >= 0 ? poll(&p, 1, 50) : (usleep(50000), 0);
    if (ready <= 0) return;
    if (p.revents & POLLIN) {
      std::uint8_t buffer[512];
      const ssize_t n = read(master_, buffer, sizeof buffer);
      if (n <= 0) return;
      // Stamped when the read returned, not when poll() did: frames that
      // came while this process waited for the processor between the two
      // came no earlier than the first byte and no later than the read,
      // and the wait for the processor counts up to here, so the first
      // frame is still stamped when it came.
      const std::uint64_t read_us = fw::sim::SteadyMicros();
      const auto held_us =
          static_cast<std::uint32_t>(std::min<std::uint64_t>(run_queue_.Us() - waited_before, 1000000));
      client_ = true;
      // Strict: the time as read, nothing inferred.
      gateway_.Receive(buffer, static_cast<size_t>(n), read_us, o_.strict ? 0 : held_us);
      WriteAnswers();
    } else if (p.revents & (POLLHUP | POLLERR)) {
      if (client_) gateway_.LineIdle(fw::sim::SteadyMicros());
      client_ = false;
      usleep(2000);
    }
  }

  void WriteAnswers() {
    auto& out = gateway_.output();
    while (!out.empty()) {
      std::uint8_t chunk[64];
      size_t k = 0;
      while (k < sizeof chunk && !out.empty()) {
        chunk[k++] = out.front();
        out.pop_front();
      }
      if (write(master_, chunk, k) < 0) break;
    }
  }

  // The summary line, and the dump of the chip in the socket.
  int Finish() {
    if (master_ >= 0) close(master_);
    if (chip_) {
      chip_->Settle();
      Show();
      Count(*chip_);
    }
    std::fprintf(stderr, "timing: %llu cycles judged, %llu excused, the largest excuse %u us%s\n",
                 static_cast<unsigned long long>(judged_), static_cast<unsigned long long>(excused_), largest_,
                 o_.strict ? " (strict)" : "");
    std::string error;
    if (chip_ && !o_.dump.empty() && !fw::sim::DumpChipHex(o_.dump, *chip_, &error)) {
      std::fprintf(stderr, "flashwright-sim: %s\n", error.c_str());
      return 1;
    }
    return 0;
  }

  const SimOptions& o_;
  int master_;
  std::unique_ptr<fw::sim::VirtualChip> chip_;
  fw::sim::GatewaySim gateway_;
  int chip_number_ = 1;
  bool client_ = false;
  size_t errors_shown_ = 0, notes_shown_ = 0, excuses_shown_ = 0;
  std::uint64_t judged_ = 0, excused_ = 0;
  std::uint32_t largest_ = 0;
  const RunQueueWait run_queue_;
  std::sig_atomic_t swaps_done_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  // The user's chips file, as the programmer reads it: a chip added there
  // can be simulated too.
  fw::ChipList chips;
  for (const std::string& line : fw::ReadChipsFile(fw::LoadChipsFile(), chips)) {
    std::fprintf(stderr, "flashwright-sim: %s\n", line.c_str());
  }
  const SimOptions options = ParseOptions(argc, argv, chips);
  std::string name;
  const int master = OpenRawPty(&name);
  if (master < 0) return 1;
  Server server(options, master);
  if (!server.Load()) return 1;
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  std::signal(SIGUSR1, OnSwap);
  std::printf("%s\n", name.c_str());
  std::fflush(stdout);
  return server.Run();
}
