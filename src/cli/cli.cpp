#include "cli/cli.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "cli/chips_command.h"
#include "cli/terminal_dialogs.h"
#include "images/checksum.h"
#include "link/pause.h"
#include "link/posix_serial_device.h"
#include "log/clock.h"
#include "operations/app_state.h"
#include "operations/connection.h"
#include "sim/demo_gateways.h"
#include "version.h"

namespace fw::cli {

namespace {

constexpr int kDone = 0, kFailed = 1, kUsage = 2, kRefused = 3;

// The signals that ask a device operation to stop, counted; a handler can
// reach nothing but such a flag.
volatile std::sig_atomic_t g_stop_signals = 0;

void OnStopSignal(int) { g_stop_signals = g_stop_signals + 1; }

// SIGINT, SIGTERM and SIGHUP no longer end the process at once: the
// operation stops at its next point that loses nothing. Not restarted, so
// that a question on the terminal is answered by Ctrl+C too. SIGPIPE is
// ignored: a reader of the log that goes away must not cut a write short.
void CatchStopSignals() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&action.sa_mask, s);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

constexpr const char* kHelp = R"(usage: flashwright-cli COMMAND [options]

Programs PIC12/PIC16 flash chips through a GX-0450 gateway, as the
Flashwright window does: the same operations and the same log lines.

commands:
  chips [--csv]                     list the supported chips
  detect       --port P             identify the chip by its device ID
  read         --port P --chip NAME [--section all|program|config|data] --output FILE
  write        --port P --chip NAME [--entire-config] [--erase] [--no-verify]
               [--osccal W --bg B] FILE
  write-data   --port P --chip NAME [--no-verify] FILE
  verify       --port P --chip NAME [--section all|program|data] FILE
  erase        --port P --chip NAME [--osccal W --bg B]
  blank-check  --port P --chip NAME
  calibration  --port P --chip NAME [--restore [last] [--osccal W --bg B]]
  checksum     --chip NAME [--quiet] FILE   the checksum of a file, as the chip
                                    will show it (--quiet: the number alone)

options:
  --port P               a serial port (ttyUSB0, /dev/ttyUSB0, a pseudo-terminal), or
                         demo:NAME for the built-in simulated gateway with a virtual chip
                         (it runs on its own clock: no real time passes)
  --chip NAME            the chip, by its name in any letter case ("pic16f684",
                         "PIC16F639"), or "auto" to identify it by its device ID
  --delay N              extra milliseconds after every gateway frame, 0 to 5 (default 0)
  --yes                  answer Yes (OK) to the questions before data is destroyed;
                         without it they are asked on the terminal, and refused
                         when there is none
  --entire-config        write the whole configuration area, not only the
                         configuration word(s)
  --erase                erase the chip before writing it
  --no-verify            do not compare the chip with the file after writing
  --no-keep-calibration  do not read the factory calibration values before an
                         erase or write and put them back (they are kept by default)
  --osccal W --bg B      the OSCCAL word (34xx) and band-gap bits (two binary digits)
                         of a PIC12F629/675 or PIC16F630/676, kept in place of what
                         the chip reads: for a code-protected chip or one that lost them
  --restore              (calibration) program --osccal W --bg B into a chip whose
                         OSCCAL word is erased, and read them back; "--restore last"
                         takes the newest calibration record for that type of chip
  --force                write a file that holds bytes outside the chip's memory
  --quiet                print no log lines, only errors
  --help, --version

files: a name ending in "bin" (any case) is a raw image, any other Intel HEX.
write loads the file whole, optionally erases, writes program and
configuration (the user IDs too where the file sets them) and then, where
the chip has one, the EEPROM, and verifies. read, write, verify and checksum
print the checksum as the chip maker's programming specifications define
it (program memory and the configuration words masked; the user IDs for a
code-protected image; never the OSCCAL word or band-gap bits), or say that
no rule is published for the chip.

what the comparisons (the verify after write, and verify) compare:
  program memory and the EEPROM word by word, as the window's Verify does;
  the user IDs and configuration word(s) only where the file sets them, and
  only the bits the chip implements; never the device ID, the calibration
  words, the OSCCAL word or the band-gap bits, which are the factory's.

factory calibration: before an erase the calibration values are read,
checked and recorded in $XDG_DATA_HOME/flashwright/calibration.log (or
~/.local/share/flashwright/calibration.log); an OSCCAL word that is not a
RETLW instruction (0000 from a protected chip, 3FFF from an erased one)
stops the command before anything is erased.

Ctrl+C (SIGINT, SIGTERM, SIGHUP) stops a device command at its next point
that loses nothing: a read or verify at once, an erase or write that has
erased once the calibration values are back on the chip.

exit status: 0 done, 1 the operation failed, found a difference or stopped to
keep the calibration, 2 a usage error (with its cause on standard error),
3 cancelled or refused.
)";

