#include "sim/virtual_chip.h"

#include <algorithm>
#include <cstdio>

namespace fw::sim {

namespace {

// ICSP command codes, as Microchip documents them for these parts.
constexpr std::uint8_t kLoadConfiguration = 0x00;
constexpr std::uint8_t kLoadDataProgram = 0x02;
constexpr std::uint8_t kLoadDataData = 0x03;
constexpr std::uint8_t kReadDataProgram = 0x04;
constexpr std::uint8_t kReadDataData = 0x05;
constexpr std::uint8_t kIncrementAddress = 0x06;
constexpr std::uint8_t kBeginProgrammingInt = 0x08;
constexpr std::uint8_t kBulkEraseProgram = 0x09;
constexpr std::uint8_t kEndProgramming = 0x0A;
constexpr std::uint8_t kBulkEraseData = 0x0B;
constexpr std::uint8_t kBeginProgrammingExt = 0x18;

constexpr std::uint16_t kF629Osccal = 0x34A8;        // RETLW 0xA8
constexpr std::uint16_t kF629ConfigFactory = 0x2FFF;  // band-gap bits 13:12 = 10
constexpr std::uint16_t kF629UnimplementedBits = 0x0E00;

}  // namespace

VirtualChip::VirtualChip(const ChipEntry& entry, std::uint8_t revision)
    : entry_(entry),
      program_(entry.ProgramSize / 2, 0x3FFF),
      config_(entry.ConfigSize / 2, 0x3FFF),
      data_(entry.DataSize, 0xFF) {
  device_id_ = entry.Family == ChipFamily::F753
                   ? entry.IdWord
                   : static_cast<std::uint16_t>((entry.IdWord & 0x3FE0) | (revision & 0x1F));

  // Which configuration cells exist follows the chip's configuration map.
  switch (entry.Map) {
    case MapText::M1:
    case MapText::M2:
      config_word_cells_ = {7};
      break;
    case MapText::M3:
      config_word_cells_ = {7};
      calibration_cells_ = {8};
      calibration_erasable_ = true;
      break;
    case MapText::M4:
      config_word_cells_ = {7};
      calibration_cells_ = {8, 9};
      calibration_erasable_ = true;
      break;
    case MapText::M5:
      config_word_cells_ = {7, 8};
      calibration_cells_ = {9};
      calibration_erasable_ = true;
      break;
    case MapText::M6:
    case MapText::M7:
      config_word_cells_ = {7, 8};
      calibration_cells_ = {9, 10};
      break;
  }

  // Factory calibration.
  if (entry.Family == ChipFamily::F629) {
    program_.back() = kF629Osccal;
    config_[7] = kF629ConfigFactory;
  }
  static constexpr std::uint16_t kCalibration[][2] = {
      {0x2D4A, 0x1E86},  // mid-range parts
      {0x32BD, 0x3AB2},  // F72x: as read from a PIC16F726
      {0x3E5A, 0x2C31},  // enhanced mid-range
  };
  const int set = entry.Map == MapText::M6 ? 1 : entry.Map == MapText::M7 ? 2 : 0;
  for (size_t k = 0; k < calibration_cells_.size(); ++k) {
    config_[calibration_cells_[k]] = kCalibration[set][k];
  }
}

void VirtualChip::EnterProgrammingMode() {
  programming_ = true;
  pc_ = 0;
  latch_ = Latch::kNone;
  pending_data_command_.reset();
  cycle_.reset();
}

void VirtualChip::LeaveProgrammingMode() {
  programming_ = false;
  pc_ = 0;
  latch_ = Latch::kNone;
  pending_data_command_.reset();
  cycle_.reset();
}

void VirtualChip::FrameArrives(std::uint64_t now_us) {
  if (!cycle_) return;
  const Cycle cycle = *cycle_;
  cycle_.reset();
  // The chip's time from the catalogue, with 10 percent tolerance.
  const std::uint64_t needed_us = std::uint64_t{cycle.wait_ms} * 900;
  const std::uint64_t given_us = now_us - cycle.started_us;
  if (given_us < needed_us) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "command 0x%02X at 0x%04X cut short: %llu us of %u ms; it had no effect",
                  cycle.command, cycle.pc, static_cast<unsigned long long>(given_us),
                  cycle.wait_ms);
    Note(text);
    return;
  }
  Complete(cycle);
}

