#include "files/bin_file.h"

#include <algorithm>

namespace fw {

namespace {

void Progress(const ProgressSink& progress, std::uint64_t i, std::uint64_t n) {
  if (i % 1024 == 0 && progress) progress(static_cast<int>((i + 1) * 100 / n));
}

// `n` bytes of `image` from index 0, then `pad` until `length`.
void AppendStretch(std::string& out, const std::vector<std::uint8_t>& image, std::uint64_t n,
                   std::uint64_t length, const ProgressSink& progress) {
  n = std::min<std::uint64_t>({n, length, image.size()});
  for (std::uint64_t i = 0; i < length; ++i) {
    out += static_cast<char>(i < n ? image[i] : 0xFF);
    Progress(progress, i, length);
  }
}

void ReadStretch(std::string_view bytes, std::uint64_t from, std::uint64_t n,
                 std::vector<std::uint8_t>& image, const ProgressSink& progress) {
  n = std::min<std::uint64_t>(n, image.size());
  for (std::uint64_t i = 0; i < n; ++i) {
    if (from + i < bytes.size()) image[i] = static_cast<std::uint8_t>(bytes[from + i]);
    Progress(progress, i, n);
  }
}

}  // namespace

std::string FormatBin(FileSection section, const ChipRecord& chip, const Images& images,
                      const ProgressSink& progress) {
  const std::uint64_t program = 2ull * chip.ConfigBase;
  const std::uint64_t config_stretch =
      chip.DataBase > chip.ConfigBase ? 2ull * (chip.DataBase - chip.ConfigBase) : chip.ConfigSize;
  std::string out;
  switch (section) {
    case sectAll:
      AppendStretch(out, images.ProgramImage, program, program, progress);
      AppendStretch(out, images.ConfigImage, chip.ConfigSize, config_stretch, progress);
      AppendStretch(out, images.DataImage, chip.DataSize, chip.DataSize, progress);
      break;
    case sectProgram:
      AppendStretch(out, images.ProgramImage, program, program, progress);
      break;
    case sectData:
      AppendStretch(out, images.DataImage, chip.DataSize, chip.DataSize, progress);
      break;
    case sectConfig:
      AppendStretch(out, images.ConfigImage, chip.ConfigSize, chip.ConfigSize, progress);
      break;
  }
  return out;
}

SectionLayout ParseBin(std::string_view bytes, FileSection section, const ChipRecord& chip, Images& images,
                       const ProgressSink& progress, const std::function<void(const char*)>& missing) {
  // A file long enough to reach the section's stretch is a full-chip image.
  auto layout_of = [&](std::uint64_t stretch) {
    return bytes.size() > stretch ? SectionLayout::kChipAddresses
                                  : bytes.empty() ? SectionLayout::kNone : SectionLayout::kFromZero;
  };
  switch (section) {
    case sectAll:
      // A stretch is missing when the file holds no byte of it: a program
      // file ends exactly where the configuration would begin, and a chip
      // without EEPROM has no stretch to miss.
      ReadStretch(bytes, 0, chip.ProgramSize, images.ProgramImage, progress);
      if (chip.ConfigSize > 0 && bytes.size() <= 2ull * chip.ConfigBase) {
        missing("There is no config in the file");
      } else {
        ReadStretch(bytes, 2ull * chip.ConfigBase, chip.ConfigSize, images.ConfigImage, progress);
      }
      if (chip.DataSize > 0 && bytes.size() <= 2ull * chip.DataBase) {
        missing("There is no EEPROM data in the file");
      } else {
        ReadStretch(bytes, 2ull * chip.DataBase, chip.DataSize, images.DataImage, progress);
      }
      break;
    case sectProgram:
      ReadStretch(bytes, 0, chip.ProgramSize, images.ProgramImage, progress);
      break;
    case sectData: {
      const SectionLayout layout = layout_of(2ull * chip.DataBase);
      const std::uint64_t from = layout == SectionLayout::kChipAddresses ? 2ull * chip.DataBase : 0;
      ReadStretch(bytes, from, chip.DataSize, images.DataImage, progress);
      return layout;
    }
    case sectConfig: {
      const SectionLayout layout = layout_of(2ull * chip.ConfigBase);
      const std::uint64_t from = layout == SectionLayout::kChipAddresses ? 2ull * chip.ConfigBase : 0;
      ReadStretch(bytes, from, chip.ConfigSize, images.ConfigImage, progress);
      return layout;
    }
  }
  return SectionLayout::kNone;
}

}  // namespace fw
