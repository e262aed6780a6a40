#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace fw {

// One open serial line to the gateway. The real port, the in-process
// simulator and the tests' fakes all stand behind this interface.
//
// The line settings are fixed for this gateway: 250000 baud, 8 data bits, no
// parity, 2 stop bits, no flow control, DTR and RTS off, raw 8-bit.
class SerialDevice {
 public:
  virtual ~SerialDevice() = default;

  // Reads the port's current parameters; false when the driver refuses.
  virtual bool GetState() = 0;
  // Applies the gateway's line settings; false when any is refused.
  virtual bool SetState() = 0;
  // Drops whatever waits in either direction.
  virtual void Purge() = 0;

  // Writes all bytes; true once the system has taken them (or false, at
  // most after 20 s).
  virtual bool Write(const std::uint8_t* bytes, std::size_t length) = 0;
  // Waits until what was written has left the port.
  virtual void Drain() {}
  // The number of received bytes that can be read without waiting.
  virtual int BytesWaiting() = 0;
  // Reads up to `length` waiting bytes without blocking; returns how many.
  virtual int Read(std::uint8_t* bytes, int length) = 0;
};

// Opens the device named by a device path, or gives nullptr when the device
// is absent or already in use (opening is exclusive), with the reason in the
// log's style in `why` where one is known.
using DeviceOpener =
    std::function<std::unique_ptr<SerialDevice>(const std::string& path, std::string* why)>;

}  // namespace fw
