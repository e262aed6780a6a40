// The baseline (12-bit) parts at their ICSP port, from their programming
// documents (DS41228E sections 2.3 and 3.1, Table 3-2, and the other
// baseline documents; see sim/README.md): the counter starts at the
// configuration word, the first Increment wraps it to word 0 and it climbs
// through program memory, flash data, user IDs and backup OSCCAL up to the
// configuration word again. Loads and reads carry twelve bits, the two above
// them ignored on a load and read as 0.
#include <algorithm>
#include <cstdio>

#include "sim/virtual_chip.h"

namespace fw::sim {

namespace {
constexpr std::uint8_t kLoadData = 0x02;
constexpr std::uint8_t kReadData = 0x04;
constexpr std::uint8_t kIncrement = 0x06;
constexpr std::uint8_t kBeginProgramming = 0x08;  // externally timed, ended by 0x0E
constexpr std::uint8_t kBulkErase = 0x09;
// Code protection leaves the first 64 words readable (and the OSCCAL word).
constexpr std::uint32_t kReadableUnderCp = 0x40;
}  // namespace

std::uint32_t VirtualChip::HexWordOfConfig(std::uint32_t i) const {
  if (!baseline()) return entry_.ConfigBase + i;
  // A HEX file puts the baseline configuration word at 0xFFF.
  return i == 7 ? 0x0FFF : BaselineIds() + i;
}

std::uint32_t VirtualChip::HexWordOfData(std::uint32_t i) const {
  return baseline() ? program_words() + i : entry_.DataBase + i;
}

void VirtualChip::BaselineCommand(std::uint8_t code, std::uint64_t now_us) {
  switch (code) {
    case kLoadData:
    case kReadData:
      pending_data_command_ = code;
      break;
    case kIncrement:
      pc_ = pc_ == BaselineConfigAddress() ? 0 : pc_ + 1;
      break;
    case kBeginProgramming: {
      if (latch_ == Latch::kNone) {
        Note("Begin Programming without a Load before it; ignored");
        return;
      }
      Cycle c = NewCycle(code, now_us);
      latch_ = Latch::kNone;
      c.min_us = silicon_.ext_min_us;
      c.max_us = silicon_.ext_max_us;
      if (silicon_.latch_words > 1 && pc_ < program_words()) TakeLatchedRow(c);
      cycle_ = c;
      break;
    }
    case kBulkErase:
      cycle_ = NewCycle(code, now_us);
      break;
    default: {
      if (code == silicon_.end_programming) break;  // with no cycle running, nothing to end
      char text[64];
      std::snprintf(text, sizeof text, "unknown ICSP command 0x%02X ignored", code);
      Note(text);
      break;
    }
  }
}

std::uint16_t VirtualChip::BaselineDataPacket(std::uint8_t command, std::uint16_t packet) {
  const auto word = static_cast<std::uint16_t>((packet >> 1) & 0x0FFF);
  if (command == kReadData) return static_cast<std::uint16_t>(BaselineReadWord() << 1);
  latch_ = Latch::kProgram;
  latch_value_ = word;
  if (silicon_.latch_words > 1 && pc_ < program_words()) LoadLatch(word);
  return packet;
}

std::uint16_t VirtualChip::BaselineReadWord() const {
  const std::uint32_t n = program_words();
  if (pc_ == BaselineConfigAddress()) return config_[7];
  if (pc_ < n) {
    const bool readable = pc_ < kReadableUnderCp || (silicon_.osccal_backup && pc_ == n - 1);
    return CodeProtected() && !readable ? 0 : program_[pc_];
  }
  if (pc_ < BaselineIds()) return DataProtected() ? 0 : data_[pc_ - n];
  const std::uint32_t offset = pc_ - BaselineIds();
  if (offset < 5) return ConfigWord(offset);
  return word_mask_;
}

void VirtualChip::BaselineProgram(const Cycle& cycle) {
  char text[120];
  const std::uint32_t n = program_words();
  if (cycle.pc == BaselineConfigAddress()) {
    config_[7] &= cycle.value;
    return;
  }
  if (cycle.pc < n) {
    if (CodeProtected()) {
      std::snprintf(text, sizeof text, "program word 0x%04X not programmed: CP = 0", cycle.pc);
      Note(text);
      return;
    }
    if (!cycle.row.empty()) {
      for (std::size_t j = 0; j < cycle.row.size(); ++j) program_[(cycle.pc + j) % n] &= cycle.row[j];
      return;
    }
    program_[cycle.pc] &= cycle.value;
    return;
  }
  if (cycle.pc < BaselineIds()) {
    if (DataProtected()) {
      std::snprintf(text, sizeof text, "flash data 0x%04X not programmed: CPDF = 0", cycle.pc);
      Note(text);
      return;
    }
    data_[cycle.pc - n] &= static_cast<std::uint8_t>(cycle.value);
    return;
  }
  const std::uint32_t offset = cycle.pc - BaselineIds();
  // The user IDs and the backup take programming; nothing above them does.
  if (offset < 4 || (offset == 4 && silicon_.osccal_backup)) config_[offset] &= cycle.value;
}

void VirtualChip::BaselineErase(const Cycle& cycle) {
  const std::uint32_t n = program_words();
  const bool data_was_protected = DataProtected();
  auto program_and_config = [&] {
    std::fill(program_.begin(), program_.end(), word_mask_);
    config_[7] = word_mask_;
  };
  if (cycle.pc == BaselineConfigAddress() || cycle.pc < n) {
    program_and_config();
    // A protected flash data memory goes with them, an unprotected one stays.
    if (data_was_protected) std::fill(data_.begin(), data_.end(), 0xFF);
    return;
  }
  if (cycle.pc < BaselineIds()) {
    if (data_was_protected) {
      Note("Bulk Erase in flash data with CPDF = 0 does nothing; ignored");
      return;
    }
    std::fill(data_.begin(), data_.end(), 0xFF);
    return;
  }
  if (cycle.pc < BaselineIds() + 8) {
    if (silicon_.id_erase_takes_all) program_and_config();
    for (std::uint32_t i = 0; i < 5; ++i) config_[i] = word_mask_;
    return;
  }
  char text[96];
  std::snprintf(text, sizeof text, "Bulk Erase with the counter at 0x%04X erases nothing", cycle.pc);
  Note(text);
}

}  // namespace fw::sim
