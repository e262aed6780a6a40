#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "chips/catalogue.h"
#include "files/hex_file.h"
#include "images/images.h"

namespace fw {

// The bytes of a raw image file of `section`. Where each stretch sits
// follows from the chip's word addresses alone: the program stretch is the
// whole address range below the configuration base, the configuration
// stretch runs (padded with 0xFF) up to the EEPROM's base, and the EEPROM
// holds one byte per location.
std::string FormatBin(FileSection section, const ChipRecord& chip, const Images& images,
                      const ProgressSink& progress);

// Reads a raw image file into the images of `section` (cleared by the
// caller); a byte the file does not have stays as it was. For a full-chip
// file, `missing` is told "There is no config in the file" or "There is no
// EEPROM data in the file" when the file holds no byte of that stretch.
// A configuration or data load of a full-chip file takes the section from
// its stretch; the layout read is given (kNone for the other sections).
SectionLayout ParseBin(std::string_view bytes, FileSection section, const ChipRecord& chip, Images& images,
              const ProgressSink& progress, const std::function<void(const char*)>& missing);

}  // namespace fw
