#pragma once

#include <ostream>

namespace fw::cli {

// The catalogue as CSV, one entry a line in catalogue order, under a header.
void PrintChipsCsv(std::ostream& out);
// The catalogue as a table for people.
void PrintChipsTable(std::ostream& out);

}  // namespace fw::cli
