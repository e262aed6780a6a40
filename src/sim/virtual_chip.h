#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "chips/catalogue.h"
#include "sim/silicon.h"

namespace fw::sim {

// A PIC12/PIC16 flash chip as its ICSP port behaves, modelled from
// Microchip's programming documents (see sim/README.md): the address
// counter, the three memories with their read-only and unimplemented cells,
// the factory calibration values, programming that only clears bits, bulk
// erase scope, code protection and the chip's own programming times.
class VirtualChip {
 public:
  explicit VirtualChip(const ChipEntry& entry, std::uint8_t revision = 3);

  const ChipEntry& entry() const { return entry_; }
  const Silicon& silicon() const { return silicon_; }
  std::uint16_t device_id() const { return device_id_; }
  bool in_programming_mode() const { return programming_; }
  std::uint32_t pc() const { return pc_; }

  // Where only arrival times are seen (a pseudo-terminal), a frame may
  // reach the chip later than it was sent. A cycle's start is then moved back
  // only by what the arrivals show: the Begin frame came more than the
  // protocol's 1 ms after the frame before it, or bunched with the frames
  // before it (sent at least 1 ms apart, they were held back together), at
  // most by `lateness_us`; and `jitter_us` covers what the timestamps
  // themselves vary by. Both 0, the default (in-process, where times are
  // exact), and with --strict-timing.
  void SetDeliveryJitter(std::uint32_t jitter_us, std::uint32_t lateness_us) {
    jitter_us_ = jitter_us;
    lateness_us_ = lateness_us;
  }

  // What a gateway frame does on the programming lines.
  enum class Frame {
    kNoClock,  // gateway registers, line levels: nothing reaches the chip's logic
    kClocked,  // a command or data packet clocked in
    kRead,     // a packet clocked out of the chip
    kLines,    // Vpp and Vdd switched
  };

  // Vpp applied before Vdd: programming mode, counter at 0.
  void EnterProgrammingMode();
  // Vpp removed (or the lines went idle): out of programming mode.
  void LeaveProgrammingMode();

  // Called at the first byte of every frame. An internally timed cycle
  // started earlier completes only if the first clocked frame after it came
  // after its full time; an externally timed one is ended by End
  // Programming and by nothing that clocks nothing. `with_previous`: it was
  // read together with the frame before it, so nothing shows it came apart
  // from that one, whatever their stamps say.
  void FrameArrives(std::uint64_t now_us, Frame frame = Frame::kClocked, bool with_previous = false);
  // A 6-bit ICSP command.
  void Command(std::uint8_t code, std::uint64_t now_us);
  // Judges a cycle that ended and still waits for the frames after it (see
  // SetDeliveryJitter); called before the memories are looked at from
  // outside the protocol (a dump, a test).
  void Settle();
  // True while the last command waits for its 16-bit data packet.
  bool ExpectsData() const { return pending_data_command_.has_value(); }
  // The 16-bit data packet of the waiting command; gives the packet the chip
  // drives back (the read word framed by start and stop bits for reads, the
  // packet itself otherwise).
  std::uint16_t DataPacket(std::uint16_t packet);

  // The memories as stored, for loading and dumping images and for tests
  // (protection does not apply here).
  std::uint32_t program_words() const { return static_cast<std::uint32_t>(program_.size()); }
  std::uint32_t config_words() const { return static_cast<std::uint32_t>(config_.size()); }
  std::uint32_t data_bytes() const { return static_cast<std::uint32_t>(data_.size()); }
  std::uint16_t ProgramWord(std::uint32_t i) const { return program_.at(i); }
  void SetProgramWord(std::uint32_t i, std::uint16_t w) { program_.at(i) = w & word_mask_; }
  // A baseline (12-bit) part: no device ID, the counter starting at the
  // configuration word (configuration cell 7 here; cells 0-3 the user IDs,
  // 4 the backup OSCCAL).
  bool baseline() const { return silicon_.word_bits == 12; }
  // Where configuration cell i and data byte i sit in a HEX file's words.
  std::uint32_t HexWordOfConfig(std::uint32_t i) const;
  std::uint32_t HexWordOfData(std::uint32_t i) const;
  // Configuration word i as the cell holds it (read-only cells as they read,
  // unimplemented cells and bits as they read).
  std::uint16_t ConfigWord(std::uint32_t i) const;
  // Sets a configuration cell as a file would; read-only cells stay.
  void SetConfigWord(std::uint32_t i, std::uint16_t w);
  std::uint8_t DataByte(std::uint32_t i) const { return data_.at(i); }
  void SetDataByte(std::uint32_t i, std::uint8_t b) { data_.at(i) = b; }

  // CP = 0 or CPD = 0 in the configuration word.
  bool CodeProtected() const;
  bool DataProtected() const;

  // Cycles cut short, commands the chip ignored and writes it refused.
  const std::vector<std::string>& notes() const { return notes_; }
  // Cycles that were short of the chip's time as they arrived, taken all the
  // same for the delivery delay the arrivals showed: each says by how much
  // and why.
  const std::vector<std::string>& excuses() const { return excuses_; }
  // Every programming and erase cycle judged, and the largest shortfall an
  // excuse let through.
  std::uint64_t cycles_judged() const { return cycles_judged_; }
  std::uint32_t largest_excuse_us() const { return largest_excuse_us_; }
  // With a line per cycle judged (its time, what was excused, what the chip
  // needs) among the excuses: for measuring the delivery jitter.
  void SetTimingLog(bool on) { timing_log_ = on; }

