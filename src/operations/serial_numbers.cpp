#include "operations/serial_numbers.h"


#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "log/safe_file.h"
#include "log/hex.h"
#include "platform/platform.h"

namespace fw {

namespace {

std::optional<std::uint64_t> ParseNumber(const std::string& text) {
  if (text.empty() || text[0] == '-' || text[0] == '+') return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const unsigned long long value = std::strtoull(text.c_str(), &end, 0);
  if (*end != '\0' || errno == ERANGE) return std::nullopt;
  return value;
}


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
  const auto address = ParseNumber(text.substr(first + 1, second - first - 1));
  const auto bytes = ParseNumber(text.substr(second + 1));
  if (!address || !bytes || *bytes < 1 || *bytes > 8 || *address > 0xFFFF) {
    if (why) *why = "--serial-at " + text + ": an address up to 0xFFFF and 1 to 8 bytes";
    return std::nullopt;
  }
  place.kind = kind == "eeprom" ? SerialPlace::Kind::kEeprom : SerialPlace::Kind::kRetlw;
  place.address = static_cast<std::uint32_t>(*address);
  place.bytes = static_cast<std::uint32_t>(*bytes);
  return place;
}

std::optional<SerialStart> ParseSerialStart(const std::string& text, std::string* why) {
  const std::size_t colon = text.find(':');
  const auto first = ParseNumber(text.substr(0, colon));
  const auto step = colon == std::string::npos ? std::optional<std::uint64_t>(1) : ParseNumber(text.substr(colon + 1));
  if (!first || !step || *step == 0) {
    if (why) *why = "--serial takes START or START:STEP (a step of at least 1), not \"" + text + "\"";
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
        if (WordAt(images.ProgramImage, place.address + k) != 0x3FFF) return "the file already sets " + where;
      }
      return {};
    }
  }
  return {};
}

void ApplySerial(const SerialPlace& place, std::uint64_t number, const ChipRecord&, Images& images) {
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
        SetWordAt(images.ProgramImage, place.address + k, static_cast<std::uint16_t>(0x3400 | ByteOf(place, number, k)));
      }
      break;
  }
}

SerialNumbers::SerialNumbers(SerialStart start, std::string path) : start_(start), path_(std::move(path)) {
  memory_.next = start.first;
}

bool SerialNumbers::Update(const std::function<void(State&)>& change, std::string* error) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (path_.empty()) {
    change(memory_);
    return true;
  }
  const std::string lock_path = path_ + ".lock";
  platform::File lock;
  std::string why;
  if (!lock.Open(lock_path, platform::File::Mode::kReadWrite, &why) || !lock.Lock(&why)) {
    if (error) *error = "cannot open " + lock_path + ": " + why;
    return false;
  }
  State state;
  state.next = start_.first;
  std::string text;
  bool ok = true;
  if (platform::File existing; existing.Open(path_, platform::File::Mode::kRead, nullptr)) {
    existing.Close();
    ok = ReadWholeFile(path_, &text, error);
    std::istringstream lines(text);
    std::string word;
    bool seen_next = false;
    while (ok && lines >> word) {
      if (word == "next") {
        std::string value;
        lines >> value;
        const auto n = ParseNumber(value);
        if (!n) break;
        state.next = *n;
        seen_next = true;
      } else if (word == "free") {
        std::string rest;
        std::getline(lines, rest);
        std::istringstream numbers(rest);
        std::string value;
        while (numbers >> value) {
          if (const auto n = ParseNumber(value)) state.free.insert(*n);
        }
      } else {
        break;
      }
    }
    if (ok && !seen_next && text.find_first_not_of(" \t\r\n") != std::string::npos) {
      // A file that says no next number is not ours to overwrite.
      if (error) *error = path_ + " is not a serial number file (no \"next\" line)";
      ok = false;
    }
  }
  if (ok) {
    change(state);
    std::string out = "next " + std::to_string(state.next) + "\n";
    if (!state.free.empty()) {
      out += "free";
      for (std::uint64_t n : state.free) out += " " + std::to_string(n);
      out += "\n";
    }
    ok = ReplaceFileSafely(path_, out, error);
  }
  lock.Unlock();
  return ok;
}

std::optional<std::uint64_t> SerialNumbers::Take(std::string* error) {
  std::uint64_t taken = 0;
  const std::uint64_t step = start_.step;
  const bool ok = Update(
      [&](State& s) {
        if (!s.free.empty()) {
          taken = *s.free.begin();
          s.free.erase(s.free.begin());
        } else {
          taken = s.next;
          s.next += step;
        }
      },
      error);
  if (!ok) return std::nullopt;
  return taken;
}

bool SerialNumbers::GiveBack(std::uint64_t number, std::string* error) {
  return Update([number](State& s) { s.free.insert(number); }, error);
}

}  // namespace fw
