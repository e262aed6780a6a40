#include "images/images.h"

#include <algorithm>

namespace fw {

void ClearImage(Images& images, const ChipRecord& chip, int kind) {
  switch (kind) {
    case kProgramImage:
      for (std::uint32_t i = 0; i < kProgramImageBytes / 2; ++i) SetWordAt(images.ProgramImage, i, chip.BlankWord());
      break;
    case kDataImage:
      std::fill(images.DataImage.begin(), images.DataImage.end(), 0xFF);
      break;
    case kConfigImage: {
      for (std::uint32_t i = 0; i < kConfigImageBytes / 2; ++i) SetWordAt(images.ConfigImage, i, chip.BlankWord());
      const LookupResult found = LookupSelected(chip);
      // A baseline part has no device ID to carry.
      if (found.kind != LookupResult::Kind::kEntry || chip.Baseline()) break;
      SetWordAt(images.ConfigImage, 6, chip.ChipIdWord);
      if (found.entry->Family == ChipFamily::F629) images.ConfigImage[15] = 0x31;
      if (found.entry->Family == ChipFamily::F720) images.ConfigImage[15] = 0x3C;
      break;
    }
    default:
      break;
  }
}

}  // namespace fw
