#include "images/checksum.h"
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
};

}  // namespace

const ChecksumRule* ChecksumRuleFor(ChipFamily family) {
  for (const ChecksumRule& rule : kRules) {
    if (rule.family == family) return &rule;
  }
  return nullptr;
}

std::optional<std::uint16_t> ImageChecksum(const ChipRecord& chip, const Images& images) {
  const LookupResult found = LookupChip(chip.ChipIdWord);
  if (found.kind != LookupResult::Kind::kEntry) return std::nullopt;
  const ChecksumRule* rule = ChecksumRuleFor(found.entry->Family);
  if (rule == nullptr) return std::nullopt;
  const std::uint16_t config = WordAt(images.ConfigImage, 7);
  std::uint32_t sum = (config & rule->config_mask) + (WordAt(images.ConfigImage, 8) & rule->config2_mask);
  if (((config >> rule->cp_bit) & 1) == 0) {
    // Program memory cannot be read back: the user IDs stand for it.
    for (std::uint32_t id = 0; id < 4; ++id) sum += (WordAt(images.ConfigImage, id) & 0xFu) << (4 * (3 - id));
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
