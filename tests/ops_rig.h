#pragma once

// The device operations of a whole application state against the
// in-process simulated gateway and its virtual chip, on the fake pause and
// clock.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fakes.h"
#include "operations/app_state.h"
#include "sim/simulated_gateway.h"

namespace fw {

// Counts the frames written and notes where the bulk erases went.
class CountingDevice : public SerialDevice {
 public:
  CountingDevice(std::unique_ptr<SerialDevice> inner, int* frames, int* erase_frame, std::vector<int>* erases)
      : inner_(std::move(inner)), frames_(frames), erase_frame_(erase_frame), erases_(erases) {}
  bool GetState() override { return inner_->GetState(); }
  bool SetState() override { return inner_->SetState(); }
  void Purge() override { inner_->Purge(); }
  bool Write(const std::uint8_t* bytes, std::size_t length) override {
    ++*frames_;
    if (length == 2 && bytes[0] == 0x4C && bytes[1] == 0x09) {
      if (*erase_frame_ == 0) *erase_frame_ = *frames_;
      erases_->push_back(*frames_);
    }
    return inner_->Write(bytes, length);
  }
  int BytesWaiting() override { return inner_->BytesWaiting(); }
  int Read(std::uint8_t* bytes, int length) override { return inner_->Read(bytes, length); }

 private:
  std::unique_ptr<SerialDevice> inner_;
  int* frames_;
  int* erase_frame_;
  std::vector<int>* erases_;
};

struct OpsRig {
  test::FakeClock clock;
  test::FakePause pause;
  test::FakeDialogs dialogs;
  sim::SimulatedGateway gateway;
  int frames = 0, erase_frame = 0;
  std::vector<int> erases;
  AppState state;

  explicit OpsRig(const char* name, sim::Fault fault = {}) : OpsRig(*FindChipByName(name), fault) {
    state.selector.SelectChip(FindChipByName(name)->IdWord);
  }
  // A chip of any entry on the lines, none selected yet.
  explicit OpsRig(const ChipEntry& entry, sim::Fault fault = {})
      : gateway(entry, 0, fault, [this] { return pause.elapsed_us; }),
        state(clock, pause, dialogs, [this](const std::string&, std::string*) {
          return std::make_unique<CountingDevice>(gateway.Open(), &frames, &erase_frame, &erases);
        }) {
    pause.record = false;
    state.link.OpenPort("demo");
  }
  sim::VirtualChip& chip() { return gateway.chip(); }
  const ChipEntry& entry() { return gateway.chip().entry(); }
  // Runs an operation and gives the lines it logged.
  std::vector<std::string> Run(const std::function<Outcome(DeviceOperations&)>& op,
                               Outcome expected = Outcome::kDone) {
    const std::size_t before = state.log.Lines().size();
    EXPECT_EQ(op(state.operations), expected);
    return {state.log.Lines().begin() + static_cast<std::ptrdiff_t>(before), state.log.Lines().end()};
  }
  void ShowImages() {
    state.workspace.ShowImage(1, kProgramImage);
    state.workspace.ShowImage(6, kConfigImage);
    state.workspace.ShowImage(3, kDataImage);
  }
};

}  // namespace fw
