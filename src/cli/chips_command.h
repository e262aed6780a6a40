#pragma once

#include <ostream>

#include "chips/user_chips.h"

namespace fw::cli {

// The catalogue as CSV, one entry a line in catalogue order, under a header;
// the chips of the user's chips file after the built-in ones.
void PrintChipsCsv(std::ostream& out, const ChipList& chips);
void PrintChipsCsv(std::ostream& out);
// The same as a table for people, each added chip with where it came from.
void PrintChipsTable(std::ostream& out, const ChipList& chips);

}  // namespace fw::cli
