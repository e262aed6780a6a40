#pragma once

#include <cstdint>
#include <string>

namespace fw {

// "03FF": `value` in upper-case hexadecimal, padded with zeros to at least
// `digits` digits, as the log, the views and the files show words,
// addresses and bytes. Callers add "0x" where the text wants it.
std::string Hex(std::uint32_t value, int digits);

}  // namespace fw
