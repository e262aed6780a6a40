#pragma once

#include <QStringList>

#include <memory>
#include <string>

#include "link/serial_device.h"
#include "sim/demo_gateways.h"

// Opens what the operator names in the port box: a real serial port, or a
// built-in simulated gateway ("demo:" and a chip name, e.g. demo:PIC16F684)
// paced by the machine's clock like a real one.
class DeviceOpenerForApp {
 public:
  fw::DeviceOpener Opener();

 private:
  fw::sim::DemoGateways demos_{&fw::sim::SteadyMicros};
};

// The entries for the simulated gateway that the port box offers.
QStringList DemoPortNames();
