#pragma once

#include <string>
#include <string_view>

namespace fw {

// The SHA-256 digest of `bytes` as 64 lower-case hex digits (FIPS 180-4),
// for records that name exactly which file was written.
std::string Sha256Hex(std::string_view bytes);

}  // namespace fw
