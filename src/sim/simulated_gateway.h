#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "link/serial_device.h"
#include "sim/gateway_sim.h"
#include "sim/virtual_chip.h"

namespace fw::sim {

// A virtual chip wired to a simulated GX-0450, reachable as a serial device
// in this process. It lives across connections: closing the port only lets
// the lines go idle, the chip keeps its memories.
class SimulatedGateway {
 public:
  using TimeSource = std::function<std::uint64_t()>;  // microseconds

  SimulatedGateway(const ChipEntry& entry, std::uint8_t revision, Fault fault, TimeSource now);
  ~SimulatedGateway();

  // A serial device onto this gateway; nullptr while one is open already,
  // since a port is opened exclusively.
  std::unique_ptr<SerialDevice> Open();

  VirtualChip& chip() { return chip_; }
  GatewaySim& gateway() { return gateway_; }

 private:
  class Device;
  friend class Device;

  VirtualChip chip_;
  GatewaySim gateway_;
  TimeSource now_;
  bool open_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// The clock of the machine, for simulators paced by real sleeps.
std::uint64_t SteadyMicros();

}  // namespace fw::sim
