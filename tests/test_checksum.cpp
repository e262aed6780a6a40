// The checksum against the worked values of the programming documents'
// tables: a blank chip, and one with 0x25E6 at the first and the last address
// summed; with code protection off and on (the documents put the unprotected
// checksum into the user IDs of the protected case, as MPLAB does).

#include <gtest/gtest.h>

#include "chips/config_layout.h"
#include "images/checksum.h"
#include "ops_rig.h"

namespace fw {
namespace {

struct Chip {
  ChipRecord record;
  Images images;
  explicit Chip(const char* name) {
    const ChipEntry& entry = *FindChipByName(name);
    record.Assign(entry, entry.IdWord);
    for (std::uint32_t i = 0; i < record.ProgramSize / 2; ++i) SetWordAt(images.ProgramImage, i, record.BlankWord());
    for (std::uint32_t i = 0; i < record.ConfigSize / 2; ++i) SetWordAt(images.ConfigImage, i, record.BlankWord());
  }
  std::uint16_t Sum() const { return *ImageChecksum(record, images); }
  // 0x25E6 at word 0 and at the last word summed.
  void Pattern() {
    const ChecksumRule& rule = *ChecksumRuleFor(LookupChip(record.ChipIdWord).entry->Family);
    SetWordAt(images.ProgramImage, 0, 0x25E6);
    SetWordAt(images.ProgramImage, record.ProgramSize / 2 - 1 - rule.program_words_left_out, 0x25E6);
  }
  void Protect(std::uint16_t cleared) {
    const std::uint16_t unprotected = Sum();
    SetWordAt(images.ConfigImage, 7, static_cast<std::uint16_t>(0x3FFF & ~cleared));
    for (std::uint32_t id = 0; id < 4; ++id) SetWordAt(images.ConfigImage, id, (unprotected >> (4 * (3 - id))) & 0xF);
  }
};

TEST(Checksum, TheDocumentsWorkedValues) {
  const struct {
    const char* chip;
    std::uint16_t blank, pattern;  // code protection off
    std::uint16_t protect_bits;    // cleared for the protected row; 0: none printed
    std::uint16_t protected_blank, protected_pattern;
  } cases[] = {
      {"PIC12F629", 0xBE00, 0x89CE, 0x0080, 0xBF7F, 0x8B4D},
      {"PIC16F684", 0x07FF, 0xD3CD, 0x0040, 0x17BE, 0xE38C},
      {"PIC12F635", 0x1BFF, 0xE7CD, 0x0040, 0x3BBE, 0x078C},
      {"PIC16F785", 0x07FF, 0xD3CD, 0x00C0, 0x173E, 0xE30C},
      {"PIC16F628A", 0x19FF, 0xE5CD, 0x2000, 0x1BFE, 0xE7CC},
      {"PIC12F609", 0xFFFF, 0xCBCD, 0x0040, 0x03BE, 0xCF8C},
      {"PIC12F617", 0xFBFF, 0xC7CD, 0, 0, 0},
      {"PIC12F752", 0x3B79, 0x0747, 0, 0, 0},
      {"PIC16F887", 0x26FF, 0xF2CD, 0x0040, 0x6DBE, 0x398C},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.chip);
    for (const bool pattern : {false, true}) {
      Chip chip(c.chip);
      if (pattern) chip.Pattern();
      EXPECT_EQ(chip.Sum(), pattern ? c.pattern : c.blank);
      if (c.protect_bits == 0) continue;
      chip.Protect(c.protect_bits);
      EXPECT_EQ(chip.Sum(), pattern ? c.protected_pattern : c.protected_blank);
      // Protected, program memory plays no part.
      SetWordAt(chip.images.ProgramImage, 5, 0x0000);
      EXPECT_EQ(chip.Sum(), pattern ? c.protected_pattern : c.protected_blank);
    }
  }
}

TEST(Checksum, FactoryValuesAreLeftOutAndNoChipHasNone) {
  Chip f630("PIC16F630");
  const std::uint16_t blank = f630.Sum();
  SetWordAt(f630.images.ProgramImage, 0x3FF, 0x34A8);                   // OSCCAL
  SetWordAt(f630.images.ConfigImage, 7, 0x1FFF);                         // other band-gap bits
  SetWordAt(f630.images.ConfigImage, 8, 0x2D4A);                         // no such word summed
  EXPECT_EQ(f630.Sum(), blank);
  SetWordAt(f630.images.ProgramImage, 0x3FE, 0x3FFE);
  EXPECT_EQ(f630.Sum(), static_cast<std::uint16_t>(blank - 1));
  EXPECT_EQ(ChecksumText(f630.record, f630.images), "Checksum: 0xBDFF");

  ChipRecord none;
  EXPECT_FALSE(ImageChecksum(none, f630.images));
}

TEST(Checksum, DS41390CWorkedExamples) {
  // Example 7-1: PIC16F1827 blank. 7-2: PIC16LF1827, 0x00AA at the first and
  // the last address. 7-3 and 7-4: code-protected, with those user IDs.
  // Then the same cases on the families added since, summed by hand by
  // their documents' rules (DS41360A 7.4, DS41244E, DS30262E, DS39589B, DS39607B, DS39603C).
  const struct {
    const char* chip;
    bool pattern;
    std::uint16_t ids[4];  // {0} when not protected
    std::uint16_t sum;
  } cases[] = {
      {"PIC16F1827", false, {0}, 0x6712},
      {"PIC16LF1827", true, {0}, 0xE858},
      {"PIC16F1827", false, {0x6, 0x7, 0x1, 0x2}, 0xDDA4},
      {"PIC16LF1827", false, {0xE, 0x8, 0x5, 0x8}, 0x5EDA},
      {"PIC16F1933", false, {0}, 0x6732},  // 4K x 3FFF + 3FFF + 3733
      {"PIC16LF1933", false, {0}, 0x6702},  // no VCAPEN: + 3703
      {"PIC16F1938", false, {0}, 0x3732},  // 16K words
      {"PIC16LF1939", true, {0}, 0xB858},
      {"PIC16F1936", false, {0x6, 0x7, 0x1, 0x2}, 0xDDC4},  // 3F7F + 3733 + 6712
      {"PIC16F1459", false, {0}, 0x5EF2},  // 8K x 3FFF + 3EFF + 3FF3
      {"PIC16LF1455", true, {0}, 0xE048},
      {"PIC16F913", false, {0}, 0x0FFF},  // 4K x 3FFF + (3FFF & 1FFF)
      {"PIC16F916", false, {0}, 0xFFFF},  // 8K words
      {"PIC16F917", false, {0x1, 0x2, 0x3, 0x4}, 0x31F3},  // protected: 3FBF & 1FFF + 1234
      {"PIC16F84A", false, {0}, 0x3BFF},  // 1K x 3FFF + 3FFF, DS30262E's blank value
      {"PIC16F84A", true, {0}, 0xBD55},
      {"PIC16F84A", false, {0x1, 0x2, 0x3, 0x4}, 0x5223},  // 3FEF + 1234
      {"PIC16F877A", false, {0}, 0x0FCF},  // 8K x 3FFF + (3FFF & 2FCF)
      {"PIC16F873A", false, {0}, 0x1FCF},  // 4K words
      {"PIC16F874A", false, {0x1, 0x2, 0x3, 0x4}, 0x2203},  // 1FFF & 2FCF + 1234
      {"PIC16F1946", false, {0}, 0x5712},  // 8K x 3FFF + 3FFF + 3713
      {"PIC16LF1947", false, {0}, 0x3702},  // 16K words, no VCAPEN: + 3703
      {"PIC16F946", false, {0}, 0xFFFF},  // 8K words, as the PIC16F916
      {"PIC16F88", false, {0}, 0x3002},  // 4K x 3FFF + 3FFF + (3FFF & 0003)
      {"PIC16F819", false, {0}, 0x37FF},  // 2K x 3FFF + 3FFF
      {"PIC16F818", false, {0x1, 0x2, 0x3, 0x4}, 0x3233},  // 1FFF + 1234
      // The sums the maker's tools show where the bits they count differ
      // from the include files': DEBUG on the PIC16(L)F707 and PIC16F753,
      // CONFIG2's bit 4 on the LF18xx parts but the LF1826/1827, and the
      // PIC16(L)F720/721's constant.
      {"PIC16F707", false, {0}, 0x17AF},  // 8K x 3FFF + 377F + 0030
      {"PIC16LF707", false, {0}, 0x177F},  // no VCAPEN
      {"PIC16F707", false, {0x1, 0x2, 0x3, 0x4}, 0x49A3},  // 3FBF & 377F + 0030 + 1234
      {"PIC16F753", false, {0}, 0x3779},  // 2K x 3FFF + 3F79
      {"PIC16F753", true, {0}, 0xB8CF},
      {"PIC12LF1822", false, {0}, 0x6F12},  // 2K x 3FFF + 3FFF + 3713
      {"PIC16LF1829", false, {0}, 0x5712},  // 8K words
      {"PIC16LF1823", false, {0x6, 0x7, 0x1, 0x2}, 0xDDA4},  // as Example 7-3's PIC16F1827
      {"PIC16LF1826", false, {0}, 0x6F02},  // + 3703, as Example 7-2's PIC16LF1827
      {"PIC16F720", false, {0}, 0x2E8E},  // 2K x 3FFF + 337B + 0313: the include file's 0x0B7E + 0x2310
      {"PIC16LF721", false, {0}, 0x238E},  // 4K x 3FFF + 337B + 0013: 0x037E + 0x2010
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.chip);
    Chip chip(c.chip);
    if (c.pattern) {
      SetWordAt(chip.images.ProgramImage, 0, 0x00AA);
      SetWordAt(chip.images.ProgramImage, chip.record.ProgramSize / 2 - 1, 0x00AA);
    }
    if (c.ids[0] != 0) {
      const unsigned cp = ChecksumRuleFor(LookupChip(chip.record.ChipIdWord).entry->Family)->cp_bit;
      SetWordAt(chip.images.ConfigImage, 7, static_cast<std::uint16_t>(0x3FFF & ~(1u << cp)));  // CP = 0
      for (std::uint32_t id = 0; id < 4; ++id) SetWordAt(chip.images.ConfigImage, id, c.ids[id]);
    }
    EXPECT_EQ(chip.Sum(), c.sum);
  }
}

