#pragma once

#include <cstdint>
#include <vector>

#include "chips/catalogue.h"

namespace fw {

inline constexpr std::uint32_t kProgramImageBytes = 262144;
inline constexpr std::uint32_t kDataImageBytes = 65536;
inline constexpr std::uint32_t kConfigImageBytes = 1024;

// Which image a copy between image and view moves.
enum ImageKind : int { kProgramImage = 1, kDataImage = 2, kConfigImage = 3 };

// The three transfer images between the views, the chip and the files.
// Words are stored low byte first: word i at bytes 2i and 2i+1.
struct Images {
  std::vector<std::uint8_t> ProgramImage = std::vector<std::uint8_t>(kProgramImageBytes);
  std::vector<std::uint8_t> DataImage = std::vector<std::uint8_t>(kDataImageBytes);
  std::vector<std::uint8_t> ConfigImage = std::vector<std::uint8_t>(kConfigImageBytes);
};

inline std::uint16_t WordAt(const std::vector<std::uint8_t>& image, std::uint32_t i) {
  return static_cast<std::uint16_t>(image[2 * i] | (image[2 * i + 1] << 8));
}

inline void SetWordAt(std::vector<std::uint8_t>& image, std::uint32_t i, std::uint16_t word) {
  image[2 * i] = static_cast<std::uint8_t>(word & 0xFF);
  image[2 * i + 1] = static_cast<std::uint8_t>(word >> 8);
}

// Blanks image `kind` over its whole capacity; a cleared configuration image
// carries the selected chip's ID word in word 6 and, for two families, the
// factory bits of the configuration word.
void ClearImage(Images& images, const ChipRecord& chip, int kind);

}  // namespace fw
