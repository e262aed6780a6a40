#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "chips/catalogue.h"
#include "icsp/icsp.h"
#include "images/images.h"
#include "log/clock.h"
#include "log/log.h"
#include "log/operator_dialogs.h"
#include "operations/calibration.h"
#include "operations/chip_families.h"

namespace fw {

// How a session over the ICSP layer ended: done; a step failed (the ICSP
// layer logged why and closed the link); a read failed (which also writes
// the end time); or the chip answered other than what was programmed (the
// difference logged).
// A read that the operator stopped ends kStopped, the link still up.
enum class Step { kDone, kFailed, kReadFailed, kWrong, kStopped };

// What an erasing operation kept of the chip's factory calibration.
struct KeptCalibration {
  bool read = false;      // values were read from the chip (or given) before the erase
  bool restore = false;   // the erase takes them: they are programmed back (F629)
  bool recorded = false;  // they are in the calibration record
  bool given = false;     // the operator's values, not the chip's
  FactoryValues values;
};

// Keeps a chip's factory calibration safe across an erase: reads it before,
// checks that it is a calibration value, records it before anything is
// erased, puts it into the images, and programs the OSCCAL word and
// band-gap bits back where the erase took them. Whatever goes wrong after
// the erase, the log names the values and how to put them back.
class CalibrationGuard {
 public:
  CalibrationGuard(const ChipRecord& chip, Images& images, Log& log, OperatorDialogs& dialogs, Icsp& icsp,
                   const CalibrationRecord& record, Clock& clock)
      : chip_(chip), images_(images), log_(log), dialogs_(dialogs), icsp_(icsp), record_(record), clock_(clock) {}

  // How the look before an erase ended: go on with the erase; a step failed;
  // stopped before erasing what could not be kept (the log says why); the
  // operator cancelled.
  enum class Before { kGoOn, kFailed, kStopped, kCancelled };
  // Why the last look stopped before the erase.
  enum class StopCause {
    kNone,
    kValuesDiffer,   // values given differ from the chip's readable own
    kValuesUnknown,  // the chip's values cannot be trusted and none were given
    kNotRecorded,    // the values could not be recorded (the log says why)
  };
  StopCause stop_cause() const { return stop_cause_; }

  // Before an erase: reads the factory values when `keep` asks and the chip
  // has any, checks them, records them and puts them into the images.
  // `given`: the F629 family's values as the operator knows them, kept in
  // place of what the chip reads. `message` is the group's line after the
  // read.
  Before Keep(bool keep, const std::optional<OsccalValues>& given, const CalibrationRead& read, const char* message);
  // Whether values given by hand replace the chip's own where those are
  // readable and differ; without it such an erase stops before it starts.
  void SetReplace(bool replace) { replace_ = replace; }
  // The operator works in a terminal: the log names commands, not menus.
  void SetTerminal(bool terminal) { terminal_ = terminal; }

  // What the last Keep kept; Forget clears it at the start of an operation.
  const KeptCalibration& kept() const { return kept_; }
  void Forget() { kept_ = {}; }

  // After an erasing operation failed once the chip was erased: the values
  // read before the erase, where they are recorded and how they go back.
  void LogWhereValuesAre() const;
  // The kept values are back on the chip: their record entry is closed.
  void Close();
  // Programs the kept OSCCAL word and band-gap bits back into the erased
  // chip and reads both back; a stop asked now (`stop_asked`) is told that
  // it waits for them.
  Step PutBackKept(bool stop_asked);
  // A baseline part: where its backup OSCCAL lives, the user IDs read on the
  // way to it by the last read of the values, and whether the backup read
  // then holds another value than the one kept (only an erase from the
  // user IDs makes room for it).
  std::uint32_t BackupAddress() const { return chip_.ConfigBase + 4; }
  const std::vector<std::uint16_t>& user_ids_read() const { return user_ids_read_; }
  bool BackupNeedsErase() const;
  // Puts the kept value into both baseline copies where they read erased and
  // reads both back: only then are they called restored.
  Step PutBackBaseline();
  // A restore by hand of a baseline part's `value` onto a chip that reads
  // `on_chip`: kept as an erase would have kept it.
  void TakeForRestore(const OsccalValues& value, const FactoryValues& on_chip) {
    kept_ = {.read = true, .restore = true, .recorded = record_.enabled(), .given = true,
             .values = {.osccal = value, .words = on_chip.words}};
  }

  // A session that reads the factory values of `read` from the chip.
  Step ReadFactoryValues(const CalibrationRead& read, FactoryValues* values);
  // Reads the OSCCAL word (at the counter) or the configuration word back
  // and says what differs from `values`; kWrong after logging it.
  Step CheckOsccalWord(const OsccalValues& values, std::uint32_t i);
  Step CheckBandGap(const OsccalValues& values, std::uint32_t i);

  // A restore of `values` (calibration values) onto a chip that now holds
  // `now`: why it cannot be done (the log's line), or nothing when it can.
  std::optional<std::string> WhyNotRestore(const OsccalValues& values, const OsccalValues& now) const;
  // Programs what of `values` the chip has lost (erased there) and reads it
  // back.
  Step Restore(const OsccalValues& values, const OsccalValues& now);

 private:
  // The F629 family's values when the chip's cannot be trusted: asks the
  // operator; kGoOn with `values` to keep, or with `keep` cleared.
  Before AskForValues(FactoryValues* values, bool* keep);
  // The operator's answer to the question for values: kGoOn with the value
  // taken (where `accepted` takes it) or `keep` cleared, kCancelled; nothing
  // where no value came, and the erase stops.
  std::optional<Before> Answered(const CalibrationAnswer& answer, bool (*accepted)(std::uint16_t),
                                 FactoryValues* values, bool* keep);
  // Programs the OSCCAL word, then reads it back; the same for the band-gap
  // bits, in a configuration word otherwise left erased.
  Step PutBack(const OsccalValues& values);
  Step ProgramOsccal(const OsccalValues& values);
  Step ProgramBandGap(const OsccalValues& values);
  // Values given by hand against what the chip reads: kGoOn with `values`
  // the ones to keep, or kStopped after naming both pairs.
  Before TakeGiven(const OsccalValues& given, FactoryValues* values, std::string* source);
  // Appends `values` to the record as `source`; false with the line logged.
  bool Record(const FactoryValues& values, const std::string& source);
  // Where the values land in the images, over what the views held there.
  void PutIntoImages(const FactoryValues& values);
  std::uint32_t LastWord() const { return chip_.ProgramSize / 2 - 1; }
  // A baseline part's values: the OSCCAL word and its backup, each a MOVLW,
  // or a value given by hand; kGoOn with values->osccal the value to keep.
  Before KeepBaseline(const std::optional<OsccalValues>& given, FactoryValues* values, std::string* source,
                      bool* keep);
  // Programs `value` into the baseline copy at `address` where it reads
  // erased, and reads it back; kWrong (logged) where it holds another value.
  Step PutBaselineCopy(std::uint32_t address, std::uint16_t value);

  const ChipRecord& chip_;
  Images& images_;
  Log& log_;
  OperatorDialogs& dialogs_;
  Icsp& icsp_;
  const CalibrationRecord& record_;
  Clock& clock_;
  KeptCalibration kept_;
  bool replace_ = false;
  bool terminal_ = false;
  StopCause stop_cause_ = StopCause::kNone;
  std::vector<std::uint16_t> user_ids_read_;
};

}  // namespace fw
