#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "chips/catalogue.h"
#include "images/images.h"
#include "link/link.h"
#include "log/operator_dialogs.h"

namespace fw {

// ICSP command codes of the PIC12/PIC16 flash parts.
namespace icsp {
inline constexpr std::uint8_t kLoadConfiguration = 0x00;
inline constexpr std::uint8_t kLoadDataForProgramMemory = 0x02;
inline constexpr std::uint8_t kLoadDataForDataMemory = 0x03;
inline constexpr std::uint8_t kReadDataFromProgramMemory = 0x04;
inline constexpr std::uint8_t kReadDataFromDataMemory = 0x05;
inline constexpr std::uint8_t kIncrementAddress = 0x06;
inline constexpr std::uint8_t kBeginProgrammingInt = 0x08;
inline constexpr std::uint8_t kBeginProgrammingExt = 0x18;
inline constexpr std::uint8_t kEndProgramming = 0x0A;
inline constexpr std::uint8_t kBulkEraseProgramMemory = 0x09;
inline constexpr std::uint8_t kBulkEraseDataMemory = 0x0B;
// The classic mid-range parts' own commands (DS30262E Table 2-2, DS39589B
// Table 2-1): the PIC16F84A's code-protect clear sequence, End Programming
// and Chip Erase of the PIC16F87xA.
inline constexpr std::uint8_t kBulkEraseSetup1 = 0x01;
inline constexpr std::uint8_t kBulkEraseSetup2 = 0x07;
inline constexpr std::uint8_t kEndProgrammingClassic = 0x17;
inline constexpr std::uint8_t kChipErase = 0x1F;
}  // namespace icsp

// One step of an ICSP sequence a family runs as it is written in its
// programming document (an erase that is more than one Bulk Erase command).
struct IcspStep {
  enum class Op {
    kLoadConfiguration,   // Load Configuration with 0x3FFF: the counter at the configuration base
    kIncrement,           // Increment Address `count` times
    kLoadBlankProgram,    // Load Data For Program Memory 0x3FFF
    kLoadBlankData,       // Load Data For Data Memory 0xFF
    kCommand,             // `code` alone
    kEraseProgramCycle,   // `code`, then the chip's program-memory erase wait
    kEraseDataCycle,      // `code`, then the chip's data-memory erase wait
  };
  Op op;
  std::uint8_t code = 0;
  std::uint32_t count = 0;
  const char* text = nullptr;  // the command as the log names it
};

// The ICSP operations, each a fixed sequence of gateway frames. They work on
// the cell at the chip's address counter, which only programming-mode entry,
// Load Configuration and Increment Address move. Every failure is logged
// where it happens and closes the link; callers only stop at the first false.
//
// The index convention of the reads and writes: index i is the image element
// to use, and i > 0 first steps the counter by one. Walking i = 0, 1, 2, ...
// right after entry (or Load Configuration) visits the memory in order.
class Icsp {
 public:
  Icsp(Link& link, const ChipRecord& chip, Images& images, OperatorDialogs& dialogs)
      : link_(link), chip_(chip), images_(images), dialogs_(dialogs) {}

  // The command that ends an externally timed cycle on the selected chip's
  // family (0x0A, or 0x17 on the classic mid-range parts).
  void SetEndProgramming(std::uint8_t code) { end_programming_ = code; }
  // The command that starts an externally timed cycle (0x18, or 0x08 on the
  // baseline parts, where it is the only Begin Programming).
  void SetBeginExternal(std::uint8_t code) { begin_external_ = code; }

  // Whether the link is still up: every failed step closes it.
  bool LinkUp() const { return link_.PortValid(); }
  // Why the link closed, in words (empty while it is up).
  std::string LinkLossText() const { return link_.PortValid() ? std::string() : link_.LossText(); }
  // The device path of the port, for records of where a chip was programmed.
  const std::string& PortPath() const { return link_.PortPath(); }

  bool SetInitState();
  bool EnterProgrammingMode();
  // The device ID packet shifted right by one, unmasked; 0 on failure.
  std::int32_t ReadDeviceId();