struct Options {
  std::string command;
  std::string port, chip, section = "all", output, file;
  int delay = 0;
  bool yes = false, entire_config = false, erase = false, no_verify = false;
  bool keep_calibration = true, force = false, quiet = false, csv = false;
  std::string osccal_text, band_gap_text;
  std::optional<OsccalValues> given;  // --osccal and --bg, checked
  bool restore = false, restore_last = false;
};

struct UsageError {
  std::string text;
};

// The options each command takes, beside --port, --chip, --delay, --yes,
// --no-keep-calibration, --quiet.
const std::map<std::string, std::set<std::string>>& CommandOptions() {
  static const std::map<std::string, std::set<std::string>> options = {
      {"chips", {"--csv"}},
      {"detect", {}},
      {"read", {"--section", "--output"}},
      {"write", {"--entire-config", "--erase", "--no-verify", "--force", "--osccal", "--bg", "FILE"}},
      {"write-data", {"--no-verify", "FILE"}},
      {"verify", {"--section", "FILE"}},
      {"erase", {"--osccal", "--bg"}},
      {"blank-check", {}},
      {"calibration", {"--restore", "--osccal", "--bg"}},
      {"checksum", {"--chip", "--quiet", "FILE"}},
  };
  return options;
}

Options Parse(int argc, char** argv) {
  Options o;
  if (argc < 2) throw UsageError{"no command given (try --help)"};
  o.command = argv[1];
  const auto known = CommandOptions().find(o.command);
  if (known == CommandOptions().end()) throw UsageError{"unknown command \"" + o.command + "\" (try --help)"};
  const std::set<std::string>& own = known->second;
  const bool device = o.command != "chips" && o.command != "checksum";
  const std::set<std::string> common = {"--port", "--chip", "--delay", "--yes", "--no-keep-calibration", "--quiet"};
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--", 0) != 0) {
      if (!own.count("FILE")) throw UsageError{"\"" + o.command + "\" takes no file (\"" + arg + "\")"};
      if (!o.file.empty()) throw UsageError{"more than one file given (\"" + arg + "\")"};
      o.file = arg;
      continue;
    }
    if (!own.count(arg) && !(device && common.count(arg))) {
      throw UsageError{"unknown option " + arg + " for \"" + o.command + "\" (try --help)"};
    }
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw UsageError{arg + " needs a value"};
      return argv[++i];
    };
    if (arg == "--port") o.port = value();
    else if (arg == "--chip") o.chip = value();
    else if (arg == "--section") o.section = value();
    else if (arg == "--output") o.output = value();
    else if (arg == "--delay") {
      const std::string v = value();
      char* end = nullptr;
      const long d = std::strtol(v.c_str(), &end, 10);
      if (v.empty() || *end != '\0' || d < 0 || d > 5) throw UsageError{"--delay takes 0 to 5, not \"" + v + "\""};
      o.delay = static_cast<int>(d);
    }
    else if (arg == "--yes") o.yes = true;
    else if (arg == "--entire-config") o.entire_config = true;
    else if (arg == "--erase") o.erase = true;
    else if (arg == "--no-verify") o.no_verify = true;
    else if (arg == "--no-keep-calibration") o.keep_calibration = false;
    else if (arg == "--force") o.force = true;
    else if (arg == "--quiet") o.quiet = true;
    else if (arg == "--csv") o.csv = true;
    else if (arg == "--osccal") o.osccal_text = value();
    else if (arg == "--bg") o.band_gap_text = value();
    else if (arg == "--restore") {
      o.restore = true;
      if (i + 1 < argc && std::strcmp(argv[i + 1], "last") == 0) {
        o.restore_last = true;
        ++i;
      }
    }
  }
  if (o.osccal_text.empty() != o.band_gap_text.empty()) {
    throw UsageError{"--osccal and --bg go together: the OSCCAL word and the band-gap bits"};
  }
  if (!o.osccal_text.empty()) {
    std::string why;
    o.given = ParseOsccalValues(o.osccal_text, o.band_gap_text, &why);
    if (!o.given) throw UsageError{why};
  }
  if (o.command == "calibration" && o.given && !o.restore) {
    throw UsageError{"\"calibration\" takes --osccal and --bg with --restore only"};
  }
  if (o.restore && o.given.has_value() == o.restore_last) {
    throw UsageError{"--restore needs the values: --osccal W --bg B, or \"last\" for the newest record"};
  }
  if (o.command == "checksum") {
    if (o.chip.empty() || o.chip == "auto") throw UsageError{"\"checksum\" needs --chip NAME (there is no chip to ask)"};
    if (o.file.empty()) throw UsageError{"\"checksum\" needs a file"};
  }
  if (!device && o.command != "checksum") return o;
  if (o.chip != "auto" && !o.chip.empty() && FindChipByName(o.chip) == nullptr) {
    std::string nearest;
    for (const std::string& n : NearestChipNames(o.chip)) nearest += (nearest.empty() ? "" : ", ") + n;
    throw UsageError{"unknown chip \"" + o.chip + "\"; the nearest are " + nearest};
  }
  if (!device) return o;
  if (o.port.empty()) throw UsageError{"\"" + o.command + "\" needs --port"};
  if (o.command == "detect") {
    if (!o.chip.empty() && o.chip != "auto") throw UsageError{"\"detect\" finds the chip itself; drop --chip"};
    o.chip = "auto";
  }
  if (o.chip.empty()) throw UsageError{"\"" + o.command + "\" needs --chip NAME (or --chip auto)"};
  if (own.count("FILE") && o.file.empty()) throw UsageError{"\"" + o.command + "\" needs a file"};
  if (o.command == "read" && o.output.empty()) throw UsageError{"\"read\" needs --output FILE"};
  const std::set<std::string> sections = o.command == "read"
                                             ? std::set<std::string>{"all", "program", "config", "data"}
                                             : std::set<std::string>{"all", "program", "data"};
  if (!sections.count(o.section)) throw UsageError{"no section \"" + o.section + "\" for \"" + o.command + "\""};
  return o;
}

