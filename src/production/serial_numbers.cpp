#include "production/serial_numbers.h"

#include <cstdio>
#include <cstring>
#include <sstream>

#include "log/safe_file.h"
#include "log/hex.h"
#include "platform/platform.h"

namespace fw {

namespace {


// The byte k of `bytes` (0 first in memory).
std::uint8_t ByteOf(const SerialPlace& place, std::uint64_t number, std::uint32_t k) {
  const std::uint32_t shift = place.little_endian ? k : place.bytes - 1 - k;
  return static_cast<std::uint8_t>(number >> (8 * shift));
}

}  // namespace

std::optional<SerialPlace> ParseSerialPlace(const std::string& text, bool little_endian, std::string* why) {
  SerialPlace place;
  place.little_endian = little_endian;
  if (text == "ids") {
    place.kind = SerialPlace::Kind::kUserIds;
    return place;
  }
  const std::size_t first = text.find(':'), second = text.find(':', first + 1);
  const std::string kind = text.substr(0, first);
  if ((kind != "eeprom" && kind != "retlw") || first == std::string::npos || second == std::string::npos) {
    if (why) *why = "--serial-at takes ids, eeprom:ADDR:BYTES or retlw:ADDR:BYTES, not \"" + text + "\"";
    return std::nullopt;
  }
  std::string bad;
  const auto address = ParseNumber(text.substr(first + 1, second - first - 1), &bad);
  const auto bytes = address ? ParseNumber(text.substr(second + 1), &bad) : std::nullopt;
  if (!address || !bytes || *bytes < 1 || *bytes > 8 || *address > 0xFFFF) {
    if (why) *why = "--serial-at " + text + ": an address up to 0xFFFF and 1 to 8 bytes" + (bad.empty() ? "" : " (" + bad + ")");
    return std::nullopt;
  }
  place.kind = kind == "eeprom" ? SerialPlace::Kind::kEeprom : SerialPlace::Kind::kRetlw;
  place.address = static_cast<std::uint32_t>(*address);
  place.bytes = static_cast<std::uint32_t>(*bytes);
  return place;
}

std::optional<SerialStart> ParseSerialStart(const std::string& text, std::string* why) {
  const std::size_t colon = text.find(':');
  std::string bad;
  const auto first = ParseNumber(text.substr(0, colon), &bad);
  const auto step = !first ? std::nullopt
                    : colon == std::string::npos ? std::optional<std::uint64_t>(1)
                                                 : ParseNumber(text.substr(colon + 1), &bad);
  if (!first || !step || *step == 0) {
    if (why) {
      *why = "--serial takes START or START:STEP (decimal, or 0x... hexadecimal; a step of at least 1), not \"" +
             text + "\"" + (bad.empty() ? "" : ": " + bad);
    }
    return std::nullopt;
  }
  return SerialStart{*first, *step};
}

std::string SerialPlaceText(const SerialPlace& place, const ChipRecord& chip) {
  switch (place.kind) {
    case SerialPlace::Kind::kUserIds:
      return "the user IDs 0x" + Hex(chip.ConfigBase, 4) + "-0x" + Hex(chip.ConfigBase + 3, 4);
    case SerialPlace::Kind::kEeprom:
      return "EEPROM 0x" + Hex(place.address, 2) + "-0x" + Hex(place.address + place.bytes - 1, 2);
    case SerialPlace::Kind::kRetlw:
      return "program 0x" + Hex(place.address, 4) + "-0x" + Hex(place.address + place.bytes - 1, 4);
  }
  return {};
}

std::string SerialPlaceProblem(const SerialPlace& place, std::uint64_t number, const ChipRecord& chip,
                               const Images& images, bool ids_loaded) {
  const std::string where = SerialPlaceText(place, chip);
  const unsigned bits = place.kind == SerialPlace::Kind::kUserIds ? 16 : 8 * place.bytes;
  if (bits < 64 && number >> bits != 0) {
    return "the serial number " + std::to_string(number) + " does not fit in " + std::to_string(bits) + " bits (" +
           where + ")";
  }
  switch (place.kind) {
    case SerialPlace::Kind::kUserIds:
      if (ids_loaded) return "the file already sets " + where;
      return {};
    case SerialPlace::Kind::kEeprom:
      if (chip.DataSize == 0) return "the " + chip.ChipName + " has no EEPROM";
      if (place.address + place.bytes > chip.DataSize) return where + " lies outside the chip's EEPROM";
      for (std::uint32_t k = 0; k < place.bytes; ++k) {
        if (images.DataImage[place.address + k] != 0xFF) return "the file already sets " + where;
      }
      return {};
    case SerialPlace::Kind::kRetlw: {
      const std::uint32_t words = chip.ProgramSize / 2;
      if (place.address + place.bytes > words) return where + " lies outside the chip's program memory";
      for (std::uint32_t k = 0; k < place.bytes; ++k) {
        if (WordAt(images.ProgramImage, place.address + k) != chip.BlankWord()) return "the file already sets " + where;
      }
      return {};
    }
  }
  return {};
}

void ApplySerial(const SerialPlace& place, std::uint64_t number, const ChipRecord& chip, Images& images) {
  // RETLW k: 0x34kk on the 14-bit parts, 0x8kk on the baseline ones.
  const std::uint16_t retlw = chip.Baseline() ? 0x0800 : 0x3400;
  switch (place.kind) {
    case SerialPlace::Kind::kUserIds:
      for (std::uint32_t id = 0; id < 4; ++id) {
        SetWordAt(images.ConfigImage, id, static_cast<std::uint16_t>((number >> (4 * (3 - id))) & 0xF));
      }
      break;
    case SerialPlace::Kind::kEeprom:
      for (std::uint32_t k = 0; k < place.bytes; ++k) images.DataImage[place.address + k] = ByteOf(place, number, k);
      break;
    case SerialPlace::Kind::kRetlw:
      for (std::uint32_t k = 0; k < place.bytes; ++k) {
        SetWordAt(images.ProgramImage, place.address + k, static_cast<std::uint16_t>(retlw | ByteOf(place, number, k)));
      }
      break;
  }
}

SerialNumbers::SerialNumbers(SerialStart start, std::string path) : start_(start), path_(std::move(path)) {
  memory_.next = start.first;
}

namespace {

// "free 1002 1003" and the like: the numbers after the word, all of them.
bool ReadList(std::istringstream& line, std::set<std::uint64_t>* into, std::string* why) {
  std::string value;
  while (line >> value) {
    const auto n = ParseNumber(value, why);
    if (!n) return false;
    into->insert(*n);
  }
  return true;
}

}  // namespace

bool SerialNumbers::Read(const std::string& text, State* state, std::string* error) const {
  auto refuse = [&](const std::string& why) {
    if (error) *error = path_ + ": " + why;
    return false;
  };
  if (text.find_first_not_of(" \t\r\n") == std::string::npos) {
    // Starting again at START would hand out numbers already on chips.
    return refuse("the serial file is empty (damaged?): it cannot say which numbers were used; restore it, or "
                  "remove it to start again at the first number");
  }
  std::istringstream lines(text);
  std::string line;
  bool seen_next = false;
  for (int number = 1; std::getline(lines, line); ++number) {
    std::istringstream words(line);
    std::string word, why;
    if (!(words >> word)) continue;
    const std::string where = "line " + std::to_string(number);
    if (word == "start") {
      std::string first, step_word, step;
      words >> first >> step_word >> step;
      const auto f = ParseNumber(first, &why);
      const auto st = step_word == "step" ? ParseNumber(step, &why) : std::nullopt;
      if (!f || !st || *st == 0) return refuse(where + " is no \"start N step S\" line" + (why.empty() ? "" : ": " + why));
      if (*f != start_.first || *st != start_.step) {
        return refuse("the serial file was made for --serial " + std::to_string(*f) + ":" + std::to_string(*st) +
                      ", not " + std::to_string(start_.first) + ":" + std::to_string(start_.step) +
                      ": give the same start, or another serial file");
      }
    } else if (word == "next") {
      std::string value;
      words >> value;
      const auto n = ParseNumber(value, &why);
      if (!n) return refuse(where + ": the next number " + why);
      state->next = *n;
      seen_next = true;
    } else if (word == "free" || word == "taken" || word == "spent") {
      std::set<std::uint64_t>& list = word == "free" ? state->free : word == "taken" ? state->taken : state->spent;
      if (!ReadList(words, &list, &why)) return refuse(where + " (" + word + "): " + why);
    } else {
      return refuse(where + " is not a line of a serial file (\"" + line + "\")");
    }
  }
  // A file that says no next number is not ours to overwrite.
  if (!seen_next) return refuse("not a serial number file (no \"next\" line)");
  return true;
}

std::string SerialNumbers::Text(const State& state) const {
  std::string out = "start " + std::to_string(start_.first) + " step " + std::to_string(start_.step) + "\n";
  out += "next " + std::to_string(state.next) + "\n";
  auto list = [&](const char* word, const std::set<std::uint64_t>& numbers) {
    if (numbers.empty()) return;
    out += word;
    for (const std::uint64_t n : numbers) out += " " + std::to_string(n);
    out += "\n";
  };
  list("free", state.free);
  // Taken and not yet settled: a run that ended without a word (a kill)
  // leaves its chip's number here, never handed out again.
  list("taken", state.taken);
  list("spent", state.spent);
  return out;
}

bool SerialNumbers::Update(const std::function<bool(State&, std::string*)>& change, std::string* error) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (path_.empty()) return change(memory_, error);
  const std::string lock_path = path_ + ".lock";
  platform::File lock;
  std::string why;
  if (!lock.Open(lock_path, platform::File::Mode::kReadWrite, &why) || !lock.Lock(&why)) {
    if (error) *error = "cannot open " + lock_path + ": " + why;
    return false;
  }
  // Temporary files are made only under the lock: any left now are a
  // killed run's.
  for (const std::string& stale : platform::ExpandPattern(path_ + ".*.tmp")) platform::RemoveFile(stale);
  State state;
  state.next = start_.first;
  bool ok = true;
  if (platform::KindOf(path_) != platform::PathKind::kMissing) {
    std::string text;
    ok = ReadWholeFile(path_, &text, error) && Read(text, &state, error);
  }
  if (ok) ok = change(state, error) && ReplaceFileSafely(path_, Text(state), error);
  lock.Unlock();
  return ok;
}

