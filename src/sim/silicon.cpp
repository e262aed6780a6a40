#include "sim/silicon.h"

#include <array>
#include <string>

namespace fw::sim {

namespace {

constexpr std::uint32_t ms(double v) { return static_cast<std::uint32_t>(v * 1000.0 + 0.5); }

struct Row {
  ChipFamily family;
  Silicon silicon;
};

// Mid-range calibration values as a real part reads them; the second word of
// the PIC12F635/16F636/639 has bits 13-6 at zero (DS41204H Register 4-6).
const std::vector<std::uint16_t> kMidRangeCalibration = {0x2D4A, 0x1E86};

// What the baseline families differ in; the rest is common to them.
struct BaselineTraits {
  int cpd_bit;
  std::uint32_t latch_words;
  bool osccal_backup;
  std::uint32_t flash_data_bytes;
  bool id_erase_takes_all;
};

Silicon Baseline(const BaselineTraits& t) {
  return {.erase_us = ms(10), .program_int_us = 0, .config_int_us = 0, .data_int_us = 0, .ext_min_us = ms(2),
          .ext_max_us = 0, .cp_bit = 3, .cpd_bit = t.cpd_bit, .config_words = {7}, .calibration_words = {},
          .calibration_values = {}, .calibration_erasable = false, .unimplemented_config_bits = 0,
          .config_space_aliases = false, .cp_hides_config = false, .ext_config_refused = false,
          .erase_wants_load = false, .erase_clears_protected_data = false, .latch_words = t.latch_words,
          .program_erases_first = false, .end_programming = 0x0E, .chip_erase_us = 0,
          .chip_erase_takes_data_anywhere = false, .chip_erase_takes_config_anywhere = false,
          .protection_clear = false, .bulk_erase_needs_begin = false, .bulk_erase_refused_protected = false,
          .word_bits = 12, .osccal_backup = t.osccal_backup, .flash_data_bytes = t.flash_data_bytes,
          .id_erase_takes_all = t.id_erase_takes_all};
}

// Times: DS41204H Table 6-1 (F683, F635), DS41396A Table 7-1 (F615, F617),
// DS41390C Table 8-1 (F1822); pickle pic14.c for the others. Protection
// bits: the families' configuration word layouts. Erase and calibration
// scope: DS41204H 3.1.4, 3.1.5.10, Registers 4-4 to 4-6; DS41396A 4.1.3;
// DS41390C 3.4, 4.3.11; DS41196E as quoted by WinPic for the F627A.
const std::array<Row, kChipFamilyCount> kRows = {{
    {.family = ChipFamily::F629,
     .silicon = {.erase_us = ms(6), .program_int_us = ms(3), .config_int_us = ms(3),
                 .data_int_us = ms(6), .ext_min_us = ms(2), .ext_max_us = 0,
                 .cp_bit = 7, .cpd_bit = 8, .config_words = {7},
                 .calibration_words = {}, .calibration_values = {},
                 .calibration_erasable = false, .unimplemented_config_bits = 0x0E00,
                 .config_space_aliases = true, .cp_hides_config = false,
                 .ext_config_refused = false, .erase_wants_load = false,
                 .erase_clears_protected_data = false,
                 .latch_words = 1, .program_erases_first = false, .end_programming = 0x0A,
                 .chip_erase_us = 0, .chip_erase_takes_data_anywhere = false,
                 .chip_erase_takes_config_anywhere = false, .protection_clear = false,
                 .bulk_erase_needs_begin = false,
                 .bulk_erase_refused_protected = false}},
    {.family = ChipFamily::F683,
     .silicon = {.erase_us = ms(6), .program_int_us = ms(3), .config_int_us = ms(3),
                 .data_int_us = ms(6), .ext_min_us = ms(3), .ext_max_us = 0,
                 .cp_bit = 6, .cpd_bit = 7, .config_words = {7},
                 .calibration_words = {8}, .calibration_values = {0x2D4A},
                 .calibration_erasable = true, .unimplemented_config_bits = 0,
                 .config_space_aliases = false, .cp_hides_config = false,
                 .ext_config_refused = false, .erase_wants_load = false,
                 .erase_clears_protected_data = true,
                 .latch_words = 4, .program_erases_first = false, .end_programming = 0x0A,
                 .chip_erase_us = 0, .chip_erase_takes_data_anywhere = false,
                 .chip_erase_takes_config_anywhere = false, .protection_clear = false,
                 .bulk_erase_needs_begin = false,
                 .bulk_erase_refused_protected = false}},
    {.family = ChipFamily::F785,
     .silicon = {.erase_us = ms(6), .program_int_us = ms(2.5), .config_int_us = ms(2.5),
                 .data_int_us = ms(6), .ext_min_us = ms(2.5), .ext_max_us = 0,
                 .cp_bit = 6, .cpd_bit = 7, .config_words = {7},
                 .calibration_words = {8, 9}, .calibration_values = kMidRangeCalibration,
                 .calibration_erasable = true, .unimplemented_config_bits = 0,
                 .config_space_aliases = false, .cp_hides_config = false,
                 .ext_config_refused = false, .erase_wants_load = false,
                 .erase_clears_protected_data = true,
                 .latch_words = 4, .program_erases_first = false, .end_programming = 0x0A,
                 .chip_erase_us = 0, .chip_erase_takes_data_anywhere = false,
                 .chip_erase_takes_config_anywhere = false, .protection_clear = false,
                 .bulk_erase_needs_begin = false,
                 .bulk_erase_refused_protected = false}},
    {.family = ChipFamily::F635,
     .silicon = {.erase_us = ms(6), .program_int_us = ms(3), .config_int_us = ms(3),
                 .data_int_us = ms(6), .ext_min_us = ms(3), .ext_max_us = 0,
                 .cp_bit = 6, .cpd_bit = 7, .config_words = {7},
                 .calibration_words = {8, 9}, .calibration_values = {0x2D4A, 0x0015},
                 .calibration_erasable = true, .unimplemented_config_bits = 0,
                 .config_space_aliases = false, .cp_hides_config = false,
                 .ext_config_refused = false, .erase_wants_load = false,
                 .erase_clears_protected_data = true,
                 .latch_words = 4, .program_erases_first = false, .end_programming = 0x0A,
                 .chip_erase_us = 0, .chip_erase_takes_data_anywhere = false,
                 .chip_erase_takes_config_anywhere = false, .protection_clear = false,
                 .bulk_erase_needs_begin = false,
                 .bulk_erase_refused_protected = false}},
    {.family = ChipFamily::F627A,
     .silicon = {.erase_us = ms(6), .program_int_us = ms(4), .config_int_us = ms(4),
                 .data_int_us = ms(6), .ext_min_us = 0, .ext_max_us = 0,
                 .cp_bit = 13, .cpd_bit = 8, .config_words = {7},
                 .calibration_words = {}, .calibration_values = {},
                 .calibration_erasable = false, .unimplemented_config_bits = 0,
                 .config_space_aliases = false, .cp_hides_config = false,
                 .ext_config_refused = false, .erase_wants_load = true,
                 .erase_clears_protected_data = false,
                 .latch_words = 1, .program_erases_first = false, .end_programming = 0x0A,
                 .chip_erase_us = 0, .chip_erase_takes_data_anywhere = false,
                 .chip_erase_takes_config_anywhere = false, .protection_clear = false,
                 .bulk_erase_needs_begin = false,
                 .bulk_erase_refused_protected = false}},
    {.family = ChipFamily::F615,
     .silicon = {.erase_us = ms(6), .program_int_us = 0, .config_int_us = 0,
                 .data_int_us = 0, .ext_min_us = ms(3), .ext_max_us = 0,
                 .cp_bit = 6, .cpd_bit = -1, .config_words = {7},
                 .calibration_words = {8}, .calibration_values = {0x2D4A},
                 .calibration_erasable = true, .unimplemented_config_bits = 0,
                 .config_space_aliases = false, .cp_hides_config = false,
                 .ext_config_refused = false, .erase_wants_load = false,
                 .erase_clears_protected_data = false,
                 .latch_words = 1, .program_erases_first = false, .end_programming = 0x0A,
                 .chip_erase_us = 0, .chip_erase_takes_data_anywhere = false,
                 .chip_erase_takes_config_anywhere = false, .protection_clear = false,
                 .bulk_erase_needs_begin = false,
                 .bulk_erase_refused_protected = false}},
    {.family = ChipFamily::F617,
     .silicon = {.erase_us = ms(6), .program_int_us = 0, .config_int_us = 0,
                 .data_int_us = 0, .ext_min_us = ms(3), .ext_max_us = 0,
                 .cp_bit = 6, .cpd_bit = -1, .config_words = {7},
                 .calibration_words = {8}, .calibration_values = {0x2D4A},
                 .calibration_erasable = true, .unimplemented_config_bits = 0,
                 .config_space_aliases = false, .cp_hides_config = false,
                 .ext_config_refused = false, .erase_wants_load = false,
                 .erase_clears_protected_data = false,
                 .latch_words = 4, .program_erases_first = false, .end_programming = 0x0A,
                 .chip_erase_us = 0, .chip_erase_takes_data_anywhere = false,
                 .chip_erase_takes_config_anywhere = false, .protection_clear = false,
                 .bulk_erase_needs_begin = false,
                 .bulk_erase_refused_protected = false}},
    {.family = ChipFamily::F752,
     .silicon = {.erase_us = ms(6), .program_int_us = 0, .config_int_us = 0,
                 .data_int_us = 0, .ext_min_us = ms(3), .ext_max_us = 0,
                 .cp_bit = 6, .cpd_bit = -1, .config_words = {7},
                 .calibration_words = {8, 9}, .calibration_values = kMidRangeCalibration,
                 .calibration_erasable = true, .unimplemented_config_bits = 0,
                 .config_space_aliases = false, .cp_hides_config = false,
                 .ext_config_refused = false, .erase_wants_load = false,
                 .erase_clears_protected_data = false,
                 .latch_words = 4, .program_erases_first = false, .end_programming = 0x0A,
                 .chip_erase_us = 0, .chip_erase_takes_data_anywhere = false,
                 .chip_erase_takes_config_anywhere = false, .protection_clear = false,
                 .bulk_erase_needs_begin = false,
                 .bulk_erase_refused_protected = false}},
    {.family = ChipFamily::F753,
     .silicon = {.erase_us = ms(6), .program_int_us = 0, .config_int_us = 0,
                 .data_int_us = 0, .ext_min_us = ms(3), .ext_max_us = 0,
                 .cp_bit = 6, .cpd_bit = -1, .config_words = {7},
                 .calibration_words = {8, 9}, .calibration_values = kMidRangeCalibration,
                 .calibration_erasable = true, .unimplemented_config_bits = 0,
                 .config_space_aliases = false, .cp_hides_config = false,
                 .ext_config_refused = false, .erase_wants_load = false,
                 .erase_clears_protected_data = false,
                 .latch_words = 4, .program_erases_first = false, .end_programming = 0x0A,
                 .chip_erase_us = 0, .chip_erase_takes_data_anywhere = false,
                 .chip_erase_takes_config_anywhere = false, .protection_clear = false,
                 .bulk_erase_needs_begin = false,
                 .bulk_erase_refused_protected = false}},
    {.family = ChipFamily::F88X,
     .silicon = {.erase_us = ms(6), .program_int_us = ms(3), .config_int_us = ms(3),
                 .data_int_us = ms(6), .ext_min_us = ms(2.5), .ext_max_us = 0,
                 .cp_bit = 6, .cpd_bit = 7, .config_words = {7, 8},
                 .calibration_words = {9}, .calibration_values = {0x2D4A},
                 .calibration_erasable = true, .unimplemented_config_bits = 0,
                 .config_space_aliases = false, .cp_hides_config = false,
                 .ext_config_refused = false, .erase_wants_load = false,
                 .erase_clears_protected_data = false,
                 .latch_words = 4, .program_erases_first = false, .end_programming = 0x0A,
                 .chip_erase_us = 0, .chip_erase_takes_data_anywhere = false,
                 .chip_erase_takes_config_anywhere = false, .protection_clear = false,
                 .bulk_erase_needs_begin = false,
                 .bulk_erase_refused_protected = false}},
    {.family = ChipFamily::F72X,
     .silicon = {.erase_us = ms(5), .program_int_us = ms(2.5), .config_int_us = ms(5),
                 .data_int_us = 0, .ext_min_us = ms(1.0), .ext_max_us = ms(2.1),
                 .cp_bit = 6, .cpd_bit = -1, .config_words = {7, 8},
                 .calibration_words = {9, 10}, .calibration_values = {0x32BD, 0x3AB2},
                 .calibration_erasable = false, .unimplemented_config_bits = 0,
                 .config_space_aliases = false, .cp_hides_config = false,
                 .ext_config_refused = false, .erase_wants_load = false,
                 .erase_clears_protected_data = false,
                 .latch_words = 8, .program_erases_first = false, .end_programming = 0x0A,
                 .chip_erase_us = 0, .chip_erase_takes_data_anywhere = false,
                 .chip_erase_takes_config_anywhere = false, .protection_clear = false,
                 .bulk_erase_needs_begin = false,
                 .bulk_erase_refused_protected = false}},
    {.family = ChipFamily::F720,
     .silicon = {.erase_us = ms(5), .program_int_us = ms(2.5), .config_int_us = ms(5),
                 .data_int_us = 0, .ext_min_us = ms(1.0), .ext_max_us = ms(2.1),
                 .cp_bit = 6, .cpd_bit = -1, .config_words = {7, 8},
                 .calibration_words = {9, 10}, .calibration_values = {0x32BD, 0x3AB2},
                 .calibration_erasable = false, .unimplemented_config_bits = 0,
                 .config_space_aliases = false, .cp_hides_config = false,
                 .ext_config_refused = false, .erase_wants_load = false,
                 .erase_clears_protected_data = false,
                 .latch_words = 32, .program_erases_first = false, .end_programming = 0x0A,
                 .chip_erase_us = 0, .chip_erase_takes_data_anywhere = false,
                 .chip_erase_takes_config_anywhere = false, .protection_clear = false,
                 .bulk_erase_needs_begin = false,
                 .bulk_erase_refused_protected = false}},
    {.family = ChipFamily::F1822,
     .silicon = {.erase_us = ms(5), .program_int_us = ms(2.5), .config_int_us = ms(5),
                 .data_int_us = ms(5), .ext_min_us = ms(1.0), .ext_max_us = ms(2.1),
                 .cp_bit = 7, .cpd_bit = 8, .config_words = {7, 8},
                 .calibration_words = {9, 10}, .calibration_values = {0x3E5A, 0x2C31},
                 .calibration_erasable = false, .unimplemented_config_bits = 0,
                 .config_space_aliases = false, .cp_hides_config = true,
                 .ext_config_refused = true, .erase_wants_load = false,
                 .erase_clears_protected_data = false,
                 .latch_words = 32, .program_erases_first = false, .end_programming = 0x0A,
                 .chip_erase_us = 0, .chip_erase_takes_data_anywhere = false,
                 .chip_erase_takes_config_anywhere = false, .protection_clear = false,
                 .bulk_erase_needs_begin = false,
                 .bulk_erase_refused_protected = false}},
    {.family = ChipFamily::F1501,
     .silicon = {.erase_us = ms(5), .program_int_us = ms(2.5), .config_int_us = ms(5),
                 .data_int_us = 0, .ext_min_us = ms(1.0), .ext_max_us = ms(2.1),
                 .cp_bit = 7, .cpd_bit = -1, .config_words = {7, 8},
                 .calibration_words = {9, 10}, .calibration_values = {0x3E5A, 0x2C31},
                 .calibration_erasable = false, .unimplemented_config_bits = 0,
                 .config_space_aliases = false, .cp_hides_config = false,
                 .ext_config_refused = false, .erase_wants_load = false,
                 .erase_clears_protected_data = false,
                 .latch_words = 16, .program_erases_first = false, .end_programming = 0x0A,
                 .chip_erase_us = 0, .chip_erase_takes_data_anywhere = false,
                 .chip_erase_takes_config_anywhere = false, .protection_clear = false,
                 .bulk_erase_needs_begin = false,
                 .bulk_erase_refused_protected = false}},
    {.family = ChipFamily::F1508,
     .silicon = {.erase_us = ms(5), .program_int_us = ms(2.5), .config_int_us = ms(5),
                 .data_int_us = 0, .ext_min_us = ms(1.0), .ext_max_us = ms(2.1),
                 .cp_bit = 7, .cpd_bit = -1, .config_words = {7, 8},
                 .calibration_words = {9, 10}, .calibration_values = {0x3E5A, 0x2C31},
                 .calibration_erasable = false, .unimplemented_config_bits = 0,
                 .config_space_aliases = false, .cp_hides_config = false,
                 .ext_config_refused = false, .erase_wants_load = false,
                 .erase_clears_protected_data = false,
                 .latch_words = 32, .program_erases_first = false, .end_programming = 0x0A,
                 .chip_erase_us = 0, .chip_erase_takes_data_anywhere = false,
                 .chip_erase_takes_config_anywhere = false, .protection_clear = false,
                 .bulk_erase_needs_begin = false,
                 .bulk_erase_refused_protected = false}},
    // DS41360A Table 8-1 (TERAB 5 ms, TPINT 2.5 ms program / 5 ms config,
    // TPEXT 1.0-2.1 ms), section 4.3.9 (no externally timed configuration
    // write), section 3.4 (calibration never erased), section 6 (CP hides
    // program memory only), Table 7-1 (CP bit 7, CPD bit 8).
    {.family = ChipFamily::F1933,
     .silicon = {.erase_us = ms(5), .program_int_us = ms(2.5), .config_int_us = ms(5),
                 .data_int_us = ms(5), .ext_min_us = ms(1.0), .ext_max_us = ms(2.1),
                 .cp_bit = 7, .cpd_bit = 8, .config_words = {7, 8},
                 .calibration_words = {9, 10}, .calibration_values = {0x3E5A, 0x2C31},
                 .calibration_erasable = false, .unimplemented_config_bits = 0,
                 .config_space_aliases = false, .cp_hides_config = false,
                 .ext_config_refused = true, .erase_wants_load = false,
                 .erase_clears_protected_data = false,
                 .latch_words = 1, .program_erases_first = false, .end_programming = 0x0A,
                 .chip_erase_us = 0, .chip_erase_takes_data_anywhere = false,
                 .chip_erase_takes_config_anywhere = false, .protection_clear = false,
                 .bulk_erase_needs_begin = false,
                 .bulk_erase_refused_protected = false}},
    // PIC16(L)F145x: pickle's times for DS41620 (TERAB 5 ms, TPINT 2.5 ms
    // program / 5 ms config, TPEXT 2.1 ms), the PIC16F193x's commands; no
    // EEPROM; protection as on the PIC12F1501 (no DS41620 text here).
    {.family = ChipFamily::F1454,
     .silicon = {.erase_us = ms(5), .program_int_us = ms(2.5), .config_int_us = ms(5),
                 .data_int_us = 0, .ext_min_us = ms(1.0), .ext_max_us = ms(2.1),
                 .cp_bit = 7, .cpd_bit = -1, .config_words = {7, 8},
                 .calibration_words = {9, 10}, .calibration_values = {0x3E5A, 0x2C31},
                 .calibration_erasable = false, .unimplemented_config_bits = 0,
                 .config_space_aliases = false, .cp_hides_config = false,
                 .ext_config_refused = true, .erase_wants_load = false,
                 .erase_clears_protected_data = false,
                 .latch_words = 1, .program_erases_first = false, .end_programming = 0x0A,
                 .chip_erase_us = 0, .chip_erase_takes_data_anywhere = false,
                 .chip_erase_takes_config_anywhere = false, .protection_clear = false,
                 .bulk_erase_needs_begin = false,
                 .bulk_erase_refused_protected = false}},
    // DS41244E Table 6-1 (TERA 6 ms max, TPROG1 3 ms program / 6 ms data,
    // TPROG2 3 ms), Register 4-1 (CP bit 6, CPD bit 7), section 3.1.5 (a bulk
    // erase with CPD on takes the data memory too; the calibration words go
    // only with the counter on them).
    {.family = ChipFamily::F91X,
     .silicon = {.erase_us = ms(6), .program_int_us = ms(3), .config_int_us = ms(3),
                 .data_int_us = ms(6), .ext_min_us = ms(3), .ext_max_us = 0,
                 .cp_bit = 6, .cpd_bit = 7, .config_words = {7},
                 .calibration_words = {8, 9}, .calibration_values = kMidRangeCalibration,
                 .calibration_erasable = true, .unimplemented_config_bits = 0,
                 .config_space_aliases = false, .cp_hides_config = false,
                 .ext_config_refused = false, .erase_wants_load = false,
                 .erase_clears_protected_data = true,
                 .latch_words = 1, .program_erases_first = false, .end_programming = 0x0A,
                 .chip_erase_us = 0, .chip_erase_takes_data_anywhere = false,
                 .chip_erase_takes_config_anywhere = false, .protection_clear = false,
                 .bulk_erase_needs_begin = false,
                 .bulk_erase_refused_protected = false}},
    // DS30262E: Begin Programming erases and programs a word, 8 ms at most
    // (Table 5-1); a bulk erase is set up by 0x09/0x0B and run by 0x08, 10
    // ms, refused under CP (sections 2.3.1.7-8); the clear sequence of
    // section 4.1 takes everything. CP bits 13:4 protect the EEPROM too.
    {.family = ChipFamily::F84A,
     .silicon = {.erase_us = ms(10), .program_int_us = ms(8), .config_int_us = ms(8),
                 .data_int_us = ms(8), .ext_min_us = 0, .ext_max_us = 0,
                 .cp_bit = 4, .cpd_bit = 4, .config_words = {7},
                 .calibration_words = {}, .calibration_values = {},
                 .calibration_erasable = false, .unimplemented_config_bits = 0,
                 .config_space_aliases = false, .cp_hides_config = false,
                 .ext_config_refused = false, .erase_wants_load = false,
                 .erase_clears_protected_data = false,
                 .latch_words = 1, .program_erases_first = true, .end_programming = 0,
                 .chip_erase_us = 0, .chip_erase_takes_data_anywhere = false,
                 .chip_erase_takes_config_anywhere = false, .protection_clear = true, .bulk_erase_needs_begin = true,
                 .bulk_erase_refused_protected = true}},
    // DS39589B: eight latches written as one block by 0x08, which erases the
    // block first, 8 ms at most; 0x18 at least 1 ms, ended by 0x17; Chip
    // Erase 0x1F 8 ms at most (Table 6-1, sections 2.4-2.5); the bulk erases
    // refused under CP or CPD; CP bit 13, CPD bit 8 (Register 3-1).
    {.family = ChipFamily::F87XA,
     .silicon = {.erase_us = ms(8), .program_int_us = ms(8), .config_int_us = ms(8),
                 .data_int_us = ms(8), .ext_min_us = ms(1), .ext_max_us = 0,
                 .cp_bit = 13, .cpd_bit = 8, .config_words = {7},
                 .calibration_words = {}, .calibration_values = {},
                 .calibration_erasable = false, .unimplemented_config_bits = 0,
                 .config_space_aliases = false, .cp_hides_config = false,
                 .ext_config_refused = false, .erase_wants_load = false,
                 .erase_clears_protected_data = false,
                 .latch_words = 8, .program_erases_first = true, .end_programming = 0x17,
                 .chip_erase_us = ms(8), .chip_erase_takes_data_anywhere = true,
                 .chip_erase_takes_config_anywhere = false, .protection_clear = false, .bulk_erase_needs_begin = false,
                 .bulk_erase_refused_protected = true}},
    // DS39607B (PIC16F87/88) and DS39603C (PIC16F818/819): no internally
    // timed programming (0x08 erases a row of 32 words there, not modelled);
    // four latches programmed by 0x18, at least 1 ms, ended by 0x17 (Tables
    // 7-1, 5-1, section 3.4); Chip Erase at least 8 ms takes program memory
    // and the configuration from anywhere, the EEPROM and user IDs only from
    // configuration space (section 3.5); the data-memory bulk erase runs
    // with the 0x08 after it, 2 ms, refused under protection.
    {.family = ChipFamily::F88,
     .silicon = {.erase_us = ms(2), .program_int_us = 0, .config_int_us = 0,
                 .data_int_us = 0, .ext_min_us = ms(1), .ext_max_us = 0,
                 .cp_bit = 13, .cpd_bit = 8, .config_words = {7, 8},
                 .calibration_words = {}, .calibration_values = {},
                 .calibration_erasable = false, .unimplemented_config_bits = 0,
                 .config_space_aliases = false, .cp_hides_config = false,
                 .ext_config_refused = false, .erase_wants_load = false,
                 .erase_clears_protected_data = false,
                 .latch_words = 4, .program_erases_first = false, .end_programming = 0x17,
                 .chip_erase_us = ms(8), .chip_erase_takes_data_anywhere = false,
                 .chip_erase_takes_config_anywhere = true, .protection_clear = false,
                 .bulk_erase_needs_begin = true, .bulk_erase_refused_protected = true}},
    {.family = ChipFamily::F818,
     .silicon = {.erase_us = ms(2), .program_int_us = 0, .config_int_us = 0,
                 .data_int_us = 0, .ext_min_us = ms(1), .ext_max_us = 0,
                 .cp_bit = 13, .cpd_bit = 8, .config_words = {7},
                 .calibration_words = {}, .calibration_values = {},
                 .calibration_erasable = false, .unimplemented_config_bits = 0,
                 .config_space_aliases = false, .cp_hides_config = false,
                 .ext_config_refused = false, .erase_wants_load = false,
                 .erase_clears_protected_data = false,
                 .latch_words = 4, .program_erases_first = false, .end_programming = 0x17,
                 .chip_erase_us = ms(8), .chip_erase_takes_data_anywhere = false,
                 .chip_erase_takes_config_anywhere = true, .protection_clear = false,
                 .bulk_erase_needs_begin = true, .bulk_erase_refused_protected = true}},
    // PIC16(L)F1946/1947: the PIC16F193x's silicon (pickle and OpenProg for
    // DS41397 give the same commands and times).
    {.family = ChipFamily::F1946,
     .silicon = {.erase_us = ms(5), .program_int_us = ms(2.5), .config_int_us = ms(5),
                 .data_int_us = ms(5), .ext_min_us = ms(1.0), .ext_max_us = ms(2.1),
                 .cp_bit = 7, .cpd_bit = 8, .config_words = {7, 8},
                 .calibration_words = {9, 10}, .calibration_values = {0x3E5A, 0x2C31},
                 .calibration_erasable = false, .unimplemented_config_bits = 0,
                 .config_space_aliases = false, .cp_hides_config = false,
                 .ext_config_refused = true, .erase_wants_load = false,
                 .erase_clears_protected_data = false,
                 .latch_words = 1, .program_erases_first = false, .end_programming = 0x0A,
                 .chip_erase_us = 0, .chip_erase_takes_data_anywhere = false,
                 .chip_erase_takes_config_anywhere = false, .protection_clear = false,
                 .bulk_erase_needs_begin = false,
                 .bulk_erase_refused_protected = false}},
    // The baseline parts (DS41228E Tables 3-2 and 6-1, DS41227E, DS41257B,
    // DS41226F, DS41258B: TERA 10 ms and TPROG 2 ms at most, CP bit 3 (bit 4
    // on the PIC16F505/506/526, picked out below); DS41316B/DS41317B for
    // the PIC12F519/16F526 (64 bytes of flash data, CPDF, an erase from the
    // IDs that takes only the IDs and the backup); DS41207D, DS41208C and
    // DS41243B for the PIC16F54/57/59 (no OSCCAL; four-word latches on the
    // 57/59).
    {.family = ChipFamily::B10F,
     .silicon = Baseline({.cpd_bit = -1, .latch_words = 1, .osccal_backup = true, .flash_data_bytes = 0,
                          .id_erase_takes_all = true})},
    {.family = ChipFamily::B519,
     .silicon = Baseline({.cpd_bit = 6, .latch_words = 1, .osccal_backup = true, .flash_data_bytes = 64,
                          .id_erase_takes_all = false})},
    {.family = ChipFamily::B54,
     .silicon = Baseline({.cpd_bit = -1, .latch_words = 1, .osccal_backup = false, .flash_data_bytes = 0,
                          .id_erase_takes_all = true})},
    {.family = ChipFamily::B57,
     .silicon = Baseline({.cpd_bit = -1, .latch_words = 4, .osccal_backup = false, .flash_data_bytes = 0,
                          .id_erase_takes_all = true})},
}};

// The write latches, where a chip has other than its family's row: the
// facts of each family's programming document (DS41204G 3.1.1, DS41237C
// 3.1.1, DS41284C 4.1.2, DS41287C 3.2.1-3.2.2, DS41332B 5.0, DS41390A 5.0),
// the PICkit 2 device file and pickle where the documents are silent.
struct Latches {
  const char* chip;
  std::uint32_t words;
};
constexpr Latches kLatches[] = {
    {.chip = "PIC16F616", .words = 4},    {.chip = "PIC16F886", .words = 8},    {.chip = "PIC16F887", .words = 8},
    {.chip = "PIC12F1822", .words = 16},  {.chip = "PIC12LF1822", .words = 16}, {.chip = "PIC16F1823", .words = 16},
    {.chip = "PIC16LF1823", .words = 16}, {.chip = "PIC16F1826", .words = 8},   {.chip = "PIC16LF1826", .words = 8},
    {.chip = "PIC16F1827", .words = 8},   {.chip = "PIC16LF1827", .words = 8},
};

// PIC16F707 and PIC16LF707 (device codes 214, 215): configuration words are
// programmed with 0x08 only, as on the enhanced parts (pickle pic14.c).
bool IsF707(const ChipEntry& entry) {
  return entry.DeviceFamily == 214 || entry.DeviceFamily == 215;
}

}  // namespace

Silicon SiliconOf(const ChipEntry& entry) {
  for (const Row& row : kRows) {
    if (row.family != entry.Family) continue;
    Silicon silicon = row.silicon;
    if (IsF707(entry)) silicon.ext_config_refused = true;
    // The 14-pin baseline parts keep CP at bit 4 (and the PIC16F526 CPDF at
    // bit 7): DS41226F, DS41258B, DS41317B Register 4-1.
    const std::string name = entry.ChipName;
    if (name == "PIC16F505" || name == "PIC16F506" || name == "PIC16F526") silicon.cp_bit = 4;
    if (name == "PIC16F526") silicon.cpd_bit = 7;
    for (const Latches& l : kLatches) {
      if (name == l.chip) silicon.latch_words = l.words;
    }
    return silicon;
  }
  return kRows[0].silicon;  // every family has its row; never reached
}

}  // namespace fw::sim
