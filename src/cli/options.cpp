#include "cli/options.h"

#include <cstdlib>
#include <cstring>

#include "chips/catalogue.h"

namespace fw::cli {

const char* const kHelp = R"(usage: flashwright-cli COMMAND [options]

Programs PIC12/PIC16 flash chips through a GX-0450 gateway, as the
Flashwright window does: the same operations and the same log lines.

commands:
  chips [--csv]                     list the supported chips
  detect       --port P             identify the chip by its device ID
  read         --port P --chip NAME [--section all|program|config|data] --output FILE
  write        --port P --chip NAME [--entire-config] [--erase] [--no-verify]
               [--osccal W --bg B] [production options] FILE
  write-data   --port P --chip NAME [--no-verify] FILE
  verify       --port P --chip NAME [--section all|program|data] FILE
  erase        --port P --chip NAME [--osccal W --bg B]
  blank-check  --port P --chip NAME
  calibration  --port P --chip NAME [--restore [last] [--osccal W --bg B]]
  checksum     --chip NAME [--quiet] FILE   the checksum of a file, as the chip
                                    will show it (--quiet: the number alone)
  report       FILE                 summarise a production record (--record)

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
  --record FILE          (device commands) append one JSON line per chip to FILE:
                         time, host, port, command, chip, device ID, file and its
                         SHA-256, checksum, serial number, calibration kept,
                         outcome and the run's log lines
  --help, --version

production options of write:
  --preserve-eeprom      keep the chip's EEPROM: read before, written back where the
                         erase takes it, verified as it was
  --preserve-ids         keep the chip's user IDs the same way
  --preserve-range A-B   keep program words A to B (0x0700-0x07FF)
  --serial START[:STEP]  number every chip: START, START+STEP, ...
  --serial-at PLACE      where the number goes: ids (the four user IDs, 4 bits
                         each, as MPLAB writes them), eeprom:ADDR:BYTES, or
                         retlw:ADDR:BYTES (RETLW instructions in program memory)
  --serial-order big|little   the byte order of eeprom and retlw (default big)
  --serial-file FILE     the next number is kept in FILE across runs (made when
                         missing; locked, so processes sharing it never hand out
                         the same number); a chip that fails gives its number back
  --serial-burn-failed   a failed chip keeps its number spent
  --repeat               station mode: after each chip wait for it to be taken out
                         and the next put in, and program that; one line per chip
                         (PASS or FAIL); Ctrl+C ends it with a summary
  --port P (more than once, or a glob such as '/dev/serial/by-id/*'): the same job
                         on every gateway at once, each line prefixed with its port,
                         a summary table at the end (needs --yes)

files: a name ending in "bin" (any case) is a raw image, any other Intel HEX.
write loads the file whole, optionally erases, writes program and
configuration (the user IDs too where the file sets them) and then, where
the chip has one, the EEPROM, and verifies. read, write, verify and checksum
print the checksum as the chip maker's programming documents define
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

exit status: 0 done (on every port), 1 the operation failed, found a
difference or stopped to keep the calibration, 2 a usage error (with its
cause on standard error), 3 cancelled or refused.
)";

// The options each command takes, beside --port, --chip, --delay, --yes,
// --no-keep-calibration, --quiet.
const std::map<std::string, std::set<std::string>>& CommandOptions() {
  static const std::map<std::string, std::set<std::string>> options = {
      {"chips", {"--csv"}},
      {"detect", {}},
      {"read", {"--section", "--output"}},
      {"write",
       {"--entire-config", "--erase", "--no-verify", "--force", "--osccal", "--bg", "--preserve-eeprom",
        "--preserve-ids", "--preserve-range", "--serial", "--serial-at", "--serial-order", "--serial-file",
        "--serial-burn-failed", "--repeat", "FILE"}},
      {"write-data", {"--no-verify", "FILE"}},
      {"verify", {"--section", "FILE"}},
      {"erase", {"--osccal", "--bg"}},
      {"blank-check", {}},
      {"calibration", {"--restore", "--osccal", "--bg"}},
      {"checksum", {"--chip", "--quiet", "FILE"}},
      {"report", {"FILE"}},
  };
  return options;
}

