#include "cli/chips_command.h"

#include <cstdio>
#include <string>

#include "chips/catalogue.h"
#include "log/hex.h"

namespace fw::cli {

void PrintChipsCsv(std::ostream& out) {
  const ChipList built_in;
  PrintChipsCsv(out, built_in);
}

void PrintChipsCsv(std::ostream& out, const ChipList& chips) {
  out << "name,idword,devicefamily,family,programsize,datasize,configsize,configbase,database,"
         "eraseprogramwait,erasedatawait,programwaitint,programwaitext,datawaitint,datawaitext,"
         "map,picture\n";
  for (const ChipEntry* entry : chips.All()) {
    const ChipEntry& e = *entry;
    out << e.ChipName << ',' << ("0x" + Hex(e.IdWord, 4)) << ',' << e.DeviceFamily << ','
        << FamilyName(e.Family) << ',' << e.ProgramSize << ',' << e.DataSize << ','
        << e.ConfigSize << ',' << ("0x" + Hex(e.ConfigBase, 4)) << ',' << ("0x" + Hex(e.DataBase, 4)) << ','
        << int{e.EraseProgramWait} << ',' << int{e.EraseDataWait} << ',' << int{e.ProgramWaitInt}
        << ',' << int{e.ProgramWaitExt} << ',' << int{e.DataWaitInt} << ','
        << int{e.DataWaitExt} << ',' << MapName(e.Map) << ',' << e.PictureFile << '\n';
  }
}

void PrintChipsTable(std::ostream& out, const ChipList& chips) {
  char line[240];
  std::snprintf(line, sizeof line, "%-22s %-7s %-6s %8s %8s %8s %-9s %-9s %s\n", "Chip", "ID word", "Family",
                "Program", "EEPROM", "Config", "Config at", "EEPROM at", "Waits in ms: erase program/data,");
  out << line;
  std::snprintf(line, sizeof line, "%-22s %-7s %-6s %8s %8s %8s %-9s %-9s %s\n", "", "", "", "(words)", "(bytes)",
                "(words)", "(word)", "(word)", "program int/ext, data int/ext");
  out << line;
  for (const ChipEntry* entry : chips.All()) {
    const ChipEntry& e = *entry;
    std::snprintf(line, sizeof line, "%-22s %-7s %-6s %8u %8u %8u %-9s %-9s %u/%u, %u/%u, %u/%u\n", e.ChipName,
                  IsHandPickedId(e.IdWord) ? "none" : ("0x" + Hex(e.IdWord, 4)).c_str(), FamilyName(e.Family), e.ProgramSize / 2, e.DataSize, e.ConfigSize / 2,
                  ("0x" + Hex(e.ConfigBase, 4)).c_str(), e.DataSize ? ("0x" + Hex(e.DataBase, 4)).c_str() : "-", e.EraseProgramWait,
                  e.EraseDataWait, e.ProgramWaitInt, e.ProgramWaitExt, e.DataWaitInt, e.DataWaitExt);
    out << line;
    if (const UserChip* added = chips.AddedFor(entry)) out << "    added from " << added->origin << "\n";
  }
}

}  // namespace fw::cli
