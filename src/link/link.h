#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "link/pause.h"
#include "link/serial_device.h"
#include "log/log.h"
#include "platform/platform.h"

namespace fw {

// A command frame for the gateway; only the first `length` bytes are sent.
struct GatewayFrame {
  std::uint8_t bytes[32] = {};
  std::int32_t length = 0;
};

// The bytes received for one request, in order of arrival.
struct GatewayAnswer {
  std::uint8_t bytes[32] = {};
  std::int32_t count = 0;
};

inline constexpr int kMaxPolls = 1000;
// Room for the device path including its terminating zero, as the gateway
// tool has always had; a longer name is refused, never cut.
inline constexpr std::size_t kDevicePathBuffer = 100;

// The device path for a port name typed by the operator. On POSIX systems a
// name that begins with "/" is already a path and any other is looked up
// under /dev; on Windows "COM3" and "com3" become "\\.\COM3" and a name
// that is already a device path passes unchanged. "demo:" names the
// built-in simulated gateway and passes unchanged everywhere. Gives nothing
// when the path would not fit kDevicePathBuffer.
std::optional<std::string> DevicePathFor(const std::string& port_name, platform::PortNaming naming);
// The same by this system's naming.
std::optional<std::string> DevicePathFor(const std::string& port_name);

// The serial link to the GX-0450: the one port handle of the application,
// the gateway greeting, and the paced frame traffic every layer above uses.
class Link {
 public:
  Link(Log& log, Pause& pause, DeviceOpener opener);

  // Opens, configures and greets the gateway; afterwards PortValid() tells
  // whether the link is up (every failure is in the log).
  void OpenPort(const std::string& path);
  bool PortWrite(const GatewayFrame& frame);
  GatewayAnswer PortRead(int wanted);
  void ClosePort();
  // A failed frame: notes whether the port went away (`write_failed`) or
  // the gateway stopped answering, and closes the port.
  void Lost(bool write_failed);
  // Why the link closed after a failure, in words for the operator (empty:
  // it did not). The catalogue's line names the step; this one says what
  // happened.
  enum class Loss { kNone, kPortGone, kNoAnswer };
  Loss LastLoss() const { return loss_; }
  std::string LossText() const;
  bool PortValid() const { return PortHandle != nullptr; }
  // The device path of the last port opened, for records of what was done
  // where; empty before any.
  const std::string& PortPath() const { return port_path_; }

  // Extra milliseconds after every frame, 0 to 5 (the delay bar).
  int DelayValue = 0;

  // The standard pause: 1 ms, then DelayValue.
  void StandardPause();
  // A chip's programming or erase wait in place of the 1 ms, then DelayValue.
  void WaitPause(std::uint32_t wait_ms);

  // Writes `frame` and takes the standard pause. On a failed write logs
  // "Error executing commands: " + fail_text, closes the link, gives false.
  bool Send(const GatewayFrame& frame, std::string_view fail_text);
  // The same, with the chip's wait in place of the 1 ms.
  bool SendWithWait(const GatewayFrame& frame, std::uint32_t wait_ms, std::string_view fail_text);
  // Sends ReadSignPaket_SPI, pauses, and reads the 16-bit packet the gateway
  // clocked in. No answer, or an answer that stops after one byte, logs
  // "Error reading the answer from GX-0450", closes the link and gives nothing:
  // a word is never built from an unset byte.
  std::optional<std::uint16_t> ReadPacket(std::string_view fail_text);

 private:
  bool Handshake();
  // Reads and drops whatever already waits in the input queue.
  void DropWaiting();

  Log& log_;
  Pause& pause_;
  DeviceOpener opener_;
  std::unique_ptr<SerialDevice> PortHandle;
  std::string port_path_;
  Loss loss_ = Loss::kNone;
};

}  // namespace fw
