// libFuzzer target for the Intel HEX reader: any bytes, read for any chip of
// the catalogue and any section, must neither crash nor touch memory outside
// the images.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "chips/catalogue.h"
#include "files/hex_file.h"
#include "images/images.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const auto catalogue = fw::Catalogue();
  const fw::ChipEntry& entry = catalogue[data[0] % catalogue.size()];
  const auto section = static_cast<fw::FileSection>(data[1] % 4);
  fw::ChipRecord chip;
  chip.Assign(entry, entry.IdWord);
  static fw::Images images;
  const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);
  const fw::HexReading reading = fw::ParseHex(text, section, chip, images, nullptr);
  // The counts can never exceed what the text holds.
  if (reading.dropped_bytes > size || reading.bad_checksums > size) __builtin_trap();
  return 0;
}