std::optional<std::uint64_t> SerialNumbers::Take(std::string* error) {
  std::uint64_t taken = 0;
  const std::uint64_t step = start_.step;
  const bool ok = Update(
      [&](State& s, std::string* why) {
        if (!s.free.empty()) {
          taken = *s.free.begin();
          s.free.erase(s.free.begin());
        } else {
          if (s.next > UINT64_MAX - step) {
            if (why) *why = "the serial numbers have run out (the next, " + std::to_string(s.next) + ", is the last)";
            return false;
          }
          taken = s.next;
          s.next += step;
        }
        s.taken.insert(taken);
        return true;
      },
      error);
  if (!ok) return std::nullopt;
  return taken;
}

bool SerialNumbers::GiveBack(std::uint64_t number, std::string* error) {
  return Update(
      [number](State& s, std::string*) {
        s.taken.erase(number);
        s.free.insert(number);
        return true;
      },
      error);
}

bool SerialNumbers::Settle(std::uint64_t number, bool on_chip, std::string* error) {
  return Update(
      [&](State& s, std::string*) {
        s.taken.erase(number);
        if (!on_chip) s.spent.insert(number);
        return true;
      },
      error);
}

std::optional<std::uint64_t> SerialNumbers::Peek(std::string* error) {
  std::uint64_t next = 0;
  // An update that changes nothing: the file is read under the lock.
  const bool ok = Update(
      [&](State& s, std::string*) {
        next = s.free.empty() ? s.next : *s.free.begin();
        return true;
      },
      error);
  if (!ok) return std::nullopt;
  return next;
}

}  // namespace fw
