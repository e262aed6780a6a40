#pragma once

#include <map>
#include <memory>
#include <string>

#include "chips/user_chips.h"
#include "link/pause.h"
#include "link/serial_device.h"
#include "sim/simulated_gateway.h"

namespace fw::sim {

// A pause that lets no real time pass: it only moves a clock of its own,
// which the demo gateways of a terminal session run on, so that a demo
// write takes no longer than the computer needs, while every wait the
// chip needs is still counted in full.
class DemoClock final : public Pause {
 public:
  void Sleep(std::uint32_t milliseconds) override { now_us_ += std::uint64_t{milliseconds} * 1000; }
  std::uint64_t now_us() const { return now_us_; }

 private:
  std::uint64_t now_us_ = 0;
};

// The built-in simulated gateways behind the port names "demo:" + a chip
// name (e.g. demo:PIC16F684). One gateway per chip lives as long as this
// object, so its chip keeps what was written to it across Disconnect and
// Connect.
class DemoGateways {
 public:
  static constexpr const char* kPrefix = "demo:";
  static bool IsDemo(const std::string& path) { return path.rfind(kPrefix, 0) == 0; }

  explicit DemoGateways(SimulatedGateway::TimeSource now) : now_(std::move(now)) {}
  // The chips the names may name beyond the built-in ones (the user's).
  void UseChips(const ChipList* chips) { chips_ = chips; }

  // A device onto the demo gateway `path` names; nullptr with the reason in
  // the log's style in `why` for a chip name of no catalogue entry.
  std::unique_ptr<SerialDevice> Open(const std::string& path, std::string* why);

 private:
  SimulatedGateway::TimeSource now_;
  const ChipList* chips_ = nullptr;
  std::map<const ChipEntry*, std::unique_ptr<SimulatedGateway>> gateways_;
};

}  // namespace fw::sim
