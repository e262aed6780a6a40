#pragma once

#include <cstdint>
#include <span>

#include "chips/catalogue.h"
#include "icsp/icsp.h"

namespace fw {

// What the chips of a family keep as factory calibration.
enum class FactoryCalibration {
  kNone,              // nothing calibrated at the factory
  kOsccalAndBandGap,  // the OSCCAL word (last program word) and band-gap bits 13:12 of the
                      // configuration word: a bulk erase takes both, so they travel with the image
  kWords,             // calibration words in configuration memory, which the erases here never touch
  kOsccalAndBackup,   // a baseline part's OSCCAL word (last program word), erased with program
                      // memory, and its backup copy after the user IDs
};

// How a group reads the factory calibration (the chip in programming mode;
// the counter at program address 0).
struct CalibrationRead {
  enum class Kind {
    kNone,
    kOsccalAndBandGap,  // the last program word, and bits 13:12 of the configuration word
    kOsccal,            // the last program word only
    kWords,             // configuration words first_word ... first_word + count - 1
    kBaselineOsccal,    // a baseline part's OSCCAL word (a MOVLW, the last program word) and
                        // its backup copy after the user IDs
  };
  Kind kind = Kind::kNone;
  std::uint32_t first_word = 0;
  std::uint32_t count = 0;
};

// Writing program and configuration memory, by group (W1 ... W8).
struct WriteGroup {
  const char* name;
  CalibrationRead calibration;
  const char* read_message;  // after the calibration read; nullptr: none
  bool externally_timed;
  bool load_blank_before_erase;
  std::uint32_t entire_config_words;  // words 0 ... n-1; 0: the whole configuration area
  std::uint32_t config_word_writes;   // 1: word 7; 2: words 7 and 8
  const char* entire_config_message;  // after the entire configuration; nullptr: none
  bool restores_osccal;               // the OSCCAL word and BG bits travel with the image
};

// Chip erase, by group (E1 ... E9).
struct EraseGroup {
  const char* name;
  CalibrationRead calibration;
  const char* read_message;
  bool load_blank_before_erase;
  bool erases_data;
  const char* after_erase_message;  // nullptr: the group restores instead
};

// Reading the calibration values, by group (C1 ... C6).
struct CalibrationGroup {
  const char* name;
  CalibrationRead calibration;
};

// How the silicon takes writes and erases, where families differ beyond the
// groups: how many program words one programming cycle writes, and erases
// that are sequences of their own rather than the Bulk Erase commands.
struct Programming {
  std::uint32_t latch_words;  // program words loaded for one Begin Programming
  std::uint8_t end_programming;  // what ends an externally timed cycle
  // Everything, protected or not (program, configuration, EEPROM); empty:
  // Bulk Erase Program Memory (and Data Memory) as the groups say.
  std::span<const IcspStep> erase;
  // The EEPROM alone before Write Data; empty: Bulk Erase Data Memory.
  std::span<const IcspStep> erase_data;
  // The erase above takes the EEPROM too, so a write of program memory reads
  // the EEPROM first and puts it back.
  bool erase_takes_data;
  // What starts an externally timed cycle (0x18; 0x08 on the baseline parts).
  std::uint8_t begin_external = icsp::kBeginProgrammingExt;
};

// The baseline parts' memory, beyond their catalogue entry: the counter
// starts at the configuration word, and a Bulk Erase takes what the
// counter's place says (program memory and the configuration word from
// there or program memory; the user IDs and the backup OSCCAL from the IDs).
struct BaselineMap {
  bool osccal;      // the OSCCAL word (MOVLW) at the last program address, its backup at IDs + 4
  bool flash_data;  // flash data memory (DataBase ...) between program memory and the IDs
};

// Everything the device operations decide by a chip's family, one row per
// ChipFamily. Every family reads, writes and verifies program and
// configuration memory; the EEPROM operations only where it has one.
struct FamilyRow {
  ChipFamily family;
  FactoryCalibration factory_calibration;
  bool has_eeprom;
  const WriteGroup* write;
  const EraseGroup* erase;
  const CalibrationGroup* calibration;
  // With CP on, the configuration words read as zeros too: a protection
  // just programmed cannot be read back.
  bool cp_hides_configuration;
  const Programming* programming;
  const BaselineMap* baseline = nullptr;  // the 12-bit parts only
};

// The row for the selected chip: none for no chip (ID word 0) or an ID word
// of no catalogue entry (including a PIC16F753 code that is not 0x3030).
struct FamilyLookup {
  enum class Kind { kFamily, kNoChip, kUnknown };
  Kind kind = Kind::kUnknown;
  const FamilyRow* row = nullptr;
};
FamilyLookup LookupFamily(std::uint16_t chip_id_word);
// The same for the selected chip (an added one as well).
FamilyLookup LookupFamily(const ChipRecord& chip);

// Program words one Begin Programming writes on the selected chip: its
// family's latches, or the chip's own where it differs (1: none selected).
std::uint32_t LatchWordsFor(const ChipRecord& chip);

// Every row, one per ChipFamily in the enum's order.
std::span<const FamilyRow> FamilyRows();

// Whether the erase of the selected chip takes its OSCCAL word and band-gap
// bits (false for no chip or an unknown one).
bool LosesCalibrationInErase(std::uint16_t chip_id_word);
bool LosesCalibrationInErase(const ChipRecord& chip);

}  // namespace fw
