#pragma once

#include <cstdint>
#include <vector>

#include "chips/catalogue.h"

namespace fw {

// One named bit of a configuration word.
struct ConfigBit {
  int bit;
  const char* caption;  // "FOSC0", "!CP" (a leading "!" marks a bit active at 0)
};

// The named bits of a family's configuration word(s): W1 at ConfigBase + 7,
// W2 at ConfigBase + 8 (empty for the one-word families).
struct ConfigLayout {
  std::vector<ChipFamily> families;
  std::vector<ConfigBit> w1;
  std::vector<ConfigBit> w2;
  // What a word holds where it has no named bit, when the dialog stores it.
  std::uint16_t w1_base = 0x3FFF;
  // The chips (ID words) the layout is for where a family's chips differ;
  // empty: every chip of its families.
  std::vector<std::uint16_t> id_words = {};

  bool TwoWords() const { return !w2.empty(); }
};

// The layout of the chip an ID word selects (revision bits ignored, the
// PIC16F753 only by its exact word); nullptr for no chip or an unknown one.
const ConfigLayout* ConfigLayoutFor(std::uint16_t chip_id_word);
const ConfigLayout* ConfigLayoutFor(const ChipRecord& chip);
// Every layout, for checks over the whole catalogue.
const std::vector<ConfigLayout>& ConfigLayouts();

// The bits a list names.
std::uint16_t NamedBits(const std::vector<ConfigBit>& bits);

// What a bit does, in a few words, for the dialog's tooltips.
const char* BitDescription(const char* caption);

// The bits of configuration word `word` (offset from ConfigBase) that a
// comparison with a file takes: the user IDs whole, the configuration
// word(s) where the family implements a bit that is not factory calibration
// (the F629's band-gap bits are), nothing elsewhere (device ID, calibration
// words, unimplemented cells).
// The protection bits of the first configuration word ("!CP" and "!CPD",
// active at 0) of the chip an ID word selects; 0 for no chip or an unknown one.
struct ProtectionBits {
  std::uint16_t code = 0;
  std::uint16_t data = 0;
  std::uint16_t all() const { return static_cast<std::uint16_t>(code | data); }
};
ProtectionBits ProtectionBitsFor(std::uint16_t chip_id_word);
ProtectionBits ProtectionBitsFor(const ChipRecord& chip);

std::uint16_t ComparedConfigBits(const ChipEntry& entry, std::uint32_t word);
// The same for the selected chip: an added chip's own masks narrow its
// family's bits.
std::uint16_t ComparedConfigBits(const ChipRecord& chip, std::uint32_t word);

}  // namespace fw
