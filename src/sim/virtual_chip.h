#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "chips/catalogue.h"

namespace fw::sim {

// A PIC12/PIC16 flash chip as its ICSP port behaves, modelled from
// Microchip's programming documents (see sim/README.md): the address
// counter, the three memories with their read-only and unimplemented cells,
// the factory calibration values, bulk erase rules and programming times.
class VirtualChip {
 public:
  explicit VirtualChip(const ChipEntry& entry, std::uint8_t revision = 3);

  const ChipEntry& entry() const { return entry_; }
  std::uint16_t device_id() const { return device_id_; }
  bool in_programming_mode() const { return programming_; }
  std::uint32_t pc() const { return pc_; }

  // Vpp applied before Vdd: programming mode, counter at 0.
  void EnterProgrammingMode();
  // Vpp removed (or the lines went idle): out of programming mode.
  void LeaveProgrammingMode();

  // Called at the first byte of every frame: a programming or erase cycle
  // started earlier completes only if it was given its full time.
  void FrameArrives(std::uint64_t now_us);
  // A 6-bit ICSP command.
  void Command(std::uint8_t code, std::uint64_t now_us);
  // True while the last command waits for its 16-bit data packet.
  bool ExpectsData() const { return pending_data_command_.has_value(); }
  // The 16-bit data packet of the waiting command; gives the packet the chip
  // drives back (the read word framed by start and stop bits for reads, the
  // packet itself otherwise).
  std::uint16_t DataPacket(std::uint16_t packet);

  // The memories, for loading and dumping images and for tests.
  std::uint32_t program_words() const { return static_cast<std::uint32_t>(program_.size()); }
  std::uint32_t config_words() const { return static_cast<std::uint32_t>(config_.size()); }
  std::uint32_t data_bytes() const { return static_cast<std::uint32_t>(data_.size()); }
  std::uint16_t ProgramWord(std::uint32_t i) const { return program_.at(i); }
  void SetProgramWord(std::uint32_t i, std::uint16_t w) { program_.at(i) = w & 0x3FFF; }
  // Configuration word i as read through ICSP (unimplemented cells 0x3FFF).
  std::uint16_t ConfigWord(std::uint32_t i) const;
  // Sets a configuration cell as a file would; the device ID stays as it is.
  void SetConfigWord(std::uint32_t i, std::uint16_t w);
  std::uint8_t DataByte(std::uint32_t i) const { return data_.at(i); }
  void SetDataByte(std::uint32_t i, std::uint8_t b) { data_.at(i) = b; }

  // Programming and erase cycles cut short, and commands the chip ignored.
  const std::vector<std::string>& notes() const { return notes_; }

 private:
  enum class Cell { kUserId, kDeviceId, kConfig, kCalibration, kUnimplemented };
  enum class Latch { kNone, kProgram, kData };
  struct Cycle {
    std::uint64_t started_us;
    std::uint32_t wait_ms;
    std::uint8_t command;
    std::uint32_t pc;
    Latch latch;
    std::uint16_t value;
  };

  bool InConfigSpace() const { return pc_ >= entry_.ConfigBase; }
  std::optional<std::uint32_t> ConfigOffset(std::uint32_t pc) const;
  Cell CellOf(std::uint32_t offset) const;
  std::uint16_t ReadProgramSpace() const;
  void StartCycle(std::uint8_t command, std::uint32_t wait_ms, std::uint64_t now_us);
  void Complete(const Cycle& cycle);
  void BulkEraseProgram(std::uint32_t pc);
  void Note(std::string text);

  const ChipEntry& entry_;
  std::uint16_t device_id_;
  std::vector<std::uint16_t> program_;
  std::vector<std::uint16_t> config_;
  std::vector<std::uint8_t> data_;
  std::vector<std::uint32_t> config_word_cells_;
  std::vector<std::uint32_t> calibration_cells_;
  bool calibration_erasable_ = false;

  bool programming_ = false;
  std::uint32_t pc_ = 0;
  Latch latch_ = Latch::kNone;
  std::uint16_t latch_value_ = 0;
  std::optional<std::uint8_t> pending_data_command_;
  std::optional<Cycle> cycle_;
  std::vector<std::string> notes_;
};

}  // namespace fw::sim