int ExitOf(Outcome outcome) {
  switch (outcome) {
    case Outcome::kDone: return kDone;
    case Outcome::kFailed:
    case Outcome::kDifference:
    case Outcome::kStopped: return kFailed;
    case Outcome::kCancelled:
    case Outcome::kRefused: return kRefused;
  }
  return kFailed;
}

// One command against one port: the application's state built for the
// terminal, as the window builds it for itself.
class Session {
 public:
  explicit Session(const Options& o)
      : o_(o),
        dialogs_(o.yes, &g_stop_signals),
        demo_(sim::DemoGateways::IsDemo(o.port)),
        demos_([this] { return demo_clock_.now_us(); }),
        state_(clock_, demo_ ? static_cast<Pause&>(demo_clock_) : real_pause_, dialogs_,
               [this](const std::string& path, std::string* why) {
                 return demo_ ? demos_.Open(path, why) : OpenPosixSerialDevice(path, why);
               }) {
    if (!o.quiet) state_.log.SetListener([](const std::string& line) { std::cout << line << std::endl; });
    state_.link.DelayValue = o.delay;
    state_.calibration_record.SetPath(CalibrationRecordPath(std::getenv("XDG_DATA_HOME"), std::getenv("HOME")));
  }

  // checksum: the file alone, no gateway.
  int FileChecksum() {
    state_.selector.SelectChip(FindChipByName(o_.chip)->IdWord);
    if (const int status = LoadFile(); status != kDone) return status;
    const bool known = PrintChecksum();
    // Quiet, the number alone, for scripts.
    if (o_.quiet) std::cout << (known ? ChecksumText(state_.chip, state_.images).substr(10) : "none") << "\n";
    return known ? kDone : kRefused;
  }

  int Run() {
    if (o_.command == "checksum") return FileChecksum();
    CatchStopSignals();
    if (o_.chip != "auto") {
      state_.selector.SelectChip(FindChipByName(o_.chip)->IdWord);
      if (const int status = CheckGivenValues(); status != kDone) return status;
      if (const int status = LoadFile(); status != kDone) return status;
    }
    if (!Connect(state_.link, state_.log, o_.port)) return kFailed;
    if (o_.chip == "auto") {
      dialogs_.SetOperation("Autosearch chip");
      const Selection found = state_.selector.AutosearchChip();
      if (found == Selection::kFailed) return kFailed;
      if (found != Selection::kSelected) return kRefused;
      if (o_.command == "detect") return kDone;
      if (const int status = CheckGivenValues(); status != kDone) return status;
      if (const int status = LoadFile(); status != kDone) return status;
    }
    const int status = Command();
    state_.link.ClosePort();
    return status;
  }

 private:
  DeviceOperations& ops() { return state_.operations; }
  bool HasEeprom() const { return state_.chip.DataSize > 0; }

  FileSection Section() const {
    if (o_.command == "write-data" || o_.section == "data") return sectData;
    if (o_.section == "program") return sectProgram;
    if (o_.section == "config") return sectConfig;
    return sectAll;
  }

