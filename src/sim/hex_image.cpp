#include "sim/hex_image.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

namespace fw::sim {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool ParseRecord(const std::string& line, std::vector<std::uint8_t>& bytes) {
  if (line.size() < 11 || line[0] != ':' || (line.size() - 1) % 2 != 0) return false;
  bytes.clear();
  for (size_t i = 1; i + 1 < line.size(); i += 2) {
    const int hi = HexValue(line[i]), lo = HexValue(line[i + 1]);
    if (hi < 0 || lo < 0) return false;
    bytes.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
  }
  if (bytes.size() != static_cast<size_t>(bytes[0]) + 5) return false;
  unsigned sum = 0;
  for (std::uint8_t b : bytes) sum += b;
  return (sum & 0xFF) == 0;
}

}  // namespace

bool LoadChipHex(const std::string& path, VirtualChip& chip, std::string* error) {
  std::ifstream in(path);
  if (!in) {
    if (error) *error = "cannot open " + path;
    return false;
  }
  std::map<std::uint32_t, std::uint8_t> memory;
  std::uint32_t upper = 0;
  std::string line;
  int number = 0;
  bool ended = false;
  std::vector<std::uint8_t> r;
  while (!ended && std::getline(in, line)) {
    ++number;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (line.empty()) continue;
    if (!ParseRecord(line, r)) {
      if (error) *error = path + ":" + std::to_string(number) + ": not a valid HEX record";
      return false;
    }
    const std::uint32_t offset = (r[1] << 8) | r[2];
    switch (r[3]) {
      case 0x00:
        for (std::uint32_t k = 0; k < r[0]; ++k) memory[upper + offset + k] = r[4 + k];
        break;
      case 0x01: ended = true; break;
      case 0x02: upper = ((r[4] << 8) | r[5]) << 4; break;
      case 0x04: upper = ((r[4] << 8) | r[5]) << 16; break;
      default: break;
    }
  }
  auto word_at = [&memory](std::uint32_t byte_address, std::uint16_t& word) {
    const auto lo = memory.find(byte_address), hi = memory.find(byte_address + 1);
    if (lo == memory.end() && hi == memory.end()) return false;
    word = static_cast<std::uint16_t>((lo == memory.end() ? 0xFF : lo->second) |
                                      ((hi == memory.end() ? 0x3F : hi->second) << 8));
    return true;
  };
  std::uint16_t w = 0;
  for (std::uint32_t i = 0; i < chip.program_words(); ++i) {
    if (word_at(2 * i, w)) chip.SetProgramWord(i, w);
  }
  for (std::uint32_t i = 0; i < chip.config_words(); ++i) {
    if (word_at(2 * chip.HexWordOfConfig(i), w)) chip.SetConfigWord(i, w);
  }
  for (std::uint32_t i = 0; i < chip.data_bytes(); ++i) {
    const auto it = memory.find(2 * chip.HexWordOfData(i));
    if (it != memory.end()) chip.SetDataByte(i, it->second);
  }
  return true;
}

bool DumpChipHex(const std::string& path, const VirtualChip& chip, std::string* error) {
  std::map<std::uint32_t, std::uint8_t> memory;
  auto put_word = [&memory](std::uint32_t byte_address, std::uint16_t w) {
    memory[byte_address] = static_cast<std::uint8_t>(w & 0xFF);
    memory[byte_address + 1] = static_cast<std::uint8_t>(w >> 8);
  };
  for (std::uint32_t i = 0; i < chip.program_words(); ++i) put_word(2 * i, chip.ProgramWord(i));
  for (std::uint32_t i = 0; i < chip.config_words(); ++i) {
    put_word(2 * chip.HexWordOfConfig(i), chip.ConfigWord(i));
  }
  for (std::uint32_t i = 0; i < chip.data_bytes(); ++i) {
    put_word(2 * chip.HexWordOfData(i), chip.DataByte(i));
  }

  std::ostringstream out;
  char text[80];
  std::uint32_t upper = 0xFFFFFFFF;
  auto it = memory.begin();
  while (it != memory.end()) {
    const std::uint32_t start = it->first;
    if ((start >> 16) != upper) {
      upper = start >> 16;
      const unsigned sum = 0x02 + 0x04 + (upper >> 8) + (upper & 0xFF);
      std::snprintf(text, sizeof text, ":02000004%04X%02X\n", upper, (0x100 - (sum & 0xFF)) & 0xFF);
      out << text;
    }
    std::vector<std::uint8_t> run;
    std::uint32_t next = start;
    while (it != memory.end() && it->first == next && run.size() < 16 && (next >> 16) == upper) {
      run.push_back(it->second);
      ++it;
      ++next;
    }
    const std::uint32_t offset = start & 0xFFFF;
    unsigned sum = static_cast<unsigned>(run.size()) + (offset >> 8) + (offset & 0xFF);
    std::snprintf(text, sizeof text, ":%02X%04X00", static_cast<unsigned>(run.size()), offset);
    out << text;
    for (std::uint8_t b : run) {
      std::snprintf(text, sizeof text, "%02X", b);
      out << text;
      sum += b;
    }
    std::snprintf(text, sizeof text, "%02X\n", (0x100 - (sum & 0xFF)) & 0xFF);
    out << text;
  }
  out << ":00000001FF\n";

  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << out.str();
  file.close();
  if (!file) {
    if (error) *error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace fw::sim
