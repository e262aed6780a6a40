#pragma once

#include <memory>
#include <string>

#include "link/serial_device.h"

namespace fw {

// Opens a real serial port (or a pseudo-terminal) through Qt SerialPort, held
// exclusively; nullptr when it is absent or in use.
std::unique_ptr<SerialDevice> OpenQtSerialDevice(const std::string& path);

}  // namespace fw
