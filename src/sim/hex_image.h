#pragma once

#include <string>

#include "sim/virtual_chip.h"

namespace fw::sim {

// The chip's memories as one Intel HEX image in the full-chip layout:
// program word i at byte address 2i, configuration word i at
// 2 * (ConfigBase + i), EEPROM byte i at 2 * (DataBase + i) as the low byte
// of a word. The simulator keeps its own reader and writer so that a fault in
// the programmer's file code cannot hide behind the same fault here.
bool LoadChipHex(const std::string& path, VirtualChip& chip, std::string* error);
bool DumpChipHex(const std::string& path, const VirtualChip& chip, std::string* error);

}  // namespace fw::sim