  bool LoadConfiguration();
  bool IncrementAddress(std::uint32_t n, bool show_progress);
  // The same, asking before every frame whether the operator asked to stop:
  // false with *stopped set when so (the link stays up), false alone on a
  // failed frame.
  bool IncrementAddressUnlessStopped(std::uint32_t n, bool show_progress, bool* stopped);
  bool ReadProgramMemory(std::uint32_t i, bool verify);
  bool ReadConfigMemory(std::uint32_t i, bool verify);
  bool ReadDataMemory(std::uint32_t i, bool verify);
  bool WriteProgramMemory(std::uint32_t i, bool externally_timed);
  bool WriteConfigMemory(std::uint32_t i, bool externally_timed);
  bool WriteDataMemory(std::uint32_t i, bool externally_timed);
  // Programs `value` into the program or configuration word at the counter
  // as WriteProgramMemory does its image word i, without an image: for the
  // factory calibration put back from the values read.
  bool WriteWord(std::uint32_t i, std::uint16_t value, bool externally_timed);
  bool LoadDataForProgramMemory(std::uint16_t w);
  // The word (or EEPROM byte) at the counter, with the frames of
  // ReadProgramMemory (ReadDataMemory) and touching no image; nothing after
  // a logged failure.
  std::optional<std::uint16_t> PeekProgramMemory(std::uint32_t i);
  std::optional<std::uint16_t> PeekConfigMemory(std::uint32_t i) { return PeekProgramMemory(i); }
  std::optional<std::uint16_t> PeekDataMemory(std::uint32_t i);
  // The word at the counter in all 14 bits, whatever the chip's width: a
  // 12-bit part answers zeros above its word.
  std::optional<std::uint16_t> PeekWholeWord(std::uint32_t i);
  bool BulkEraseProgramMemory();
  bool BulkEraseDataMemory();
  // The steps in order; false at the first failed frame.
  bool Run(std::span<const IcspStep> steps);
  // Program words first ... first + count - 1 of the image through the
  // write latches, one programming cycle for them all (the counter on the
  // row's last word when the cycle starts); a row wholly blank only steps
  // the counter. As for the word writes, first > 0 steps the counter first.
  bool WriteProgramRow(std::uint32_t first, std::uint32_t count, bool externally_timed);
  // One EEPROM byte, as WriteDataMemory does the image's byte i.
  bool WriteDataByte(std::uint32_t i, std::uint8_t value, bool externally_timed);

 private:
  // Steps 1-7 of every read: the packet clocked in for the cell at the
  // counter, or nothing after a logged failure.
  std::optional<std::uint16_t> ReadCell(std::uint32_t i, std::uint8_t command,
                                        std::string_view command_text);
  // Reads the word at the counter into, or compares it with, image word i.
  bool ReadWord(std::vector<std::uint8_t>& image, std::uint32_t i, bool verify);
  // Every write: loads `packet` with `command` and programs it.
  bool WriteCell(std::uint32_t i, bool skip, std::uint8_t command, std::string_view command_text,
                 std::uint16_t packet, bool externally_timed, std::uint8_t wait_int,
                 std::uint8_t wait_ext);
  // The programming cycle of what the latches hold: Begin Programming with
  // the chip's wait, then End Programming where it is externally timed.
  bool BeginProgramming(bool externally_timed, std::uint8_t wait_int, std::uint8_t wait_ext);
  // A command and its 16-bit packet, as every Load frames them.
  // `size_is_6`: the gateway's packet size is 6 already (after an
  // Increment): its frame is left out.
  bool Load(std::uint8_t command, std::string_view command_text, std::uint8_t low, std::uint8_t high,
            std::string_view packet_text, bool size_is_6 = false);
  bool Send(const GatewayFrame& frame, std::string_view fail_text) {
    return link_.Send(frame, fail_text);
  }

  Link& link_;
  const ChipRecord& chip_;
  Images& images_;
  OperatorDialogs& dialogs_;
  std::uint8_t end_programming_ = icsp::kEndProgramming;
  std::uint8_t begin_external_ = icsp::kBeginProgrammingExt;
};

}  // namespace fw
