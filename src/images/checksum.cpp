#include "images/checksum.h"
#include "chips/config_layout.h"
#include "log/hex.h"

#include <cstdio>

namespace fw {

namespace {

// The programming documents' checksum tables: the sum of the program
// words and of each configuration word masked, or, with code protection on,
// of the configuration word(s) and the user IDs' nibbles. Each row's masks
// reproduce the document's worked values (its "blank" column, and the column
// with 0x25E6 at the first and last address summed), which are checked in
// tests/test_checksum.cpp; the values are read from the documents' tables
// as Piklab's device files transcribe them (src/devices/pic/xml_data/).
// Families whose documents were not found have no row: their checksum is
// not guessed.
constexpr ChecksumRule kRules[] = {
    // The baseline parts (DS41228E, DS41266C, DS41227E, DS41257B, DS41226F,
    // DS41258B, DS41316B, DS41317B Table 5-1): CP off, program memory but
    // the OSCCAL word plus the configuration word masked; CP on, words
    // 0x000-0x03F, the configuration word and the user IDs' nibbles. The
    // PIC16F54/57/59 (DS41207D, DS41208C, DS41243B Table 4-1) sum to the
    // last word and add 0xFF0. Each part's mask is its layout's bits.
    {.family = ChipFamily::B10F, .program_words_left_out = 1, .config_mask = 0, .config2_mask = 0, .cp_bit = -1,
     .source = "DS41228E", .words_under_cp = 0x40, .constant = 0},
    {.family = ChipFamily::B519, .program_words_left_out = 1, .config_mask = 0, .config2_mask = 0, .cp_bit = -1,
     .source = "DS41316B", .words_under_cp = 0x40, .constant = 0},
    {.family = ChipFamily::B54, .program_words_left_out = 0, .config_mask = 0, .config2_mask = 0, .cp_bit = -1,
     .source = "DS41207D", .words_under_cp = 0x40, .constant = 0xFF0},
    {.family = ChipFamily::B57, .program_words_left_out = 0, .config_mask = 0, .config2_mask = 0, .cp_bit = -1,
     .source = "DS41208C", .words_under_cp = 0x40, .constant = 0xFF0},
    // DS41191 (PIC12F629/675, PIC16F630/676): the OSCCAL word at the last
    // address and the band-gap bits 13:12 are left out. 12F629: blank 0xBE00,
    // 0x25E6 0x89CE; protected 0xBF7F, 0x8B4D.
    {.family = ChipFamily::F629, .program_words_left_out = 1, .config_mask = 0x01FF, .config2_mask = 0,
     .cp_bit = 7, .source = "DS41191"},
    // DS41204 (PIC12F683, PIC16F684-690, 631, 677). 16F684: 0x07FF, 0xD3CD;
    // protected 0x17BE, 0xE38C.
    {.family = ChipFamily::F683, .program_words_left_out = 0, .config_mask = 0x0FFF, .config2_mask = 0,
     .cp_bit = 6, .source = "DS41204"},
    // DS41204 (PIC12F635, PIC16F636/639). 12F635: 0x1BFF, 0xE7CD; protected
    // 0x3BBE, 0x078C.
    {.family = ChipFamily::F635, .program_words_left_out = 0, .config_mask = 0x1FFF, .config2_mask = 0,
     .cp_bit = 6, .source = "DS41204"},
    // DS41237 (PIC16F785). 0x07FF, 0xD3CD; protected (with CPD) 0x173E, 0xE30C.
    {.family = ChipFamily::F785, .program_words_left_out = 0, .config_mask = 0x0FFF, .config2_mask = 0,
     .cp_bit = 6, .source = "DS41237"},
    // DS41244E (PIC16F913/914/916/917): the configuration word's 13 bits.
    {.family = ChipFamily::F91X, .program_words_left_out = 0, .config_mask = 0x1FFF, .config2_mask = 0,
     .cp_bit = 6, .source = "DS41244E"},
    // DS30262E section 5.1 (PIC16F84A): the whole configuration word; its
    // CP bits 13:4 are set alike, bit 4 tells.
    {.family = ChipFamily::F84A, .program_words_left_out = 0, .config_mask = 0x3FFF, .config2_mask = 0,
     .cp_bit = 4, .source = "DS30262E"},
    // DS39589B section 5.0, Table 5-1 (PIC16F873A/874A/876A/877A).
    {.family = ChipFamily::F87XA, .program_words_left_out = 0, .config_mask = 0x2FCF, .config2_mask = 0,
     .cp_bit = 13, .source = "DS39589B"},
    // DS39607B section 6.0 (PIC16F87/88): both configuration words whole
    // in their implemented bits; DS39603C section 5.0 (PIC16F818/819).
    {.family = ChipFamily::F88, .program_words_left_out = 0, .config_mask = 0x3FFF, .config2_mask = 0x0003,
     .cp_bit = 13, .source = "DS39607B"},
    {.family = ChipFamily::F818, .program_words_left_out = 0, .config_mask = 0x3FFF, .config2_mask = 0,
     .cp_bit = 13, .source = "DS39603C"},
    // DS41196 (PIC16F627A/628A/648A). 16F628A: 0x19FF, 0xE5CD; protected
    // 0x1BFE, 0xE7CC.
    {.family = ChipFamily::F627A, .program_words_left_out = 0, .config_mask = 0x21FF, .config2_mask = 0,
     .cp_bit = 13, .source = "DS41196"},
    // DS41284 (PIC12F609/615/617, PIC16F610/616). 12F609: 0xFFFF, 0xCBCD;
    // protected 0x03BE, 0xCF8C.
    {.family = ChipFamily::F615, .program_words_left_out = 0, .config_mask = 0x03FF, .config2_mask = 0,
     .cp_bit = 6, .source = "DS41284"},
    // DS41284. 12F617: 0xFBFF, 0xC7CD (the write-protection bits 11:10 are
    // left out).
    {.family = ChipFamily::F617, .program_words_left_out = 0, .config_mask = 0x03FF, .config2_mask = 0,
     .cp_bit = 6, .source = "DS41284"},
    // DS41561 (PIC12F752). 0x3B79, 0x0747.
    {.family = ChipFamily::F752, .program_words_left_out = 0, .config_mask = 0x3F79, .config2_mask = 0,
     .cp_bit = 6, .source = "DS41561"},
    // DS41287 (PIC16F882-887). 16F887: 0x26FF, 0xF2CD; protected 0x6DBE,
    // 0x398C.
    {.family = ChipFamily::F88X, .program_words_left_out = 0, .config_mask = 0x3FFF, .config2_mask = 0x0700,
     .cp_bit = 6, .source = "DS41287"},
    // DS41390C section 7.4, Table 7-1 (PIC12F1822, PIC16F1823-1829): the
    // F parts' CONFIG2 counts its reserved bit 4 (read as 1), which the LF
    // parts have not (rows below). Examples 7-1 to 7-4: PIC16F1827 blank
    // 0x6712; PIC16LF1827 with 0x00AA at the first and last address 0xE858;
    // PIC16F1827 protected, IDs 6 7 1 2, 0xDDA4; PIC16LF1827 protected, IDs
    // E 8 5 8, 0x5EDA.
    {.family = ChipFamily::F1822, .program_words_left_out = 0, .config_mask = 0x3FFF, .config2_mask = 0x3713,
     .cp_bit = 7, .source = "DS41390C section 7.4, Table 7-1"},
    // DS41360A section 7.4, Table 7-1 (PIC16(L)F1933-1939): the rule of the
    // PIC16F1827, CONFIG2 with the regulator bits VCAPEN on the F parts
    // (0x3733) and without them on the LF parts (0x3703, rows below).
    {.family = ChipFamily::F1933, .program_words_left_out = 0, .config_mask = 0x3FFF, .config2_mask = 0x3733,
     .cp_bit = 7, .source = "DS41360A section 7.4, Table 7-1"},
    // PIC16(L)F1946/1947: the same rule with the bits gputils'
    // p16f1947.inc lists (CONFIG2 0x3713; the LF chips 0x3703, below).
    {.family = ChipFamily::F1946, .program_words_left_out = 0, .config_mask = 0x3FFF, .config2_mask = 0x3713,
     .cp_bit = 7, .source = "the shared rule, no section published for this family"},
    // PIC16(L)F145x: the shared rule with the bits gputils' p16f1459.inc
    // lists (CONFIG1 0x3EFF, CONFIG2 0x3FF3); no DS41620 text was found.
    {.family = ChipFamily::F1454, .program_words_left_out = 0, .config_mask = 0x3EFF, .config2_mask = 0x3FF3,
     .cp_bit = 7, .source = "the shared rule, no section published for this family"},
    // The shared rule, no section published for these families: the bits
    // the chips implement, as their datasheets (and gputils' p16f722.inc,
    // p16f720.inc, p12f1501.inc, p16f1508.inc, p16f753.inc) list them.
    // PIC16F72x: CONFIG1 DEBUG PLLEN BORV BOREN CP MCLRE PWRTE WDTE FOSC,
    // CONFIG2 VCAPEN (F parts only).
    {.family = ChipFamily::F72X, .program_words_left_out = 0, .config_mask = 0x377F, .config2_mask = 0x0030,
     .cp_bit = 6, .source = "the shared rule, no section published for this family"},
    // PIC16F720/721: CONFIG1 PLLEN BOREN CP MCLRE PWRTE WDTE FOSC, CONFIG2 WRT.
    {.family = ChipFamily::F720, .program_words_left_out = 0, .config_mask = 0x137B, .config2_mask = 0x0003,
     .cp_bit = 6, .source = "the shared rule, no section published for this family"},
    // PIC12F1501, PIC16F1503/1507: CONFIG1 CLKOUTEN BOREN CP MCLRE PWRTE WDTE
    // FOSC, CONFIG2 LVP LPBOR BORV STVREN WRT.
    {.family = ChipFamily::F1501, .program_words_left_out = 0, .config_mask = 0x0EFB, .config2_mask = 0x2E03,
     .cp_bit = 7, .source = "the shared rule, no section published for this family"},
    // PIC16F1508/1509: CONFIG1 adds FCMEN IESO and a third FOSC bit.
    {.family = ChipFamily::F1508, .program_words_left_out = 0, .config_mask = 0x3EFF, .config2_mask = 0x3E03,
     .cp_bit = 7, .source = "the shared rule, no section published for this family"},
    // PIC16F753: one configuration word, with DEBUG (bit 13) counted as on
    // the PIC12F752, whose DS41561 worked values count it.
    {.family = ChipFamily::F753, .program_words_left_out = 0, .config_mask = 0x3F79, .config2_mask = 0,
     .cp_bit = 6, .source = "the shared rule, no section published for this family"},
};

// Chips whose configuration bits differ from their family's row, by device
// code.
struct DeviceMasks {
  std::uint16_t device_family;
  std::uint16_t config_mask;
  std::uint16_t config2_mask;
};
constexpr DeviceMasks kDeviceMasks[] = {
    // DS41390C Examples 7-2 and 7-4 sum the PIC16LF1827 without CONFIG2's
    // reserved bit 4, and so do the maker's tools for the PIC16LF1826/1827;
    // for the PIC12LF1822 and PIC16LF1823-1825/1828/1829 they count it as on
    // the F parts (the family's row), and so does this.
    {.device_family = 324, .config_mask = 0x3FFF, .config2_mask = 0x3703},
    {.device_family = 325, .config_mask = 0x3FFF, .config2_mask = 0x3703},
    // The shared rule for PIC12(L)F1840 and PIC16(L)F1847, which DS41390C
    // does not cover: the bits their datasheet lists (gputils p16f1847.inc).
    {.device_family = 164, .config_mask = 0x3FFF, .config2_mask = 0x3703},
    {.device_family = 165, .config_mask = 0x3FFF, .config2_mask = 0x3703},
    {.device_family = 220, .config_mask = 0x3FFF, .config2_mask = 0x3703},
    {.device_family = 222, .config_mask = 0x3FFF, .config2_mask = 0x3703},
    // PIC16LF1933-1939 (DS41360A Table 7-1): no VCAPEN.
    {.device_family = 288, .config_mask = 0x3FFF, .config2_mask = 0x3703},
    {.device_family = 290, .config_mask = 0x3FFF, .config2_mask = 0x3703},
    {.device_family = 291, .config_mask = 0x3FFF, .config2_mask = 0x3703},
    {.device_family = 292, .config_mask = 0x3FFF, .config2_mask = 0x3703},
    {.device_family = 293, .config_mask = 0x3FFF, .config2_mask = 0x3703},
    {.device_family = 294, .config_mask = 0x3FFF, .config2_mask = 0x3703},
    // PIC16LF1946/1947: no VCAPEN.
    {.device_family = 300, .config_mask = 0x3FFF, .config2_mask = 0x3703},
    {.device_family = 301, .config_mask = 0x3FFF, .config2_mask = 0x3703},
    // PIC16LF72x and PIC16LF707: no voltage regulator, no VCAPEN. (The
    // PIC16F707 sums as its family's row, DEBUG at bit 13 counted as the
    // maker's tools count it, which gputils' p16f707.inc leaves out.)
    {.device_family = 200, .config_mask = 0x377F, .config2_mask = 0},
    {.device_family = 201, .config_mask = 0x377F, .config2_mask = 0},
    {.device_family = 202, .config_mask = 0x377F, .config2_mask = 0},
    {.device_family = 203, .config_mask = 0x377F, .config2_mask = 0},
    {.device_family = 204, .config_mask = 0x377F, .config2_mask = 0},
    {.device_family = 218, .config_mask = 0x377F, .config2_mask = 0},
    {.device_family = 219, .config_mask = 0x377F, .config2_mask = 0},
    {.device_family = 215, .config_mask = 0x377F, .config2_mask = 0},
    // PIC16(L)F720/721: the maker's tools count bits that p16f720.inc
    // leaves out, and show a sum 0x2310 (F parts) or 0x2010 (LF parts) above
    // the include file's for every image whose unimplemented bits are set, as
    // every assembler writes them and the chip reads them. Which of those
    // bits they count is not written where this was made; these masks give
    // them the same weight: CONFIG1 bit 13, CONFIG2 bit 4 and, on the F
    // parts, CONFIG2 bits 9:8.
    {.device_family = 224, .config_mask = 0x337B, .config2_mask = 0x0313},
    {.device_family = 225, .config_mask = 0x337B, .config2_mask = 0x0313},
    {.device_family = 226, .config_mask = 0x337B, .config2_mask = 0x0013},
    {.device_family = 227, .config_mask = 0x337B, .config2_mask = 0x0013},
};

// The user IDs' low nibbles as one word, ID0 the high nibble.
std::uint32_t SumOfIds(const Images& images) {
  std::uint32_t sum = 0;
  for (std::uint32_t id = 0; id < 4; ++id) sum += (WordAt(images.ConfigImage, id) & 0xFu) << (4 * (3 - id));
  return sum;
}

std::uint16_t BaselineChecksum(const ChecksumRule& rule, const ChipRecord& chip, const Images& images) {
  const ConfigLayout* layout = ConfigLayoutFor(chip);
  const std::uint16_t mask = layout != nullptr ? NamedBits(layout->w1) : 0;
  const std::uint16_t cp = ProtectionBitsFor(chip).code;
  const std::uint16_t config = WordAt(images.ConfigImage, 7);
  std::uint32_t sum = (config & mask) + rule.constant;
  const bool protected_code = cp != 0 && (config & cp) == 0;
  const std::uint32_t words = protected_code ? rule.words_under_cp : chip.ProgramSize / 2 - rule.program_words_left_out;
  for (std::uint32_t i = 0; i < words; ++i) sum += WordAt(images.ProgramImage, i) & 0x0FFF;
  if (protected_code) sum += SumOfIds(images);
  return static_cast<std::uint16_t>(sum & 0xFFFF);
}

}  // namespace

const ChecksumRule* ChecksumRuleFor(ChipFamily family) {
  for (const ChecksumRule& rule : kRules) {
    if (rule.family == family) return &rule;
  }
  return nullptr;
}

std::optional<std::uint16_t> ImageChecksum(const ChipRecord& chip, const Images& images) {
  const LookupResult found = LookupSelected(chip);
  if (found.kind != LookupResult::Kind::kEntry) return std::nullopt;
  const ChecksumRule* rule = ChecksumRuleFor(found.entry->Family);
  if (rule == nullptr) return std::nullopt;
  std::uint16_t mask = rule->config_mask, mask2 = rule->config2_mask;
  for (const DeviceMasks& d : kDeviceMasks) {
    if (d.device_family == found.entry->DeviceFamily) {
      mask = d.config_mask;
      mask2 = d.config2_mask;
    }
  }
  // A chip added from the chips file sums the bits its masks name.
  if (chip.ConfigMasks[0] != 0) {
    mask = chip.ConfigMasks[0];
    mask2 = chip.ConfigMasks[1];
  }
  if (rule->cp_bit < 0) return BaselineChecksum(*rule, chip, images);
  const std::uint16_t config = WordAt(images.ConfigImage, 7);
  std::uint32_t sum = (config & mask) + (WordAt(images.ConfigImage, 8) & mask2);
  if (((config >> rule->cp_bit) & 1) == 0) {
    // Program memory cannot be read back: the user IDs stand for it.
    sum += SumOfIds(images);
  } else {
    const std::uint32_t words = chip.ProgramSize / 2 - rule->program_words_left_out;
    for (std::uint32_t i = 0; i < words; ++i) sum += WordAt(images.ProgramImage, i) & 0x3FFF;
  }
  return static_cast<std::uint16_t>(sum & 0xFFFF);
}

std::string ChecksumText(const ChipRecord& chip, const Images& images) {
  const std::optional<std::uint16_t> sum = ImageChecksum(chip, images);
  if (!sum) return "Checksum: no published checksum rule for this chip";
  return "Checksum: 0x" + Hex(*sum, 4);
}

std::string LogChecksum(const ChipRecord& chip, const Images& images, Log& log) {
  const std::string text = ChecksumText(chip, images);
  log.LogEvent(LogCode::kNone, text);
  return text;
}

}  // namespace fw
