#pragma once

#include <bitset>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "chips/catalogue.h"
#include "images/images.h"

namespace fw {

// Which images a file command moves.
enum FileSection : int { sectAll = 0, sectProgram = 1, sectData = 2, sectConfig = 3 };

// Moves the progress bar (0-100).
using ProgressSink = std::function<void(int)>;

// Where a file held the one section it was loaded for (configuration or
// EEPROM): at the section's own place in the chip's address space, as
// assemblers and "Save All" write it, or from address 0, as the section
// saves write it. kNone: no byte of the section was found.
enum class SectionLayout { kNone, kFromZero, kChipAddresses };

// How the reading of a HEX text went.
struct HexReading {
  bool end_record = false;       // an end-of-file record ended the reading
  std::string wrong_file;        // the reason of a stop ("Wrong file" suffix); empty if none
  std::uint64_t dropped_bytes = 0;  // data bytes outside the areas of the section
  std::uint64_t bad_checksums = 0;  // records loaded although their checksum is wrong
  std::uint64_t first_bad_checksum_line = 0;  // 1-based; 0 when there is none
  std::bitset<kConfigImageBytes / 2> config_words_set;  // the configuration words the text set
  SectionLayout layout = SectionLayout::kNone;  // configuration and data loads only
  std::uint64_t passed_over = 0;  // bytes of the chip's other areas, not taken by a section load
};

// Reads Intel HEX text into the images of `section` for the selected chip,
// a configuration or data section from wherever the file holds it (its
// place in the chip's address space wins over address 0),
// record by record at fixed character positions, until the end record or a
// record that stops the reading. Tolerant where files in the wild differ
// (record mark, checksums, line ends), strict where a record cannot be read
// (too short, a character that is no hex digit): the reading stops there and
// never reads past a line. The images must have been cleared by the caller.
HexReading ParseHex(std::string_view text, FileSection section, const ChipRecord& chip,
                    Images& images, const ProgressSink& progress);

// The Intel HEX text of `section`: upper-case digits, CR LF line ends,
// 8-byte data records, extended linear address records where the section
// crosses a 64 KiB boundary (from address 0 on in the sections that start
// there), and the end record without a line break after it.
std::string FormatHex(FileSection section, const ChipRecord& chip, const Images& images,
                      const ProgressSink& progress);

}  // namespace fw
