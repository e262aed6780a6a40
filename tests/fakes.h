#pragma once

// Stand-ins for the outside world: a fixed clock, a pause that only records,
// a scripted serial port, and scripted operator dialogs. The pause and the
// port write into one shared trace so that tests can check the order of
// frames and pauses together.

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/link.h"
#include "link/pause.h"
#include "link/serial_device.h"
#include "log/clock.h"
#include "log/operator_dialogs.h"

namespace fw::test {

class FakeClock : public Clock {
 public:
  TimeOfDay now{9, 5, 7};
  TimeOfDay LocalTime() override { return now; }
  std::string UtcTimestamp() override { return "2026-12-09T09:05:07Z"; }
};

// One step of traffic: a frame written ("W 4C 06") or a pause ("S 1").
using Trace = std::vector<std::string>;

std::string Hex(const std::vector<std::uint8_t>& bytes);

class FakePause : public Pause {
 public:
  explicit FakePause(Trace* trace = nullptr) : trace_(trace) {}
  void Sleep(std::uint32_t ms) override;

  std::vector<std::uint32_t> sleeps;
  std::uint64_t elapsed_us = 0;  // the fake time the sleeps add up to
  bool record = true;

 private:
  Trace* trace_;
};

// The shared state of a scripted port; every device opened on it is a handle
// onto this one object, so tests keep seeing it after the link closes.
struct ScriptedPort {
  Trace* trace = nullptr;
  bool present = true;
  std::string absent_reason;  // what the opener says when the port is absent
  bool get_state_ok = true;
  bool set_state_ok = true;
  int fail_write_at = 0;  // the k-th write (1-based) fails; 0 never
  int writes = 0;
  int opens = 0;
  int purges = 0;
  std::vector<std::vector<std::uint8_t>> frames;
  std::deque<std::uint8_t> rx;
  // Called after every good write; may queue answer bytes.
  std::function<void(ScriptedPort&, const std::vector<std::uint8_t>&)> on_write;

  // A gateway that answers the answer request with one byte and
  // ReadSignPaket_SPI with the two bytes of `packet`.
  void AnswerLikeGateway(std::uint16_t packet = 0x7FFE);
  DeviceOpener Opener();
};

class FakeDialogs : public OperatorDialogs {
 public:
  bool Ask(const std::string& caption, const std::string& text, Buttons buttons) override {
    asked.push_back(caption + (buttons == Buttons::kYesNo ? " [Yes/No]: " : " [OK/Cancel]: ") + text);
    return answer;
  }
  void Tell(const std::string& caption, const std::string& text) override {
    told.push_back(caption + ": " + text);
  }
  void ProgressOpen() override { ++opened; position = 0; }
  void ProgressSet(int p) override { positions.push_back(p); position = p; }
  void ProgressClose() override { ++closed; }
  void SetPagesVisible(bool visible) override { pages_visible.push_back(visible); }
  CalibrationAnswer AskCalibration(const std::string& text, const std::optional<OsccalValues>& suggested) override {
    calibration_asked.push_back(text);
    calibration_suggested = suggested;
    return calibration_answer;
  }
  // A stop is asked from the (stop_after + 1)-th look on; never when negative.
  // `stop_when`, where set, decides instead (a stop that comes at a frame).
  bool StopRequested() override {
    if (stop_when) return stop_when();
    return stop_after >= 0 && ++stop_looks > stop_after;
  }
  std::function<bool()> stop_when;
  void StopDeferred(const std::string& what) override { deferred.push_back(what); }

  bool answer = true;
  CalibrationAnswer calibration_answer;
  std::vector<std::string> calibration_asked;
  std::optional<OsccalValues> calibration_suggested;
  int stop_after = -1, stop_looks = 0;
  std::vector<std::string> deferred;
  std::vector<std::string> asked, told;
  std::vector<int> positions;
  std::vector<bool> pages_visible;
  int opened = 0, closed = 0, position = 0;
};

}  // namespace fw::test
