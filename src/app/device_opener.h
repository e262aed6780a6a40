#pragma once

#include <QStringList>

#include <map>
#include <memory>
#include <string>

#include "link/serial_device.h"
#include "sim/simulated_gateway.h"

// Opens what the operator names in the port box: a real serial port, or a
// built-in simulated gateway ("demo:" and a chip name, e.g. demo:PIC16F684).
// A simulated chip lives until the program ends, so it keeps what was written
// to it across Disconnect and Connect.
class DeviceOpenerForApp {
 public:
  fw::DeviceOpener Opener();

 private:
  std::unique_ptr<fw::SerialDevice> Open(const std::string& path, std::string* why);

  std::map<std::string, std::unique_ptr<fw::sim::SimulatedGateway>> demos_;
};

// The entries for the simulated gateway that the port box offers.
QStringList DemoPortNames();