TEST(Checksum, EveryChipOfTheCatalogueHasARuleWithItsSource) {
  for (const ChipEntry& e : KnownChips()) {
    SCOPED_TRACE(e.ChipName);
    const ChecksumRule* rule = ChecksumRuleFor(e.Family);
    ASSERT_NE(rule, nullptr);
    EXPECT_GT(std::string(rule->source).size(), 6u);
    Chip chip(e.ChipName);
    ASSERT_TRUE(ImageChecksum(chip.record, chip.images).has_value());
    EXPECT_NE(ChecksumText(chip.record, chip.images).find("Checksum: 0x"), std::string::npos);
    // Protection turns program memory out of the sum: a program word then
    // changes nothing, and changes the sum without it.
    // (The baseline parts still sum their first 64 words.)
    const std::uint32_t word = rule->words_under_cp + 1;
    const std::uint16_t blank = chip.record.BlankWord();
    const std::uint16_t open = chip.Sum();
    SetWordAt(chip.images.ProgramImage, word, static_cast<std::uint16_t>(blank - 1));
    EXPECT_EQ(chip.Sum(), static_cast<std::uint16_t>(open - 1));
    const std::uint16_t cp = rule->cp_bit >= 0 ? static_cast<std::uint16_t>(1u << rule->cp_bit)
                                               : ProtectionBitsFor(chip.record).code;
    ASSERT_NE(cp, 0);
    SetWordAt(chip.images.ConfigImage, 7, static_cast<std::uint16_t>(blank & ~cp));
    const std::uint16_t closed = chip.Sum();
    SetWordAt(chip.images.ProgramImage, word, 0x0234);
    EXPECT_EQ(chip.Sum(), closed);
  }
}

