#pragma once
// One Intel HEX data record, written out by hand for the tests that feed
// whole programs files they did not get from this program's writer.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace fw::test {

inline std::string HexRecord(std::uint16_t address, const std::vector<std::uint8_t>& bytes) {
  unsigned sum = static_cast<unsigned>(bytes.size()) + (address >> 8) + (address & 0xFF);
  char text[16];
  std::snprintf(text, sizeof text, ":%02X%04X00", static_cast<unsigned>(bytes.size()), address);
  std::string line = text;
  for (std::uint8_t b : bytes) {
    std::snprintf(text, sizeof text, "%02X", b);
    line += text;
    sum += b;
  }
  std::snprintf(text, sizeof text, "%02X\n", (0x100 - (sum & 0xFF)) & 0xFF);
  return line + text;
}

}  // namespace fw::test
