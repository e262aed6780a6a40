#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fw {

// "03FF": `value` in upper-case hexadecimal, padded with zeros to at least
// `digits` digits, as the log, the views and the files show words,
// addresses and bytes. Callers add "0x" where the text wants it.
std::string Hex(std::uint32_t value, int digits);

// A number as the operator types it: decimal ("0100" is one hundred, as
// zero-padded numbers on a floor are), or hexadecimal written "0x...".
// Nothing, with what is wrong in `why`, for anything else (a sign, a
// letter, a number past 2^64-1).
std::optional<std::uint64_t> ParseNumber(std::string_view text, std::string* why = nullptr);

}  // namespace fw