 private:
  enum class Cell { kUserId, kRevision, kDeviceId, kConfig, kCalibration, kUnimplemented };
  bool WholeWordId() const { return (entry_.IdWord & 0x3000) == 0x3000; }
  enum class Latch { kNone, kProgram, kData };
  struct Cycle {
    std::uint8_t command;
    std::uint64_t started_us;
    std::uint32_t min_us;
    std::uint32_t max_us;  // 0 = no limit
    std::uint32_t pc;
    Latch latch;
    std::uint16_t value;
    bool loaded_blank;  // a Load of 0x3FFF came before this erase
    std::uint32_t excuse_us = 0;  // how much earlier it may have been sent, unbounded
    std::string why;              // what showed that
    std::uint64_t end_us = 0;     // the arrival of the frame that ended it
    std::int64_t end_sent_us = 0;   // the latest it can have been sent, as later frames show
    int frames_after = 0;
    // What a Begin Programming runs when a sequence armed it for an erase
    // (the bulk erase or protection clear it completes); 0: programming.
    std::uint8_t runs = 0;
    // A row of program words from the latches (families with several).
    std::vector<std::uint16_t> row;
  };
  // How far a sequence that a Begin Programming completes has come.
  enum class Armed { kNone, kBulkProgram, kBulkData, kSetup1, kClear };

  bool External(const Cycle& c) const { return c.command == 0x18 || (baseline() && c.command == 0x08); }
  // Frames are sent at least 1 ms apart: two that arrived closer than that,
  // by more than the timestamps vary, were held back and handed on together.
  bool Bunched(std::uint64_t gap_us) const { return gap_us + jitter_us_ < 1000; }
  // The k-th newest frame came bunched with the one before it.
  bool BunchedAt(std::size_t k) const {
    return recent_with_previous_[k] || Bunched(recent_frames_us_[k] - recent_frames_us_[k + 1]);
  }
  std::optional<std::uint32_t> ConfigOffset(std::uint32_t pc) const;
  Cell CellOf(std::uint32_t offset) const;
  std::uint16_t ReadWord() const;
  void StartCycle(std::uint8_t command, std::uint64_t now_us);
  // How much earlier than it arrived the frame that came last may have been
  // sent, as the arrivals before it show, and why.
  std::uint32_t Lateness(std::string* why) const;
  // The cycle's time ran from its start to its end: long enough?
  bool GivenItsTime(const Cycle& c);
  // The running cycle ended with a frame that came at `end_us`: judged now
  // where times are exact, else once the frames after it have shown whether
  // that frame itself came late.
  void EndCycle(std::uint64_t end_us);
  void Complete(const Cycle& cycle);
  void Program(const Cycle& cycle);
  void BulkEraseProgram(const Cycle& cycle);
  void StartArmedErase(Armed armed, std::uint64_t now_us);
  // A cycle starting now at the counter, with what the last Load named and
  // how late its Begin frame may have come.
  Cycle NewCycle(std::uint8_t command, std::uint64_t now_us) const;
  // The first word of the latch row `pc` is in.
  std::uint32_t RowOf(std::uint32_t pc) const { return pc / silicon_.latch_words * silicon_.latch_words; }
  void LoadLatch(std::uint16_t word);
  // A Begin Programming of program memory on a chip with several latches:
  // the cycle takes the latched row the counter is in.
  void TakeLatchedRow(Cycle& c);
  void ResetLatches();
  // Chip Erase, and the protection clear: program memory and what the
  // flags say, whatever protection.
  void EraseEverything(bool data, bool config, bool user_ids);
  // The bulk erases of a chip that refuses them under protection.
  bool BulkEraseRefused(const char* what);
  void AbandonExternal(const char* why);
  void Note(std::string text);
  // The baseline parts' side of the protocol (baseline_chip.cpp).
  void BaselineCommand(std::uint8_t code, std::uint64_t now_us);
  std::uint16_t BaselineDataPacket(std::uint8_t command, std::uint16_t packet);
  std::uint16_t BaselineReadWord() const;
  void BaselineProgram(const Cycle& cycle);
  void BaselineErase(const Cycle& cycle);
  // The first user ID's address, and the configuration word's (the counter
  // at entry).
  std::uint32_t BaselineIds() const { return program_words() + silicon_.flash_data_bytes; }
  std::uint32_t BaselineConfigAddress() const { return 2 * program_words() - 1; }

  const ChipEntry& entry_;
  Silicon silicon_;
  std::uint16_t word_mask_;
  std::uint16_t device_id_;
  std::uint16_t revision_word_;
  std::vector<std::uint16_t> program_;
  std::vector<std::uint16_t> config_;
  std::vector<std::uint8_t> data_;
  std::uint32_t jitter_us_ = 0;
  std::uint32_t lateness_us_ = 0;
  // When the last frames began, newest first: enough to reach back past a
  // stall of the pseudo-terminal that hands on tens of frames at once (22
  // frames seen in one read here), to the frame before it that came on time.
  std::array<std::uint64_t, 64> recent_frames_us_{};
  std::array<bool, 64> recent_with_previous_{};  // read with the frame before it
  std::size_t frames_seen_ = 0;
  std::uint64_t cycles_judged_ = 0;
  std::uint32_t largest_excuse_us_ = 0;
  bool timing_log_ = false;
  std::vector<std::string> excuses_;

  bool programming_ = false;
  std::uint32_t pc_ = 0;
  Latch latch_ = Latch::kNone;
  std::uint16_t latch_value_ = 0;
  std::optional<std::uint8_t> pending_data_command_;
  std::optional<Cycle> cycle_;
  std::optional<Cycle> ended_;  // waiting for the frames after its end
  std::vector<std::uint16_t> latches_;       // the program-word latches
  std::optional<std::uint32_t> latched_row_;  // where the loaded latches belong
  Armed armed_ = Armed::kNone;
  std::vector<std::string> notes_;
};

}  // namespace fw::sim
