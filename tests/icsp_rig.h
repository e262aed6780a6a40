#pragma once

// An ICSP layer over the scripted port, with the recorded trace of frames and
// pauses, for frame-sequence tests.

#include "chips/catalogue.h"
#include "fakes.h"
#include "icsp/icsp.h"
#include "images/images.h"
#include "link/link.h"
#include "log/log.h"

namespace fw::test {

struct IcspRig {
  Trace trace;
  FakeClock clock;
  FakePause pause{&trace};
  ScriptedPort port;
  FakeDialogs dialogs;
  Log log{clock};
  Link link{log, pause, port.Opener()};
  ChipRecord chip;
  Images images;
  Icsp icsp{link, chip, images, dialogs};

  explicit IcspRig(const char* chip_name = "PIC16F630", std::uint16_t packet = 0x7FFE) {
    port.trace = &trace;
    port.AnswerLikeGateway(packet);
    chip.Assign(*FindChipByName(chip_name), FindChipByName(chip_name)->IdWord);
    link.OpenPort("test");
    trace.clear();
    port.frames.clear();
  }
  // Only the frames written, without the pauses.
  Trace Frames() const {
    Trace frames;
    for (const std::string& t : trace) {
      if (t[0] == 'W') frames.push_back(t.substr(2));
    }
    return frames;
  }
  void FailWriteNumber(int k) { port.fail_write_at = port.writes + k; }
};

}  // namespace fw::test
