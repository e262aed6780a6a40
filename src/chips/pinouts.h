#pragma once

#include <string>
#include <vector>

namespace fw {

// The five lines the gateway drives on a chip being programmed.
enum class PinRole { kVpp, kVdd, kVss, kIcspDat, kIcspClk };
inline constexpr int kPinRoleCount = 5;

// One programming line on one pin of the package.
struct PinUse {
  PinRole role;
  int pin;
  const char* label;  // the pin as the datasheet names it, e.g. "RA3/MCLR/VPP"
};

// One package and where its programming pins are: a DIP, or a quad flat
// package (the 64-pin parts come in no other) whose pins run counter-
// clockwise from pin 1 at the top of the left side, a quarter per side.
struct Package {
  int pins;
  const char* chips;  // the chips in it, as the picture titles them
  std::vector<PinUse> uses;  // VDD and VSS twice on the 28- and 40-pin parts
  bool quad = false;
  // The outline's name where it is not a DIP or a quad package ("SOT-23"),
  // drawn as a DIP of its pins, which number the same way.
  const char* outline = nullptr;
};

// What a connection picture shows: the package(s) of the chips it serves,
// from their datasheets' pin diagrams.
struct Pinout {
  const char* picture;  // the file name the catalogue gives ("PIC16F630.jpg")
  const char* source;   // the datasheets the pins come from
  // None where no pin diagram was at hand: the note then names the lines.
  std::vector<Package> packages;
  const char* note = nullptr;  // a line under the drawing, where one is needed
};

// One pinout per picture of the catalogue.
const std::vector<Pinout>& Pinouts();
const Pinout* PinoutFor(const std::string& picture);

// Where a connection picture is looked for, in this order: the current
// directory (the catalogue gives a bare file name), the pictures folder
// beside the program (a build tree), the data folder of the prefix the
// program is installed in, and the data folder it was built for.
std::vector<std::string> PictureLocations(const std::string& picture, const std::string& program_dir,
                                          const std::string& data_dir);

const char* RoleName(PinRole role);          // "VPP/MCLR", "VDD", "VSS", "ICSPDAT", "ICSPCLK"
const char* GatewaySignal(PinRole role);     // the gateway's line for the role

}  // namespace fw
