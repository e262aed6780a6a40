#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "chips/catalogue.h"
#include "images/images.h"
#include "log/log.h"

namespace fw {

// How the chip maker's programming documents compute a family's
// checksum (sources beside each row in checksum.cpp).
struct ChecksumRule {
  ChipFamily family;
  // Program words summed: all but the last `program_words_left_out` (the
  // F629 family's OSCCAL word).
  std::uint32_t program_words_left_out;
  // The bits of configuration words 7 and 8 summed (0: the word is not).
  std::uint16_t config_mask;
  std::uint16_t config2_mask;
  // The bit of configuration word 7 that is 0 when program memory is
  // code-protected.
  int cp_bit;
  const char* source;
  // The baseline parts: program words 0 ... n-1 still summed under code
  // protection (0: none), a constant added to every sum, and the masks and
  // CP bit taken from the chip's configuration layout (cp_bit -1).
  std::uint32_t words_under_cp = 0;
  std::uint16_t constant = 0;
};

// The rule for `family`, or nullptr where no document publishes one.
const ChecksumRule* ChecksumRuleFor(ChipFamily family);

// The 16-bit checksum of the images for the selected chip, as device
// programmers show it: program memory and the configuration word(s) masked;
// for a code-protected image the configuration word(s) and the low nibbles
// of the four user IDs (ID0 the high nibble) in place of program memory.
// Nothing for a chip without a published rule (or no chip).
std::optional<std::uint16_t> ImageChecksum(const ChipRecord& chip, const Images& images);

// "Checksum: 0x1234", or "Checksum: no published checksum rule for this
// chip": the line the log and the window show.
std::string ChecksumText(const ChipRecord& chip, const Images& images);

// Appends that line to the log; gives its text.
std::string LogChecksum(const ChipRecord& chip, const Images& images, Log& log);

}  // namespace fw
