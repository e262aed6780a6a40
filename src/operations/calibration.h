#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "chips/catalogue.h"
#include "log/hex.h"
#include "log/operator_dialogs.h"

namespace fw {

// The factory calibration of one chip as read from it before an erase: the
// OSCCAL word and band-gap bits of the F629 family, or the calibration words
// the other families keep in configuration memory.
struct FactoryValues {
  std::optional<OsccalValues> osccal;
  struct Word {
    std::uint32_t address;
    std::uint16_t value;
    bool operator==(const Word&) const = default;
  };
  std::vector<Word> words;
  bool operator==(const FactoryValues&) const = default;
};

// OSCCAL is a RETLW k instruction, 0x34kk, programmed at the factory: 0000
// (a code-protected chip reads so) and 3FFF (an erased one) never are.
inline bool IsOsccalValue(std::uint16_t word) { return (word & 0x3F00) == 0x3400; }
// A baseline part's OSCCAL is a MOVLW k instruction, 0x0Ckk: 0FFF (erased)
// and 0000 never are.
inline bool IsMovlwValue(std::uint16_t word) { return (word & 0xFF00) == 0x0C00; }
// Either form: what a record entry may hold for some chip.
inline bool IsAnyOsccalValue(std::uint16_t word) { return IsOsccalValue(word) || IsMovlwValue(word); }

// "10": the band-gap bits as two binary digits, bit 13 first.
std::string BandGapText(std::uint8_t band_gap);
// "0x03FF = 34A8, BG bits = 10", "0x2008 = 2D4A, 0x2009 = 1234": the values
// as the log names them; `last_word` is the OSCCAL word's address.
std::string FactoryValuesText(const FactoryValues& values, std::uint32_t last_word);
// "--osccal 0x34A8 --bg 10": what gives the values back on the command line.
std::string OsccalOptions(const OsccalValues& values);

// Values typed by the operator: OSCCAL as four hex digits ("34A8" or
// "0x34A8"), the band-gap bits as two binary digits ("10"). Checked like
// values read from a chip; nothing, with the reason in `why`, when they are
// not calibration values.
std::optional<OsccalValues> ParseOsccalValues(const std::string& osccal, const std::string& band_gap,
                                              std::string* why);

// One line of the calibration record.
struct CalibrationRecordEntry {
  std::string time;  // UTC, ISO 8601
  std::string chip;
  std::string port;
  FactoryValues values;
  // "read" from the chip before an erase, or "given" by the operator: an
  // entry of values to put back. "own": the chip's values, recorded where
  // given ones replaced them. "closed": the values of the entries before it
  // for this chip are back on a chip.
  std::string source;
};

// The calibration record: every calibration read before an erase, one line
// each, appended and flushed before the erase starts, so that values an
// erase takes from the chip exist somewhere whatever happens next. Lines are
// tab-separated text a person can read:
//   2026-12-09T10:15:02Z  PIC16F630  /dev/ttyUSB0  osccal=34A8 bg=10  read
class CalibrationRecord {
 public:
  // No path: nothing is recorded (embedded use; every program sets one).
  void SetPath(std::string path) {
    path_ = std::move(path);
    unwritable_.clear();
  }
  // The record's place on this system (in platform::DataFolder()); where the
  // system names no data folder the record is kept all the same, as one that
  // cannot be written: what must be recorded before an erase then stops it.
  void UseDataFolder();
  const std::string& path() const { return path_; }
  bool enabled() const { return !path_.empty() || !unwritable_.empty(); }

  // False with the system's reason in `error`.
  bool Append(const CalibrationRecordEntry& entry, std::string* error) const;
  // Every line that can be read, oldest first, of the newest kReadBound
  // bytes of an ordinary file; damaged lines are passed over.
  std::vector<CalibrationRecordEntry> Entries() const;
  static constexpr std::uint64_t kReadBound = 4 << 20;
  // The newest entry for `chip` whose OSCCAL values pass the check.
  std::optional<CalibrationRecordEntry> NewestFor(const std::string& chip) const;
  // The entries for `chip` whose values were read (or given) before an
  // erase and never seen back on a chip, newest first: what a failed erase
  // or write left for "--restore last".
  std::vector<CalibrationRecordEntry> OpenFor(const std::string& chip) const;

 private:
  std::string NewestText() const;
  std::string path_;
  std::string unwritable_;  // why nothing can be recorded (no data folder)
};

// The record's place: $XDG_DATA_HOME/flashwright/calibration.log, or
// ~/.local/share/flashwright/calibration.log; the caller reads the
// environment (either may be null or empty).
std::string CalibrationRecordPath(const char* xdg_data_home, const char* home);

}  // namespace fw
