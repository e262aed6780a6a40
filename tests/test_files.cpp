// Intel HEX and raw image files: round trips, the readers' address rules,
// stops and tolerance, the writers' record layout, and the File menu's rules.

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "file_rig.h"

namespace fw {
namespace {

using test::FileRig;

bool SameBytes(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b, std::uint32_t n) {
  return std::equal(a.begin(), a.begin() + n, b.begin());
}

TEST(Files, EverySectionRoundTripsInBothFormats) {
  for (const char* name : {"PIC16F630", "PIC16F722", "PIC16F1847", "PIC16F1509"}) {
    for (FileSection section : {sectAll, sectProgram, sectData, sectConfig}) {
      for (bool hex : {true, false}) {
        SCOPED_TRACE(std::string(name) + " section " + std::to_string(section) + (hex ? " hex" : " bin"));
        FileRig rig(name);
        rig.FillAndShow(section * 7 + hex);
        const Images written = rig.images();
        const FileReport saved = hex ? rig.state.files.WriteHexFile(rig.path, section)
                                     : rig.state.files.WriteBinFile(rig.path, section);
        ASSERT_TRUE(saved.done);
        rig.Select(name);  // blank images and views
        const FileReport loaded = hex ? rig.state.files.ReadHexFile(rig.path, section)
                                      : rig.state.files.ReadBinFile(rig.path, section);
        EXPECT_TRUE(loaded.done && !loaded.wrong_file && loaded.dropped_bytes == 0);
        const ChipRecord& c = rig.chip();
        if (section == sectAll || section == sectProgram) {
          EXPECT_TRUE(SameBytes(rig.images().ProgramImage, written.ProgramImage, c.ProgramSize));
        }
        if (section == sectAll || section == sectConfig) {
          EXPECT_TRUE(SameBytes(rig.images().ConfigImage, written.ConfigImage, c.ConfigSize));
        }
        if (section == sectAll || section == sectData) {
          EXPECT_TRUE(SameBytes(rig.images().DataImage, written.DataImage, c.DataSize));
        }
        EXPECT_TRUE(rig.dialogs.told.empty());
      }
    }
  }
}

TEST(HexReader, AddressRulesAndLineEnds) {
  struct Case {
    const char* chip;
    FileSection section;
    std::string text;
    int image;  // kind
    std::uint32_t index;
    std::uint8_t value;
  };
  const std::string data = ":04420000AB00CD0042\n";  // EEPROM words AB 00, CD 00 at 0x4200
  const Case cases[] = {
      {"PIC16F630", sectAll, data, kDataImage, 0, 0xAB},
      {"PIC16F630", sectAll, data, kDataImage, 1, 0xCD},
      {"PIC16F630", sectAll, ":020000040000FA\r:0400000001020304F2\r", kProgramImage, 3, 0x04},
      {"PIC16F630", sectAll, ":0400000001020304F2\r\n", kProgramImage, 2, 0x03},
      // An enhanced chip: configuration at 0x10000, EEPROM at 0x1E000.
      {"PIC16F1847", sectAll, ":020000040001F9\n:0100000055AA\n", kConfigImage, 0, 0x55},
      {"PIC16F1847", sectAll, ":020000040001F9\n:01E0000066B9\n", kDataImage, 0, 0x66},
      // Linear and segment bases add up: 0x10000 + 0xE00 * 16 = 0x1E000.
      {"PIC16F1847", sectAll, ":020000040001F9\n:020000020E00EE\n:010000007788\n", kDataImage, 0, 0x77},
      // A single section holds its area from address 0.
      {"PIC16F630", sectConfig, ":020000000A0BE9\n", kConfigImage, 1, 0x0B},
      {"PIC16F630", sectData, ":040000001111222296\n", kDataImage, 1, 0x22},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    FileRig rig(c.chip);
    rig.LoadHex(c.text, c.section);
    const Images& im = rig.images();
    const auto& image = c.image == kProgramImage ? im.ProgramImage : c.image == kDataImage ? im.DataImage : im.ConfigImage;
    EXPECT_EQ(image[c.index], c.value);
  }
}

TEST(HexReader, StopsAndWhatTheLogSays) {
  struct Case {
    std::string text;
    std::vector<std::string> lines;  // after the start line
    std::uint16_t word0;             // program word 0 afterwards
  };
  const std::string good = ":020000000A0BE9\n";
  const Case cases[] = {
      {good + ":00000001FF\n:020000001111DC\n", {"Operation complete"}, 0x0B0A},
      {good + ":0400000300000000F9\n", {"Wrong file (from 8086/80186)"}, 0x0B0A},
      {good + ":0400000500000000F7\n", {"Wrong file (from 80386)"}, 0x0B0A},
      {good + ":00000007F9\n", {"Wrong file (unknown format)"}, 0x0B0A},
      {"", {}, 0x3FFF},
      // A blank line is skipped; a line shorter than its count, or a
      // character that is no hex digit, stops the reading without going past
      // the line.
      {good + "\n   \n:04000200AABB\n", {"Wrong file (bad record in line 4)"}, 0x0B0A},
      {good + ":02000200G0BBE9\n", {"Wrong file (bad record in line 2)"}, 0x0B0A},
      {":0", {"Wrong file (bad record in line 1)"}, 0x3FFF},
      // Checksums stay tolerant, but are counted.
      {":020000000A0B00\n:0200020001FF00\n:00000001FF\n",
       {"Operation complete",
        "    2 records have a wrong checksum (the first in line 1); loaded all the same"},
       0x0B0A},
      // 32-bit arithmetic would wrap this record onto address 0.
      {":02000004FFFFFC\n:10FFF80001010101010101010101010101010101E9\n",
       {"    16 bytes lie outside the chip's memory areas loaded and were dropped"}, 0x3FFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    FileRig rig("PIC16F630");
    std::vector<std::string> lines = rig.LoadHex(c.text, sectProgram);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "Loading program from file: " + rig.path);
    lines.erase(lines.begin());
    EXPECT_EQ(lines, c.lines);
    EXPECT_EQ(WordAt(rig.images().ProgramImage, 0), c.word0);
    EXPECT_EQ(rig.state.workspace.view(1).text().substr(10, 4), [&] {
      char t[5];
      std::snprintf(t, sizeof t, "%04X", c.word0);
      return std::string(t);
    }()) << "the views are updated after any stop";
  }
}

// A configuration or data load takes its section from wherever the file
// holds it: its place in the chip's address space (assemblers, "Save All"),
// or address 0 (the section saves).
TEST(SectionLoads, TakeTheSectionFromEitherLayout) {
  for (const char* name : {"PIC16F630", "PIC16F1847"}) {
    for (bool hex : {true, false}) {
      SCOPED_TRACE(std::string(name) + (hex ? " hex" : " bin"));
      FileRig rig(name);
      rig.FillAndShow(3);
      const Images written = rig.images();
      const ChipRecord& c = rig.chip();
      char config_at[16], data_at[16];
      std::snprintf(config_at, sizeof config_at, "0x%X", 2 * c.ConfigBase);
      std::snprintf(data_at, sizeof data_at, "0x%X", 2 * c.DataBase);
      const struct {
        FileSection saved, loaded;
        std::string line;  // the layout line, at its start
      } cases[] = {
          {sectAll, sectConfig,
           std::string("    configuration taken from file address ") + config_at + ", its place in a full-chip file; the file's other "},
          {sectAll, sectData,
           std::string("    EEPROM data taken from file address ") + data_at + ", its place in a full-chip file; the file's other "},
          {sectConfig, sectConfig, "    configuration taken from file address 0, as \"Save Config to File...\" writes it"},
          {sectData, sectData, "    EEPROM data taken from file address 0, as \"Save Data to File...\" writes it"},
      };
      for (const auto& k : cases) {
        SCOPED_TRACE(k.loaded);
        rig.Select(name);
        rig.FillAndShow(3);
        ASSERT_TRUE((hex ? rig.state.files.WriteHexFile(rig.path, k.saved) : rig.state.files.WriteBinFile(rig.path, k.saved)).done);
        rig.Select(name);
        const std::size_t before = rig.state.log.Lines().size();
        const FileReport report = hex ? rig.state.files.ReadHexFile(rig.path, k.loaded)
                                      : rig.state.files.ReadBinFile(rig.path, k.loaded);
        EXPECT_TRUE(report.done);
        EXPECT_EQ(report.dropped_bytes, 0u) << "the other areas' bytes are not counted as outside the chip";
        EXPECT_EQ(rig.state.log.Lines().back().rfind(k.line, 0), 0u) << rig.state.log.Lines().back();
        EXPECT_GT(rig.state.log.Lines().size(), before);
        if (k.loaded == sectConfig) {
          EXPECT_TRUE(SameBytes(rig.images().ConfigImage, written.ConfigImage, c.ConfigSize));
        }
        if (k.loaded == sectData) {
          EXPECT_TRUE(SameBytes(rig.images().DataImage, written.DataImage, c.DataSize));
        }
      }
    }
  }
  // Bytes in both places: the chip's address wins, and the log says so.
  FileRig rig("PIC16F630");
  const auto lines = rig.LoadHex(":020000000A0BE9\n:02400E00C431BB\n:00000001FF\n", sectConfig);
  EXPECT_EQ(WordAt(rig.images().ConfigImage, 7), 0x31C4);
  EXPECT_EQ(WordAt(rig.images().ConfigImage, 0), 0x3FFF);
  EXPECT_EQ(lines.back(), "    configuration taken from file address 0x4000, its place in a full-chip file; the file's "
                          "other 2 bytes were passed over");
}

TEST(HexWriter, RecordLayout) {
  FileRig rig("PIC16F630");
  ASSERT_TRUE(rig.state.files.WriteHexFile(rig.path, sectAll).done);
  const std::string all = rig.ReadText();
  EXPECT_EQ(all.rfind(":020000040000FA\r\n:08000000FF3FFF3FFF3FFF3F00\r\n:08000800FF3FFF3FFF3FFF3FF8\r\n", 0), 0u);
  EXPECT_NE(all.find("\r\n:08420000FF00FF00FF00FF00BA\r\n"), std::string::npos);
  EXPECT_EQ(all.substr(all.size() - 13), "\r\n:00000001FF") << "no line break after the end record";
  EXPECT_EQ(all.find_first_of("abcdef"), std::string::npos);

  for (FileSection section : {sectConfig, sectData}) {
    rig.state.files.WriteHexFile(rig.path, section);
    EXPECT_EQ(rig.ReadText().find(":02000004"), std::string::npos);
  }
  rig.state.files.WriteHexFile(rig.path, sectData);
  const std::string data = rig.ReadText();
  EXPECT_NE(data.find(":08000800FF00FF00FF00FF00"), std::string::npos) << "locations 4-7 at 0008";

  rig.Select("PIC16F1847");
  rig.state.files.WriteHexFile(rig.path, sectAll);
  const std::string enhanced = rig.ReadText();
  std::size_t records = 0;
  for (std::size_t at = enhanced.find(":02000004"); at != std::string::npos; at = enhanced.find(":02000004", at + 1)) ++records;
  EXPECT_EQ(records, 2u);
  EXPECT_NE(enhanced.find(":020000040001F9\r\n:08000000"), std::string::npos);
}

TEST(BinFiles, LengthsAndMissingStretches) {
  FileRig rig("PIC16F630");
  rig.state.files.WriteBinFile(rig.path, sectProgram);
  EXPECT_EQ(rig.ReadText().size(), 16384u);
  rig.state.files.WriteBinFile(rig.path, sectAll);
  const std::string all = rig.ReadText();
  ASSERT_EQ(all.size(), 16384u + 512 + 128);
  EXPECT_EQ(all.substr(16384 + 64, 512 - 64), std::string(448, '\xFF')) << "the configuration stretch's padding";

  // A program-only file loaded whole: both warnings, configuration first.
  rig.state.files.WriteBinFile(rig.path, sectProgram);
  rig.state.files.ReadBinFile(rig.path, sectAll);
  EXPECT_EQ(rig.dialogs.told, (std::vector<std::string>{"Warning: There is no config in the file",
                                                        "Warning: There is no EEPROM data in the file"}));
  rig.Select("PIC16F1847");
  rig.state.files.WriteBinFile(rig.path, sectProgram);
  EXPECT_EQ(rig.ReadText().size(), 65536u);
  rig.Select("PIC16F1509");  // no EEPROM: the file ends at the EEPROM's base
  rig.state.files.WriteBinFile(rig.path, sectAll);
  EXPECT_EQ(rig.ReadText().size(), 65536u + 1024);
  rig.dialogs.told.clear();
  rig.state.files.ReadBinFile(rig.path, sectAll);
  EXPECT_TRUE(rig.dialogs.told.empty());
}

TEST(FileCommands, ExtensionsFormatsAndTheChipCheck) {
  EXPECT_EQ(FileExtension("myhex"), "HEX");
  EXPECT_EQ(FileExtension("a.Bin"), "BIN");
  FileRig rig("PIC16F630");
  const std::string base = rig.path;
  struct Case {
    std::string name;
    int type;
    std::string written;
  };
  for (const Case& c : {Case{base + "eeprom", 2, base + "eeprom.eep"}, Case{base + "E.EEP", 2, base + "E.EEP"},
                        Case{base + "myhex", 1, base + "myhex"}, Case{base + "d.bin", 1, base + "d.bin.hex"},
                        Case{base + "d", 3, base + "d.bin"}}) {
    EXPECT_EQ(rig.state.files.SaveFile(c.name, c.type, sectProgram), c.written);
    std::ifstream in(c.written, std::ios::binary);
    const char first = static_cast<char>(in.get());
    EXPECT_EQ(first == ':', c.type != 3) << c.written << ": HEX or raw by the file type";
    // Loading goes by the name: ".bin" (any case) raw, everything else HEX.
    rig.state.files.LoadFile(c.written, sectProgram);
    EXPECT_EQ(rig.state.log.Lines().back(), "Operation complete");
    std::remove(c.written.c_str());
  }
  FileRig none("PIC16F630");
  none.state.chip.ChipIdWord = 0;
  none.state.files.LoadFile(base, sectAll);
  EXPECT_EQ(none.state.log.Lines().back(), "No chip selected");
}

// A file built for another chip loads for a look, but says why it is no
// file for this one: words wider than 14 bits, or bytes beyond its memories.
TEST(FileCommands, AFileForAnotherChipIsNamedAsSuch) {
  const struct {
    const char* chip;
    std::string text;
    const char* misfit;  // what the reason begins with; "" for a file that fits
  } cases[] = {
      // PIC18: 16-bit words, configuration at 0x300000.
      {"PIC16F877A", ":04000000FFEF0F00FF\n:020000040030CA\n:020000002200DC\n:00000001FF\n",
       "holds 1 word wider than the 14 bits of the PIC16F877A (the first at 0x0000"},
      // PIC16F1938: the configuration at word 0x8007 (byte 0x1000E).
      {"PIC16F877A", ":020000040001F9\n:02000E00E43FCD\n:00000001FF\n",
       "holds 2 bytes outside the memory of the PIC16F877A"},
      // Configuration words as compilers write them, top bits set: they fit.
      {"PIC16F84A", ":020000000A0BE9\n:02400E00F9FFB8\n:00000001FF\n", ""},
      {"PIC16F84A", ":020000000A0BE9\n:02400E00F93F78\n:00000001FF\n", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    FileRig rig(c.chip);
    rig.WriteText(c.text);
    const FileReport report = rig.state.files.LoadFile(rig.path, sectAll);
    ASSERT_TRUE(report.done);
    const std::string misfit = FileMisfit(report, rig.chip());
    EXPECT_EQ(misfit.substr(0, std::string(c.misfit).size()), c.misfit);
    EXPECT_EQ(misfit.empty(), std::string(c.misfit).empty());
  }
}

}  // namespace
}  // namespace fw
