#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "chips/catalogue.h"
#include "cli/chips_command.h"

namespace fw {
namespace {

TEST(Catalogue, TableInvariants) {
  const auto table = Catalogue();
  ASSERT_EQ(table.size(), 81u);
  std::set<std::uint16_t> keys;
  std::set<std::string> names;
  std::uint16_t previous = 0;
  for (const ChipEntry& e : table) {
    SCOPED_TRACE(e.ChipName);
    EXPECT_TRUE(keys.insert(e.Key()).second) << "keys are unique";
    EXPECT_TRUE(names.insert(e.ChipName).second);
    EXPECT_GT(e.Key(), previous) << "ascending order of key";
    previous = e.Key();
    EXPECT_EQ(e.DeviceFamily, e.IdWord >> 5);
    if (e.Family != ChipFamily::F753) {
      EXPECT_EQ(e.IdWord, e.Key());
    }
    EXPECT_EQ(e.ProgramSize % 16, 0u);
    EXPECT_EQ(e.DataSize % 16, 0u);
    EXPECT_EQ(e.ConfigSize % 16, 0u);
    EXPECT_GT(e.ProgramSize, 0u);
    EXPECT_LE(e.ProgramSize, 262144u);
    EXPECT_LE(e.DataSize, 65536u);
    EXPECT_LE(e.ConfigSize, 1024u);
    if (e.DataSize == 0) {
      EXPECT_EQ(e.EraseDataWait, 0);
      EXPECT_EQ(e.DataWaitInt, 0);
      EXPECT_EQ(e.DataWaitExt, 0);
    }
    const bool enhanced = e.Family == ChipFamily::F1822 || e.Family == ChipFamily::F1501 ||
                          e.Family == ChipFamily::F1508;
    EXPECT_EQ(e.ConfigBase, enhanced ? 0x8000u : 0x2000u);
    if (enhanced) {
      EXPECT_EQ(e.Map, MapText::M7);
      EXPECT_EQ(std::string(MapTextOf(e.Map)).rfind("0x8000..0x8003 - User ID", 0), 0u);
    }
    if (e.DataSize == 0 && e.DataBase != 0x2100) {
      EXPECT_EQ(e.DataBase, e.ConfigBase + e.ConfigSize / 2) << "just past the config area";
    }
    EXPECT_EQ(std::string(e.PictureFile).substr(std::string(e.PictureFile).size() - 4), ".jpg");
  }
}

TEST(Catalogue, FamiliesHaveTheirMembers) {
  std::map<ChipFamily, int> count;
  std::set<std::string> pictures;
  for (const ChipEntry& e : Catalogue()) {
    ++count[e.Family];
    pictures.insert(e.PictureFile);
  }
  EXPECT_EQ(count.size(), 15u);
  EXPECT_EQ(count[ChipFamily::F629], 4);
  EXPECT_EQ(count[ChipFamily::F683], 9);
  EXPECT_EQ(count[ChipFamily::F785], 1);
  EXPECT_EQ(count[ChipFamily::F635], 2);
  EXPECT_EQ(count[ChipFamily::F627A], 3);
  EXPECT_EQ(count[ChipFamily::F615], 4);
  EXPECT_EQ(count[ChipFamily::F617], 1);
  EXPECT_EQ(count[ChipFamily::F752], 1);
  EXPECT_EQ(count[ChipFamily::F753], 1);
  EXPECT_EQ(count[ChipFamily::F88X], 5);
  EXPECT_EQ(count[ChipFamily::F72X], 16);
  EXPECT_EQ(count[ChipFamily::F720], 4);
  EXPECT_EQ(count[ChipFamily::F1822], 20);
  EXPECT_EQ(count[ChipFamily::F1501], 6);
  EXPECT_EQ(count[ChipFamily::F1508], 4);
  EXPECT_EQ(pictures.size(), 21u);
}

TEST(LookupChip, RevisionsNoChipAndUnknown) {
  using Kind = LookupResult::Kind;
  for (std::uint16_t w : {0x10C0, 0x10C5, 0x10DF}) {
    const LookupResult r = LookupChip(w);
    ASSERT_EQ(r.kind, Kind::kEntry);
    EXPECT_STREQ(r.entry->ChipName, "PIC16F630");
  }
  EXPECT_STREQ(LookupChip(0x3030).entry->ChipName, "PIC16F753");
  EXPECT_EQ(LookupChip(0x3022).kind, Kind::kUnknown);
  EXPECT_EQ(LookupChip(0x3031).kind, Kind::kUnknown);
  EXPECT_EQ(LookupChip(0x303F).kind, Kind::kUnknown);
  EXPECT_EQ(LookupChip(0x0000).kind, Kind::kNoChip);
  EXPECT_EQ(LookupChip(0x001F).kind, Kind::kNoChip);
  EXPECT_EQ(LookupChip(0x3FFF).kind, Kind::kUnknown);
  EXPECT_EQ(LookupChip(0x0020).kind, Kind::kUnknown);
  EXPECT_EQ(LookupChip(0xFFFF).kind, Kind::kUnknown) << "bits above 13 are not part of the key";
  EXPECT_STREQ(LookupChip(0x2860).entry->ChipName, "PIC16LF1825");
  EXPECT_STREQ(LookupChip(0x28E0).entry->ChipName, "PIC16LF1829");
  EXPECT_EQ(LookupChip(0x28E0).entry->Family, ChipFamily::F1822);
  EXPECT_STREQ(LookupChip(0x10A0).entry->ChipName, "PIC16F636 / PIC16F639");
  EXPECT_STREQ(LookupChip(0x2D00).entry->ChipName, "PIC16F1507");
  EXPECT_STREQ(LookupChip(0x2DC0).entry->ChipName, "PIC16LF1507");
  // Every entry is found by its own word and by each of its revisions.
  for (const ChipEntry& e : Catalogue()) {
    EXPECT_EQ(LookupChip(e.IdWord).entry, &e);
    if (e.Family != ChipFamily::F753) {
      EXPECT_EQ(LookupChip(e.IdWord | 0x1F).entry, &e);
    }
  }
}

TEST(FindChipByName, AnyLetterCaseButTheWholeName) {
  EXPECT_STREQ(FindChipByName("PIC16F630")->ChipName, "PIC16F630");
  EXPECT_STREQ(FindChipByName("pic16lf1509")->ChipName, "PIC16LF1509");
  // A combined entry by its name, its menu caption, or either of its chips.
  for (const char* name : {"PIC16F636 / PIC16F639", "PIC16F636 / 639", "pic16f636/639", "PIC16F636", "pic16f639"}) {
    EXPECT_STREQ(FindChipByName(name)->ChipName, "PIC16F636 / PIC16F639") << name;
  }
  EXPECT_EQ(FindChipByName("PIC16F63"), nullptr);
  EXPECT_EQ(NearestChipNames("PIC16F63"), (std::vector<std::string>{"PIC16F636 / PIC16F639", "PIC16F630", "PIC16F631"}));
  EXPECT_EQ(FindChipByName("PIC16F6300"), nullptr);
  EXPECT_EQ(FindChipByName(""), nullptr);
}

TEST(ChipRecord, AssignKeepsTheSelectingWord) {
  ChipRecord record;
  record.Assign(*LookupChip(0x10C3).entry, 0x10C3);
  EXPECT_EQ(record.ChipName, "PIC16F630");
  EXPECT_EQ(record.ChipIdWord, 0x10C3);
  EXPECT_EQ(record.PictureFile, "PIC16F630.jpg");
  EXPECT_EQ(record.ProgramSize, 2048u);
  EXPECT_EQ(record.DataSize, 128u);
  EXPECT_EQ(record.ConfigSize, 64u);
  EXPECT_EQ(record.EraseProgramWait, 8);
  EXPECT_EQ(record.ProgramWaitExt, 2);
  EXPECT_EQ(record.DataWaitInt, 6);
}

TEST(ChipsCommand, CsvHasAHeaderAndOneLineAnEntry) {
  std::ostringstream out;
  cli::PrintChipsCsv(out);
  std::istringstream in(out.str());
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 1 + KnownChips().size());
  EXPECT_EQ(lines[0],
            "name,idword,devicefamily,family,programsize,datasize,configsize,configbase,database,"
            "eraseprogramwait,erasedatawait,programwaitint,programwaitext,datawaitint,datawaitext,"
            "map,picture");
  EXPECT_EQ(lines[1], "PIC12F683,0x0460,35,F683,4096,256,128,0x2000,0x2100,6,6,3,3,6,0,M3,PIC12F635.jpg");
  EXPECT_NE(std::find(lines.begin(), lines.end(),
                      "PIC16F630,0x10C0,134,F629,2048,128,64,0x2000,0x2100,8,8,3,2,6,0,M2,PIC16F630.jpg"),
            lines.end());
  EXPECT_EQ(lines[81], "PIC16F753,0x3030,385,F753,4096,0,256,0x2000,0x2100,6,0,0,3,0,0,M4,PIC16F753.jpg");
  // The chips added since come after the 81.
  EXPECT_EQ(lines[82], "PIC16F1933,0x2300,280,F1933,8192,256,1024,0x8000,0xF000,5,5,5,3,5,3,M7,PIC16F1933.jpg");
  EXPECT_NE(std::find(lines.begin(), lines.end(),
                      "PIC16F1847,0x1480,164,F1822,16384,256,1024,0x8000,0xF000,5,5,5,3,5,3,M7,PIC16F1826.jpg"),
            lines.end());
}

}  // namespace
}  // namespace fw

namespace fw {
namespace {

TEST(ChipNameOrder, DigitsAsNumbersLettersWithoutCase) {
  const std::vector<std::string> sorted = {"PIC12F609", "PIC12F629", "PIC12F683", "PIC12F1501", "pic12f1822",
                                           "PIC12LF1501", "PIC16F84A", "PIC16F616", "PIC16F1827"};
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    for (std::size_t j = 0; j < sorted.size(); ++j) {
      EXPECT_EQ(ChipNameOrder(sorted[i], sorted[j]), i < j) << sorted[i] << " " << sorted[j];
    }
  }
  EXPECT_FALSE(ChipNameOrder("PIC16F0684", "PIC16F684")) << "leading zeros count as nothing";
  EXPECT_TRUE(ChipNameOrder("PIC16F636", "PIC16F636 / PIC16F639")) << "a prefix first";
}

}  // namespace
}  // namespace fw