TEST(Checksum, WhatIsWrittenReadsBackToTheSameChecksum) {
  // One chip of each family that had no rule before: file -> chip -> read
  // back -> the same checksum.
  for (const char* name : {"PIC16F1827", "PIC16LF1827", "PIC16F722", "PIC16F720", "PIC12F1501", "PIC16F1508", "PIC16F753",
                           "PIC16F1938", "PIC16LF1934"}) {
    SCOPED_TRACE(name);
    OpsRig rig(name);
    Images& images = rig.state.images;
    for (std::uint32_t i = 0; i < 64; ++i) SetWordAt(images.ProgramImage, i, static_cast<std::uint16_t>(0x3000 + 7 * i));
    SetWordAt(images.ConfigImage, 7, 0x3FDB);  // CP off in every family (bit 6 or 7)
    SetWordAt(images.ConfigImage, 8, 0x3DFE);
    rig.ShowImages();
    const std::uint16_t file = *ImageChecksum(rig.state.chip, images);
    rig.Run([](DeviceOperations& o) { return o.WriteProgramAndConfig(true, false); });
    for (std::uint32_t i = 0; i < 64; ++i) SetWordAt(images.ProgramImage, i, 0x3FFF);
    rig.Run([](DeviceOperations& o) { return o.ReadProgramAndConfig(); });
    EXPECT_EQ(*ImageChecksum(rig.state.chip, images), file);
    EXPECT_EQ(WordAt(images.ProgramImage, 5), 0x3000 + 35) << "read back from the chip";
  }
}

}  // namespace
}  // namespace fw
