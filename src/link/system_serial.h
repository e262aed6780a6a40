#pragma once

#include <memory>
#include <string>
#include <vector>

#include "link/serial_device.h"

namespace fw {

// This system's serial ports, behind SerialDevice: termios2 on Linux
// (posix_serial_device.cpp), Win32 communications on Windows
// (win32_serial_device.cpp); the build takes one.
//
// Opens the port at device path `path` (as DevicePathFor gives it) for this
// process alone, with DTR and RTS off; refused, with the reason in words in
// `why`, when it does not exist, is not a serial port, may not be opened or
// another program has it. The line settings are applied by SetState().
std::unique_ptr<SerialDevice> OpenSystemSerialDevice(const std::string& path, std::string* why);

// The serial ports of this machine by name ("ttyUSB0", "COM3", ...), for the
// port box; read afresh on every call.
std::vector<std::string> ListSerialPorts();

}  // namespace fw
