#pragma once

#include <QStringList>

#include "link/pause.h"
#include "link/serial_device.h"

// Opens what the operator names in the port box: a real serial port, or one
// of the built-in simulated gateways ("demo:" and a chip name).
class DeviceOpenerForApp {
 public:
  explicit DeviceOpenerForApp(fw::Pause& pause) : pause_(pause) {}
  fw::DeviceOpener Opener();

 private:
  fw::Pause& pause_;
};

// The entries for the simulated gateway that the port box offers.
QStringList DemoPortNames();