namespace {

// "0x0700-0x07FF": a range of program words.
std::pair<std::uint32_t, std::uint32_t> ParseRange(const std::string& text) {
  const std::size_t dash = text.find('-');
  char* end = nullptr;
  const unsigned long first = std::strtoul(text.substr(0, dash).c_str(), &end, 0);
  const bool first_ok = dash != std::string::npos && dash > 0 && *end == '\0';
  const std::string rest = dash == std::string::npos ? "" : text.substr(dash + 1);
  const unsigned long last = std::strtoul(rest.c_str(), &end, 0);
  if (!first_ok || rest.empty() || *end != '\0' || last < first || last > 0xFFFF) {
    throw UsageError{"--preserve-range takes FIRST-LAST program words (0x0700-0x07FF), not \"" + text + "\""};
  }
  return {static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(last)};
}

}  // namespace

Options Parse(int argc, char** argv) {
  Options o;
  if (argc < 2) throw UsageError{"no command given (try --help)"};
  o.command = argv[1];
  const auto known = CommandOptions().find(o.command);
  if (known == CommandOptions().end()) throw UsageError{"unknown command \"" + o.command + "\" (try --help)"};
  const std::set<std::string>& own = known->second;
  const bool device = o.command != "chips" && o.command != "checksum" && o.command != "report";
  const std::set<std::string> common = {"--port", "--chip", "--delay", "--yes", "--no-keep-calibration", "--quiet",
                                        "--record"};
  std::string serial_at, serial_order = "big";
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
    if (arg == "--port") o.ports.push_back(value());
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
    else if (arg == "--preserve-eeprom") o.keep.eeprom = true;
    else if (arg == "--preserve-ids") o.keep.user_ids = true;
    else if (arg == "--preserve-range") o.keep.program = ParseRange(value());
    else if (arg == "--serial") {
      std::string why;
      o.serial = ParseSerialStart(value(), &why);
      if (!o.serial) throw UsageError{why};
    }
    else if (arg == "--serial-at") serial_at = value();
    else if (arg == "--serial-order") serial_order = value();
    else if (arg == "--serial-file") o.serial_file = value();
    else if (arg == "--serial-burn-failed") o.serial_burn_failed = true;
    else if (arg == "--record") o.record = value();
    else if (arg == "--repeat") o.repeat = true;
    else if (arg == "--restore") {
      o.restore = true;
      if (i + 1 < argc && std::strcmp(argv[i + 1], "last") == 0) {
        o.restore_last = true;
        ++i;
      }
    }
  }
  if (serial_order != "big" && serial_order != "little") {
    throw UsageError{"--serial-order takes big or little, not \"" + serial_order + "\""};
  }
  if (!serial_at.empty()) {
    std::string why;
    o.serial_place = ParseSerialPlace(serial_at, serial_order == "little", &why);
    if (!o.serial_place) throw UsageError{why};
  }
  if (o.serial.has_value() != o.serial_place.has_value()) {
    throw UsageError{"--serial and --serial-at go together: the first number and where it goes"};
  }
  if (!o.serial && (!o.serial_file.empty() || o.serial_burn_failed)) {
    throw UsageError{"--serial-file and --serial-burn-failed need --serial START --serial-at PLACE"};
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
  if (o.command == "report" && o.file.empty()) throw UsageError{"\"report\" needs a record file"};
  if (!device) return o;
  if (o.ports.empty()) throw UsageError{"\"" + o.command + "\" needs --port"};
  if ((o.ports.size() > 1 || o.ports[0].find_first_of("*?[") != std::string::npos || o.repeat) && !o.yes) {
    throw UsageError{"several ports and --repeat ask no questions: give --yes"};
  }
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


}  // namespace fw::cli
