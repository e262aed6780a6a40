#pragma once

// The simulator's chip model driven directly, one ICSP command at a time, on
// a clock the test moves: every frame comes 20 ms after the one before it
// unless the test sets the gap.

#include <cstdint>

#include "chips/catalogue.h"
#include "sim/virtual_chip.h"

namespace fw::test {

struct ChipDriver {
  sim::VirtualChip chip;
  std::uint64_t now = 0;
  std::uint64_t gap_us = 20000;  // before the next frame only

  explicit ChipDriver(const char* name) : chip(*FindChipByName(name)) { chip.EnterProgrammingMode(); }
  void Frame(sim::VirtualChip::Frame kind = sim::VirtualChip::Frame::kClocked) {
    now += gap_us;
    gap_us = 20000;
    chip.FrameArrives(now, kind);
  }
  // A gateway frame that clocks nothing to the chip (a packet size).
  void SizeFrame() { Frame(sim::VirtualChip::Frame::kNoClock); }
  void Cmd(std::uint8_t c) {
    Frame();
    chip.Command(c, now);
  }
  std::uint16_t Data(std::uint16_t word) {
    Frame();
    return chip.DataPacket(static_cast<std::uint16_t>(word << 1));
  }
  std::uint16_t Read() { Cmd(0x04); return static_cast<std::uint16_t>(Data(0x3FFF) >> 1); }
  std::uint16_t ReadData() { Cmd(0x05); return static_cast<std::uint16_t>(Data(0x3FFF) >> 1); }
  void LoadConfig() { Cmd(0x00); Data(0); }
  void Inc(int n) { for (int k = 0; k < n; ++k) Cmd(0x06); }
  void Settle() { Frame(); }
  // Loads `w` for the program (or data) cell at the counter and programs it
  // internally timed where the family can, the cycle given `us` (0: its
  // minimum).
  void Program(std::uint16_t w, bool data = false, std::uint64_t us = 0, bool external = false) {
    const sim::Silicon& s = chip.silicon();
    const bool config = !data && chip.pc() >= chip.entry().ConfigBase;
    const std::uint32_t internal =
        external ? 0 : data ? s.data_int_us : config ? s.config_int_us : s.program_int_us;
    Cmd(data ? 0x03 : 0x02);
    Data(w);
    Cmd(internal ? 0x08 : 0x18);
    gap_us = us ? us : internal ? internal : s.ext_min_us;
    if (internal) {
      Settle();
    } else {
      Cmd(0x0A);
    }
  }
  // A bulk erase at the counter, with the Load of 0x3FFF the F627A's
  // documented sequence puts before it.
  void Erase(std::uint8_t command = 0x09, std::uint64_t us = 0) {
    if (command == 0x09 && chip.silicon().erase_wants_load) {
      Cmd(0x02);
      Data(0x3FFF);
    }
    Cmd(command);
    gap_us = us ? us : chip.silicon().erase_us;
    Settle();
  }
};

}  // namespace fw::test
