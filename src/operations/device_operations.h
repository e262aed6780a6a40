#pragma once

#include <bitset>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "chips/catalogue.h"
#include "chips/config_layout.h"
#include "icsp/icsp.h"
#include "images/images.h"
#include "images/views.h"
#include "log/clock.h"
#include "log/log.h"
#include "log/operator_dialogs.h"
#include "operations/calibration.h"
#include "operations/calibration_guard.h"
#include "operations/chip_families.h"

namespace fw {

// How a device operation ended, beside what it logged; the command-line
// tool turns it into an exit status.
enum class Outcome {
  kDone,
  kFailed,      // a step failed (the ICSP layer logged why and closed the link)
  kDifference,  // a verify found a location that differs
  kCancelled,   // the operator answered the question with No or Cancel
  kRefused,     // no chip, an unknown chip, or a function the chip has not
  kStopped,     // stopped before erasing what it could not keep (the log says why)
};

// What a write keeps of the chip as it was: read before the erase, written
// back with the new image.
struct KeepRequest {
  bool eeprom = false;
  bool user_ids = false;
  std::optional<std::pair<std::uint32_t, std::uint32_t>> program;  // first and last word
  bool any() const { return eeprom || user_ids || program; }
};
struct KeptContents {
  std::vector<std::uint8_t> eeprom;
  std::vector<std::uint16_t> user_ids;
  std::vector<std::uint16_t> program;
};

// Where a verify found the chip other than the images, and the two values.
struct Difference {
  enum class Memory { kProgram, kConfig, kData };
  Memory memory = Memory::kProgram;
  std::uint32_t address = 0;  // word address, or EEPROM byte
  std::uint16_t file = 0;     // what the images hold
  std::uint16_t chip = 0;     // what the chip answered
};

// The operations behind the main window's device buttons. Each works on the
// views of the active page, walks the chip through the ICSP layer, and
// reports its course in the log.
class DeviceOperations {
 public:
  DeviceOperations(const ChipRecord& chip, Images& images, Workspace& workspace, Log& log,
                   OperatorDialogs& dialogs, Icsp& icsp, const CalibrationRecord& record, Clock& clock)
      : chip_(chip),
        images_(images),
        workspace_(workspace),
        log_(log),
        dialogs_(dialogs),
        icsp_(icsp),
        guard_(chip, images, log, dialogs, icsp, record, clock) {}

  // "Read Program && Configuration", "Read Data".
  Outcome ReadProgramAndConfig();
  Outcome ReadData();
  // "Write Program && Configuration": keep_calibration is CheckBox1,
  // entire_config CheckBox2. `given`: the F629 family's calibration values
  // as the operator knows them, programmed in place of what the chip reads.
  // `user_ids`: without the entire configuration, the four user IDs are
  // written too (and erased first), as a file that sets them asks.
  // `protection_last`: the order of a whole-chip write, in which the
  // configuration word goes first with its protection bits left
  // unprogrammed (and the F629's band-gap bits in it), then program memory
  // up to the OSCCAL word; ProgramProtection turns protection on once
  // everything is verified.
  Outcome WriteProgramAndConfig(bool keep_calibration, bool entire_config,
                                const std::optional<OsccalValues>& given = std::nullopt, bool user_ids = false,
                                bool protection_last = false);
  // The end of a whole-chip write: programs the first configuration word
  // again as the images hold it, which only clears the protection bits left
  // at 1, and reads it back. Done at once when the images turn no
  // protection on.
  Outcome ProgramProtection();
  // Whether the images' configuration word turns code or data protection on.
  ProtectionBits ProtectionInImages() const;
  // "Write Data".
  Outcome WriteData();
  // "Verify Program && Configuration", "Verify Data". The configuration
  // words are compared in the bits the family implements, never in what the
  // factory owns (device ID, calibration words, band-gap bits, OSCCAL).
  Outcome VerifyProgramAndConfig();
  Outcome VerifyData();
  // What a comparison with a file takes (the command-line tool's verify):
  // per configuration word the bits compared (0: not compared), and a
  // program word left out (a factory calibration word there).
  struct CompareScope {
    std::vector<std::uint16_t> config_bits;
    std::optional<std::uint32_t> skip_program_word;
  };
  // Walks and logs as "Verify Program && Configuration" does, comparing
  // only what `scope` names.
  Outcome VerifyProgramAndConfig(const CompareScope& scope);
  // Beyond the buttons: whether program memory, the user IDs, the
  // configuration word(s) and the EEPROM are erased (the device ID and the
  // calibration words left out); the first location that is not is named.
  Outcome BlankCheck();
  // "Chip Erase": keep_calibration is CheckBox1; `given` as for the write.
  Outcome ChipErase(bool keep_calibration, const std::optional<OsccalValues>& given = std::nullopt);
  // "Read OSCCAL(S)".
  Outcome ReadCalibration();
  // Beyond the buttons: programs the F629 family's OSCCAL word and band-gap
  // bits into a chip that has lost them (erased there), asking first, and
  // reads them back.
  Outcome RestoreCalibration(const OsccalValues& values);

