// Files from and for outside tools: gpasm's HEX files load where gpasm put
// every byte, and srecord's srec_cat reads every file we write as the same
// bytes, and turns a HEX file we write into the raw file we write.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "operations/selection.h"
#include "fakes.h"
#include "images/checksum.h"
#include "operations/app_state.h"
#include "ops_rig.h"

namespace fw {
namespace {

std::string RunCommand(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  const int result = pclose(pipe);
  if (status) *status = result;
  return out;
}

// Every byte of an Intel HEX file by its address, as srec_cat reads it.
std::map<std::uint64_t, std::uint8_t> SrecBytes(const std::string& hex) {
  std::map<std::uint64_t, std::uint8_t> bytes;
  std::istringstream lines(RunCommand("srec_cat '" + hex + "' -Intel -o - -VMem 8"));
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty() || line[0] != '@') continue;
    std::istringstream fields(line.substr(1));
    std::uint64_t address = 0;
    fields >> std::hex >> address;
    unsigned value;
    while (fields >> std::hex >> value) bytes[address++] = static_cast<std::uint8_t>(value);
  }
  return bytes;
}

// srec_cat's raw image of [begin, end) of a HEX file, every `stride`-th byte.
std::string SrecBinary(const std::string& hex, std::uint64_t begin, std::uint64_t end, int stride) {
  char range[160];
  std::snprintf(range, sizeof range, "-crop 0x%llX 0x%llX -offset -0x%llX %s",
                static_cast<unsigned long long>(begin), static_cast<unsigned long long>(end),
                static_cast<unsigned long long>(begin), stride == 2 ? "-split 2 0 1" : "");
  return RunCommand("srec_cat '" + hex + "' -Intel " + range + " -o - -Binary");
}

struct ToolRig {
  test::FakeClock clock;
  test::FakePause pause;
  test::FakeDialogs dialogs;
  AppState state{clock, pause, dialogs, nullptr};
  std::string base = testing::TempDir() + "/flashwright_tools_" +
                     testing::UnitTest::GetInstance()->current_test_info()->name();
  explicit ToolRig(const char* chip) { state.selector.SelectChip(FindChipByName(chip)->IdWord); }
  // gpasm builds `source` into base.hex; what it said where it failed.
  std::string Assemble(const char* source) const {
    std::ofstream(base + ".asm") << source;
    int status = 0;
    const std::string said = RunCommand("gpasm -q -a inhx32 -o '" + base + ".hex' '" + base + ".asm'", &status);
    return status == 0 ? std::string() : said.empty() ? "gpasm failed" : said;
  }
  ~ToolRig() {
    for (const char* ext : {".asm", ".hex", ".bin", ".cod", ".lst"}) std::remove((base + ext).c_str());
  }
};

TEST(OutsideTools, GpasmFilesLoadWhereGpasmPutEveryByte) {
  struct Program {
    const char* chip;
    const char* source;
  };
  const Program programs[] = {
      {"PIC16F630",
       "  LIST P=16F630\n  #include <p16f630.inc>\n  __CONFIG _CP_OFF & _WDT_OFF & _INTRC_OSC_NOCLKOUT\n"
       "  __IDLOCS 0x1234\n  ORG 0\n  goto start\n  ORG 4\nstart movlw 0x55\n  movwf PORTA\n"
       "  goto start\n  ORG 0x3FF\n  retlw 0x80\n  ORG 0x2100\n  DE \"HELLO\", 0x12\n  END\n"},
      {"PIC12F1822",
       "  LIST P=12F1822\n  #include <p12f1822.inc>\n  __CONFIG _CONFIG1, _FOSC_INTOSC & _WDTE_OFF\n"
       "  __CONFIG _CONFIG2, _LVP_OFF\n  ORG 0\n  goto start\n  ORG 4\nstart movlw 0x55\n"
       "  goto start\n  ORG 0xF000\n  DE 0xAB, 0xCD, \"Hi\"\n  END\n"},
  };
  for (const Program& p : programs) {
    SCOPED_TRACE(p.chip);
    ToolRig rig(p.chip);
    ASSERT_EQ(rig.Assemble(p.source), "");
    const FileReport report = rig.state.files.LoadFile(rig.base + ".hex", sectAll);
    EXPECT_TRUE(report.done && report.dropped_bytes == 0);

    const ChipRecord& c = rig.state.chip;
    Images expected;
    for (int kind : {kProgramImage, kDataImage, kConfigImage}) ClearImage(expected, c, kind);
    const std::map<std::uint64_t, std::uint8_t> bytes = SrecBytes(rig.base + ".hex");
    ASSERT_GT(bytes.size(), 10u);
    for (const auto& [a, b] : bytes) {
      if (a < c.ProgramSize) {
        expected.ProgramImage[a] = b;
      } else if (a >= 2ull * c.ConfigBase && a < 2ull * c.ConfigBase + c.ConfigSize) {
        expected.ConfigImage[a - 2ull * c.ConfigBase] = b;
      } else if (a >= 2ull * c.DataBase && a % 2 == 0) {
        expected.DataImage[(a - 2ull * c.DataBase) / 2] = b;
      }
    }
    EXPECT_EQ(expected.ProgramImage, rig.state.images.ProgramImage);
    EXPECT_EQ(expected.ConfigImage, rig.state.images.ConfigImage);
    EXPECT_EQ(expected.DataImage, rig.state.images.DataImage);
  }
}

