#include "operations/chip_families.h"

#include <array>

namespace fw {

namespace {

using Kind = CalibrationRead::Kind;
constexpr CalibrationRead kNoRead{};
constexpr CalibrationRead kOsccalAndBandGap{.kind = Kind::kOsccalAndBandGap};
constexpr CalibrationRead Words(std::uint32_t first, std::uint32_t count) {
  return {.kind = Kind::kWords, .first_word = first, .count = count};
}

constexpr const char* kValuesNoNeed = "    there is no need to restore the calibration values for this chip";
constexpr const char* kValueNoNeed = "    there is no need to restore the calibration value for this chip";

// Where the calibration sits and how each family is erased and programmed,
// from the families' programming documents: DS41191 (PIC12F629/675,
// PIC16F630/676; DS41173C for the PIC12F629/675), DS41204H (PIC12F683,
// PIC16F684-690, PIC12F635, PIC16F636/639), DS41196 (PIC16F627A/628A/648A),
// DS41396A (PIC12F609/615/617, PIC16F610/616), DS41287 (PIC16F88x), DS41332
// and DS41409 (PIC16F72x/707, PIC16F720/721), DS41390C (PIC12F1822,
// PIC16F182x, PIC12F1840, PIC16F1847), DS41573 (PIC12F1501, PIC16F150x),
// DS41561/DS41686 (PIC12F752, PIC16F753).

// W: writing program and configuration memory.
constexpr WriteGroup kW1{.name = "W1",  // F88X: two configuration words, one calibration word at 0x2009
                         .calibration = Words(9, 1),
                         .read_message = "    calibration words (CONF + 0x0009) has been read and stored",
                         .externally_timed = false,
                         .load_blank_before_erase = false,
                         .entire_config_words = 9,
                         .config_word_writes = 2,
                         .entire_config_message = kValuesNoNeed,
                         .restores_osccal = false};
constexpr WriteGroup kW2{.name = "W2",  // F627A: no calibration; Load Data 0x3FFF before the bulk erase
                         .calibration = kNoRead,
                         .read_message = nullptr,
                         .externally_timed = false,
                         .load_blank_before_erase = true,
                         .entire_config_words = 8,
                         .config_word_writes = 1,
                         .entire_config_message = kValueNoNeed,
                         .restores_osccal = false};
constexpr WriteGroup kW3{.name = "W3",  // F1822, F72X, F720, F1501, F1508: calibration at CONF + 9 and 10
                         .calibration = Words(9, 2),
                         .read_message =
                             "    calibration words (CONF + 0x0009, CONF + 0x000A) has been read and stored",
                         .externally_timed = false,
                         .load_blank_before_erase = false,
                         .entire_config_words = 9,
                         .config_word_writes = 2,
                         .entire_config_message = kValuesNoNeed,
                         .restores_osccal = false};
constexpr WriteGroup kW4{.name = "W4",  // F615, F617: externally timed programming only
                         .calibration = Words(8, 1),
                         .read_message = "    calibration word (0x2008) has been read and stored",
                         .externally_timed = true,
                         .load_blank_before_erase = false,
                         .entire_config_words = 8,
                         .config_word_writes = 1,
                         .entire_config_message = kValueNoNeed,
                         .restores_osccal = false};
constexpr WriteGroup kW5{.name = "W5",  // F683: one calibration word at 0x2008
                         .calibration = Words(8, 1),
                         .read_message = "    calibration word (0x2008) has been read and stored",
                         .externally_timed = false,
                         .load_blank_before_erase = false,
                         .entire_config_words = 8,
                         .config_word_writes = 1,
                         .entire_config_message = kValueNoNeed,
                         .restores_osccal = false};
constexpr WriteGroup kW6{.name = "W6",  // F752, F753: externally timed, calibration at 0x2008 and 0x2009
                         .calibration = Words(8, 2),
                         .read_message = "    calibration words (0x2008, 0x2009) has been read and stored",
                         .externally_timed = true,
                         .load_blank_before_erase = false,
                         .entire_config_words = 8,
                         .config_word_writes = 1,
                         .entire_config_message = kValuesNoNeed,
                         .restores_osccal = false};
constexpr WriteGroup kW7{.name = "W7",  // F635, F785: calibration at 0x2008 and 0x2009
                         .calibration = Words(8, 2),
                         .read_message = "    calibration words (0x2008, 0x2009) has been read and stored",
                         .externally_timed = false,
                         .load_blank_before_erase = false,
                         .entire_config_words = 8,
                         .config_word_writes = 1,
                         .entire_config_message = kValuesNoNeed,
                         .restores_osccal = false};
constexpr WriteGroup kW8{.name = "W8",  // F629: OSCCAL at the last program word, BG bits in the config word
                         .calibration = kOsccalAndBandGap,
                         .read_message = "    OSCCAL word & BG-bits has been read and stored",
                         .externally_timed = false,
                         .load_blank_before_erase = false,
                         .entire_config_words = 0,
                         .config_word_writes = 1,
                         .entire_config_message = nullptr,
                         .restores_osccal = true};

// The classic mid-range parts: no calibration; their erase is a sequence of
// their own (the family's programming row), which needs no load before it.
constexpr WriteGroup kWClassic{.name = "classic",
                               .calibration = kNoRead,
                               .read_message = nullptr,
                               .externally_timed = false,
                               .load_blank_before_erase = false,
                               .entire_config_words = 8,
                               .config_word_writes = 1,
                               .entire_config_message = kValueNoNeed,
                               .restores_osccal = false};

constexpr WriteGroup kWClassicExternal{.name = "classic, externally timed",
                                       .calibration = kNoRead,
                                       .read_message = nullptr,
                                       .externally_timed = true,
                                       .load_blank_before_erase = false,
                                       .entire_config_words = 8,
                                       .config_word_writes = 1,
                                       .entire_config_message = kValueNoNeed,
                                       .restores_osccal = false};
constexpr WriteGroup kWClassicTwoWords{.name = "classic, two configuration words",
                                       .calibration = kNoRead,
                                       .read_message = nullptr,
                                       .externally_timed = true,
                                       .load_blank_before_erase = false,
                                       .entire_config_words = 9,
                                       .config_word_writes = 2,
                                       .entire_config_message = kValuesNoNeed,
                                       .restores_osccal = false};

// The baseline parts: externally timed programming only (Begin Programming
// 0x08, End Programming 0x0E), one configuration word at the counter's start.
constexpr CalibrationRead kBaselineOsccal{.kind = Kind::kBaselineOsccal};
constexpr WriteGroup kWBaseline{.name = "baseline",
                                .calibration = kBaselineOsccal,
                                .read_message = "    OSCCAL word & its backup has been read and stored",
                                .externally_timed = true,
                                .load_blank_before_erase = false,
                                .entire_config_words = 0,
                                .config_word_writes = 1,
                                .entire_config_message = nullptr,
                                .restores_osccal = true};
constexpr WriteGroup kWBaselineNoOsccal{.name = "baseline, no OSCCAL",
                                        .calibration = kNoRead,
                                        .read_message = nullptr,
                                        .externally_timed = true,
                                        .load_blank_before_erase = false,
                                        .entire_config_words = 0,
                                        .config_word_writes = 1,
                                        .entire_config_message = nullptr,
                                        .restores_osccal = false};

// E: chip erase.
constexpr EraseGroup kE1{.name = "E1",  // F88X
                         .calibration = Words(9, 1),
                         .read_message = "    calibration words (CONF + 0x0009) has been read and stored",
                         .load_blank_before_erase = false,
                         .erases_data = true,
                         .after_erase_message = kValuesNoNeed};
constexpr EraseGroup kE2{.name = "E2",  // F627A
                         .calibration = kNoRead,
                         .read_message = nullptr,
                         .load_blank_before_erase = true,
                         .erases_data = true,
                         .after_erase_message = "    there are no calibration values in this chip"};
constexpr EraseGroup kE3{.name = "E3",  // F1822: with EEPROM
                         .calibration = Words(9, 2),
                         .read_message =
                             "    calibration words (CONF + 0x0009, CONF + 0x000A) has been read and stored",
                         .load_blank_before_erase = false,
                         .erases_data = true,
                         .after_erase_message = kValuesNoNeed};
constexpr EraseGroup kE4{.name = "E4",  // F72X, F720, F1501, F1508: no EEPROM
                         .calibration = Words(9, 2),
                         .read_message =
                             "    calibration words (CONF + 0x0009, CONF + 0x000A) has been read and stored",
                         .load_blank_before_erase = false,
                         .erases_data = false,
                         .after_erase_message = kValuesNoNeed};
constexpr EraseGroup kE5{.name = "E5",  // F752, F753: no EEPROM
                         .calibration = Words(8, 2),
                         .read_message = "    calibration words (0x2008, 0x2009) has been read and stored",
                         .load_blank_before_erase = false,
                         .erases_data = false,
                         .after_erase_message = kValuesNoNeed};
constexpr EraseGroup kE6{.name = "E6",  // F615, F617: no EEPROM
                         .calibration = Words(8, 1),
                         .read_message = "    calibration word (CONF + 0x0008) has been read and stored",
                         .load_blank_before_erase = false,
                         .erases_data = false,
                         .after_erase_message = kValueNoNeed};
constexpr EraseGroup kE7{.name = "E7",  // F683
                         .calibration = Words(8, 1),
                         .read_message = "    calibration word (0x2008) has been read and stored",
                         .load_blank_before_erase = false,
                         .erases_data = true,
                         .after_erase_message = kValueNoNeed};
constexpr EraseGroup kE8{.name = "E8",  // F635, F785
                         .calibration = Words(8, 2),
                         .read_message =
                             "    calibration words (CONF + 0x0008, CONF + 0x0009) has been read and stored",
                         .load_blank_before_erase = false,
                         .erases_data = true,
                         .after_erase_message = kValuesNoNeed};
constexpr EraseGroup kE9{.name = "E9",  // F629: the erase takes OSCCAL and BG, which are put back
                         .calibration = kOsccalAndBandGap,
                         .read_message = "    OSCCAL word & BG-bits has been read and stored",
                         .load_blank_before_erase = false,
                         .erases_data = true,
                         .after_erase_message = nullptr};

constexpr EraseGroup kEClassic{.name = "classic",
                               .calibration = kNoRead,
                               .read_message = nullptr,
                               .load_blank_before_erase = false,
                               .erases_data = true,
                               .after_erase_message = "    there are no calibration values in this chip"};

constexpr EraseGroup kEBaseline{.name = "baseline",
                                .calibration = kBaselineOsccal,
                                .read_message = "    OSCCAL word & its backup has been read and stored",
                                .load_blank_before_erase = false,
                                .erases_data = false,
                                .after_erase_message = nullptr};
constexpr EraseGroup kEBaselineData{.name = "baseline, flash data",
                                    .calibration = kBaselineOsccal,
                                    .read_message = "    OSCCAL word & its backup has been read and stored",
                                    .load_blank_before_erase = false,
                                    .erases_data = true,
                                    .after_erase_message = nullptr};
constexpr EraseGroup kEBaselineNoOsccal{.name = "baseline, no OSCCAL",
                                        .calibration = kNoRead,
                                        .read_message = nullptr,
                                        .load_blank_before_erase = false,
                                        .erases_data = false,
                                        .after_erase_message = "    there are no calibration values in this chip"};

// C: reading the calibration values.
constexpr CalibrationGroup kC1{.name = "C1", .calibration = Words(8, 1)};            // F683, F615, F617
constexpr CalibrationGroup kC2{.name = "C2", .calibration = {.kind = Kind::kOsccal}};  // F629
constexpr CalibrationGroup kC3{.name = "C3", .calibration = Words(8, 2)};  // F635, F785, F752, F753
constexpr CalibrationGroup kC4{.name = "C4", .calibration = Words(9, 2)};  // F1822, F72X, F720, F1501, F1508
constexpr CalibrationGroup kC5{.name = "C5", .calibration = Words(9, 1)};  // F88X
constexpr CalibrationGroup kC6{.name = "C6", .calibration = kNoRead};      // F627A
constexpr CalibrationGroup kCBaseline{.name = "baseline", .calibration = kBaselineOsccal};

// P: how the silicon takes writes and erases.
using Op = IcspStep::Op;
// One word per programming cycle, the Bulk Erase commands.
constexpr Programming kOneWord{.latch_words = 1, .end_programming = icsp::kEndProgramming, .erase = {},
                               .erase_data = {}, .erase_takes_data = false};
// Several program words per Begin Programming, from latches filled by Load
// and Increment, the rows aligned on the latch size (DS41204G section 3.1.1
// for the PIC12F683/635 lines, DS41237C 3.1.1 for the PIC16F785: four;
// DS41332B section 5.0 for the PIC16F72x: eight; DS41287C 3.2.1 for the
// PIC16F882-884: four; DS41390A section 5.0 for the PIC16F1826/1827: eight).
// Chips that differ from their family's row are in kLatchOverrides.
constexpr Programming kFourWords{.latch_words = 4, .end_programming = icsp::kEndProgramming, .erase = {},
                                 .erase_data = {}, .erase_takes_data = false};
constexpr Programming kEightWords{.latch_words = 8, .end_programming = icsp::kEndProgramming, .erase = {},
                                  .erase_data = {}, .erase_takes_data = false};
// PIC16F84A (DS30262E section 4.1): a protected chip refuses the bulk
// erases, so every erase is the code-protect clear sequence, which takes
// program memory, the configuration word and the EEPROM whatever the
// protection. Its bulk erases of the EEPROM (section 2.3.1.8) run only
// when Begin Programming follows them.
constexpr IcspStep kF84AErase[] = {
    {.op = Op::kLoadConfiguration},
    {.op = Op::kIncrement, .count = 7},
    {.op = Op::kCommand, .code = icsp::kBulkEraseSetup1, .text = " Bulk Erase Setup1"},
    {.op = Op::kCommand, .code = icsp::kBulkEraseSetup2, .text = " Bulk Erase Setup2"},
    {.op = Op::kEraseProgramCycle, .code = icsp::kBeginProgrammingInt, .text = " Begin Programming (int)"},
    {.op = Op::kCommand, .code = icsp::kBulkEraseSetup1, .text = " Bulk Erase Setup1"},
    {.op = Op::kCommand, .code = icsp::kBulkEraseSetup2, .text = " Bulk Erase Setup2"},
};
constexpr IcspStep kF84AEraseData[] = {
    {.op = Op::kLoadBlankData},
    {.op = Op::kCommand, .code = icsp::kBulkEraseDataMemory, .text = " Bulk Erase Data Memory"},
    {.op = Op::kEraseDataCycle, .code = icsp::kBeginProgrammingInt, .text = " Begin Programming (int)"},
};
constexpr Programming kF84A{.latch_words = 1, .end_programming = icsp::kEndProgramming, .erase = kF84AErase,
                            .erase_data = kF84AEraseData, .erase_takes_data = true};
// PIC16F87xA (DS39589B sections 2.4 and 2.5): 0x08 erases and programs a
// block of eight words from the eight latches (counter bits 2:0 ignored);
// the bulk erases are refused while CP or CPD is on, Chip Erase never, and
// from configuration space it takes the configuration word too.
constexpr IcspStep kF87XAErase[] = {
    {.op = Op::kLoadConfiguration},
    {.op = Op::kEraseProgramCycle, .code = icsp::kChipErase, .text = " Chip Erase"},
};
constexpr Programming kF87XA{.latch_words = 8, .end_programming = icsp::kEndProgrammingClassic,
                             .erase = kF87XAErase, .erase_data = {},
                             .erase_takes_data = true};

// PIC16F87/88 (DS39607B) and PIC16F818/819 (DS39603C): four latches
// programmed by 0x18 and ended by 0x17 (0x08 is a row erase there); Chip
// Erase from configuration space takes everything, the only erase of a
// protected chip; the data-memory erase runs with the Begin after it.
constexpr IcspStep kF88EraseData[] = {
    {.op = Op::kCommand, .code = icsp::kBulkEraseDataMemory, .text = " Bulk Erase Data Memory"},
    {.op = Op::kEraseDataCycle, .code = icsp::kBeginProgrammingInt, .text = " Begin Erase"},
    {.op = Op::kCommand, .code = icsp::kEndProgrammingClassic, .text = " End Programming"},
};
constexpr Programming kF88{.latch_words = 4, .end_programming = icsp::kEndProgrammingClassic,
                           .erase = kF87XAErase, .erase_data = kF88EraseData, .erase_takes_data = true};

// The baseline parts (DS41228E section 3.1.2 and the other baseline
// documents): Begin Programming 0x08 is externally timed and ended by 0x0E;
// the PIC16F57/59 program four words at once, from latches at the
// counter's two low bits (DS41208C section 2.4.1).
constexpr Programming kBaselineOneWord{.latch_words = 1, .end_programming = 0x0E, .erase = {}, .erase_data = {},
                                       .erase_takes_data = false, .begin_external = icsp::kBeginProgrammingInt};
constexpr Programming kBaselineFourWords{.latch_words = 4, .end_programming = 0x0E, .erase = {}, .erase_data = {},
                                         .erase_takes_data = false, .begin_external = icsp::kBeginProgrammingInt};
// What each baseline family keeps beside program memory: DS41228E section
// 3.1.2.6 (the OSCCAL word and its backup), DS41316B (the PIC12F519/16F526's
// flash data, erased on its own), DS41207D (the PIC16F54/57/59: neither).
constexpr BaselineMap kB10F{.osccal = true, .flash_data = false};
constexpr BaselineMap kB519{.osccal = true, .flash_data = true};
constexpr BaselineMap kB54{.osccal = false, .flash_data = false};

using F = ChipFamily;
using Cal = FactoryCalibration;

// EEPROM: the families' datasheets (the catalogue's data sizes agree).
// Configuration space read as zeros under code protection: only the
// enhanced mid-range parts (DS41390C section 4.3.4); the others hide program
// memory alone (DS41204H section 3.1.5.4, DS41396A section 6.0).
constexpr std::array<FamilyRow, kChipFamilyCount> kFamilies = {{
    {.family = F::F629, .factory_calibration = Cal::kOsccalAndBandGap, .has_eeprom = true,
     .write = &kW8, .erase = &kE9, .calibration = &kC2, .cp_hides_configuration = false,
     .programming = &kOneWord},
    {.family = F::F683, .factory_calibration = Cal::kWords, .has_eeprom = true,
     .write = &kW5, .erase = &kE7, .calibration = &kC1, .cp_hides_configuration = false,
     .programming = &kFourWords},
    {.family = F::F785, .factory_calibration = Cal::kWords, .has_eeprom = true,
     .write = &kW7, .erase = &kE8, .calibration = &kC3, .cp_hides_configuration = false,
     .programming = &kFourWords},
    {.family = F::F635, .factory_calibration = Cal::kWords, .has_eeprom = true,
     .write = &kW7, .erase = &kE8, .calibration = &kC3, .cp_hides_configuration = false,
     .programming = &kFourWords},
    {.family = F::F627A, .factory_calibration = Cal::kNone, .has_eeprom = true,
     .write = &kW2, .erase = &kE2, .calibration = &kC6, .cp_hides_configuration = false,
     .programming = &kOneWord},
    {.family = F::F615, .factory_calibration = Cal::kWords, .has_eeprom = false,
     .write = &kW4, .erase = &kE6, .calibration = &kC1, .cp_hides_configuration = false,
     .programming = &kOneWord},
    {.family = F::F617, .factory_calibration = Cal::kWords, .has_eeprom = false,
     .write = &kW4, .erase = &kE6, .calibration = &kC1, .cp_hides_configuration = false,
     .programming = &kOneWord},
    {.family = F::F752, .factory_calibration = Cal::kWords, .has_eeprom = false,
     .write = &kW6, .erase = &kE5, .calibration = &kC3, .cp_hides_configuration = false,
     .programming = &kOneWord},
    {.family = F::F753, .factory_calibration = Cal::kWords, .has_eeprom = false,
     .write = &kW6, .erase = &kE5, .calibration = &kC3, .cp_hides_configuration = false,
     .programming = &kOneWord},
    {.family = F::F88X, .factory_calibration = Cal::kWords, .has_eeprom = true,
     .write = &kW1, .erase = &kE1, .calibration = &kC5, .cp_hides_configuration = false,
     .programming = &kFourWords},
    {.family = F::F72X, .factory_calibration = Cal::kWords, .has_eeprom = false,
     .write = &kW3, .erase = &kE4, .calibration = &kC4, .cp_hides_configuration = false,
     .programming = &kEightWords},
    {.family = F::F720, .factory_calibration = Cal::kWords, .has_eeprom = false,
     .write = &kW3, .erase = &kE4, .calibration = &kC4, .cp_hides_configuration = false,
     .programming = &kOneWord},
    {.family = F::F1822, .factory_calibration = Cal::kWords, .has_eeprom = true,
     .write = &kW3, .erase = &kE3, .calibration = &kC4, .cp_hides_configuration = true,
     .programming = &kEightWords},
    {.family = F::F1501, .factory_calibration = Cal::kWords, .has_eeprom = false,
     .write = &kW3, .erase = &kE4, .calibration = &kC4, .cp_hides_configuration = false,
     .programming = &kOneWord},
    {.family = F::F1508, .factory_calibration = Cal::kWords, .has_eeprom = false,
     .write = &kW3, .erase = &kE4, .calibration = &kC4, .cp_hides_configuration = false,
     .programming = &kOneWord},
    // PIC16(L)F193x: the commands, erase scope and calibration words of the
    // PIC16F1827 (DS41360A sections 4.3, 3.4: calibration never erased),
    // but configuration and user IDs stay readable under CP (section 6).
    {.family = F::F1933, .factory_calibration = Cal::kWords, .has_eeprom = true,
     .write = &kW3, .erase = &kE3, .calibration = &kC4, .cp_hides_configuration = false,
     .programming = &kOneWord},
    // PIC16(L)F145x: the command set and erase of the PIC16F193x, no EEPROM,
    // calibration words at 0x8009-0x800A (pickle for DS41620; OpenProg).
    {.family = F::F1454, .factory_calibration = Cal::kWords, .has_eeprom = false,
     .write = &kW3, .erase = &kE4, .calibration = &kC4, .cp_hides_configuration = false,
     .programming = &kOneWord},
    // PIC16F91x: one configuration word with CP bit 6 and CPD bit 7, the
    // calibration words at 0x2008-0x2009 which a bulk erase from program
    // memory leaves (DS41244E sections 3.1.5, Registers 4-1 to 4-3): the
    // groups of the PIC16F785.
    {.family = F::F91X, .factory_calibration = Cal::kWords, .has_eeprom = true,
     .write = &kW7, .erase = &kE8, .calibration = &kC3, .cp_hides_configuration = false,
     .programming = &kOneWord},
    // PIC16F84A and PIC16F87xA: no calibration, one configuration word.
    {.family = F::F84A, .factory_calibration = Cal::kNone, .has_eeprom = true,
     .write = &kWClassic, .erase = &kEClassic, .calibration = &kC6, .cp_hides_configuration = false,
     .programming = &kF84A},
    {.family = F::F87XA, .factory_calibration = Cal::kNone, .has_eeprom = true,
     .write = &kWClassic, .erase = &kEClassic, .calibration = &kC6, .cp_hides_configuration = false,
     .programming = &kF87XA},
    {.family = F::F88, .factory_calibration = Cal::kNone, .has_eeprom = true,
     .write = &kWClassicTwoWords, .erase = &kEClassic, .calibration = &kC6, .cp_hides_configuration = false,
     .programming = &kF88},
    {.family = F::F818, .factory_calibration = Cal::kNone, .has_eeprom = true,
     .write = &kWClassicExternal, .erase = &kEClassic, .calibration = &kC6, .cp_hides_configuration = false,
     .programming = &kF88},
    // PIC16(L)F1946/1947: the PIC16F193x's rows (pickle and OpenProg for
    // DS41397: the same commands, erase and calibration words).
    {.family = F::F1946, .factory_calibration = Cal::kWords, .has_eeprom = true,
     .write = &kW3, .erase = &kE3, .calibration = &kC4, .cp_hides_configuration = false,
     .programming = &kOneWord},
    // The baseline parts: the OSCCAL word goes with every erase of program
    // memory and is put back, as the PIC12F629's; the PIC12F519/16F526's
    // flash data memory stands in for an EEPROM.
    {.family = F::B10F, .factory_calibration = Cal::kOsccalAndBackup, .has_eeprom = false,
     .write = &kWBaseline, .erase = &kEBaseline, .calibration = &kCBaseline, .cp_hides_configuration = false,
     .programming = &kBaselineOneWord, .baseline = &kB10F},
    {.family = F::B519, .factory_calibration = Cal::kOsccalAndBackup, .has_eeprom = true,
     .write = &kWBaseline, .erase = &kEBaselineData, .calibration = &kCBaseline, .cp_hides_configuration = false,
     .programming = &kBaselineOneWord, .baseline = &kB519},
    {.family = F::B54, .factory_calibration = Cal::kNone, .has_eeprom = false,
     .write = &kWBaselineNoOsccal, .erase = &kEBaselineNoOsccal, .calibration = &kC6,
     .cp_hides_configuration = false, .programming = &kBaselineOneWord, .baseline = &kB54},
    {.family = F::B57, .factory_calibration = Cal::kNone, .has_eeprom = false,
     .write = &kWBaselineNoOsccal, .erase = &kEBaselineNoOsccal, .calibration = &kC6,
     .cp_hides_configuration = false, .programming = &kBaselineFourWords, .baseline = &kB54},
}};

// Chips whose write latches differ from their family's row. Where only one
// programmer's source gives a size (pickle's 4 on the PIC12F617, 16 and 32
// on the larger PIC16F182x), the confirmed smaller one is taken: fewer words
// than the latches hold program as well, more would not.
struct LatchOverride {
  const char* chip;
  std::uint32_t latch_words;
};
constexpr LatchOverride kLatchOverrides[] = {
    {.chip = "PIC16F886", .latch_words = 8},    // DS41287C 3.2.2
    {.chip = "PIC16F887", .latch_words = 8},    // DS41287C 3.2.2
    {.chip = "PIC16F616", .latch_words = 4},    // DS41284C 4.1.2
    {.chip = "PIC12F1822", .latch_words = 16},  // PICkit 2 device file v1.62
    {.chip = "PIC12LF1822", .latch_words = 16},
    {.chip = "PIC16F1823", .latch_words = 16},
    {.chip = "PIC16LF1823", .latch_words = 16},
};

// The rows are looked up by the enum's value: a row out of place is a
// mistake the compiler finds.
constexpr bool InEnumOrder() {
  for (std::size_t i = 0; i < kFamilies.size(); ++i) {
    if (static_cast<std::size_t>(kFamilies[i].family) != i) return false;
  }
  return true;
}
static_assert(InEnumOrder());

}  // namespace

std::span<const FamilyRow> FamilyRows() { return kFamilies; }

namespace {

FamilyLookup FamilyOf(const LookupResult& found) {
  switch (found.kind) {
    case LookupResult::Kind::kEntry:
      return {FamilyLookup::Kind::kFamily, &kFamilies[static_cast<std::size_t>(found.entry->Family)]};
    case LookupResult::Kind::kNoChip:
      return {FamilyLookup::Kind::kNoChip, nullptr};
    case LookupResult::Kind::kUnknown:
      break;
  }
  return {FamilyLookup::Kind::kUnknown, nullptr};
}

}  // namespace

FamilyLookup LookupFamily(std::uint16_t chip_id_word) { return FamilyOf(LookupChip(chip_id_word)); }

FamilyLookup LookupFamily(const ChipRecord& chip) { return FamilyOf(LookupSelected(chip)); }

namespace {
bool LosesCalibration(const FamilyLookup& found) {
  return found.row != nullptr && (found.row->factory_calibration == FactoryCalibration::kOsccalAndBandGap ||
                                  found.row->factory_calibration == FactoryCalibration::kOsccalAndBackup);
}
}  // namespace

bool LosesCalibrationInErase(std::uint16_t chip_id_word) { return LosesCalibration(LookupFamily(chip_id_word)); }

bool LosesCalibrationInErase(const ChipRecord& chip) { return LosesCalibration(LookupFamily(chip)); }

std::uint32_t LatchWordsFor(const ChipRecord& chip) {
  const FamilyLookup found = LookupFamily(chip);
  if (found.row == nullptr) return 1;
  for (const LatchOverride& o : kLatchOverrides) {
    if (chip.ChipName == o.chip) return o.latch_words;
  }
  return found.row->programming->latch_words;
}

}  // namespace fw
