#include "chips/config_layout.h"

#include <algorithm>
#include <string_view>

#include <cstring>

namespace fw {

const std::vector<ConfigLayout>& ConfigLayouts() {
  using F = ChipFamily;
  static const std::vector<ConfigBit> kF683 = {
      {0, "FOSC0"}, {1, "FOSC1"}, {2, "FOSC2"}, {3, "WDTE"},    {4, "!PWRTE"}, {5, "MCLRE"},
      {6, "!CP"},   {7, "!CPD"},  {8, "BOREN0"}, {9, "BOREN1"}, {10, "IESO"},  {11, "FCMEN"}};
  static const std::vector<ConfigBit> kF615 = {
      {0, "FOSC0"}, {1, "FOSC1"},   {2, "FOSC2"}, {3, "WDTE"},   {4, "!PWRTE"},
      {5, "MCLRE"}, {6, "!CP"},     {7, "IOSCFS"}, {8, "BOREN0"}, {9, "BOREN1"}};
  static const std::vector<ConfigBit> kF818 = {
      {0, "FOSC0"}, {1, "FOSC1"}, {2, "WDTE"}, {3, "!PWRTE"}, {4, "FOSC2"}, {5, "MCLRE"}, {6, "BOREN"},
      {7, "LVP"},   {8, "!CPD"},  {9, "WRT0"}, {10, "WRT1"},  {11, "!DEBUG"}, {12, "CCPMX"}, {13, "!CP"}};
  auto with = [](std::vector<ConfigBit> bits, std::initializer_list<ConfigBit> more) {
    bits.insert(bits.end(), more);
    return bits;
  };
  static const std::vector<ConfigLayout> layouts = {
      {{F::F629},
       {{0, "FOSC0"}, {1, "FOSC1"}, {2, "FOSC2"}, {3, "WDTE"}, {4, "!PWRTE"}, {5, "MCLRE"},
        {6, "BODEN"}, {7, "!CP"}, {8, "!CPD"}, {12, "BG0"}, {13, "BG1"}},
       {},
       0x31FF},
      {{F::F683, F::F785}, kF683, {}},
      // PIC16F91x: DS41244E Register 4-1 adds DEBUG at bit 12.
      {{F::F91X}, with(kF683, {{12, "!DEBUG"}}), {}},
      {{F::F635}, with(kF683, {{12, "!WURE"}}), {}},
      {{F::F627A},
       {{0, "FOSC0"}, {1, "FOSC1"}, {2, "WDTE"}, {3, "!PWRTE"}, {4, "FOSC2"}, {5, "MCLRE"},
        {6, "BOREN"}, {7, "LVP"}, {8, "!CPD"}, {13, "!CP"}},
       {}},
      {{F::F615}, kF615, {}},
      {{F::F617}, with(kF615, {{10, "WRT0"}, {11, "WRT1"}}), {}},
      {{F::F752, F::F753},
       {{0, "FOSC0"}, {3, "WDTE"}, {4, "!PWRTE"}, {5, "MCLRE"}, {6, "!CP"}, {8, "BOREN0"},
        {9, "BOREN1"}, {10, "WRT0"}, {11, "WRT1"}, {12, "!CLKOUTEN"}, {13, "!DEBUG"}},
       {}},
      {{F::F88X}, with(kF683, {{12, "LVP"}, {13, "!DEBUG"}}), {{8, "BOR4V"}, {9, "WRT0"}, {10, "WRT1"}}},
      {{F::F72X},
       {{0, "FOSC0"}, {1, "FOSC1"}, {2, "FOSC2"}, {3, "WDTE"}, {4, "!PWRTE"}, {5, "MCLRE"},
        {6, "!CP"}, {8, "BOREN0"}, {9, "BOREN1"}, {10, "BORV"}, {12, "PLLEN"}, {13, "!DEBUG"}},
       {{4, "VCAPEN0"}, {5, "VCAPEN1"}}},
      {{F::F720},
       {{0, "FOSC0"}, {1, "FOSC1"}, {3, "WDTE"}, {4, "!PWRTE"}, {5, "MCLRE"}, {6, "!CP"},
        {8, "BOREN0"}, {9, "BOREN1"}, {12, "PLLEN"}, {13, "!DEBUG"}},
       {{0, "WRT0"}, {1, "WRT1"}, {4, "VCAPEN"}}},
      {{F::F1822},
       {{0, "FOSC0"}, {1, "FOSC1"}, {2, "FOSC2"}, {3, "WDTE0"}, {4, "WDTE1"}, {5, "!PWRTE"},
        {6, "MCLRE"}, {7, "!CP"}, {8, "!CPD"}, {9, "BOREN0"}, {10, "BOREN1"}, {11, "!CLKOUTEN"},
        {12, "IESO"}, {13, "FCMEN"}},
       {{0, "WRT0"}, {1, "WRT1"}, {8, "PLLEN"}, {9, "STVREN"}, {10, "BORV"}, {12, "!DEBUG"}, {13, "LVP"}}},
      {{F::F1501},
       {{0, "FOSC0"}, {1, "FOSC1"}, {3, "WDTE0"}, {4, "WDTE1"}, {5, "!PWRTE"}, {6, "MCLRE"},
        {7, "!CP"}, {9, "BOREN0"}, {10, "BOREN1"}, {11, "!CLKOUTEN"}},
       {{0, "WRT0"}, {1, "WRT1"}, {9, "STVREN"}, {10, "BORV"}, {11, "!LPBOR"}, {13, "LVP"}}},
      {{F::F1508},
       {{0, "FOSC0"}, {1, "FOSC1"}, {2, "FOSC2"}, {3, "WDTE0"}, {4, "WDTE1"}, {5, "!PWRTE"},
        {6, "MCLRE"}, {7, "!CP"}, {9, "BOREN0"}, {10, "BOREN1"}, {11, "!CLKOUTEN"}, {12, "IESO"},
        {13, "FCMEN"}},
       {{0, "WRT0"}, {1, "WRT1"}, {9, "STVREN"}, {10, "BORV"}, {11, "!LPBOR"}, {12, "!DEBUG"}, {13, "LVP"}}},
      // PIC16(L)F193x: DS41360A Table 7-1 (CONFIG1 as the PIC16F1827's;
      // CONFIG2 adds the regulator capacitor pin, which the LF parts lack).
      {{F::F1933},
       {{0, "FOSC0"}, {1, "FOSC1"}, {2, "FOSC2"}, {3, "WDTE0"}, {4, "WDTE1"}, {5, "!PWRTE"},
        {6, "MCLRE"}, {7, "!CP"}, {8, "!CPD"}, {9, "BOREN0"}, {10, "BOREN1"}, {11, "!CLKOUTEN"},
        {12, "IESO"}, {13, "FCMEN"}},
       {{0, "WRT0"}, {1, "WRT1"}, {4, "VCAPEN0"}, {5, "VCAPEN1"}, {8, "PLLEN"}, {9, "STVREN"}, {10, "BORV"},
        {12, "!DEBUG"}, {13, "LVP"}}},
      // PIC16(L)F145x: gputils p16f1459.inc (CONFIG1 0x3EFF, no CPD;
      // CONFIG2 0x3FF3 with the USB clock bits).
      {{F::F1454},
       {{0, "FOSC0"}, {1, "FOSC1"}, {2, "FOSC2"}, {3, "WDTE0"}, {4, "WDTE1"}, {5, "!PWRTE"},
        {6, "MCLRE"}, {7, "!CP"}, {9, "BOREN0"}, {10, "BOREN1"}, {11, "!CLKOUTEN"}, {12, "IESO"},
        {13, "FCMEN"}},
       {{0, "WRT0"}, {1, "WRT1"}, {4, "CPUDIV0"}, {5, "CPUDIV1"}, {6, "USBLSCLK"}, {7, "PLLMULT"},
        {8, "PLLEN"}, {9, "STVREN"}, {10, "BORV"}, {11, "!LPBOR"}, {12, "!DEBUG"}, {13, "LVP"}}},
      // PIC16F84A: DS30262E Register 3-1; CP is bits 13:4, all set the same.
      {{F::F84A},
       {{0, "FOSC0"}, {1, "FOSC1"}, {2, "WDTE"}, {3, "!PWRTE"}, {4, "!CP"}, {5, "!CP"}, {6, "!CP"}, {7, "!CP"},
        {8, "!CP"}, {9, "!CP"}, {10, "!CP"}, {11, "!CP"}, {12, "!CP"}, {13, "!CP"}},
       {}},
      // PIC16F87xA: DS39589B Register 3-1 (implemented bits 0x2FCF).
      {{F::F87XA},
       {{0, "FOSC0"}, {1, "FOSC1"}, {2, "WDTE"}, {3, "!PWRTE"}, {6, "BOREN"}, {7, "LVP"}, {8, "!CPD"},
        {9, "WRT0"}, {10, "WRT1"}, {11, "!DEBUG"}, {13, "!CP"}},
       {}},
      // PIC16F87/88 (DS39607B Registers 4-1, 4-2) and PIC16F818/819
      // (DS39603C Register 3-1): the same first word; the 87/88 add a
      // second with the clock monitor bits.
      // PIC16(L)F1946/1947: gputils p16f1947.inc (CONFIG2 0x3713, one
      // VCAPEN bit, which the LF parts lack).
      {{F::F1946},
       {{0, "FOSC0"}, {1, "FOSC1"}, {2, "FOSC2"}, {3, "WDTE0"}, {4, "WDTE1"}, {5, "!PWRTE"},
        {6, "MCLRE"}, {7, "!CP"}, {8, "!CPD"}, {9, "BOREN0"}, {10, "BOREN1"}, {11, "!CLKOUTEN"},
        {12, "IESO"}, {13, "FCMEN"}},
       {{0, "WRT0"}, {1, "WRT1"}, {4, "VCAPEN"}, {8, "PLLEN"}, {9, "STVREN"}, {10, "BORV"}, {12, "!DEBUG"},
        {13, "LVP"}}},
      {{F::F88}, kF818, {{0, "FCMEN"}, {1, "IESO"}}},
      {{F::F818}, kF818, {}},
      // The baseline parts, one 12-bit word each: the documents' Configuration
      // Word registers (DS41228E, DS41266C, DS41227E, DS41257B, DS41226F,
      // DS41258B, DS41316B, DS41317B, DS41207D).
      {{F::B10F}, {{2, "WDTE"}, {3, "!CP"}, {4, "MCLRE"}}, {}, 0x0FFF, {0x8200, 0x8202, 0x8204, 0x8206}},
      {{F::B10F},
       {{0, "IOSCFS"}, {1, "!MCPU"}, {2, "WDTE"}, {3, "!CP"}, {4, "MCLRE"}},
       {},
       0x0FFF,
       {0x8220, 0x8222}},
      {{F::B10F}, {{0, "FOSC0"}, {1, "FOSC1"}, {2, "WDTE"}, {3, "!CP"}, {4, "MCLRE"}}, {}, 0x0FFF, {0x8508, 0x8509}},
      {{F::B10F},
       {{0, "FOSC0"}, {1, "FOSC1"}, {2, "WDTE"}, {3, "!CP"}, {4, "MCLRE"}, {5, "IOSCFS"}},
       {},
       0x0FFF,
       {0x8510}},
      {{F::B10F},
       {{0, "FOSC0"}, {1, "FOSC1"}, {2, "FOSC2"}, {3, "WDTE"}, {4, "!CP"}, {5, "MCLRE"}},
       {},
       0x0FFF,
       {0x8605}},
      {{F::B10F},
       {{0, "FOSC0"}, {1, "FOSC1"}, {2, "FOSC2"}, {3, "WDTE"}, {4, "!CP"}, {5, "MCLRE"}, {6, "IOSCFS"}},
       {},
       0x0FFF,
       {0x8606}},
      // CPDF protects the flash data memory.
      {{F::B519},
       {{0, "FOSC0"}, {1, "FOSC1"}, {2, "WDTE"}, {3, "!CP"}, {4, "MCLRE"}, {5, "IOSCFS"}, {6, "!CPD"}},
       {},
       0x0FFF,
       {0x8519}},
      {{F::B519},
       {{0, "FOSC0"}, {1, "FOSC1"}, {2, "FOSC2"}, {3, "WDTE"}, {4, "!CP"}, {5, "MCLRE"}, {6, "IOSCFS"},
        {7, "!CPD"}},
       {},
       0x0FFF,
       {0x8626}},
      {{F::B54, F::B57}, {{0, "FOSC0"}, {1, "FOSC1"}, {2, "WDTE"}, {3, "!CP"}}, {}, 0x0FFF},
  };
  return layouts;
}

namespace {

const ConfigLayout* LayoutOf(const LookupResult& found) {
  if (found.kind != LookupResult::Kind::kEntry) return nullptr;
  for (const ConfigLayout& layout : ConfigLayouts()) {
    const auto& ids = layout.id_words;
    if (!ids.empty() && std::find(ids.begin(), ids.end(), found.entry->IdWord) == ids.end()) continue;
    for (ChipFamily f : layout.families) {
      if (f == found.entry->Family) return &layout;
    }
  }
  return nullptr;
}

ProtectionBits ProtectionOf(const ConfigLayout* layout) {
  ProtectionBits bits;
  if (layout == nullptr) return bits;
  for (const ConfigBit& b : layout->w1) {
    const std::string_view caption = b.caption;
    if (caption == "!CP") bits.code = static_cast<std::uint16_t>(bits.code | (1u << b.bit));
    if (caption == "!CPD") bits.data = static_cast<std::uint16_t>(bits.data | (1u << b.bit));
  }
  return bits;
}

}  // namespace

const ConfigLayout* ConfigLayoutFor(std::uint16_t chip_id_word) { return LayoutOf(LookupChip(chip_id_word)); }

const ConfigLayout* ConfigLayoutFor(const ChipRecord& chip) { return LayoutOf(LookupSelected(chip)); }

std::uint16_t NamedBits(const std::vector<ConfigBit>& bits) {
  std::uint16_t mask = 0;
  for (const ConfigBit& b : bits) mask = static_cast<std::uint16_t>(mask | (1u << b.bit));
  return mask;
}

const char* BitDescription(const char* caption) {
  static const struct {
    const char* caption;
    const char* text;
  } kTexts[] = {
      {"FOSC0", "oscillator selection, bit 0"},
      {"FOSC1", "oscillator selection, bit 1"},
      {"FOSC2", "oscillator selection, bit 2"},
      {"WDTE", "watchdog timer, checked = watchdog off"},
      {"WDTE0", "watchdog timer mode, bit 0"},
      {"WDTE1", "watchdog timer mode, bit 1"},
      {"!PWRTE", "power-up timer, checked = timer on"},
      {"MCLRE", "MCLR pin, checked = the pin is an input, reset inside"},
      {"BODEN", "brown-out detect, checked = off"},
      {"BOREN", "brown-out reset, checked = off"},
      {"BOREN0", "brown-out reset mode, bit 0"},
      {"BOREN1", "brown-out reset mode, bit 1"},
      {"!CP", "code protection, checked = program memory protected"},
      {"!CPD", "data code protection, checked = EEPROM protected"},
      {"BG0", "band-gap calibration, bit 0 (set in the factory)"},
      {"BG1", "band-gap calibration, bit 1 (set in the factory)"},
      {"IESO", "internal/external oscillator switchover, checked = off"},
      {"FCMEN", "fail-safe clock monitor, checked = off"},
      {"!WURE", "wake-up reset, checked = a wake-up resets the chip"},
      {"LVP", "low-voltage programming, checked = off (MCLR needs high voltage)"},
      {"IOSCFS", "internal oscillator, checked = 4 MHz instead of 8 MHz"},
      {"WRT0", "flash self-write protection, bit 0"},
      {"WRT1", "flash self-write protection, bit 1"},
      {"!CLKOUTEN", "clock out, checked = CLKOUT pin drives the clock"},
      {"!DEBUG", "in-circuit debugger, checked = debugger on"},
      {"BOR4V", "brown-out reset voltage, checked = 2.1 V instead of 4.0 V"},
      {"BORV", "brown-out reset voltage, checked = high trip point"},
      {"PLLEN", "4x PLL, checked = off"},
      {"VCAPEN", "voltage regulator capacitor, checked = on"},
      {"VCAPEN0", "voltage regulator capacitor pin, bit 0"},
      {"VCAPEN1", "voltage regulator capacitor pin, bit 1"},
      {"STVREN", "stack overflow/underflow reset, checked = off"},
      {"!LPBOR", "low-power brown-out reset, checked = on"},
      {"CPUDIV0", "system clock divider, bit 0"},
      {"CPUDIV1", "system clock divider, bit 1"},
      {"USBLSCLK", "USB clock, checked = 48 MHz (full speed) instead of 6 MHz"},
      {"PLLMULT", "PLL, checked = 3x instead of 4x"},
      {"CCPMX", "CCP1 pin, checked = RB0 instead of RB3"},
      {"!MCPU", "pull-up on the MCLR pin, checked = on"},
  };
  for (const auto& t : kTexts) {
    if (std::strcmp(t.caption, caption) == 0) return t.text;
  }
  return "";
}

ProtectionBits ProtectionBitsFor(std::uint16_t chip_id_word) { return ProtectionOf(ConfigLayoutFor(chip_id_word)); }

ProtectionBits ProtectionBitsFor(const ChipRecord& chip) { return ProtectionOf(ConfigLayoutFor(chip)); }

std::uint16_t ComparedConfigBits(const ChipEntry& entry, std::uint32_t word) {
  if (word <= 3) return WordBitsOf(entry.Family) == 12 ? 0x0FFF : 0x3FFF;
  const ConfigLayout* layout = ConfigLayoutFor(entry.IdWord);
  if (layout == nullptr) return 0;
  if (word == 7) {
    const std::uint16_t calibration = entry.Family == ChipFamily::F629 ? 0x3000 : 0;
    return static_cast<std::uint16_t>(NamedBits(layout->w1) & ~calibration);
  }
  if (word == 8 && layout->TwoWords()) return NamedBits(layout->w2);
  return 0;
}

std::uint16_t ComparedConfigBits(const ChipRecord& chip, std::uint32_t word) {
  const LookupResult found = LookupSelected(chip);
  if (found.kind != LookupResult::Kind::kEntry) return 0;
  const std::uint16_t bits = ComparedConfigBits(*found.entry, word);
  if ((word == 7 || word == 8) && chip.ConfigMasks[word - 7] != 0) {
    return static_cast<std::uint16_t>(bits & chip.ConfigMasks[word - 7]);
  }
  return bits;
}

}  // namespace fw