// A project as gpasm builds it, with user IDs, configuration and EEPROM
// data: written, verified as a file is, read back with the same checksum,
// and each section load of the full-chip file takes its section.
TEST(OutsideTools, AGpasmProjectGoesWriteVerifyReadChecksum) {
  const struct {
    const char* chip;
    const char* source;
  } projects[] = {
      {"PIC16F684",
       "  LIST P=16F684\n  #include <p16f684.inc>\n  __CONFIG _INTRC_OSC_NOCLKOUT & _WDT_OFF & _MCLRE_ON\n"
       "  __IDLOCS 0x1234\n  ORG 0\n  goto start\n  ORG 4\nstart movlw 0x55\n  goto start\n"
       "  ORG 0x2100\n  DE \"ID\", 7\n  END\n"},
      {"PIC16F630",
       "  LIST P=16F630\n  #include <p16f630.inc>\n  __CONFIG _CP_OFF & _WDT_OFF & _INTRC_OSC_NOCLKOUT\n"
       "  __IDLOCS 0x0A0B\n  ORG 0\n  goto $\n  ORG 0x2100\n  DE 1, 2\n  END\n"},
      {"PIC12F1822",
       "  LIST P=12F1822\n  #include <p12f1822.inc>\n  __CONFIG _CONFIG1, _FOSC_INTOSC & _WDTE_OFF\n"
       "  __CONFIG _CONFIG2, _LVP_OFF\n  __IDLOCS 0x5678\n  ORG 0\n  goto $\n  ORG 0xF000\n  DE 0xAB\n  END\n"},
  };
  for (const auto& p : projects) {
    SCOPED_TRACE(p.chip);
    ToolRig tool(p.chip);
    ASSERT_EQ(tool.Assemble(p.source), "");
    OpsRig rig(p.chip);
    rig.state.files.LoadFile(tool.base + ".hex", sectAll);
    const Images file = rig.state.images;
    const std::optional<std::uint16_t> file_sum = ImageChecksum(rig.state.chip, file);
    const auto& words = rig.state.files.ConfigWordsLoaded();
    ASSERT_TRUE(words[0] && words[3]) << "the file sets the user IDs";
    rig.Run([](DeviceOperations& o) { return o.WriteProgramAndConfig(true, false, std::nullopt, true); });
    rig.Run([](DeviceOperations& o) { return o.WriteData(); });
    EXPECT_EQ(rig.chip().ConfigWord(0), WordAt(file.ConfigImage, 0)) << "user ID 0 written";
    const auto scope = FileCompareScope(rig.state.chip, words);
    EXPECT_EQ(rig.Run([&](DeviceOperations& o) { return o.VerifyProgramAndConfig(scope); }).end()[-2],
              "       Finished. No differences found.");
    rig.Run([](DeviceOperations& o) { return o.VerifyData(); });
    EXPECT_TRUE(rig.chip().notes().empty()) << rig.chip().notes().front();
    rig.state.selector.SelectChip(rig.state.chip.ChipIdWord);
    rig.Run([](DeviceOperations& o) { return o.ReadProgramAndConfig(); });
    EXPECT_EQ(ImageChecksum(rig.state.chip, rig.state.images), file_sum) << "the chip's checksum is the file's";

    for (FileSection section : {sectConfig, sectData}) {
      rig.state.selector.SelectChip(rig.state.chip.ChipIdWord);
      rig.state.files.LoadFile(tool.base + ".hex", section);
      const ChipRecord& c = rig.state.chip;
      if (section == sectConfig) {
        EXPECT_TRUE(std::equal(file.ConfigImage.begin(), file.ConfigImage.begin() + c.ConfigSize, rig.state.images.ConfigImage.begin()));
      }
      if (section == sectData) {
        EXPECT_TRUE(std::equal(file.DataImage.begin(), file.DataImage.begin() + c.DataSize, rig.state.images.DataImage.begin()));
      }
    }
  }
}