  // Program memory one word per programming cycle instead of a row of the
  // chip's write latches: slower, for comparison or a chip that misbehaves.
  void SetOneWordCycles(bool one) { one_word_cycles_ = one; }
  // Whether values given to a write or erase replace the chip's own
  // readable ones where they differ (else the operation stops first).
  void ReplaceCalibration(bool replace) { guard_.SetReplace(replace); }
  // The operations run from a terminal: what the log tells to do next names
  // the command-line tool, never the window's menus.
  void ForTerminal() { guard_.SetTerminal(true); }
  // What the last erase or write kept of the factory calibration, and why
  // it stopped before its erase where it did.
  const KeptCalibration& LastKept() const { return guard_.kept(); }
  CalibrationGuard::StopCause LastStopCause() const { return guard_.stop_cause(); }
  // Whether the last operation began programming the cells it writes (a
  // failure after that may have left part of the images on the chip).
  bool WritingBegan() const { return writing_began_; }
  // What the last verify that found a difference found.
  const std::optional<Difference>& LastDifference() const { return last_difference_; }

  // Beyond the buttons: reads what a write is to keep (refused for an EEPROM
  // the chip protects, which reads as zeros).
  Outcome ReadToKeep(const KeepRequest& request, KeptContents* kept);
  // The F629 family's OSCCAL word and band-gap bits as the chip reads them
  // now; nothing when the link failed (logged) or the chip has none. Logs
  // nothing else.
  std::optional<OsccalValues> PeekOsccalValues();
  // The device ID word the chip on the lines answers (revision included);
  // 0 when none answers or the link failed. Logs nothing but failures. A
  // baseline part has none: the chosen part's word where the chip answers
  // as one.
  std::uint16_t ReadChipId();

