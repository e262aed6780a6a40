#include "cli/options.h"

#include <CLI/CLI.hpp>

#include <cstdlib>

#include "chips/catalogue.h"
#include "production/database_store.h"
#include "platform/platform.h"
#include "log/hex.h"

namespace fw::cli {

namespace {

constexpr const char* kDescription =
    "Programs PIC12/PIC16 flash chips through a GX-0450 gateway, as the\n"
    "Flashwright window does: the same operations and the same log lines.";

constexpr const char* kFooter = R"(files: a name ending in "bin" (any case) is a raw image, any other Intel HEX.
write loads the file whole, optionally erases, writes program and
configuration (the user IDs too where the file sets them) and then, where
the chip has one, the EEPROM, and verifies. read, write, verify and checksum
print the checksum as the chip maker's programming documents define
it (program memory and the configuration words masked; the user IDs for a
code-protected image; never the OSCCAL word or band-gap bits); checksum
refuses a file with bytes outside the chip (exit 1).

what the comparisons (the verify after write, and verify) compare:
  program memory and the EEPROM word by word, as the window's Verify does;
  the user IDs and configuration word(s) only where the file sets them, and
  only the bits the chip implements; never the device ID, the calibration
  words, the OSCCAL word or the band-gap bits, which are the factory's.

factory calibration: before an erase the calibration values are read,
checked and recorded in @RECORD@; an OSCCAL word that is not a
RETLW instruction (0000 from a protected chip, 3FFF from an erased one)
stops the command before anything is erased.

@STOP@ stops a device command at its next point
that loses nothing: a read or verify at once, an erase or write that has
erased once the calibration values are back on the chip.

exit status: 0 done (on every port), 1 the operation failed, found a
difference or stopped to keep the calibration, 2 a usage error (with its
cause on standard error), 3 cancelled or refused.
)";

// The help's words for this system: its ports, its data folder, its stop
// keys.
bool WindowsNames() { return platform::SystemPortNaming() == platform::PortNaming::kWindows; }

std::string Footer() {
  std::string text = kFooter;
  const auto put = [&text](const std::string& mark, const std::string& words) {
    text.replace(text.find(mark), mark.size(), words);
  };
  put("@RECORD@", WindowsNames() ? "%LOCALAPPDATA%\\Flashwright\\calibration.log"
                                 : "$XDG_DATA_HOME/flashwright/calibration.log (or\n"
                                   "~/.local/share/flashwright/calibration.log)");
  put("@STOP@", WindowsNames() ? "Ctrl+C, Ctrl+Break or closing the console" : "Ctrl+C (SIGINT, SIGTERM, SIGHUP)");
  return text;
}

// Every command: its synopsis (the help's line), whether it works on a
// gateway (and so takes --port and the options every device command takes),
// and whether it takes a file.
struct CommandSpec {
  const char* name;
  const char* synopsis;
  bool device;
  bool file;
};
constexpr CommandSpec kCommands[] = {
    {.name = "chips", .synopsis = "[--csv]  list the supported chips", .device = false, .file = false},
    {.name = "detect", .synopsis = "--port P  identify the chip by its device ID", .device = true, .file = false},
    {.name = "read",
     .synopsis = "--port P --chip NAME [--section all|program|config|data] --output FILE",
     .device = true,
     .file = false},
    {.name = "write",
     .synopsis = "--port P --chip NAME [--entire-config] [--erase] [--no-verify]\n"
                 "[--osccal W --bg B] [production options] FILE",
     .device = true,
     .file = true},
    {.name = "write-data", .synopsis = "--port P --chip NAME [--no-verify] FILE", .device = true, .file = true},
    {.name = "verify", .synopsis = "--port P --chip NAME [--section all|program|data] FILE", .device = true, .file = true},
    {.name = "erase", .synopsis = "--port P --chip NAME [--osccal W --bg B]", .device = true, .file = false},
    {.name = "blank-check", .synopsis = "--port P --chip NAME", .device = true, .file = false},
    {.name = "calibration",
     .synopsis = "--port P --chip NAME [--restore [last] [--osccal W --bg B]]",
     .device = true,
     .file = false},
    {.name = "checksum",
     .synopsis = "--chip NAME [--quiet] FILE   the checksum of a file, as the chip\n"
                 "will show it (--quiet: the number alone)",
     .device = false,
     .file = true},
    {.name = "report",
     .synopsis = "FILE | --database URL [--since TIME] [--series NAME]\nsummarise a production record (--record), or the database's",
     .device = false,
     .file = true},
    {.name = "database",
     .synopsis = "init --database URL  make the schema of a production database\nthat several stations share",
     .device = false,
     .file = true},
};

// The options taken as typed go straight into `o`; the others are words
// checked before they become options.
struct Words {
  explicit Words(Options& options) : o(options) {}
  Options& o;
  std::string delay, osccal, band_gap, range, serial, serial_at, serial_order = "big", restore;
  bool no_keep_calibration = false, version = false;
};

// The options every device command takes (and checksum --chip, --quiet),
// given anywhere after the command.
void AddCommonOptions(CLI::App& app, Words& w) {
  const char* group = "options";
  app.add_option("--port", w.o.ports,
                 WindowsNames()
                     ? "a serial port (COM3, com3, \\\\.\\COM12), or demo:NAME for\n"
                       "the built-in simulated gateway with a virtual chip (it\n"
                       "runs on its own clock: no real time passes); more than once:\n"
                       "the same job on every gateway at once, each line prefixed\n"
                       "with its port, a summary table at the end (needs --yes)"
                     : "a serial port (ttyUSB0, /dev/ttyUSB0, a pseudo-terminal), or\n"
                       "demo:NAME for the built-in simulated gateway with a virtual chip\n"
                       "(it runs on its own clock: no real time passes); more than once, or a\n"
                       "glob such as '/dev/serial/by-id/*': the same job on every gateway at\n"
                       "once, each line prefixed with its port, a summary table at the end\n"
                       "(needs --yes)")
      ->option_text("P")
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
      ->group(group);
  app.add_option("--chip", w.o.chip,
                 "the chip, by its name in any letter case (\"pic16f684\",\n"
                 "\"PIC16F639\"), or \"auto\" to identify it by its device ID")
      ->option_text("NAME")
      ->group(group);
  app.add_option("--delay", w.delay, "extra milliseconds after every gateway frame, 0 to 5 (default 0)")
      ->option_text("N")
      ->group(group);
  app.add_flag("--yes", w.o.yes,
               "answer Yes (OK) to the questions before data is destroyed;\n"
               "without it they are asked on the terminal, and refused\n"
               "when there is none")
      ->group(group);
  app.add_flag("--no-keep-calibration", w.no_keep_calibration,
               "do not read the factory calibration values before an\n"
               "erase or write and put them back (they are kept by default)")
      ->group(group);
  app.add_flag("--quiet", w.o.quiet, "print no log lines, only errors")->group(group);
  app.add_option("--record", w.o.record,
                 "(device commands) append one JSON line per chip to FILE:\n"
                 "time, host, port, command, chip, device ID, file and its\n"
                 "SHA-256, checksum, serial number, calibration kept,\n"
                 "outcome and the run's log lines")
      ->option_text("FILE")
      ->group(group);
}

void AddCalibrationValues(CLI::App& app, Words& w) {
  app.add_option("--osccal", w.osccal,
                 "the OSCCAL word (34xx) of a PIC12F629/675 or PIC16F630/676,\n"
                 "with --bg B its band-gap bits (two binary digits), kept in place\n"
                 "of what the chip reads: for a code-protected chip or one that lost them;\n"
                 "on a baseline part (PIC10F2xx, PIC12F5xx, PIC16F505/506/526) its\n"
                 "MOVLW (0Cxx) alone, for the OSCCAL word and its backup")
      ->option_text("W");
  app.add_option("--bg", w.band_gap, "the band-gap bits that go with --osccal")->option_text("B");
  app.add_flag("--replace-calibration", w.o.replace_calibration,
               "put the values given on the chip even where the chip's own\n"
               "readable ones differ (without it such a command stops, naming both)");
}

void AddProductionOptions(CLI::App& app, Words& w) {
  const char* group = "production options of write";
  app.add_flag("--preserve-eeprom", w.o.keep.eeprom,
               "keep the chip's EEPROM: read before, written back where the\n"
               "erase takes it, verified as it was")
      ->group(group);
  app.add_flag("--preserve-ids", w.o.keep.user_ids, "keep the chip's user IDs the same way")->group(group);
  app.add_option("--preserve-range", w.range, "keep program words A to B (0x0700-0x07FF)")
      ->option_text("A-B")
      ->group(group);
  app.add_option("--restore-kept", w.o.restore_kept,
                 "what a failed write kept (the file its log names): written\n"
                 "in place of a read of the chip, with the file given")
      ->option_text("KEPT")
      ->group(group);
  app.add_option("--serial", w.serial, "number every chip: START, START+STEP, ...")
      ->option_text("START[:STEP]")
      ->group(group);
  app.add_option("--serial-at", w.serial_at,
                 "where the number goes: ids (the four user IDs, 4 bits\n"
                 "each, as MPLAB writes them), eeprom:ADDR:BYTES, or\n"
                 "retlw:ADDR:BYTES (RETLW instructions in program memory)")
      ->option_text("PLACE")
      ->group(group);
  app.add_option("--serial-order", w.serial_order, "the byte order of eeprom and retlw (default big)")
      ->option_text("big|little")
      ->group(group);
  app.add_option("--serial-file", w.o.serial_file,
                 "the next number is kept in FILE across runs (made when\n"
                 "missing; locked, so processes sharing it never hand out\n"
                 "the same number); a chip that fails gives its number back")
      ->option_text("FILE")
      ->group(group);
  app.add_flag("--serial-burn-failed", w.o.serial_burn_failed, "a failed chip keeps its number spent")->group(group);
  app.add_flag("--repeat", w.o.repeat,
               "station mode: after each chip wait for it to be taken out\n"
               "and the next put in, and program that; one line per chip\n"
               "(PASS or FAIL); Ctrl+C ends it with a summary")
      ->group(group);
}

// The command line's table: every command with the options it takes and
// their help, in one place. For one command's help (`own`) the options
// every device command takes are listed with that command.
void Describe(CLI::App& app, Words& w, const CommandSpec* own = nullptr) {
  app.description(kDescription);
  app.footer(Footer());
  app.allow_extras();
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app.set_help_flag("-h,--help", "this help");
  app.add_flag("--version", w.version, "the program's version");
  if (own == nullptr) AddCommonOptions(app, w);
  for (const CommandSpec& command : kCommands) {
    if (own != nullptr && own != &command) continue;
    CLI::App* sub = app.add_subcommand(command.name, command.synopsis);
    sub->fallthrough();
    sub->allow_extras();
    sub->set_help_flag();
    if (own != nullptr && command.device) AddCommonOptions(*sub, w);
    if (own != nullptr && std::string(command.name) == "checksum") {
      sub->add_option("--chip", w.o.chip, "the chip the file is for, by its name in any letter case")
          ->option_text("NAME");
      sub->add_flag("--quiet", w.o.quiet, "print the number alone");
    }
    const std::string name = command.name;
    if (command.file) sub->add_option("FILE", w.o.file, "the file")->type_name("")->allow_extra_args(false);
    if (name == "chips") sub->add_flag("--csv", w.o.csv, "the list as comma-separated values");
    if (name == "read" || name == "verify") {
      sub->add_option("--section", w.o.section, "all, program, config (read only) or data (default all)")
          ->option_text("S");
    }
    if (name == "read") sub->add_option("--output", w.o.output, "the file the chip is read into")->option_text("FILE");
    if (name == "write" || name == "report" || name == "database") {
      sub->add_option("--database", w.o.database,
                      "a PostgreSQL connection string or URI (also the\n"
                      "environment's FLASHWRIGHT_DATABASE): serial numbers and\n"
                      "records shared by every station, in place of --serial-file\n"
                      "and --record")
          ->option_text("URL")
          ->envname("FLASHWRIGHT_DATABASE");
    }
    if (name == "write") {
      sub->add_option("--serial-series", w.o.serial_series,
                      "with --database: the named series the numbers come from\n"
                      "(made with --serial START[:STEP] the first time)")
          ->option_text("NAME");
    }
    if (name == "report") {
      sub->add_option("--since", w.o.since,
                      "with --database: records from TIME on (2026-12-01, UTC unless\n"
                      "it names its zone: 2026-12-01T08:00+01)")
          ->option_text("TIME");
      sub->add_option("--until", w.o.until, "with --database: records before TIME (UTC, as --since)")
          ->option_text("TIME");
      sub->add_option("--series", w.o.series, "with --database: the records of one series")->option_text("NAME");
    }
    if (name == "write") {
      sub->add_flag("--entire-config", w.o.entire_config,
                    "write the whole configuration area, not only the\n"
                    "configuration word(s)");
      sub->add_flag("--erase", w.o.erase, "erase the chip before writing it");
      sub->add_flag("--force", w.o.force, "write a file that holds bytes outside the chip's memory");
      sub->add_flag("--one-word-cycles", w.o.one_word_cycles,
                    "program memory one word per programming cycle, not a row of\n"
                    "the chip's write latches (slower; for comparison, or a chip\n"
                    "that misbehaves)");
      AddProductionOptions(*sub, w);
    }
    if (name == "write" || name == "write-data") {
      sub->add_flag("--no-verify", w.o.no_verify, "do not compare the chip with the file after writing");
    }
    if (name == "write" || name == "erase" || name == "calibration") AddCalibrationValues(*sub, w);
    if (name == "calibration") {
      sub->add_option("--restore", w.restore,
                      "program --osccal W --bg B into a chip whose OSCCAL word\n"
                      "is erased, and read them back; \"--restore last\" takes the\n"
                      "newest calibration record for that type of chip")
          ->expected(0, 1)
          ->option_text("[last]");
    }
  }
}

// "0x0700-0x07FF": a range of program words.
std::pair<std::uint32_t, std::uint32_t> ParseRange(const std::string& text) {
  const std::size_t dash = text.find('-');
  std::string why;
  const auto first = dash == std::string::npos ? std::nullopt : ParseNumber(text.substr(0, dash), &why);
  const auto last = first ? ParseNumber(text.substr(dash + 1), &why) : std::nullopt;
  if (!first || !last || *last < *first || *last > 0xFFFF) {
    throw UsageError{"--preserve-range takes FIRST-LAST program words (0x0700-0x07FF), not \"" + text + "\"" +
                     (why.empty() ? std::string() : ": " + why)};
  }
  return {static_cast<std::uint32_t>(*first), static_cast<std::uint32_t>(*last)};
}

const CommandSpec* FindCommand(const std::string& name) {
  for (const CommandSpec& command : kCommands) {
    if (name == command.name) return &command;
  }
  return nullptr;
}

// What the library left over: an option no command of this name takes, or
// a word where the command takes no (more) file.
void RefuseLeftOvers(const CommandSpec& command, const std::vector<std::string>& left, const Options& o) {
  for (const std::string& arg : left) {
    if (arg.rfind("--", 0) == 0) {
      throw UsageError{"unknown option " + arg + " for \"" + o.command + "\" (try --help)"};
    }
    if (!command.file) throw UsageError{"\"" + o.command + "\" takes no file (\"" + arg + "\")"};
    throw UsageError{"more than one file given (\"" + arg + "\")"};
  }
}

// The options only device commands take, given to one that is not.
void RefuseDeviceOptions(CLI::App& app, const CommandSpec& command) {
  if (command.device) return;
  const bool checksum = std::string(command.name) == "checksum";
  for (const char* name : {"--port", "--chip", "--delay", "--yes", "--no-keep-calibration", "--quiet", "--record"}) {
    const bool own = checksum && (std::string(name) == "--chip" || std::string(name) == "--quiet");
    if (!own && app.get_option(name)->count() > 0) {
      throw UsageError{std::string("unknown option ") + name + " for \"" + command.name + "\" (try --help)"};
    }
  }
}

// The production options, checked.
void TakeProduction(const Words& w, Options& o) {
  if (!w.range.empty()) o.keep.program = ParseRange(w.range);
  std::string why;
  if (!w.serial.empty()) {
    o.serial = ParseSerialStart(w.serial, &why);
    if (!o.serial) throw UsageError{why};
  }
  if (w.serial_order != "big" && w.serial_order != "little") {
    throw UsageError{"--serial-order takes big or little, not \"" + w.serial_order + "\""};
  }
  if (!w.serial_at.empty()) {
    o.serial_place = ParseSerialPlace(w.serial_at, w.serial_order == "little", &why);
    if (!o.serial_place) throw UsageError{why};
  }
  if (!o.database.empty() && (!o.serial_file.empty() || !o.record.empty())) {
    throw UsageError{"--database keeps the serial numbers and the records: drop --serial-file and --record (or "
                     "unset FLASHWRIGHT_DATABASE)"};
  }
  if (!o.serial_series.empty() && o.database.empty()) throw UsageError{"--serial-series needs --database"};
  if (const std::string problem = SeriesNameProblem(o.serial_series); !problem.empty()) throw UsageError{problem};
  if (!o.database.empty() && o.serial && o.serial_series.empty()) {
    throw UsageError{"--serial with --database needs --serial-series NAME: the series the numbers come from"};
  }
  const bool numbered = o.serial.has_value() || !o.serial_series.empty();
  if (numbered != o.serial_place.has_value()) {
    throw UsageError{"--serial and --serial-at go together: the first number and where it goes"};
  }
  if (!o.serial && (!o.serial_file.empty() || o.serial_burn_failed)) {
    throw UsageError{"--serial-file and --serial-burn-failed need --serial START --serial-at PLACE"};
  }
  if (!o.restore_kept.empty()) {
    if (o.keep.any()) {
      throw UsageError{"--restore-kept keeps what " + o.restore_kept + " holds: drop --preserve-eeprom, "
                       "--preserve-ids and --preserve-range"};
    }
    std::string why;
    o.kept_file = LoadKeptFile(o.restore_kept, &why);
    if (!o.kept_file) throw UsageError{why};
    o.keep = o.kept_file->request;
  }
  // What is kept cannot also be numbered.
  if (o.serial_place) {
    using Kind = SerialPlace::Kind;
    const SerialPlace& p = *o.serial_place;
    if (p.kind == Kind::kUserIds && o.keep.user_ids) {
      throw UsageError{"--preserve-ids keeps the user IDs that --serial-at ids numbers: give one or the other"};
    }
    if (p.kind == Kind::kEeprom && o.keep.eeprom) {
      throw UsageError{"--preserve-eeprom keeps the EEPROM that --serial-at " + w.serial_at + " numbers: give one "
                       "or the other"};
    }
    if (p.kind == Kind::kRetlw && o.keep.program && p.address <= o.keep.program->second &&
        p.address + p.bytes > o.keep.program->first) {
      throw UsageError{"--serial-at " + w.serial_at + " lies in --preserve-range " + w.range};
    }
  }
}

// What is kept, against the memories of the chip named (a chip found by
// --chip auto is checked once it answers).
// The chip a --chip names, among the user's chips too where they are given.
const ChipEntry* NamedChip(const std::string& name, const ChipList* chips) {
  return chips != nullptr ? chips->FindByName(name) : FindChipByName(name);
}

void CheckKeptPlaces(const Words& w, const Options& o, const ChipList* chips) {
  const ChipEntry* chip = o.chip == "auto" ? nullptr : NamedChip(o.chip, chips);
  if (chip == nullptr) return;
  const std::uint32_t words = chip->ProgramSize / 2;
  if (o.keep.program && o.keep.program->second >= words) {
    throw UsageError{"--preserve-range " + w.range + " lies outside the " + std::string(chip->ChipName) +
                     "'s program memory (0x0000-0x" + Hex(words - 1, 4) + ")"};
  }
  if (o.keep.eeprom && chip->DataSize == 0) throw UsageError{std::string("the ") + chip->ChipName + " has no EEPROM to preserve"};
}

// --osccal, --bg and --restore, checked.
void TakeCalibration(const Words& w, bool restore_given, Options& o) {
  o.restore = restore_given;
  o.restore_last = restore_given && w.restore == "last";
  if (restore_given && !w.restore.empty() && w.restore != "last") {
    throw UsageError{"\"" + o.command + "\" takes no file (\"" + w.restore + "\")"};
  }
  o.osccal_text = w.osccal;
  o.band_gap_text = w.band_gap;
  // A baseline part's OSCCAL (a MOVLW, 0Cxx) has no band-gap bits beside it.
  const bool movlw_alone = !o.osccal_text.empty() && o.band_gap_text.empty() &&
                           ParseOsccalValues(o.osccal_text, "", nullptr).has_value();
  if (o.osccal_text.empty() != o.band_gap_text.empty() && !movlw_alone) {
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
  if (!o.keep_calibration && (o.given || o.restore)) {
    throw UsageError{std::string(o.given ? "--osccal and --bg" : "--restore") +
                     " put calibration values on the chip; --no-keep-calibration says not to keep them: give one or "
                     "the other"};
  }
  if (o.replace_calibration && !o.given) throw UsageError{"--replace-calibration goes with --osccal W --bg B"};
  if (o.restore && o.given.has_value() == o.restore_last) {
    throw UsageError{"--restore needs the values: --osccal W --bg B, or \"last\" for the newest record"};
  }
}

// What a device command needs beside its options: a port, a chip, a file.
void CheckDeviceCommand(const CommandSpec& command, Options& o) {
  if (o.ports.empty()) throw UsageError{"\"" + o.command + "\" needs --port"};
  if ((o.ports.size() > 1 || o.ports[0].find_first_of("*?[") != std::string::npos || o.repeat) && !o.yes) {
    throw UsageError{"several ports and --repeat ask no questions: give --yes"};
  }
  if (o.command == "detect") {
    if (!o.chip.empty() && o.chip != "auto") throw UsageError{"\"detect\" finds the chip itself; drop --chip"};
    o.chip = "auto";
  }
  if (o.chip.empty()) throw UsageError{"\"" + o.command + "\" needs --chip NAME (or --chip auto)"};
  if (command.file && o.file.empty()) throw UsageError{"\"" + o.command + "\" needs a file"};
  if (o.command == "read" && o.output.empty()) throw UsageError{"\"read\" needs --output FILE"};
  const std::set<std::string> sections = o.command == "read"
                                             ? std::set<std::string>{"all", "program", "config", "data"}
                                             : std::set<std::string>{"all", "program", "data"};
  if (!sections.count(o.section)) throw UsageError{"no section \"" + o.section + "\" for \"" + o.command + "\""};
}

}  // namespace

std::string HelpText(const std::string& command) {
  CLI::App app;
  Options o;
  Words w(o);
  const CommandSpec* own = command.empty() ? nullptr : FindCommand(command);
  Describe(app, w, own);
  if (own == nullptr) {
    // Every command with its own options, after the ones they share.
    return app.help("flashwright-cli", CLI::AppFormatMode::All);
  }
  CLI::App& sub = *app.get_subcommand(own->name);
  // Its synopsis as a command line; the notes shared by every command
  // follow, from the program's own help.
  sub.description(std::string("flashwright-cli ") + own->name + " " + own->synopsis);
  return sub.help("flashwright-cli", CLI::AppFormatMode::Normal);
}

Options Parse(int argc, char** argv, const ChipList* chips) {
  if (argc < 2) throw UsageError{"no command given (try --help)"};
  Options o;
  o.command = argv[1];
  const CommandSpec* command = FindCommand(o.command);
  if (command == nullptr) throw UsageError{"unknown command \"" + o.command + "\" (try --help)"};
  CLI::App app;
  Words w(o);
  Describe(app, w);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    throw UsageError{e.what()};
  }
  CLI::App& sub = *app.get_subcommand(command->name);
  RefuseLeftOvers(*command, sub.remaining(), o);
  RefuseLeftOvers(*command, app.remaining(), o);
  RefuseDeviceOptions(app, *command);
  o.keep_calibration = !w.no_keep_calibration;
  if (app.get_option("--delay")->count() > 0) {
    char* end = nullptr;
    const long d = std::strtol(w.delay.c_str(), &end, 10);
    if (w.delay.empty() || *end != '\0' || d < 0 || d > 5) {
      throw UsageError{"--delay takes 0 to 5, not \"" + w.delay + "\""};
    }
    o.delay = static_cast<int>(d);
  }
  TakeProduction(w, o);
  const CLI::Option* restore = sub.get_option_no_throw("--restore");
  TakeCalibration(w, restore != nullptr && restore->count() > 0, o);
  if (o.command == "checksum") {
    if (o.chip.empty() || o.chip == "auto") throw UsageError{"\"checksum\" needs --chip NAME (there is no chip to ask)"};
    if (o.file.empty()) throw UsageError{"\"checksum\" needs a file"};
  }
  if (!command->device && o.command != "checksum") {
    if (o.command == "report" && o.file.empty() == o.database.empty()) {
      throw UsageError{"\"report\" needs a record file or --database URL"};
    }
    if (o.command == "report" && o.database.empty() && (!o.since.empty() || !o.until.empty() || !o.series.empty())) {
      throw UsageError{"--since, --until and --series go with --database"};
    }
    if (const std::string problem = SeriesNameProblem(o.series); !problem.empty()) throw UsageError{problem};
    if (o.command == "database" && (o.file != "init" || o.database.empty())) {
      throw UsageError{"\"database\" takes init --database URL"};
    }
    return o;
  }
  if (o.chip != "auto" && !o.chip.empty() && NamedChip(o.chip, chips) == nullptr) {
    std::string nearest;
    for (const std::string& n : NearestChipNames(o.chip)) nearest += (nearest.empty() ? "" : ", ") + n;
    throw UsageError{"unknown chip \"" + o.chip + "\"; the nearest are " + nearest};
  }
  if (!command->device) return o;
  CheckDeviceCommand(*command, o);
  CheckKeptPlaces(w, o, chips);
  return o;
}

}  // namespace fw::cli