  // The file of write, write-data and verify, loaded as the File menu loads
  // its section; refused when it could not be read whole.
  int LoadFile() {
    if (o_.file.empty()) return kDone;
    const FileReport report = state_.files.LoadFile(o_.file, Section());
    if (report.wrong_file) {
      std::cerr << "flashwright-cli: " << o_.file << " could not be read to its end (see the log line above)\n";
      return kUsage;
    }
    if (!report.done) return kUsage;  // the reason is on standard error already
    if (report.dropped_bytes > 0 && o_.command == "write" && !o_.force) {
      std::cerr << "flashwright-cli: " << o_.file << " holds " << report.dropped_bytes
                << " bytes outside the memory of the " << state_.chip.ChipName
                << " (built for another chip?); give --force to write it all the same\n";
      return kUsage;
    }
    return kDone;
  }

  bool HasOsccalWord() const {
    const CalibrationGroup* group = FindCalibrationGroup(DispatchFamily(state_.chip.ChipIdWord));
    return group != nullptr && group->calibration.kind == CalibrationRead::Kind::kOsccal;
  }

  // --osccal and --bg name what only the F629 family's erase takes away.
  int CheckGivenValues() {
    if ((!o_.given && !o_.restore) || HasOsccalWord()) return kDone;
    std::cerr << "flashwright-cli: the " << state_.chip.ChipName
              << " keeps its calibration words in configuration memory, which an erase leaves alone; "
                 "--osccal, --bg and --restore are for the PIC12F629, PIC12F675, PIC16F630 and PIC16F676\n";
    return kUsage;
  }

  // Runs one operation under its name; stops the command unless it is done.
  // A stop asked during an operation that finished all the same ends the
  // command there.
  bool Step(const char* name, const std::function<Outcome()>& operation, int* status) {
    dialogs_.SetOperation(name);
    const Outcome outcome = operation();
    *status = ExitOf(outcome);
    if (outcome == Outcome::kStopped) ExplainStop();
    if (*status == kDone && dialogs_.StopRequested()) {
      state_.log.LogEvent(0, "Operation cancelled");
      *status = kRefused;
    }
    return *status == kDone;
  }

  // Why nothing was erased, in the options that go on from here.
  void ExplainStop() {
    const auto newest = state_.calibration_record.NewestFor(state_.chip.ChipName);
    std::cerr << "flashwright-cli: nothing was erased, so as not to lose the chip's calibration values (the log "
                 "says why). Give them with --osccal 0x34XX --bg NN";
    if (newest) {
      std::cerr << " (the newest record for the " << state_.chip.ChipName << ", " << newest->time << " on "
                << newest->port << ": " << OsccalOptions(*newest->values.osccal) << ")";
    }
    std::cerr << ", or give --no-keep-calibration to erase without them; they are then lost\n";
  }

  int Verify(bool program, bool data) {
    int status = kDone;
    const DeviceOperations::CompareScope scope =
        FileCompareScope(state_.chip, state_.files.ConfigWordsLoaded());
    if (program && !Step("Verify Program & Configuration", [&] { return ops().VerifyProgramAndConfig(scope); }, &status)) {
      return status;
    }
    if (data && !Step("Verify Data", [&] { return ops().VerifyData(); }, &status)) return status;
    return status;
  }

  // The checksum line of the images; false where the chip has no rule.
  bool PrintChecksum() {
    LogChecksum(state_.chip, state_.images, state_.log);
    return ImageChecksum(state_.chip, state_.images).has_value();
  }

  int Save() {
    const FileSection section = Section();
    const FileReport report = FileExtension(o_.output) == "BIN"
                                  ? state_.files.WriteBinFile(o_.output, section)
                                  : state_.files.WriteHexFile(o_.output, section);
    return report.done ? kDone : kFailed;
  }

  void PrintCalibration() {
    const CalibrationGroup* group = FindCalibrationGroup(DispatchFamily(state_.chip.ChipIdWord));
    if (group == nullptr) return;
    const CalibrationRead& read = group->calibration;
    char line[64];
    if (read.kind == CalibrationRead::Kind::kOsccal) {
      const std::uint32_t last = state_.chip.ProgramSize / 2 - 1;
      std::snprintf(line, sizeof line, "0x%04X = %04X (OSCCAL)", last, WordAt(state_.images.ProgramImage, last));
      std::cout << line << "\n";
    }
    for (std::uint32_t w = read.first_word; read.kind == CalibrationRead::Kind::kWords && w < read.first_word + read.count; ++w) {
      std::snprintf(line, sizeof line, "0x%04X = %04X", state_.chip.ConfigBase + w, WordAt(state_.images.ConfigImage, w));
      std::cout << line << "\n";
    }
  }

