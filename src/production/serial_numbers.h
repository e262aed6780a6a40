#pragma once

#include <bitset>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "chips/catalogue.h"
#include "images/images.h"

namespace fw {

// Where a chip's serial number goes.
struct SerialPlace {
  enum class Kind {
    kUserIds,  // the four user IDs, 4 bits each, ID0 the high nibble (as MPLAB writes them)
    kEeprom,   // `bytes` EEPROM bytes from `address`
    kRetlw,    // `bytes` RETLW instructions (0x34kk; 0x8kk on the baseline parts) from program word `address`
  };
  Kind kind = Kind::kUserIds;
  std::uint32_t address = 0;
  std::uint32_t bytes = 2;
  bool little_endian = false;  // else the most significant byte first
};

// "ids", "eeprom:ADDR:BYTES", "retlw:ADDR:BYTES" (numbers in decimal or
// 0x hex); nothing, with the reason in `why`, when malformed.
std::optional<SerialPlace> ParseSerialPlace(const std::string& text, bool little_endian, std::string* why);

// "1000" or "1000:5" (start and step, decimal or 0x hex).
struct SerialStart {
  std::uint64_t first = 0;
  std::uint64_t step = 1;
};
std::optional<SerialStart> ParseSerialStart(const std::string& text, std::string* why);

// Why `number` cannot go to `place` on this chip with this file loaded (it
// does not fit, the place is outside the chip, the file already uses it);
// empty when it can. `ids_loaded`: the file sets the user IDs.
std::string SerialPlaceProblem(const SerialPlace& place, std::uint64_t number, const ChipRecord& chip,
                               const Images& images, bool ids_loaded);
// Puts `number` into the images at `place` (checked before).
void ApplySerial(const SerialPlace& place, std::uint64_t number, const ChipRecord& chip, Images& images);
// "0x2000-0x2003", "EEPROM 0x10-0x11", "program 0x0700-0x0701": the place.
std::string SerialPlaceText(const SerialPlace& place, const ChipRecord& chip);

// Hands out serial numbers: never the same one twice, across the workers of
// one process and, with a serial file, across processes and runs. A number
// taken for a chip that then fails is given back and handed out again
// (unless the caller keeps it spent).
//
// The serial file is a few lines of text: "start 1000 step 1" (what it was
// made for; another start is refused), "next 1005", and when there are any
// "free 1002 1003" (given back), "taken 1004" (on a chip being written now,
// or one whose run was killed) and "spent 1001" (on failed chips). A number
// is recorded as taken before it goes to a chip. The file is replaced whole (a temporary file, then a
// rename) under an exclusive lock on FILE.lock, so that a crash leaves
// either the old or the new file and two processes never read the same.
class SerialNumbers {
 public:
  // No path: the numbers live in this process only.
  SerialNumbers(SerialStart start, std::string path);

  // The next number; nothing, with the reason, when the file cannot be read
  // or written.
  std::optional<std::uint64_t> Take(std::string* error);
  // A number taken whose chip did not verify, and whose place on it was
  // never written: handed out again.
  bool GiveBack(std::uint64_t number, std::string* error);
  // A number taken is settled: on a chip that passed (`on_chip`), or spent
  // (on a failed chip, or burned as asked), never handed out again.
  bool Settle(std::uint64_t number, bool on_chip, std::string* error);
  // The number the next Take gives, as the file says now.
  std::optional<std::uint64_t> Peek(std::string* error);
  // Whether numbers live in a file shared by processes and runs.
  const std::string& path() const { return path_; }

 private:
  struct State {
    std::uint64_t next = 0;
    std::set<std::uint64_t> free;
    std::set<std::uint64_t> taken;  // handed out, chip not yet settled
    std::set<std::uint64_t> spent;  // on failed chips, or burned
  };
  // Runs `change` on the state under the lock and stores it; false (and
  // nothing stored) when the file cannot be trusted or `change` refuses.
  bool Update(const std::function<bool(State&, std::string*)>& change, std::string* error);
  bool Read(const std::string& text, State* state, std::string* error) const;
  std::string Text(const State& state) const;

  SerialStart start_;
  std::string path_;
  std::mutex mutex_;
  State memory_;
};

}  // namespace fw
