#pragma once

#include <memory>
#include <string>
#include <vector>

#include "link/system_serial.h"

namespace fw {

// Opens a real serial port (or a pseudo-terminal) for this process alone:
// refused, with the reason in `why`, when it does not exist, may not be
// opened, or another program has it open. DTR and RTS are cleared at once.
// The line settings are applied by SetState().
std::unique_ptr<SerialDevice> OpenPosixSerialDevice(const std::string& path, std::string* why);


}  // namespace fw
