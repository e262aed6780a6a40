#pragma once

// The application's ICSP layer against the in-process simulated gateway, on
// the fake clock that the fake pause advances.

#include "chips/catalogue.h"
#include "fakes.h"
#include "icsp/icsp.h"
#include "images/images.h"
#include "link/link.h"
#include "log/log.h"
#include "sim/simulated_gateway.h"

namespace fw::test {

struct SimRig {
  FakeClock clock;
  FakePause pause;
  FakeDialogs dialogs;
  Log log{clock};
  sim::SimulatedGateway gateway;
  Link link;
  ChipRecord chip;
  Images images;
  Icsp icsp{link, chip, images, dialogs};

  explicit SimRig(const char* chip_name, std::uint8_t revision = 3, sim::Fault fault = {})
      : gateway(*FindChipByName(chip_name), revision, fault, [this] { return pause.elapsed_us; }),
        link(log, pause, [this](const std::string&, std::string*) { return gateway.Open(); }) {
    pause.record = false;
    chip.Assign(*FindChipByName(chip_name), FindChipByName(chip_name)->IdWord);
    link.OpenPort("demo");
  }
  const ChipEntry& entry() { return gateway.chip().entry(); }
};

}  // namespace fw::test
