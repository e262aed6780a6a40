#include "chips/catalogue.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <string_view>

namespace fw {

namespace {

// ID words and memory sizes: the chips' datasheets and programming
// documents (DS41191, DS41196, DS41204H, DS41287, DS41332, DS41390C,
// DS41396A, DS41409, DS41573, DS41686 for the PIC16F753's exact ID word).
// The waits are this programmer's own, never shorter than the chips'
// minimum times. Sizes in bytes, two per word; bases are word addresses;
// waits in milliseconds.
constexpr std::array<ChipEntry, 81> kCatalogue = {{
    {.ChipName = "PIC12F683", .IdWord = 0x0460, .DeviceFamily = 35, .Family = ChipFamily::F683,
     .ProgramSize = 4096, .DataSize = 256, .ConfigSize = 128, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 6, .EraseDataWait = 6, .ProgramWaitInt = 3, .ProgramWaitExt = 3,
     .DataWaitInt = 6, .DataWaitExt = 0, .Map = MapText::M3, .PictureFile = "PIC12F635.jpg"},
    {.ChipName = "PIC16F685", .IdWord = 0x04A0, .DeviceFamily = 37, .Family = ChipFamily::F683,
     .ProgramSize = 8192, .DataSize = 256, .ConfigSize = 256, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 6, .EraseDataWait = 6, .ProgramWaitInt = 3, .ProgramWaitExt = 3,
     .DataWaitInt = 6, .DataWaitExt = 0, .Map = MapText::M3, .PictureFile = "PIC16F631.jpg"},
    {.ChipName = "PIC12F629", .IdWord = 0x0F80, .DeviceFamily = 124, .Family = ChipFamily::F629,
     .ProgramSize = 2048, .DataSize = 128, .ConfigSize = 64, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 8, .EraseDataWait = 8, .ProgramWaitInt = 3, .ProgramWaitExt = 2,
     .DataWaitInt = 6, .DataWaitExt = 0, .Map = MapText::M2, .PictureFile = "PIC12F629.jpg"},
    {.ChipName = "PIC12F635", .IdWord = 0x0FA0, .DeviceFamily = 125, .Family = ChipFamily::F635,
     .ProgramSize = 2048, .DataSize = 128, .ConfigSize = 128, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 6, .EraseDataWait = 6, .ProgramWaitInt = 3, .ProgramWaitExt = 3,
     .DataWaitInt = 6, .DataWaitExt = 0, .Map = MapText::M3, .PictureFile = "PIC12F635.jpg"},
    {.ChipName = "PIC12F675", .IdWord = 0x0FC0, .DeviceFamily = 126, .Family = ChipFamily::F629,
     .ProgramSize = 2048, .DataSize = 128, .ConfigSize = 64, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 8, .EraseDataWait = 8, .ProgramWaitInt = 3, .ProgramWaitExt = 2,
     .DataWaitInt = 6, .DataWaitExt = 0, .Map = MapText::M2, .PictureFile = "PIC12F629.jpg"},
    {.ChipName = "PIC16F627A", .IdWord = 0x1040, .DeviceFamily = 130, .Family = ChipFamily::F627A,
     .ProgramSize = 2048, .DataSize = 128, .ConfigSize = 16, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 6, .EraseDataWait = 6, .ProgramWaitInt = 4, .ProgramWaitExt = 0,
     .DataWaitInt = 6, .DataWaitExt = 0, .Map = MapText::M1, .PictureFile = "PIC16F627A.jpg"},
    {.ChipName = "PIC16F628A", .IdWord = 0x1060, .DeviceFamily = 131, .Family = ChipFamily::F627A,
     .ProgramSize = 4096, .DataSize = 128, .ConfigSize = 16, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 6, .EraseDataWait = 6, .ProgramWaitInt = 4, .ProgramWaitExt = 0,
     .DataWaitInt = 6, .DataWaitExt = 0, .Map = MapText::M1, .PictureFile = "PIC16F627A.jpg"},
    {.ChipName = "PIC16F684", .IdWord = 0x1080, .DeviceFamily = 132, .Family = ChipFamily::F683,
     .ProgramSize = 4096, .DataSize = 256, .ConfigSize = 128, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 6, .EraseDataWait = 6, .ProgramWaitInt = 3, .ProgramWaitExt = 3,
     .DataWaitInt = 6, .DataWaitExt = 0, .Map = MapText::M3, .PictureFile = "PIC16F636.jpg"},
    {.ChipName = "PIC16F636 / PIC16F639", .IdWord = 0x10A0, .DeviceFamily = 133, .Family = ChipFamily::F635,
     .ProgramSize = 4096, .DataSize = 256, .ConfigSize = 128, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 6, .EraseDataWait = 6, .ProgramWaitInt = 3, .ProgramWaitExt = 3,
     .DataWaitInt = 6, .DataWaitExt = 0, .Map = MapText::M3, .PictureFile = "PIC16F636.jpg"},
    {.ChipName = "PIC16F630", .IdWord = 0x10C0, .DeviceFamily = 134, .Family = ChipFamily::F629,
     .ProgramSize = 2048, .DataSize = 128, .ConfigSize = 64, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 8, .EraseDataWait = 8, .ProgramWaitInt = 3, .ProgramWaitExt = 2,
     .DataWaitInt = 6, .DataWaitExt = 0, .Map = MapText::M2, .PictureFile = "PIC16F630.jpg"},
    {.ChipName = "PIC16F676", .IdWord = 0x10E0, .DeviceFamily = 135, .Family = ChipFamily::F629,
     .ProgramSize = 2048, .DataSize = 128, .ConfigSize = 64, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 8, .EraseDataWait = 8, .ProgramWaitInt = 3, .ProgramWaitExt = 2,
     .DataWaitInt = 6, .DataWaitExt = 0, .Map = MapText::M2, .PictureFile = "PIC16F630.jpg"},
    {.ChipName = "PIC16F648A", .IdWord = 0x1100, .DeviceFamily = 136, .Family = ChipFamily::F627A,
     .ProgramSize = 8192, .DataSize = 256, .ConfigSize = 16, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 6, .EraseDataWait = 6, .ProgramWaitInt = 4, .ProgramWaitExt = 0,
     .DataWaitInt = 6, .DataWaitExt = 0, .Map = MapText::M1, .PictureFile = "PIC16F627A.jpg"},
    {.ChipName = "PIC16F688", .IdWord = 0x1180, .DeviceFamily = 140, .Family = ChipFamily::F683,
     .ProgramSize = 8192, .DataSize = 256, .ConfigSize = 128, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 6, .EraseDataWait = 6, .ProgramWaitInt = 3, .ProgramWaitExt = 3,
     .DataWaitInt = 6, .DataWaitExt = 0, .Map = MapText::M3, .PictureFile = "PIC16F636.jpg"},
    {.ChipName = "PIC16F785", .IdWord = 0x1200, .DeviceFamily = 144, .Family = ChipFamily::F785,
     .ProgramSize = 4096, .DataSize = 256, .ConfigSize = 128, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 6, .EraseDataWait = 6, .ProgramWaitInt = 3, .ProgramWaitExt = 3,
     .DataWaitInt = 6, .DataWaitExt = 6, .Map = MapText::M4, .PictureFile = "PIC16F785.jpg"},
    {.ChipName = "PIC16F616", .IdWord = 0x1240, .DeviceFamily = 146, .Family = ChipFamily::F615,
     .ProgramSize = 4096, .DataSize = 0, .ConfigSize = 128, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 6, .EraseDataWait = 0, .ProgramWaitInt = 0, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M3, .PictureFile = "PIC16F610.jpg"},
    {.ChipName = "PIC16F687", .IdWord = 0x1320, .DeviceFamily = 153, .Family = ChipFamily::F683,
     .ProgramSize = 4096, .DataSize = 256, .ConfigSize = 256, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 6, .EraseDataWait = 6, .ProgramWaitInt = 3, .ProgramWaitExt = 3,
     .DataWaitInt = 6, .DataWaitExt = 0, .Map = MapText::M3, .PictureFile = "PIC16F631.jpg"},
    {.ChipName = "PIC16F689", .IdWord = 0x1340, .DeviceFamily = 154, .Family = ChipFamily::F683,
     .ProgramSize = 8192, .DataSize = 256, .ConfigSize = 256, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 6, .EraseDataWait = 6, .ProgramWaitInt = 3, .ProgramWaitExt = 3,
     .DataWaitInt = 6, .DataWaitExt = 0, .Map = MapText::M3, .PictureFile = "PIC16F631.jpg"},
    {.ChipName = "PIC12F617", .IdWord = 0x1360, .DeviceFamily = 155, .Family = ChipFamily::F617,
     .ProgramSize = 4096, .DataSize = 0, .ConfigSize = 224, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 6, .EraseDataWait = 0, .ProgramWaitInt = 0, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M3, .PictureFile = "PIC12F615.jpg"},
    {.ChipName = "PIC16F690", .IdWord = 0x1400, .DeviceFamily = 160, .Family = ChipFamily::F683,
     .ProgramSize = 8192, .DataSize = 256, .ConfigSize = 256, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 6, .EraseDataWait = 6, .ProgramWaitInt = 3, .ProgramWaitExt = 3,
     .DataWaitInt = 6, .DataWaitExt = 0, .Map = MapText::M3, .PictureFile = "PIC16F631.jpg"},
    {.ChipName = "PIC16F631", .IdWord = 0x1420, .DeviceFamily = 161, .Family = ChipFamily::F683,
     .ProgramSize = 2048, .DataSize = 128, .ConfigSize = 256, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 6, .EraseDataWait = 6, .ProgramWaitInt = 3, .ProgramWaitExt = 3,
     .DataWaitInt = 6, .DataWaitExt = 0, .Map = MapText::M3, .PictureFile = "PIC16F631.jpg"},
    {.ChipName = "PIC16F677", .IdWord = 0x1440, .DeviceFamily = 162, .Family = ChipFamily::F683,
     .ProgramSize = 4096, .DataSize = 256, .ConfigSize = 256, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 6, .EraseDataWait = 6, .ProgramWaitInt = 3, .ProgramWaitExt = 3,
     .DataWaitInt = 6, .DataWaitExt = 0, .Map = MapText::M3, .PictureFile = "PIC16F631.jpg"},
    {.ChipName = "PIC16F1847", .IdWord = 0x1480, .DeviceFamily = 164, .Family = ChipFamily::F1822,
     .ProgramSize = 16384, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC16F1826.jpg"},
    {.ChipName = "PIC16LF1847", .IdWord = 0x14A0, .DeviceFamily = 165, .Family = ChipFamily::F1822,
     .ProgramSize = 16384, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC16F1826.jpg"},
    {.ChipName = "PIC12F752", .IdWord = 0x1500, .DeviceFamily = 168, .Family = ChipFamily::F752,
     .ProgramSize = 2048, .DataSize = 0, .ConfigSize = 256, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 6, .EraseDataWait = 0, .ProgramWaitInt = 0, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M4, .PictureFile = "PIC12F752.jpg"},
    {.ChipName = "PIC16F727", .IdWord = 0x1800, .DeviceFamily = 192, .Family = ChipFamily::F72X,
     .ProgramSize = 16384, .DataSize = 0, .ConfigSize = 512, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M6, .PictureFile = "PIC16F707.jpg"},
    {.ChipName = "PIC16F726", .IdWord = 0x1820, .DeviceFamily = 193, .Family = ChipFamily::F72X,
     .ProgramSize = 16384, .DataSize = 0, .ConfigSize = 512, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M6, .PictureFile = "PIC16F722.jpg"},
    {.ChipName = "PIC16F724", .IdWord = 0x1840, .DeviceFamily = 194, .Family = ChipFamily::F72X,
     .ProgramSize = 8192, .DataSize = 0, .ConfigSize = 512, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M6, .PictureFile = "PIC16F707.jpg"},
    {.ChipName = "PIC16F723", .IdWord = 0x1860, .DeviceFamily = 195, .Family = ChipFamily::F72X,
     .ProgramSize = 8192, .DataSize = 0, .ConfigSize = 512, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M6, .PictureFile = "PIC16F722.jpg"},
    {.ChipName = "PIC16F722", .IdWord = 0x1880, .DeviceFamily = 196, .Family = ChipFamily::F72X,
     .ProgramSize = 4096, .DataSize = 0, .ConfigSize = 512, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M6, .PictureFile = "PIC16F722.jpg"},
    {.ChipName = "PIC16LF727", .IdWord = 0x1900, .DeviceFamily = 200, .Family = ChipFamily::F72X,
     .ProgramSize = 16384, .DataSize = 0, .ConfigSize = 512, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M6, .PictureFile = "PIC16F707.jpg"},
    {.ChipName = "PIC16LF726", .IdWord = 0x1920, .DeviceFamily = 201, .Family = ChipFamily::F72X,
     .ProgramSize = 16384, .DataSize = 0, .ConfigSize = 512, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M6, .PictureFile = "PIC16F722.jpg"},
    {.ChipName = "PIC16LF724", .IdWord = 0x1940, .DeviceFamily = 202, .Family = ChipFamily::F72X,
     .ProgramSize = 8192, .DataSize = 0, .ConfigSize = 512, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M6, .PictureFile = "PIC16F707.jpg"},
    {.ChipName = "PIC16LF723", .IdWord = 0x1960, .DeviceFamily = 203, .Family = ChipFamily::F72X,
     .ProgramSize = 8192, .DataSize = 0, .ConfigSize = 512, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M6, .PictureFile = "PIC16F722.jpg"},
    {.ChipName = "PIC16LF722", .IdWord = 0x1980, .DeviceFamily = 204, .Family = ChipFamily::F72X,
     .ProgramSize = 4096, .DataSize = 0, .ConfigSize = 512, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M6, .PictureFile = "PIC16F722.jpg"},
    {.ChipName = "PIC16F707", .IdWord = 0x1AC0, .DeviceFamily = 214, .Family = ChipFamily::F72X,
     .ProgramSize = 16384, .DataSize = 0, .ConfigSize = 512, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M6, .PictureFile = "PIC16F707.jpg"},
    {.ChipName = "PIC16LF707", .IdWord = 0x1AE0, .DeviceFamily = 215, .Family = ChipFamily::F72X,
     .ProgramSize = 16384, .DataSize = 0, .ConfigSize = 512, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M6, .PictureFile = "PIC16F707.jpg"},
    {.ChipName = "PIC16F723A", .IdWord = 0x1B00, .DeviceFamily = 216, .Family = ChipFamily::F72X,
     .ProgramSize = 8192, .DataSize = 0, .ConfigSize = 512, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M6, .PictureFile = "PIC16F722.jpg"},
    {.ChipName = "PIC16F722A", .IdWord = 0x1B20, .DeviceFamily = 217, .Family = ChipFamily::F72X,
     .ProgramSize = 4096, .DataSize = 0, .ConfigSize = 512, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M6, .PictureFile = "PIC16F722.jpg"},
    {.ChipName = "PIC16LF723A", .IdWord = 0x1B40, .DeviceFamily = 218, .Family = ChipFamily::F72X,
     .ProgramSize = 8192, .DataSize = 0, .ConfigSize = 512, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M6, .PictureFile = "PIC16F722.jpg"},
    {.ChipName = "PIC16LF722A", .IdWord = 0x1B60, .DeviceFamily = 219, .Family = ChipFamily::F72X,
     .ProgramSize = 4096, .DataSize = 0, .ConfigSize = 512, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M6, .PictureFile = "PIC16F722.jpg"},
    {.ChipName = "PIC12F1840", .IdWord = 0x1B80, .DeviceFamily = 220, .Family = ChipFamily::F1822,
     .ProgramSize = 8192, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC12F1501.jpg"},
    {.ChipName = "PIC12LF1840", .IdWord = 0x1BC0, .DeviceFamily = 222, .Family = ChipFamily::F1822,
     .ProgramSize = 8192, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC12F1501.jpg"},
    {.ChipName = "PIC16F720", .IdWord = 0x1C00, .DeviceFamily = 224, .Family = ChipFamily::F720,
     .ProgramSize = 4096, .DataSize = 0, .ConfigSize = 1024, .ConfigBase = 0x2000, .DataBase = 0x2200,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M6, .PictureFile = "PIC16F720.jpg"},
    {.ChipName = "PIC16F721", .IdWord = 0x1C20, .DeviceFamily = 225, .Family = ChipFamily::F720,
     .ProgramSize = 8192, .DataSize = 0, .ConfigSize = 1024, .ConfigBase = 0x2000, .DataBase = 0x2200,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M6, .PictureFile = "PIC16F720.jpg"},
    {.ChipName = "PIC16LF720", .IdWord = 0x1C40, .DeviceFamily = 226, .Family = ChipFamily::F720,
     .ProgramSize = 4096, .DataSize = 0, .ConfigSize = 1024, .ConfigBase = 0x2000, .DataBase = 0x2200,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M6, .PictureFile = "PIC16F720.jpg"},
    {.ChipName = "PIC16LF721", .IdWord = 0x1C60, .DeviceFamily = 227, .Family = ChipFamily::F720,
     .ProgramSize = 8192, .DataSize = 0, .ConfigSize = 1024, .ConfigBase = 0x2000, .DataBase = 0x2200,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M6, .PictureFile = "PIC16F720.jpg"},
    {.ChipName = "PIC16F882", .IdWord = 0x2000, .DeviceFamily = 256, .Family = ChipFamily::F88X,
     .ProgramSize = 4096, .DataSize = 128, .ConfigSize = 256, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 6, .EraseDataWait = 6, .ProgramWaitInt = 3, .ProgramWaitExt = 3,
     .DataWaitInt = 6, .DataWaitExt = 0, .Map = MapText::M5, .PictureFile = "PIC16F882.jpg"},
    {.ChipName = "PIC16F883", .IdWord = 0x2020, .DeviceFamily = 257, .Family = ChipFamily::F88X,
     .ProgramSize = 8192, .DataSize = 256, .ConfigSize = 256, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 6, .EraseDataWait = 6, .ProgramWaitInt = 3, .ProgramWaitExt = 3,
     .DataWaitInt = 6, .DataWaitExt = 0, .Map = MapText::M5, .PictureFile = "PIC16F882.jpg"},
    {.ChipName = "PIC16F884", .IdWord = 0x2040, .DeviceFamily = 258, .Family = ChipFamily::F88X,
     .ProgramSize = 8192, .DataSize = 256, .ConfigSize = 256, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 6, .EraseDataWait = 6, .ProgramWaitInt = 3, .ProgramWaitExt = 3,
     .DataWaitInt = 6, .DataWaitExt = 0, .Map = MapText::M5, .PictureFile = "PIC16F882.jpg"},
    {.ChipName = "PIC16F886", .IdWord = 0x2060, .DeviceFamily = 259, .Family = ChipFamily::F88X,
     .ProgramSize = 16384, .DataSize = 256, .ConfigSize = 256, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 6, .EraseDataWait = 6, .ProgramWaitInt = 3, .ProgramWaitExt = 3,
     .DataWaitInt = 6, .DataWaitExt = 0, .Map = MapText::M5, .PictureFile = "PIC16F882.jpg"},
    {.ChipName = "PIC16F887", .IdWord = 0x2080, .DeviceFamily = 260, .Family = ChipFamily::F88X,
     .ProgramSize = 16384, .DataSize = 256, .ConfigSize = 256, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 6, .EraseDataWait = 6, .ProgramWaitInt = 3, .ProgramWaitExt = 3,
     .DataWaitInt = 6, .DataWaitExt = 0, .Map = MapText::M5, .PictureFile = "PIC16F882.jpg"},
    {.ChipName = "PIC12F615", .IdWord = 0x2180, .DeviceFamily = 268, .Family = ChipFamily::F615,
     .ProgramSize = 2048, .DataSize = 0, .ConfigSize = 128, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 6, .EraseDataWait = 0, .ProgramWaitInt = 0, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M3, .PictureFile = "PIC12F615.jpg"},
    {.ChipName = "PIC12F609", .IdWord = 0x2240, .DeviceFamily = 274, .Family = ChipFamily::F615,
     .ProgramSize = 2048, .DataSize = 0, .ConfigSize = 128, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 6, .EraseDataWait = 0, .ProgramWaitInt = 0, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M3, .PictureFile = "PIC12F615.jpg"},
    {.ChipName = "PIC16F610", .IdWord = 0x2260, .DeviceFamily = 275, .Family = ChipFamily::F615,
     .ProgramSize = 2048, .DataSize = 0, .ConfigSize = 128, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 6, .EraseDataWait = 0, .ProgramWaitInt = 0, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M3, .PictureFile = "PIC16F610.jpg"},
    {.ChipName = "PIC12F1822", .IdWord = 0x2700, .DeviceFamily = 312, .Family = ChipFamily::F1822,
     .ProgramSize = 4096, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC12F1822.jpg"},
    {.ChipName = "PIC16F1823", .IdWord = 0x2720, .DeviceFamily = 313, .Family = ChipFamily::F1822,
     .ProgramSize = 4096, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC16F1503.jpg"},
    {.ChipName = "PIC16F1824", .IdWord = 0x2740, .DeviceFamily = 314, .Family = ChipFamily::F1822,
     .ProgramSize = 8192, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC16F1503.jpg"},
    {.ChipName = "PIC16F1825", .IdWord = 0x2760, .DeviceFamily = 315, .Family = ChipFamily::F1822,
     .ProgramSize = 16384, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC16F1503.jpg"},
    {.ChipName = "PIC16F1826", .IdWord = 0x2780, .DeviceFamily = 316, .Family = ChipFamily::F1822,
     .ProgramSize = 4096, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC16F1826.jpg"},
    {.ChipName = "PIC16F1827", .IdWord = 0x27A0, .DeviceFamily = 317, .Family = ChipFamily::F1822,
     .ProgramSize = 8192, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC16F1826.jpg"},
    {.ChipName = "PIC16F1828", .IdWord = 0x27C0, .DeviceFamily = 318, .Family = ChipFamily::F1822,
     .ProgramSize = 8192, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC16F1828.jpg"},
    {.ChipName = "PIC16F1829", .IdWord = 0x27E0, .DeviceFamily = 319, .Family = ChipFamily::F1822,
     .ProgramSize = 16384, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC16F1828.jpg"},
    {.ChipName = "PIC12LF1822", .IdWord = 0x2800, .DeviceFamily = 320, .Family = ChipFamily::F1822,
     .ProgramSize = 4096, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC12F1822.jpg"},
    {.ChipName = "PIC16LF1823", .IdWord = 0x2820, .DeviceFamily = 321, .Family = ChipFamily::F1822,
     .ProgramSize = 4096, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC16F1503.jpg"},
    {.ChipName = "PIC16LF1824", .IdWord = 0x2840, .DeviceFamily = 322, .Family = ChipFamily::F1822,
     .ProgramSize = 8192, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC16F1503.jpg"},
    {.ChipName = "PIC16LF1825", .IdWord = 0x2860, .DeviceFamily = 323, .Family = ChipFamily::F1822,
     .ProgramSize = 16384, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC16F1503.jpg"},
    {.ChipName = "PIC16LF1826", .IdWord = 0x2880, .DeviceFamily = 324, .Family = ChipFamily::F1822,
     .ProgramSize = 4096, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC16F1826.jpg"},
    {.ChipName = "PIC16LF1827", .IdWord = 0x28A0, .DeviceFamily = 325, .Family = ChipFamily::F1822,
     .ProgramSize = 8192, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC16F1826.jpg"},
    {.ChipName = "PIC16LF1828", .IdWord = 0x28C0, .DeviceFamily = 326, .Family = ChipFamily::F1822,
     .ProgramSize = 8192, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC16F1828.jpg"},
    {.ChipName = "PIC16LF1829", .IdWord = 0x28E0, .DeviceFamily = 327, .Family = ChipFamily::F1822,
     .ProgramSize = 16384, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC16F1828.jpg"},
    {.ChipName = "PIC12F1501", .IdWord = 0x2CC0, .DeviceFamily = 358, .Family = ChipFamily::F1501,
     .ProgramSize = 2048, .DataSize = 0, .ConfigSize = 512, .ConfigBase = 0x8000, .DataBase = 0x8100,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M7, .PictureFile = "PIC12F1501.jpg"},
    {.ChipName = "PIC16F1503", .IdWord = 0x2CE0, .DeviceFamily = 359, .Family = ChipFamily::F1501,
     .ProgramSize = 4096, .DataSize = 0, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0x8200,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M7, .PictureFile = "PIC16F1503.jpg"},
    {.ChipName = "PIC16F1507", .IdWord = 0x2D00, .DeviceFamily = 360, .Family = ChipFamily::F1501,
     .ProgramSize = 4096, .DataSize = 0, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0x8200,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M7, .PictureFile = "PIC16F1507.jpg"},
    {.ChipName = "PIC16F1508", .IdWord = 0x2D20, .DeviceFamily = 361, .Family = ChipFamily::F1508,
     .ProgramSize = 8192, .DataSize = 0, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0x8200,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M7, .PictureFile = "PIC16F1507.jpg"},
    {.ChipName = "PIC16F1509", .IdWord = 0x2D40, .DeviceFamily = 362, .Family = ChipFamily::F1508,
     .ProgramSize = 16384, .DataSize = 0, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0x8200,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M7, .PictureFile = "PIC16F1507.jpg"},
    {.ChipName = "PIC12LF1501", .IdWord = 0x2D80, .DeviceFamily = 364, .Family = ChipFamily::F1501,
     .ProgramSize = 2048, .DataSize = 0, .ConfigSize = 512, .ConfigBase = 0x8000, .DataBase = 0x8100,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M7, .PictureFile = "PIC12F1501.jpg"},
    {.ChipName = "PIC16LF1503", .IdWord = 0x2DA0, .DeviceFamily = 365, .Family = ChipFamily::F1501,
     .ProgramSize = 4096, .DataSize = 0, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0x8200,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M7, .PictureFile = "PIC16F1503.jpg"},
    {.ChipName = "PIC16LF1507", .IdWord = 0x2DC0, .DeviceFamily = 366, .Family = ChipFamily::F1501,
     .ProgramSize = 4096, .DataSize = 0, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0x8200,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M7, .PictureFile = "PIC16F1507.jpg"},
    {.ChipName = "PIC16LF1508", .IdWord = 0x2DE0, .DeviceFamily = 367, .Family = ChipFamily::F1508,
     .ProgramSize = 8192, .DataSize = 0, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0x8200,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M7, .PictureFile = "PIC16F1507.jpg"},
    {.ChipName = "PIC16LF1509", .IdWord = 0x2E00, .DeviceFamily = 368, .Family = ChipFamily::F1508,
     .ProgramSize = 16384, .DataSize = 0, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0x8200,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M7, .PictureFile = "PIC16F1507.jpg"},
    {.ChipName = "PIC16F753", .IdWord = 0x3030, .DeviceFamily = 385, .Family = ChipFamily::F753,
     .ProgramSize = 4096, .DataSize = 0, .ConfigSize = 256, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 6, .EraseDataWait = 0, .ProgramWaitInt = 0, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M4, .PictureFile = "PIC16F753.jpg"},
}};

// The chips added since, after the 81 so that every chip keeps its place.
// PIC16(L)F1933-1939: DS41360A Table 3-1 (IDs), sections 3 and 7.3
// (memories); the waits as the PIC16F1827's, whose times DS41360A Table 8-1
// repeats (TERAB 5 ms, TPINT 2.5/5 ms, TPEXT 1.0-2.1 ms).
// PIC16(L)F1454/1455/1459: whole-word IDs as pickle, OpenProg and a-p-prog
// give them; 8K words, no EEPROM (gputils); the PIC16F1827's waits, which
// pickle's times for DS41620 (TERAB 5 ms, TPINT 2.5/5 ms, TPEXT 2.1 ms) fit.
// PIC16F913/914/916/917: DS41244E Table 4-1 (IDs), section 2.1 (memories),
// Table 6-1 (TERA 6 ms, TPROG1 3 ms program / 6 ms data, TPROG2 3 ms).
constexpr std::array<ChipEntry, 36> kAdded = {{
    {.ChipName = "PIC16F1933", .IdWord = 0x2300, .DeviceFamily = 280, .Family = ChipFamily::F1933,
     .ProgramSize = 8192, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC16F1933.jpg"},
    {.ChipName = "PIC16F1934", .IdWord = 0x2340, .DeviceFamily = 282, .Family = ChipFamily::F1933,
     .ProgramSize = 8192, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC16F1934.jpg"},
    {.ChipName = "PIC16F1936", .IdWord = 0x2360, .DeviceFamily = 283, .Family = ChipFamily::F1933,
     .ProgramSize = 16384, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC16F1933.jpg"},
    {.ChipName = "PIC16F1937", .IdWord = 0x2380, .DeviceFamily = 284, .Family = ChipFamily::F1933,
     .ProgramSize = 16384, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC16F1934.jpg"},
    {.ChipName = "PIC16F1938", .IdWord = 0x23A0, .DeviceFamily = 285, .Family = ChipFamily::F1933,
     .ProgramSize = 32768, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC16F1933.jpg"},
    {.ChipName = "PIC16F1939", .IdWord = 0x23C0, .DeviceFamily = 286, .Family = ChipFamily::F1933,
     .ProgramSize = 32768, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC16F1934.jpg"},
    {.ChipName = "PIC16LF1933", .IdWord = 0x2400, .DeviceFamily = 288, .Family = ChipFamily::F1933,
     .ProgramSize = 8192, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC16F1933.jpg"},
    {.ChipName = "PIC16LF1934", .IdWord = 0x2440, .DeviceFamily = 290, .Family = ChipFamily::F1933,
     .ProgramSize = 8192, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC16F1934.jpg"},
    {.ChipName = "PIC16LF1936", .IdWord = 0x2460, .DeviceFamily = 291, .Family = ChipFamily::F1933,
     .ProgramSize = 16384, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC16F1933.jpg"},
    {.ChipName = "PIC16LF1937", .IdWord = 0x2480, .DeviceFamily = 292, .Family = ChipFamily::F1933,
     .ProgramSize = 16384, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC16F1934.jpg"},
    {.ChipName = "PIC16LF1938", .IdWord = 0x24A0, .DeviceFamily = 293, .Family = ChipFamily::F1933,
     .ProgramSize = 32768, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC16F1933.jpg"},
    {.ChipName = "PIC16LF1939", .IdWord = 0x24C0, .DeviceFamily = 294, .Family = ChipFamily::F1933,
     .ProgramSize = 32768, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC16F1934.jpg"},
    // PIC16(L)F1946/1947: the PIC16F193x's programming (pickle, OpenProg for
    // DS41397).
    {.ChipName = "PIC16F1946", .IdWord = 0x2500, .DeviceFamily = 296, .Family = ChipFamily::F1946,
     .ProgramSize = 16384, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC16F1947.jpg"},
    {.ChipName = "PIC16F1947", .IdWord = 0x2520, .DeviceFamily = 297, .Family = ChipFamily::F1946,
     .ProgramSize = 32768, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC16F1947.jpg"},
    {.ChipName = "PIC16LF1946", .IdWord = 0x2580, .DeviceFamily = 300, .Family = ChipFamily::F1946,
     .ProgramSize = 16384, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC16F1947.jpg"},
    {.ChipName = "PIC16LF1947", .IdWord = 0x25A0, .DeviceFamily = 301, .Family = ChipFamily::F1946,
     .ProgramSize = 32768, .DataSize = 256, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0xF000,
     .EraseProgramWait = 5, .EraseDataWait = 5, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 5, .DataWaitExt = 3, .Map = MapText::M7, .PictureFile = "PIC16F1947.jpg"},
    {.ChipName = "PIC16F1454", .IdWord = 0x3020, .DeviceFamily = 385, .Family = ChipFamily::F1454,
     .ProgramSize = 16384, .DataSize = 0, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0x8200,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M7, .PictureFile = "PIC16F1454.jpg"},
    {.ChipName = "PIC16F1455", .IdWord = 0x3021, .DeviceFamily = 385, .Family = ChipFamily::F1454,
     .ProgramSize = 16384, .DataSize = 0, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0x8200,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M7, .PictureFile = "PIC16F1454.jpg"},
    {.ChipName = "PIC16F1459", .IdWord = 0x3023, .DeviceFamily = 385, .Family = ChipFamily::F1454,
     .ProgramSize = 16384, .DataSize = 0, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0x8200,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M7, .PictureFile = "PIC16F1459.jpg"},
    {.ChipName = "PIC16LF1454", .IdWord = 0x3024, .DeviceFamily = 385, .Family = ChipFamily::F1454,
     .ProgramSize = 16384, .DataSize = 0, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0x8200,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M7, .PictureFile = "PIC16F1454.jpg"},
    {.ChipName = "PIC16LF1455", .IdWord = 0x3025, .DeviceFamily = 385, .Family = ChipFamily::F1454,
     .ProgramSize = 16384, .DataSize = 0, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0x8200,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M7, .PictureFile = "PIC16F1454.jpg"},
    {.ChipName = "PIC16LF1459", .IdWord = 0x3027, .DeviceFamily = 385, .Family = ChipFamily::F1454,
     .ProgramSize = 16384, .DataSize = 0, .ConfigSize = 1024, .ConfigBase = 0x8000, .DataBase = 0x8200,
     .EraseProgramWait = 5, .EraseDataWait = 0, .ProgramWaitInt = 5, .ProgramWaitExt = 3,
     .DataWaitInt = 0, .DataWaitExt = 0, .Map = MapText::M7, .PictureFile = "PIC16F1459.jpg"},
    // The classic mid-range line: PIC16F84A (DS30262E: erase and program
    // 8 ms at most for the self-timed 0x08, bulk erase 10 ms), PIC16F87xA
    // (DS39589B Table 6-1: 0x08 and Chip Erase 0x1F 8 ms at most, 0x18 at
    // least 1 ms).
    {.ChipName = "PIC16F84A", .IdWord = 0x0560, .DeviceFamily = 43, .Family = ChipFamily::F84A,
     .ProgramSize = 2048, .DataSize = 64, .ConfigSize = 16, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 10, .EraseDataWait = 10, .ProgramWaitInt = 8, .ProgramWaitExt = 4,
     .DataWaitInt = 8, .DataWaitExt = 4, .Map = MapText::M1, .PictureFile = "PIC16F84A.jpg"},
    // PIC16F818/819 (DS39603C) and PIC16F87/88 (DS39607B): programmed only
    // externally timed, 1 ms above 4.5 V and 2 ms below it (Table 5-1 and
    // 7-1); Chip Erase 0x1F at least 8 ms, its data-memory erase 2 ms.
    {.ChipName = "PIC16F818", .IdWord = 0x04C0, .DeviceFamily = 38, .Family = ChipFamily::F818,
     .ProgramSize = 2048, .DataSize = 128, .ConfigSize = 16, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 10, .EraseDataWait = 10, .ProgramWaitInt = 0, .ProgramWaitExt = 2,
     .DataWaitInt = 0, .DataWaitExt = 2, .Map = MapText::M1, .PictureFile = "PIC16F88.jpg"},
    {.ChipName = "PIC16F819", .IdWord = 0x04E0, .DeviceFamily = 39, .Family = ChipFamily::F818,
     .ProgramSize = 4096, .DataSize = 256, .ConfigSize = 16, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 10, .EraseDataWait = 10, .ProgramWaitInt = 0, .ProgramWaitExt = 2,
     .DataWaitInt = 0, .DataWaitExt = 2, .Map = MapText::M1, .PictureFile = "PIC16F88.jpg"},
    {.ChipName = "PIC16F87", .IdWord = 0x0720, .DeviceFamily = 57, .Family = ChipFamily::F88,
     .ProgramSize = 8192, .DataSize = 256, .ConfigSize = 32, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 10, .EraseDataWait = 10, .ProgramWaitInt = 0, .ProgramWaitExt = 2,
     .DataWaitInt = 0, .DataWaitExt = 2, .Map = MapText::TwoWords, .PictureFile = "PIC16F88.jpg"},
    {.ChipName = "PIC16F88", .IdWord = 0x0760, .DeviceFamily = 59, .Family = ChipFamily::F88,
     .ProgramSize = 8192, .DataSize = 256, .ConfigSize = 32, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 10, .EraseDataWait = 10, .ProgramWaitInt = 0, .ProgramWaitExt = 2,
     .DataWaitInt = 0, .DataWaitExt = 2, .Map = MapText::TwoWords, .PictureFile = "PIC16F88.jpg"},
    {.ChipName = "PIC16F876A", .IdWord = 0x0E00, .DeviceFamily = 112, .Family = ChipFamily::F87XA,
     .ProgramSize = 16384, .DataSize = 256, .ConfigSize = 16, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 8, .EraseDataWait = 8, .ProgramWaitInt = 8, .ProgramWaitExt = 2,
     .DataWaitInt = 8, .DataWaitExt = 2, .Map = MapText::M1, .PictureFile = "PIC16F876A.jpg"},
    {.ChipName = "PIC16F877A", .IdWord = 0x0E20, .DeviceFamily = 113, .Family = ChipFamily::F87XA,
     .ProgramSize = 16384, .DataSize = 256, .ConfigSize = 16, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 8, .EraseDataWait = 8, .ProgramWaitInt = 8, .ProgramWaitExt = 2,
     .DataWaitInt = 8, .DataWaitExt = 2, .Map = MapText::M1, .PictureFile = "PIC16F877A.jpg"},
    {.ChipName = "PIC16F873A", .IdWord = 0x0E40, .DeviceFamily = 114, .Family = ChipFamily::F87XA,
     .ProgramSize = 8192, .DataSize = 128, .ConfigSize = 16, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 8, .EraseDataWait = 8, .ProgramWaitInt = 8, .ProgramWaitExt = 2,
     .DataWaitInt = 8, .DataWaitExt = 2, .Map = MapText::M1, .PictureFile = "PIC16F876A.jpg"},
    {.ChipName = "PIC16F874A", .IdWord = 0x0E60, .DeviceFamily = 115, .Family = ChipFamily::F87XA,
     .ProgramSize = 8192, .DataSize = 128, .ConfigSize = 16, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 8, .EraseDataWait = 8, .ProgramWaitInt = 8, .ProgramWaitExt = 2,
     .DataWaitInt = 8, .DataWaitExt = 2, .Map = MapText::M1, .PictureFile = "PIC16F877A.jpg"},
    {.ChipName = "PIC16F917", .IdWord = 0x1380, .DeviceFamily = 156, .Family = ChipFamily::F91X,
     .ProgramSize = 16384, .DataSize = 256, .ConfigSize = 128, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 6, .EraseDataWait = 6, .ProgramWaitInt = 3, .ProgramWaitExt = 3,
     .DataWaitInt = 6, .DataWaitExt = 6, .Map = MapText::M4, .PictureFile = "PIC16F914.jpg"},
    {.ChipName = "PIC16F916", .IdWord = 0x13A0, .DeviceFamily = 157, .Family = ChipFamily::F91X,
     .ProgramSize = 16384, .DataSize = 256, .ConfigSize = 128, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 6, .EraseDataWait = 6, .ProgramWaitInt = 3, .ProgramWaitExt = 3,
     .DataWaitInt = 6, .DataWaitExt = 6, .Map = MapText::M4, .PictureFile = "PIC16F913.jpg"},
    {.ChipName = "PIC16F914", .IdWord = 0x13C0, .DeviceFamily = 158, .Family = ChipFamily::F91X,
     .ProgramSize = 8192, .DataSize = 256, .ConfigSize = 128, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 6, .EraseDataWait = 6, .ProgramWaitInt = 3, .ProgramWaitExt = 3,
     .DataWaitInt = 6, .DataWaitExt = 6, .Map = MapText::M4, .PictureFile = "PIC16F914.jpg"},
    {.ChipName = "PIC16F913", .IdWord = 0x13E0, .DeviceFamily = 159, .Family = ChipFamily::F91X,
     .ProgramSize = 8192, .DataSize = 256, .ConfigSize = 128, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 6, .EraseDataWait = 6, .ProgramWaitInt = 3, .ProgramWaitExt = 3,
     .DataWaitInt = 6, .DataWaitExt = 6, .Map = MapText::M4, .PictureFile = "PIC16F913.jpg"},
    {.ChipName = "PIC16F946", .IdWord = 0x1460, .DeviceFamily = 163, .Family = ChipFamily::F91X,
     .ProgramSize = 16384, .DataSize = 256, .ConfigSize = 128, .ConfigBase = 0x2000, .DataBase = 0x2100,
     .EraseProgramWait = 6, .EraseDataWait = 6, .ProgramWaitInt = 3, .ProgramWaitExt = 3,
     .DataWaitInt = 6, .DataWaitExt = 6, .Map = MapText::M4, .PictureFile = "PIC16F946.jpg"},
}};

// The baseline (12-bit) parts, from their programming documents (DS41228E,
// DS41266C, DS41227E, DS41257B, DS41226F, DS41258B, DS41316B, DS41317B,
// DS41207D, DS41208C, DS41243B): program words, the user IDs right after
// program memory (the configuration base here; the PIC12F519/16F526 keep
// 64 bytes of flash data before them), Bulk Erase 10 ms at most, externally
// timed programming 2 ms at most. They have no device ID: their words are
// this program's own (bit 15 set).
constexpr std::array<ChipEntry, 16> kBaseline = {{
    {.ChipName = "PIC10F200", .IdWord = 0x8200, .DeviceFamily = 0, .Family = ChipFamily::B10F,
     .ProgramSize = 512, .DataSize = 0, .ConfigSize = 16, .ConfigBase = 0x100, .DataBase = 0,
     .EraseProgramWait = 10, .EraseDataWait = 10, .ProgramWaitInt = 0, .ProgramWaitExt = 2,
     .DataWaitInt = 0, .DataWaitExt = 2, .Map = MapText::Baseline, .PictureFile = "PIC10F200.jpg"},
    {.ChipName = "PIC10F202", .IdWord = 0x8202, .DeviceFamily = 0, .Family = ChipFamily::B10F,
     .ProgramSize = 1024, .DataSize = 0, .ConfigSize = 16, .ConfigBase = 0x200, .DataBase = 0,
     .EraseProgramWait = 10, .EraseDataWait = 10, .ProgramWaitInt = 0, .ProgramWaitExt = 2,
     .DataWaitInt = 0, .DataWaitExt = 2, .Map = MapText::Baseline, .PictureFile = "PIC10F200.jpg"},
    {.ChipName = "PIC10F204", .IdWord = 0x8204, .DeviceFamily = 0, .Family = ChipFamily::B10F,
     .ProgramSize = 512, .DataSize = 0, .ConfigSize = 16, .ConfigBase = 0x100, .DataBase = 0,
     .EraseProgramWait = 10, .EraseDataWait = 10, .ProgramWaitInt = 0, .ProgramWaitExt = 2,
     .DataWaitInt = 0, .DataWaitExt = 2, .Map = MapText::Baseline, .PictureFile = "PIC10F200.jpg"},
    {.ChipName = "PIC10F206", .IdWord = 0x8206, .DeviceFamily = 0, .Family = ChipFamily::B10F,
     .ProgramSize = 1024, .DataSize = 0, .ConfigSize = 16, .ConfigBase = 0x200, .DataBase = 0,
     .EraseProgramWait = 10, .EraseDataWait = 10, .ProgramWaitInt = 0, .ProgramWaitExt = 2,
     .DataWaitInt = 0, .DataWaitExt = 2, .Map = MapText::Baseline, .PictureFile = "PIC10F200.jpg"},
    {.ChipName = "PIC10F220", .IdWord = 0x8220, .DeviceFamily = 0, .Family = ChipFamily::B10F,
     .ProgramSize = 512, .DataSize = 0, .ConfigSize = 16, .ConfigBase = 0x100, .DataBase = 0,
     .EraseProgramWait = 10, .EraseDataWait = 10, .ProgramWaitInt = 0, .ProgramWaitExt = 2,
     .DataWaitInt = 0, .DataWaitExt = 2, .Map = MapText::Baseline, .PictureFile = "PIC10F220.jpg"},
    {.ChipName = "PIC10F222", .IdWord = 0x8222, .DeviceFamily = 0, .Family = ChipFamily::B10F,
     .ProgramSize = 1024, .DataSize = 0, .ConfigSize = 16, .ConfigBase = 0x200, .DataBase = 0,
     .EraseProgramWait = 10, .EraseDataWait = 10, .ProgramWaitInt = 0, .ProgramWaitExt = 2,
     .DataWaitInt = 0, .DataWaitExt = 2, .Map = MapText::Baseline, .PictureFile = "PIC10F220.jpg"},
    {.ChipName = "PIC12F508", .IdWord = 0x8508, .DeviceFamily = 0, .Family = ChipFamily::B10F,
     .ProgramSize = 1024, .DataSize = 0, .ConfigSize = 16, .ConfigBase = 0x200, .DataBase = 0,
     .EraseProgramWait = 10, .EraseDataWait = 10, .ProgramWaitInt = 0, .ProgramWaitExt = 2,
     .DataWaitInt = 0, .DataWaitExt = 2, .Map = MapText::Baseline, .PictureFile = "PIC12F508.jpg"},
    {.ChipName = "PIC12F509", .IdWord = 0x8509, .DeviceFamily = 0, .Family = ChipFamily::B10F,
     .ProgramSize = 2048, .DataSize = 0, .ConfigSize = 16, .ConfigBase = 0x400, .DataBase = 0,
     .EraseProgramWait = 10, .EraseDataWait = 10, .ProgramWaitInt = 0, .ProgramWaitExt = 2,
     .DataWaitInt = 0, .DataWaitExt = 2, .Map = MapText::Baseline, .PictureFile = "PIC12F508.jpg"},
    {.ChipName = "PIC12F510", .IdWord = 0x8510, .DeviceFamily = 0, .Family = ChipFamily::B10F,
     .ProgramSize = 2048, .DataSize = 0, .ConfigSize = 16, .ConfigBase = 0x400, .DataBase = 0,
     .EraseProgramWait = 10, .EraseDataWait = 10, .ProgramWaitInt = 0, .ProgramWaitExt = 2,
     .DataWaitInt = 0, .DataWaitExt = 2, .Map = MapText::Baseline, .PictureFile = "PIC12F510.jpg"},
    {.ChipName = "PIC16F505", .IdWord = 0x8605, .DeviceFamily = 0, .Family = ChipFamily::B10F,
     .ProgramSize = 2048, .DataSize = 0, .ConfigSize = 16, .ConfigBase = 0x400, .DataBase = 0,
     .EraseProgramWait = 10, .EraseDataWait = 10, .ProgramWaitInt = 0, .ProgramWaitExt = 2,
     .DataWaitInt = 0, .DataWaitExt = 2, .Map = MapText::Baseline, .PictureFile = "PIC16F505.jpg"},
    {.ChipName = "PIC16F506", .IdWord = 0x8606, .DeviceFamily = 0, .Family = ChipFamily::B10F,
     .ProgramSize = 2048, .DataSize = 0, .ConfigSize = 16, .ConfigBase = 0x400, .DataBase = 0,
     .EraseProgramWait = 10, .EraseDataWait = 10, .ProgramWaitInt = 0, .ProgramWaitExt = 2,
     .DataWaitInt = 0, .DataWaitExt = 2, .Map = MapText::Baseline, .PictureFile = "PIC16F506.jpg"},
    {.ChipName = "PIC12F519", .IdWord = 0x8519, .DeviceFamily = 0, .Family = ChipFamily::B519,
     .ProgramSize = 2048, .DataSize = 64, .ConfigSize = 16, .ConfigBase = 0x440, .DataBase = 0x400,
     .EraseProgramWait = 10, .EraseDataWait = 10, .ProgramWaitInt = 0, .ProgramWaitExt = 2,
     .DataWaitInt = 0, .DataWaitExt = 2, .Map = MapText::Baseline, .PictureFile = "PIC12F519.jpg"},
    {.ChipName = "PIC16F526", .IdWord = 0x8626, .DeviceFamily = 0, .Family = ChipFamily::B519,
     .ProgramSize = 2048, .DataSize = 64, .ConfigSize = 16, .ConfigBase = 0x440, .DataBase = 0x400,
     .EraseProgramWait = 10, .EraseDataWait = 10, .ProgramWaitInt = 0, .ProgramWaitExt = 2,
     .DataWaitInt = 0, .DataWaitExt = 2, .Map = MapText::Baseline, .PictureFile = "PIC16F506.jpg"},
    {.ChipName = "PIC16F54", .IdWord = 0x8054, .DeviceFamily = 0, .Family = ChipFamily::B54,
     .ProgramSize = 1024, .DataSize = 0, .ConfigSize = 16, .ConfigBase = 0x200, .DataBase = 0,
     .EraseProgramWait = 10, .EraseDataWait = 10, .ProgramWaitInt = 0, .ProgramWaitExt = 2,
     .DataWaitInt = 0, .DataWaitExt = 2, .Map = MapText::BaselineNoOsccal, .PictureFile = "PIC16F54.jpg"},
    {.ChipName = "PIC16F57", .IdWord = 0x8057, .DeviceFamily = 0, .Family = ChipFamily::B57,
     .ProgramSize = 4096, .DataSize = 0, .ConfigSize = 16, .ConfigBase = 0x800, .DataBase = 0,
     .EraseProgramWait = 10, .EraseDataWait = 10, .ProgramWaitInt = 0, .ProgramWaitExt = 2,
     .DataWaitInt = 0, .DataWaitExt = 2, .Map = MapText::BaselineNoOsccal, .PictureFile = "PIC16F57.jpg"},
    {.ChipName = "PIC16F59", .IdWord = 0x8059, .DeviceFamily = 0, .Family = ChipFamily::B57,
     .ProgramSize = 4096, .DataSize = 0, .ConfigSize = 16, .ConfigBase = 0x800, .DataBase = 0,
     .EraseProgramWait = 10, .EraseDataWait = 10, .ProgramWaitInt = 0, .ProgramWaitExt = 2,
     .DataWaitInt = 0, .DataWaitExt = 2, .Map = MapText::BaselineNoOsccal, .PictureFile = "PIC16F59.jpg"},
}};

// Every chip, the 81 first.
constexpr auto kKnown = [] {
  std::array<ChipEntry, kCatalogue.size() + kAdded.size() + kBaseline.size()> all{};
  std::size_t i = 0;
  for (const ChipEntry& e : kCatalogue) all[i++] = e;
  for (const ChipEntry& e : kAdded) all[i++] = e;
  for (const ChipEntry& e : kBaseline) all[i++] = e;
  return all;
}();

// Other ID words a chip is known by: early PIC16(L)F1933 silicon reads
// 0x2320/0x2420 (the ID table of the DS41360A programming document), later
// silicon 0x2300/0x2400 (the PICkit 2 device file, pickle and a-p-prog).
struct OtherId {
  std::uint16_t key;
  std::uint16_t is;
};
constexpr OtherId kOtherIds[] = {{.key = 0x2320, .is = 0x2300}, {.key = 0x2420, .is = 0x2400}};

constexpr const char* kMapTexts[] = {
    "0x2000..0x2003 - User ID, 0x2006 - Device ID, 0x2007 - Config.Word",
    "0x2000..0x2003 - User ID, 0x2006 - Device ID, 0x2007 - Config.Word; The OSCCAL is located in "
    "the last word of the Program Memory",
    "0x2000..0x2003 - User ID, 0x2006 - Device ID, 0x2007 - Config.Word, 0x2008 - Calibr.Word",
    "0x2000..0x2003 - User ID, 0x2006 - Device ID, 0x2007 - Config.Word, 0x2008 - Calibr.Word1, "
    "0x2009 - Calibr.Word2",
    "0x2000..0x2003 - User ID, 0x2006 - Device ID, 0x2007 - Config.Word1, 0x2008 - Config.Word2, "
    "0x2009 - Calibr.Word",
    "0x2000..0x2003 - User ID, 0x2006 - Device ID, 0x2007 - Config.Word1, 0x2008 - Config.Word2, "
    "0x2009 - Calibr.Word1, 0x200A - Calibr.Word2",
    "0x8000..0x8003 - User ID, 0x8006 - Device ID, 0x8007 - Config.Word1, 0x8008 - Config.Word2, "
    "0x8009 - Calibr.Word1, 0x800A - Calibr.Word2",
    "0x2000..0x2003 - User ID, 0x2006 - Device ID, 0x2007 - Config.Word1, 0x2008 - Config.Word2",
    "User ID (4 words) after the Program Memory, then the backup OSCCAL; Config.Word at 0xFFF in files; "
    "the OSCCAL (MOVLW) is located in the last word of the Program Memory; no Device ID",
    "User ID (4 words) after the Program Memory; Config.Word at 0xFFF in files; no Device ID",
};

// Each family's name and the width of its program and configuration words
// (the baseline parts' 12 bits: DS41228E section 2.1), in the enum's order.
struct FamilyTraits {
  const char* name;
  int word_bits;
};
constexpr FamilyTraits kFamilyTraits[kChipFamilyCount] = {
    {.name = "F629", .word_bits = 14},
    {.name = "F683", .word_bits = 14},
    {.name = "F785", .word_bits = 14},
    {.name = "F635", .word_bits = 14},
    {.name = "F627A", .word_bits = 14},
    {.name = "F615", .word_bits = 14},
    {.name = "F617", .word_bits = 14},
    {.name = "F752", .word_bits = 14},
    {.name = "F753", .word_bits = 14},
    {.name = "F88X", .word_bits = 14},
    {.name = "F72X", .word_bits = 14},
    {.name = "F720", .word_bits = 14},
    {.name = "F1822", .word_bits = 14},
    {.name = "F1501", .word_bits = 14},
    {.name = "F1508", .word_bits = 14},
    {.name = "F1933", .word_bits = 14},
    {.name = "F1454", .word_bits = 14},
    {.name = "F91X", .word_bits = 14},
    {.name = "F84A", .word_bits = 14},
    {.name = "F87XA", .word_bits = 14},
    {.name = "F88", .word_bits = 14},
    {.name = "F818", .word_bits = 14},
    {.name = "F1946", .word_bits = 14},
    {.name = "B10F", .word_bits = 12},
    {.name = "B519", .word_bits = 12},
    {.name = "B54", .word_bits = 12},
    {.name = "B57", .word_bits = 12},
};


}  // namespace

// Views of one table, so that an entry found by any lookup is the entry
// either list holds.
std::span<const ChipEntry> Catalogue() { return std::span<const ChipEntry>(kKnown).first(kCatalogue.size()); }

std::span<const ChipEntry> KnownChips() { return kKnown; }

const char* MapTextOf(MapText map) { return kMapTexts[static_cast<int>(map)]; }

const char* MapName(MapText map) {
  static constexpr const char* names[] = {"M1", "M2", "M3", "M4", "M5", "M6", "M7", "two-words", "baseline",
                                          "baseline-no-osccal"};
  return names[static_cast<int>(map)];
}

const char* FamilyName(ChipFamily family) { return kFamilyTraits[static_cast<int>(family)].name; }

int WordBitsOf(ChipFamily family) { return kFamilyTraits[static_cast<int>(family)].word_bits; }

LookupResult LookupChip(std::uint16_t id_word) {
  if (IsHandPickedId(id_word)) {
    for (const ChipEntry& e : kKnown) {
      if (e.IdWord == id_word) return {LookupResult::Kind::kEntry, &e};
    }
    return {LookupResult::Kind::kUnknown, nullptr};
  }
  auto key = static_cast<std::uint16_t>(id_word & 0x3FE0);
  if (key == 0) return {LookupResult::Kind::kNoChip, nullptr};
  if (IsWholeWordId(id_word)) {
    const auto whole = static_cast<std::uint16_t>(id_word & 0x3FFF);
    for (const ChipEntry& e : kKnown) {
      if (e.IdWord == whole) return {LookupResult::Kind::kEntry, &e};
    }
    return {LookupResult::Kind::kUnknown, nullptr};
  }
  for (const OtherId& other : kOtherIds) {
    if (other.key == key) key = other.is;
  }
  for (const ChipEntry& e : kKnown) {
    if (e.Key() == key) return {LookupResult::Kind::kEntry, &e};
  }
  return {LookupResult::Kind::kUnknown, nullptr};
}

namespace {

// A chip name as typed: upper case, without blanks.
std::string Folded(std::string_view name) {
  std::string folded;
  for (char c : name) {
    if (c != ' ') folded += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return folded;
}

// Every name an entry answers to: its own, its menu caption ("PIC16F636 /
// 639"), and each chip of a combined entry.
std::vector<std::string> NamesOf(const ChipEntry& e) {
  const std::string name = Folded(e.ChipName);
  std::vector<std::string> names{name};
  const std::size_t slash = name.find('/');
  if (slash != std::string::npos) {
    const std::string first = name.substr(0, slash), second = name.substr(slash + 1);
    names.push_back(first);
    names.push_back(second);
    std::size_t common = 0;
    while (common < first.size() && common < second.size() && first[common] == second[common]) ++common;
    while (common > 0 && std::isdigit(static_cast<unsigned char>(first[common - 1]))) --common;
    names.push_back(first + "/" + second.substr(common));
  }
  return names;
}

std::size_t Distance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

bool ChipNameOrder(const std::string& a, const std::string& b) {
  std::size_t i = 0, j = 0;
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  while (i < a.size() && j < b.size()) {
    if (digit(a[i]) && digit(b[j])) {
      std::size_t ei = i, ej = j;
      while (ei < a.size() && digit(a[ei])) ++ei;
      while (ej < b.size() && digit(b[ej])) ++ej;
      const std::string x = a.substr(i, ei - i), y = b.substr(j, ej - j);
      // Equal numbers of digits compare as text; a longer number is larger.
      const std::string_view xs = std::string_view(x).substr(std::min(x.find_first_not_of('0'), x.size()));
      const std::string_view ys = std::string_view(y).substr(std::min(y.find_first_not_of('0'), y.size()));
      if (xs.size() != ys.size()) return xs.size() < ys.size();
      if (xs != ys) return xs < ys;
      i = ei;
      j = ej;
      continue;
    }
    const char x = static_cast<char>(std::tolower(static_cast<unsigned char>(a[i])));
    const char y = static_cast<char>(std::tolower(static_cast<unsigned char>(b[j])));
    if (x != y) return x < y;
    ++i;
    ++j;
  }
  return a.size() - i < b.size() - j;
}

const ChipEntry* FindChipByName(const std::string& name) {
  const std::string wanted = Folded(name);
  for (const ChipEntry& e : kKnown) {
    for (const std::string& n : NamesOf(e)) {
      if (n == wanted) return &e;
    }
  }
  return nullptr;
}

std::vector<std::string> NearestChipNames(const std::string& name, std::size_t count) {
  const std::string wanted = Folded(name);
  std::vector<std::pair<std::size_t, const char*>> ranked;
  for (const ChipEntry& e : kKnown) {
    std::size_t best = SIZE_MAX;
    for (const std::string& n : NamesOf(e)) best = std::min(best, Distance(wanted, n));
    ranked.emplace_back(best, e.ChipName);
  }
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> names;
  for (std::size_t i = 0; i < count && i < ranked.size(); ++i) names.push_back(ranked[i].second);
  return names;
}

LookupResult LookupSelected(const ChipRecord& chip) {
  if (chip.ChipIdWord == 0) return {LookupResult::Kind::kNoChip, nullptr};
  // The entry selected, while the word is still its own (a word set by
  // other means is looked up afresh).
  const ChipEntry* e = chip.Entry;
  const std::uint16_t id = chip.ChipIdWord;
  if (e != nullptr && IdKey(e->IdWord) == IdKey(id)) {
    return {LookupResult::Kind::kEntry, e};
  }
  return LookupChip(id);
}

void ChipRecord::Assign(const ChipEntry& entry, std::uint16_t id_word) {
  ChipName = entry.ChipName;
  PictureFile = entry.PictureFile;
  ChipIdWord = id_word;
  ConfigBase = entry.ConfigBase;
  DataBase = entry.DataBase;
  EraseProgramWait = entry.EraseProgramWait;
  EraseDataWait = entry.EraseDataWait;
  ProgramWaitInt = entry.ProgramWaitInt;
  ProgramWaitExt = entry.ProgramWaitExt;
  DataWaitInt = entry.DataWaitInt;
  DataWaitExt = entry.DataWaitExt;
  ProgramSize = entry.ProgramSize;
  DataSize = entry.DataSize;
  ConfigSize = entry.ConfigSize;
  Entry = &entry;
  ConfigMasks[0] = ConfigMasks[1] = 0;
}

}  // namespace fw
