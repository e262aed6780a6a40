#pragma once

#include <cstdint>
#include <vector>

#include "chips/catalogue.h"

namespace fw::sim {

// What a family of chips does at its ICSP port, as Microchip's programming
// documents and real chips show it (sources per row in silicon.cpp and in
// sim/README.md). The simulator keeps this table of its own: it never takes a
// time from the programmer's catalogue, so that a wrong wait there shows up
// as a cell the chip did not program.
struct Silicon {
  // The chip's own minimum times in microseconds; 0 where the chip has no
  // such command.
  std::uint32_t erase_us;         // 0x09 and 0x0B
  std::uint32_t program_int_us;   // 0x08 on a program word
  std::uint32_t config_int_us;    // 0x08 on a configuration word
  std::uint32_t data_int_us;      // 0x08 on an EEPROM byte (erase and write)
  std::uint32_t ext_min_us;       // 0x18 ... 0x0A, shortest
  std::uint32_t ext_max_us;       // 0x18 ... 0x0A, longest; 0 = no limit

  // Bits of the configuration word (offset 7) that protect the memories;
  // -1 where the family has no such bit.
  int cp_bit;
  int cpd_bit;

  // Configuration cells by offset from the configuration base.
  std::vector<std::uint32_t> config_words;
  std::vector<std::uint32_t> calibration_words;
  // Factory values of the calibration words, in the same order.
  std::vector<std::uint16_t> calibration_values;
  // A bulk erase with the counter on a calibration word erases that word;
  // false: the calibration words are never erased (nor programmed).
  bool calibration_erasable;

  // Configuration word bits that are not implemented and read 0.
  std::uint16_t unimplemented_config_bits;
  // Configuration space above base + 0x1F aliases onto base ... base + 0x1F.
  bool config_space_aliases;
  // With CP = 0 the configuration space reads zeros too.
  bool cp_hides_config;
  // 0x18 on a configuration word is not allowed (only 0x08 programs them).
  bool ext_config_refused;
  // The documented erase sequence loads 0x3FFF first; without it the chip
  // may keep its configuration.
  bool erase_wants_load;
  // A bulk erase of program memory also erases a protected EEPROM.
  bool erase_clears_protected_data;

  // Program words one Begin Programming writes, from latches loaded at the
  // counter's low bits (1: the last Load alone).
  std::uint32_t latch_words;
  // Begin Programming (0x08) erases the cells it writes first, so a word
  // may gain bits as well as lose them.
  bool program_erases_first;
  // The command that ends an externally timed cycle.
  std::uint8_t end_programming;
  // Chip Erase (0x1F), self-timed; 0 where the chip has none. From
  // configuration space it takes everything; from program space program
  // memory and what these say.
  std::uint32_t chip_erase_us;
  bool chip_erase_takes_data_anywhere;
  bool chip_erase_takes_config_anywhere;
  // The code-protect clear sequence (0x01, 0x07, then Begin Programming on
  // the configuration word) erases everything, protected or not.
  bool protection_clear;
  // The bulk erases only arm: the Begin Programming after them runs them.
  bool bulk_erase_needs_begin;
  // The bulk erases do nothing while CP or CPD is on.
  bool bulk_erase_refused_protected;

  // The baseline (12-bit) parts. Entry puts the counter on the configuration
  // word at the top of the address space (twice the program words, less
  // one), from where one Increment wraps it to word 0; Begin Programming
  // 0x08 is externally timed there and a Bulk Erase takes what the counter's
  // place says.
  std::uint32_t word_bits = 14;
  // The factory OSCCAL (a MOVLW) at the last program word, and its backup
  // copy at the fifth word after program memory and flash data.
  bool osccal_backup = false;
  // Flash data bytes between program memory and the user IDs.
  std::uint32_t flash_data_bytes = 0;
  // A Bulk Erase from the user IDs takes program memory and the
  // configuration word too (not only the IDs and the backup).
  bool id_erase_takes_all = false;
};

// The row for a catalogue entry (by its family; a few chips differ from
// their family and are picked out by device code).
Silicon SiliconOf(const ChipEntry& entry);

}  // namespace fw::sim
