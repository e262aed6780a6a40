#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "chips/user_chips.h"
#include "log/operator_dialogs.h"
#include "production/kept_file.h"
#include "operations/device_operations.h"
#include "production/serial_numbers.h"

namespace fw::cli {

inline constexpr int kDone = 0, kFailed = 1, kUsage = 2, kRefused = 3;

// The help: every command, its options and what they do; for one command
// (by its name), that command's synopsis and every option it takes.
std::string HelpText(const std::string& command = "");

// What the command line asks for, checked.
struct Options {
  std::string command;
  std::vector<std::string> ports;
  std::string chip, section = "all", output, file;
  int delay = 0;
  bool yes = false, entire_config = false, erase = false, no_verify = false;
  bool keep_calibration = true, force = false, quiet = false, csv = false;
  std::string osccal_text, band_gap_text;
  std::optional<OsccalValues> given;  // --osccal and --bg, checked
  bool restore = false, restore_last = false;
  // --replace-calibration: the values given go on the chip even where its
  // own readable ones differ.
  bool replace_calibration = false;
  // --one-word-cycles: program memory a word per programming cycle.
  bool one_word_cycles = false;
  // Production.
  KeepRequest keep;
  std::string restore_kept;  // --restore-kept FILE
  std::optional<KeptFile> kept_file;  // what it holds
  std::optional<SerialStart> serial;
  std::optional<SerialPlace> serial_place;
  std::string serial_file;
  bool serial_burn_failed = false;
  std::string record;
  bool repeat = false;
  // The shared database (--database URL or FLASHWRIGHT_DATABASE) in place
  // of the serial file and the record, and its serial series.
  std::string database, serial_series;
  // report --database: from this time on, before that one, of this series.
  std::string since, until, series;
};

struct UsageError {
  std::string text;
};

// Reads the command line; throws UsageError with the reason.
// `chips`: the chips a --chip may name (the built-in ones when null).
Options Parse(int argc, char** argv, const ChipList* chips = nullptr);

}  // namespace fw::cli