TEST(OutsideTools, SrecCatReadsWhatWeWriteAsTheSameBytes) {
  for (const char* name : {"PIC16F630", "PIC16F1847", "PIC16F720"}) {
    ToolRig rig(name);
    const ChipRecord& c = rig.state.chip;
    Images& im = rig.state.images;
    std::mt19937 random(7);
    for (std::uint32_t i = 0; i < c.ProgramSize / 2; ++i) SetWordAt(im.ProgramImage, i, random() & 0x3FFF);
    for (std::uint32_t i = 0; i < c.ConfigSize / 2; ++i) SetWordAt(im.ConfigImage, i, random() & 0x3FFF);
    for (std::uint32_t i = 0; i < c.DataSize; ++i) im.DataImage[i] = random() & 0xFF;
    rig.state.workspace.ShowImage(1, kProgramImage);
    rig.state.workspace.ShowImage(6, kConfigImage);
    rig.state.workspace.ShowImage(3, kDataImage);
    for (FileSection section : {sectAll, sectProgram, sectData, sectConfig}) {
      SCOPED_TRACE(std::string(name) + " section " + std::to_string(section));
      const std::string hex = rig.base + ".hex", bin = rig.base + ".bin";
      ASSERT_TRUE(rig.state.files.WriteHexFile(hex, section).done);
      ASSERT_TRUE(rig.state.files.WriteBinFile(bin, section).done);
      // Where each section's bytes belong: (image, file address, stride).
      struct Stretch {
        const std::vector<std::uint8_t>* image;
        std::uint64_t hex_at, bin_at, length;
        int stride;
      };
      const bool all = section == sectAll;
      std::vector<Stretch> stretches;
      if (all || section == sectProgram) stretches.push_back({&im.ProgramImage, 0, 0, c.ProgramSize, 1});
      if (all || section == sectConfig) {
        const std::uint64_t at = all ? 2ull * c.ConfigBase : 0;
        stretches.push_back({&im.ConfigImage, at, at, c.ConfigSize, 1});
      }
      if ((all || section == sectData) && c.DataSize > 0) {
        stretches.push_back({&im.DataImage, all ? 2ull * c.DataBase : 0, all ? 2ull * c.DataBase : 0, c.DataSize, 2});
      }
      // A chip without EEPROM has an empty data file, the end record alone,
      // which srec_cat calls a file with no data.
      if (stretches.empty()) continue;
      int status = 0;
      EXPECT_EQ(RunCommand("srec_cat '" + hex + "' -Intel -o /dev/null", &status), "");
      EXPECT_EQ(status, 0);
      std::map<std::uint64_t, std::uint8_t> expected;
      for (const Stretch& s : stretches) {
        for (std::uint64_t i = 0; i < s.length; ++i) {
          expected[s.hex_at + s.stride * i] = (*s.image)[i];
          if (s.stride == 2) expected[s.hex_at + 2 * i + 1] = 0;
        }
      }
      EXPECT_TRUE(SrecBytes(hex) == expected);

      std::ifstream in(bin, std::ios::binary);
      const std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      for (const Stretch& s : stretches) {
        const std::string twin = SrecBinary(hex, s.hex_at, s.hex_at + s.stride * s.length, s.stride);
        EXPECT_EQ(raw.substr(s.bin_at, s.length), twin) << "at " << s.bin_at;
      }
    }
  }
}

}  // namespace
}  // namespace fw