 private:
  // The opening every operation shares: the progress window, "Trying to"
  // and what it does, the start time where the operation writes time lines
  // (`times`; the erase and the calibration commands write none).
  void Open(const char* trying, bool times);
  // Logs why the operation does not go on (no chip, a function the chip has
  // not, an unknown chip); false when `accepted`.
  bool Refuses(const FamilyLookup& found, bool accepted, bool unavailable);
  // The closing of a refused operation: the end time or the finished line.
  Outcome Refused();
  // The closing of an operation that went through: the progress window
  // closed, "Finished" with `result`, the end time where it writes one.
  Outcome Finish(std::string_view result = "");
  // The closing of a failed operation: " with fail.", the end time where
  // the operation writes one, the progress window freed.
  Outcome Fail(bool end_time, Outcome outcome = Outcome::kFailed);
  // The operator asked to stop: the chip back in its initial state,
  // "Operation cancelled".
  Outcome Cancelled();
  // How an operation ends after the calibration guard's look before the
  // erase; nothing when it goes on.
  std::optional<Outcome> AfterKeep(CalibrationGuard::Before before, bool end_time);
  // A failure of an erasing operation; once erased, also the lines that name
  // the values read before the erase and how to put them back.
  Outcome FailAfterErase(bool end_time, bool erased);
  // What an erased chip holds now that the operation ends early.
  void LogChipState();
  // A stop asked after the erase: the calibration back first where the
  // erase took it, then cancelled.
  Outcome CancelAfterErase(bool end_time);
  // Read Data and Write Data: the refusals, the session and the walk over
  // the EEPROM, `cell` reading or writing byte i; kDone with the progress
  // window still open and the finishing lines still to write.
  // `before` runs once the chip is in programming mode, ahead of the walk.
  Outcome DataWalk(const char* trying, const std::function<bool(std::uint32_t)>& cell,
                   const std::function<bool()>& before = {});
  // "Read OSCCAL(S)": the group's reads into the images, between the
  // caller's programming-mode entry and its closing SetInitState.
  Step ReadCalibrationValues(const CalibrationRead& read);
  // The write's walk after the erase: program memory, then the
  // configuration (entire, or the word(s) with the user IDs where asked).
  Outcome WriteAfterErase(const WriteGroup& group, bool entire_config, bool ids);
  // The whole-chip order after the erase: the configuration, protection
  // held off, then program memory with the OSCCAL word last.
  Outcome WriteConfigurationFirst(const WriteGroup& group, bool entire_config, bool ids);
  // Program memory from word 0 up, the OSCCAL word last: nothing when all
  // went in, else how the write ends (cancelled, or failed after the erase).
  std::optional<Outcome> WriteProgramWords(bool externally_timed);
  // The erase before a write on a family that erases by a sequence of its
  // own: the EEPROM, which that erase takes too, is read first and written
  // back (where protection lets it be read). False after a logged failure;
  // *erased once the erase ran.
  bool EraseBySequence(const FamilyRow& row, bool* erased);
  // The data memory alone, by the family's own sequence or Bulk Erase Data
  // Memory, the chip in programming mode.
  bool EraseDataMemory();
  // EEPROM bytes are programmed as the family programs its words: the
  // parts with no internally timed programming take 0x18 for them too.
  bool DataExternallyTimed() const;
  // Reads the band-gap bits back after the configuration word was written.
  bool BandGapBack();
  // The closing of a write that went through: the calibration record
  // closed, the views shown again.
  Outcome FinishWrite(bool restore);
  // The configuration words of a write; word 7 with `hold` left at 1.
  bool WriteConfiguration(const WriteGroup& group, bool entire_config, bool ids, std::uint16_t hold);
  // Compares `count` cells in order (`matches` reads cell i and says whether
  // it is as expected); the first that is not is reported at its address.
  // `matches` leaves the two values it compared in compare_file_ and
  // compare_chip_.
  Outcome VerifyLoop(std::uint32_t count, const std::function<bool(std::uint32_t)>& matches, Difference::Memory memory,
                     std::uint32_t address_base, std::uint32_t progress_span, int progress_scale);
  // The refusals, the progress window, the lines and times every verify
  // shares, around the comparisons of program and configuration memory.
  Outcome VerifyProgramAndConfigWith(const std::function<bool(std::uint32_t)>& program,
                                     const std::function<bool(std::uint32_t)>& config);
  void Progress(std::uint32_t index, std::uint32_t span, int scale);
  // The closing of a blank check at the first location that is not: where,
  // what, and what it holds, as the chip's words are written.
  Outcome NotBlank(std::uint32_t address, const std::string& what, const std::string& holds);
  // The baseline (12-bit) parts' own walks, their counter starting at the
  // configuration word.
  static constexpr std::uint32_t kBaselineConfigWord = 0xFFFFFFFF;
  // Reads the configuration word and word 0 in all their bits: a chip that
  // answers 14-bit words, all ones or all zeros is refused before anything
  // is written or erased; nothing when the chip may be the one chosen.
  std::optional<Outcome> BaselineCheckChip();
  // The configuration word at entry and word 0 in all 14 bits, in a session
  // of their own; false after a logged failure.
  bool BaselineFirstWords(std::uint16_t* config, std::uint16_t* first);
  // What stands in for a device ID: the chosen part's word where the chip
  // answers as a baseline part, else what it answered (0: nothing).
  std::uint16_t BaselineChipId();
  // A Bulk Erase with the counter at `address` (kBaselineConfigWord: at
  // entry), in a session of its own.
  bool BaselineEraseAt(std::uint32_t address);
  // Every erase the part has: program and configuration, the flash data, the
  // user IDs with the backup OSCCAL; *erased once the first ran.
  bool BaselineEraseAll(bool* erased);
  Outcome BaselineRead();
  Outcome BaselineVerify(const CompareScope& scope);
  Outcome BaselineBlankCheck();
  Outcome BaselineChipErase(bool keep_calibration, const std::optional<OsccalValues>& given);
  Outcome BaselineWrite(bool keep_calibration, bool entire_config, const std::optional<OsccalValues>& given,
                        bool user_ids, bool protection_last);
  Outcome BaselineReadCalibration();
  Outcome BaselineRestore(const OsccalValues& values);
  Outcome BaselineReadToKeep(const KeepRequest& request, KeptContents* kept);
  std::uint32_t LastWord() const { return chip_.ProgramSize / 2 - 1; }

  const ChipRecord& chip_;
  Images& images_;
  Workspace& workspace_;
  Log& log_;
  OperatorDialogs& dialogs_;
  Icsp& icsp_;
  CalibrationGuard guard_;
  bool times_ = false;  // the running operation writes time lines
  bool one_word_cycles_ = false;
  bool writing_began_ = false;
  std::uint32_t words_written_ = 0;  // program words of the running write, from 0
  bool config_written_ = false;
  std::optional<Difference> last_difference_;
  std::uint16_t compare_file_ = 0, compare_chip_ = 0;
};

// The scope of a comparison with a file for the selected chip: configuration
// words only where the file set them and only in the bits the family
// implements, never the device ID or a calibration word (nor the F629's
// band-gap bits and OSCCAL word).
DeviceOperations::CompareScope FileCompareScope(const ChipRecord& chip,
                                                const std::bitset<kConfigImageBytes / 2>& loaded);
// The same over every configuration word: what a verify against the views
// compares; the user IDs only with `user_ids` (they are written with the
// entire configuration only).
DeviceOperations::CompareScope ChipCompareScope(const ChipRecord& chip, bool user_ids = true);

}  // namespace fw
