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
