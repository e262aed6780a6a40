#include "log/hex.h"

namespace fw {

std::string Hex(std::uint32_t value, int digits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  do {
    text.insert(text.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  if (text.size() < static_cast<std::size_t>(digits)) text.insert(0, static_cast<std::size_t>(digits) - text.size(), '0');
  return text;
}

}  // namespace fw

namespace fw {

std::optional<std::uint64_t> ParseNumber(std::string_view text, std::string* why) {
  auto refuse = [&](const std::string& what) -> std::optional<std::uint64_t> {
    if (why != nullptr) *why = "\"" + std::string(text) + "\" " + what;
    return std::nullopt;
  };
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const std::string_view digits = hex ? text.substr(2) : text;
  if (digits.empty()) return refuse("is no number");
  std::uint64_t value = 0;
  const std::uint64_t base = hex ? 16 : 10;
  for (const char c : digits) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) {
      return refuse(hex ? "is no hexadecimal number" : "is no decimal number (hexadecimal is written 0x...)");
    }
    if (value > (UINT64_MAX - static_cast<std::uint64_t>(digit)) / base) return refuse("is past 2^64-1");
    value = value * base + static_cast<std::uint64_t>(digit);
  }
  return value;
}

}  // namespace fw
