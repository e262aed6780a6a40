#include "chips/chip_menu.h"

namespace fw {

namespace {

ChipMenuNode Item(const char* caption, std::uint16_t id_word) {
  ChipMenuNode node;
  node.caption = caption;
  node.name = node.caption == "PIC16F636 / 639" ? "PIC16F6361" : node.caption + "1";
  node.id_word = id_word;
  return node;
}

ChipMenuNode Sub(const char* caption, std::vector<ChipMenuNode> children) {
  ChipMenuNode node;
  node.caption = caption;
  node.children = std::move(children);
  return node;
}

std::vector<ChipMenuNode> BuildMenu() {
  ChipMenuNode pic12 = Sub(
      "PIC12...",
      {Sub("...", {Item("PIC12F609", 0x2240), Item("PIC12F615", 0x2180), Item("PIC12F617", 0x1360),
                   Item("PIC12F629", 0x0F80), Item("PIC12F635", 0x0FA0), Item("PIC12F675", 0x0FC0),
                   Item("PIC12F683", 0x0460), Item("PIC12F752", 0x1500)}),
       Item("PIC12F1501", 0x2CC0), Item("PIC12LF1501", 0x2D80), Item("PIC12F1822", 0x2700),
       Item("PIC12LF1822", 0x2800), Item("PIC12F1840", 0x1B80), Item("PIC12LF1840", 0x1BC0)});
  ChipMenuNode f88x = Sub("...", {Item("PIC16F882", 0x2000), Item("PIC16F883", 0x2020),
                                  Item("PIC16F884", 0x2040), Item("PIC16F886", 0x2060),
                                  Item("PIC16F887", 0x2080)});
  ChipMenuNode f7xx = Sub(
      "...", {std::move(f88x),         Item("PIC16F707", 0x1AC0),  Item("PIC16LF707", 0x1AE0),
              Item("PIC16F720", 0x1C00),  Item("PIC16LF720", 0x1C40),  Item("PIC16F721", 0x1C20),
              Item("PIC16LF721", 0x1C60), Item("PIC16F722", 0x1880),   Item("PIC16LF722", 0x1980),
              Item("PIC16F722A", 0x1B20), Item("PIC16LF722A", 0x1B60), Item("PIC16F723", 0x1860),
              Item("PIC16LF723", 0x1960), Item("PIC16F723A", 0x1B00),  Item("PIC16LF723A", 0x1B40),
              Item("PIC16F724", 0x1840),  Item("PIC16LF724", 0x1940),  Item("PIC16F726", 0x1820),
              Item("PIC16LF726", 0x1920), Item("PIC16F727", 0x1800),   Item("PIC16LF727", 0x1900),
              Item("PIC16F753", 0x3030),  Item("PIC16F785", 0x1200)});
  ChipMenuNode f6xx = Sub(
      "...", {std::move(f7xx),          Item("PIC16F610", 0x2260), Item("PIC16F616", 0x1240),
              Item("PIC16F627A", 0x1040),  Item("PIC16F628A", 0x1060), Item("PIC16F630", 0x10C0),
              Item("PIC16F631", 0x1420),   Item("PIC16F636 / 639", 0x10A0),
              Item("PIC16F648A", 0x1100),  Item("PIC16F676", 0x10E0), Item("PIC16F677", 0x1440),
              Item("PIC16F684", 0x1080),   Item("PIC16F685", 0x04A0), Item("PIC16F687", 0x1320),
              Item("PIC16F688", 0x1180),   Item("PIC16F689", 0x1340), Item("PIC16F690", 0x1400)});
  ChipMenuNode pic16 = Sub(
      "PIC16...",
      {std::move(f6xx),            Item("PIC16F1503", 0x2CE0),  Item("PIC16LF1503", 0x2DA0),
       Item("PIC16F1507", 0x2D00),  Item("PIC16LF1507", 0x2DC0), Item("PIC16F1508", 0x2D20),
       Item("PIC16LF1508", 0x2DE0), Item("PIC16F1509", 0x2D40),  Item("PIC16LF1509", 0x2E00),
       Item("PIC16F1823", 0x2720),  Item("PIC16LF1823", 0x2820), Item("PIC16F1824", 0x2740),
       Item("PIC16LF1824", 0x2840), Item("PIC16F1825", 0x2760),  Item("PIC16LF1825", 0x2860),
       Item("PIC16F1826", 0x2780),  Item("PIC16LF1826", 0x2880), Item("PIC16F1827", 0x27A0),
       Item("PIC16LF1827", 0x28A0), Item("PIC16F1828", 0x27C0),  Item("PIC16LF1828", 0x28C0),
       Item("PIC16F1829", 0x27E0),  Item("PIC16LF1829", 0x28E0), Item("PIC16F1847", 0x1480),
       Item("PIC16LF1847", 0x14A0)});
  // The chips added since the first 81, one submenu per line.
  ChipMenuNode f19xx = Sub(
      "PIC16F19xx/145x",
      {Item("PIC16F1933", 0x2300), Item("PIC16LF1933", 0x2400), Item("PIC16F1934", 0x2340),
       Item("PIC16LF1934", 0x2440), Item("PIC16F1936", 0x2360), Item("PIC16LF1936", 0x2460),
       Item("PIC16F1937", 0x2380), Item("PIC16LF1937", 0x2480), Item("PIC16F1938", 0x23A0),
       Item("PIC16LF1938", 0x24A0), Item("PIC16F1939", 0x23C0), Item("PIC16LF1939", 0x24C0),
       Item("PIC16F1946", 0x2500), Item("PIC16LF1946", 0x2580), Item("PIC16F1947", 0x2520),
       Item("PIC16LF1947", 0x25A0), Item("PIC16F1454", 0x3020), Item("PIC16LF1454", 0x3024), Item("PIC16F1455", 0x3021),
       Item("PIC16LF1455", 0x3025), Item("PIC16F1459", 0x3023), Item("PIC16LF1459", 0x3027)});
  ChipMenuNode f8x = Sub("PIC16F8x/87x/91x", {Item("PIC16F84A", 0x0560), Item("PIC16F87", 0x0720), Item("PIC16F88", 0x0760),
                                               Item("PIC16F818", 0x04C0), Item("PIC16F819", 0x04E0),
                                               Item("PIC16F873A", 0x0E40),
                                               Item("PIC16F874A", 0x0E60), Item("PIC16F876A", 0x0E00),
                                               Item("PIC16F877A", 0x0E20), Item("PIC16F913", 0x13E0), Item("PIC16F914", 0x13C0),
                                               Item("PIC16F916", 0x13A0), Item("PIC16F917", 0x1380),
                                               Item("PIC16F946", 0x1460)});
  // The baseline (12-bit) parts, which no device ID names: chosen here only.
  ChipMenuNode baseline = Sub(
      "Baseline", {Item("PIC10F200", 0x8200), Item("PIC10F202", 0x8202), Item("PIC10F204", 0x8204),
                   Item("PIC10F206", 0x8206), Item("PIC10F220", 0x8220), Item("PIC10F222", 0x8222),
                   Item("PIC12F508", 0x8508), Item("PIC12F509", 0x8509), Item("PIC12F510", 0x8510),
                   Item("PIC12F519", 0x8519), Item("PIC16F505", 0x8605), Item("PIC16F506", 0x8606),
                   Item("PIC16F526", 0x8626), Item("PIC16F54", 0x8054), Item("PIC16F57", 0x8057),
                   Item("PIC16F59", 0x8059)});
  return {std::move(pic12), std::move(pic16), std::move(f8x), std::move(f19xx), std::move(baseline)};
}

}  // namespace

const std::vector<ChipMenuNode>& ChipSelectMenu() {
  static const std::vector<ChipMenuNode> menu = BuildMenu();
  return menu;
}

}  // namespace fw
