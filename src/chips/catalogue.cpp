#include "chips/catalogue.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <string_view>

#include "chips/catalogue_added.h"

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

// Every chip, the 81 first.
using catalogue_rows::kAdded;
using catalogue_rows::kBaseline;
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
