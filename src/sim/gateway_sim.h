#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "sim/virtual_chip.h"

namespace fw::sim {

// Faults a run can be given, to see how the programmer copes.
struct Fault {
  enum class Kind { kNone, kSilent, kNoAnswer, kShortAnswer, kHangup };
  Kind kind = Kind::kNone;
  int n = 0;  // which ReadSignPaket_SPI (no-answer, short-answer) or frame (hangup)
};

// "silent", "no-answer:N", "short-answer:N", "hangup:N"; nothing if malformed.
std::optional<Fault> ParseFault(const std::string& text);

// The GX-0450 as seen from the serial line. It splits the byte stream into
// frames by itself (each command's length follows from its first byte and
// the current packet size), drives the virtual chip, and queues the answers.
// Anything the real gateway would not take is recorded as a protocol error.
class GatewaySim {
 public:
  explicit GatewaySim(VirtualChip& chip, Fault fault = {}) : chip_(&chip), fault_(fault) {}

  // Bytes from the programmer, read at `now_us` by a reader that, woken by
  // their first byte, then waited `held_us` for the processor: the frame
  // they begin with arrived that much earlier.
  void Receive(const std::uint8_t* bytes, std::size_t length, std::uint64_t now_us, std::uint32_t held_us = 0);
  // Answer bytes waiting for the programmer.
  std::deque<std::uint8_t>& output() { return output_; }
  // The line went idle at `now_us` (the port was closed): a cycle already
  // given its time completes, the chip drops out of programming mode and a
  // half-received frame is forgotten.
  void LineIdle(std::uint64_t now_us);

  bool hung_up() const { return hung_up_; }
  // A new fault from the next frame on (none: the gateway answers again, as
  // one plugged back in), the frame count started again.
  void SetFault(Fault fault) {
    fault_ = fault;
    hung_up_ = false;
    frames_ = 0;
  }
  bool vpp_on() const { return vpp_; }
  int packet_size() const { return packet_size_; }
  const std::vector<std::string>& protocol_errors() const { return errors_; }
  VirtualChip& chip() { return *chip_; }
  // The chip on the programming lines; nullptr: none (taken out of the
  // socket). The gateway goes on answering: with no chip to drive the data
  // line it reads all ones.
  void SetChip(VirtualChip* chip);
  bool has_chip() const { return chip_ != nullptr; }

 private:
  int FrameLength(std::uint8_t first) const;
  void Execute(const std::vector<std::uint8_t>& frame, std::uint64_t now_us);
  void Error(const std::string& text);
  void Answer(std::initializer_list<std::uint8_t> bytes);

  VirtualChip* chip_;
  Fault fault_;
  std::vector<std::uint8_t> frame_;
  std::uint64_t frame_started_us_ = 0;
  std::uint64_t last_frame_us_ = 0;  // never moved before the frame before it
  int packet_size_ = 0;
  bool vpp_ = false;
  bool hung_up_ = false;
  int frames_ = 0;
  int sign_reads_ = 0;
  std::uint16_t last_in_ = 0;
  std::deque<std::uint8_t> output_;
  std::vector<std::string> errors_;
};

}  // namespace fw::sim