  int Restore() {
    OsccalValues values;
    if (o_.restore_last) {
      const auto newest = state_.calibration_record.NewestFor(state_.chip.ChipName);
      if (!newest) {
        std::cerr << "flashwright-cli: no calibration record for the " << state_.chip.ChipName << " in "
                  << state_.calibration_record.path() << "\n";
        return kFailed;
      }
      values = *newest->values.osccal;
      std::cout << "the newest record for the " << state_.chip.ChipName << ": "
                << FactoryValuesText(newest->values, state_.chip.ProgramSize / 2 - 1) << " (" << newest->time
                << " on " << newest->port << ")" << std::endl;
    } else {
      values = *o_.given;
    }
    int status = kDone;
    Step("Restore calibration values", [&] { return ops().RestoreCalibration(values); }, &status);
    return status;
  }

  int Command() {
    int status = kDone;
    const bool keep = o_.keep_calibration;
    const std::string& c = o_.command;
    if (c == "read") {
      const FileSection section = Section();
      if (section != sectData && !Step("Read Program & Configuration", [&] { return ops().ReadProgramAndConfig(); }, &status)) {
        return status;
      }
      if (section != sectData) PrintChecksum();
      if ((section == sectData || (section == sectAll && HasEeprom())) &&
          !Step("Read Data", [&] { return ops().ReadData(); }, &status)) {
        return status;
      }
      return Save();
    }
    if (c == "write") {
      if (o_.erase && !Step("Chip Erase", [&] { return ops().ChipErase(keep, o_.given); }, &status)) return status;
      // User IDs the file sets are written, as the file asks.
      const auto& words = state_.files.ConfigWordsLoaded();
      const bool ids = words[0] || words[1] || words[2] || words[3];
      if (!Step("Write Program & Configuration",
                [&] { return ops().WriteProgramAndConfig(keep, o_.entire_config, o_.given, ids); }, &status)) {
        return status;
      }
      if (HasEeprom() && !Step("Write Data", [&] { return ops().WriteData(); }, &status)) return status;
      status = o_.no_verify ? kDone : Verify(true, HasEeprom());
      if (status == kDone) PrintChecksum();
      return status;
    }
    if (c == "write-data") {
      if (!Step("Write Data", [&] { return ops().WriteData(); }, &status)) return status;
      return o_.no_verify ? kDone : Verify(false, true);
    }
    if (c == "verify") {
      const FileSection section = Section();
      status = Verify(section != sectData, section == sectData || (section == sectAll && HasEeprom()));
      if (status == kDone && section != sectData) PrintChecksum();
      return status;
    }
    if (c == "erase") {
      Step("Chip Erase", [&] { return ops().ChipErase(keep, o_.given); }, &status);
      return status;
    }
    if (c == "blank-check") {
      Step("Blank check", [&] { return ops().BlankCheck(); }, &status);
      return status;
    }
    if (c == "calibration" && o_.restore) return Restore();
    if (c == "calibration") {
      if (Step("Read OSCCAL(S)", [&] { return ops().ReadCalibration(); }, &status)) PrintCalibration();
      return status;
    }
    return kUsage;
  }

  const Options& o_;
  SystemClock clock_;
  RealPause real_pause_;
  sim::DemoClock demo_clock_;
  TerminalDialogs dialogs_;
  bool demo_;
  sim::DemoGateways demos_;
  AppState state_;
};

// A file to read must be there and readable before anything else happens.
void CheckReadable(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) throw UsageError{"cannot read " + path + ": " + std::strerror(errno)};
  close(fd);
}

}  // namespace

int Run(int argc, char** argv) {
  if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ||
                    std::strcmp(argv[1], "help") == 0)) {
    std::cout << kHelp;
    return kDone;
  }
  if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
    std::cout << "flashwright-cli " << FLASHWRIGHT_VERSION << "\n";
    return kDone;
  }
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::cout << kHelp;
      return kDone;
    }
  }
  Options options;
  try {
    options = Parse(argc, argv);
    if (!options.file.empty()) CheckReadable(options.file);
  } catch (const UsageError& error) {
    std::cerr << "flashwright-cli: " << error.text << "\n";
    return kUsage;
  }
  if (options.command == "chips") {
    if (options.csv) {
      PrintChipsCsv(std::cout);
    } else {
      PrintChipsTable(std::cout);
    }
    return kDone;
  }
  Session session(options);
  return session.Run();
}

}  // namespace fw::cli