void VirtualChip::Command(std::uint8_t code, std::uint64_t now_us) {
  if (!programming_) return;  // not powered for programming: the chip hears nothing
  if (pending_data_command_) {
    Note("a command arrived while a data packet was expected");
    pending_data_command_.reset();
  }
  switch (code) {
    case kLoadConfiguration:
    case kLoadDataProgram:
    case kLoadDataData:
    case kReadDataProgram:
    case kReadDataData:
      pending_data_command_ = code;
      break;
    case kIncrementAddress: {
      const std::uint32_t space = entry_.ConfigBase;  // both spaces are this size
      if (pc_ < space) {
        pc_ = (pc_ + 1) % space;
      } else {
        pc_ = space + (pc_ - space + 1) % space;
      }
      break;
    }
    case kBeginProgrammingInt:
      if (latch_ == Latch::kProgram && entry_.ProgramWaitInt == 0) {
        Note("Begin Programming (int) is not a command of this chip; ignored");
        break;
      }
      StartCycle(code, latch_ == Latch::kData ? entry_.DataWaitInt : entry_.ProgramWaitInt, now_us);
      break;
    case kBeginProgrammingExt:
      StartCycle(code, latch_ == Latch::kData ? entry_.DataWaitExt : entry_.ProgramWaitExt, now_us);
      break;
    case kEndProgramming:
      break;
    case kBulkEraseProgram:
      StartCycle(code, entry_.EraseProgramWait, now_us);
      break;
    case kBulkEraseData:
      StartCycle(code, entry_.EraseDataWait, now_us);
      break;
    default: {
      char text[64];
      std::snprintf(text, sizeof text, "unknown ICSP command 0x%02X ignored", code);
      Note(text);
      break;
    }
  }
}

void VirtualChip::StartCycle(std::uint8_t command, std::uint32_t wait_ms, std::uint64_t now_us) {
  const bool programs = command == kBeginProgrammingInt || command == kBeginProgrammingExt;
  if (programs && latch_ == Latch::kNone) {
    Note("Begin Programming without a Load before it; ignored");
    return;
  }
  cycle_ = Cycle{now_us, wait_ms, command, pc_, latch_, latch_value_};
  if (programs) latch_ = Latch::kNone;
}

std::uint16_t VirtualChip::DataPacket(std::uint16_t packet) {
  if (!pending_data_command_) return packet;
  const std::uint8_t command = *pending_data_command_;
  pending_data_command_.reset();
  const auto word = static_cast<std::uint16_t>((packet >> 1) & 0x3FFF);
  switch (command) {
    case kLoadConfiguration:
      pc_ = entry_.ConfigBase;
      latch_ = Latch::kProgram;
      latch_value_ = word;
      return packet;
    case kLoadDataProgram:
      latch_ = Latch::kProgram;
      latch_value_ = word;
      return packet;
    case kLoadDataData:
      latch_ = Latch::kData;
      latch_value_ = word & 0xFF;
      return packet;
    case kReadDataProgram: {
      std::uint16_t value = 0x3FFF;
      if (!InConfigSpace()) {
        value = ReadProgramSpace();
      } else if (const auto offset = ConfigOffset(pc_)) {
        value = ConfigWord(*offset);
      }
      return static_cast<std::uint16_t>((value & 0x3FFF) << 1);
    }
    case kReadDataData:
      // Only the low bits of the counter address the EEPROM.
      if (data_.empty()) return 0x3FFF << 1;
      return static_cast<std::uint16_t>(data_[pc_ % data_.size()] << 1);
    default:
      return packet;
  }
}

std::uint16_t VirtualChip::ReadProgramSpace() const {
  // Program space above the memory aliases onto it.
  return program_[pc_ % program_.size()];
}

std::optional<std::uint32_t> VirtualChip::ConfigOffset(std::uint32_t pc) const {
  std::uint32_t offset = pc - entry_.ConfigBase;
  if (entry_.Family == ChipFamily::F629) offset &= 0x1F;
  if (offset >= config_.size()) return std::nullopt;
  return offset;
}

VirtualChip::Cell VirtualChip::CellOf(std::uint32_t offset) const {
  if (offset <= 3) return Cell::kUserId;
  if (offset == 6) return Cell::kDeviceId;
  if (std::find(config_word_cells_.begin(), config_word_cells_.end(), offset) !=
      config_word_cells_.end()) {
    return Cell::kConfig;
  }
  if (std::find(calibration_cells_.begin(), calibration_cells_.end(), offset) !=
      calibration_cells_.end()) {
    return Cell::kCalibration;
  }
  return Cell::kUnimplemented;
}

std::uint16_t VirtualChip::ConfigWord(std::uint32_t i) const {
  if (i >= config_.size()) return 0x3FFF;
  switch (CellOf(i)) {
    case Cell::kDeviceId:
      return device_id_;
    case Cell::kUnimplemented:
      return 0x3FFF;
    case Cell::kConfig:
      if (entry_.Family == ChipFamily::F629) {
        return static_cast<std::uint16_t>(config_[i] & ~kF629UnimplementedBits);
      }
      return config_[i];
    default:
      return config_[i];
  }
}

void VirtualChip::SetConfigWord(std::uint32_t i, std::uint16_t w) {
  if (i >= config_.size()) return;
  const Cell cell = CellOf(i);
  if (cell == Cell::kDeviceId || cell == Cell::kUnimplemented) return;
  config_[i] = w & 0x3FFF;
}

void VirtualChip::Complete(const Cycle& cycle) {
  switch (cycle.command) {
    case kBeginProgrammingInt:
    case kBeginProgrammingExt:
      if (cycle.latch == Latch::kData) {
        if (!data_.empty()) data_[cycle.pc % data_.size()] = static_cast<std::uint8_t>(cycle.value);
      } else if (cycle.pc < entry_.ConfigBase) {
        program_[cycle.pc % program_.size()] = cycle.value;
      } else if (const auto offset = ConfigOffset(cycle.pc)) {
        const Cell cell = CellOf(*offset);
        if (cell != Cell::kDeviceId && cell != Cell::kUnimplemented) config_[*offset] = cycle.value;
      }
      break;
    case kBulkEraseProgram:
      BulkEraseProgram(cycle.pc);
      break;
    case kBulkEraseData:
      std::fill(data_.begin(), data_.end(), 0xFF);
      break;
    default:
      break;
  }
}

void VirtualChip::BulkEraseProgram(std::uint32_t pc) {
  std::fill(program_.begin(), program_.end(), 0x3FFF);
  if (pc < entry_.ConfigBase) return;
  // From configuration space the user IDs and configuration words go too
  // (on the F629 parts with the band-gap bits); calibration words only when
  // the counter points at one of them, on the parts that allow it at all.
  for (std::uint32_t i = 0; i < 4 && i < config_.size(); ++i) config_[i] = 0x3FFF;
  for (std::uint32_t i : config_word_cells_) config_[i] = 0x3FFF;
  const auto offset = ConfigOffset(pc);
  if (calibration_erasable_ && offset && CellOf(*offset) == Cell::kCalibration) {
    for (std::uint32_t i : calibration_cells_) config_[i] = 0x3FFF;
  }
}

void VirtualChip::Note(std::string text) { notes_.push_back(std::move(text)); }

}  // namespace fw::sim
