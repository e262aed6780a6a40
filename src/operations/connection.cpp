#include "operations/connection.h"

namespace fw {

bool Connect(Link& link, Log& log, const std::string& port_name) {
  const std::optional<std::string> path = DevicePathFor(port_name);
  if (!path) {
    // Too long for the device path: refused, never cut to another port's name.
    log.LogEvent(LogCode::kPortUnavailable, "");
    return false;
  }
  link.OpenPort(*path);
  if (!link.PortValid()) return false;
  log.LogEvent(LogCode::kPortOpen, *path);
  return true;
}

void Disconnect(Link& link, Log& log) {
  link.ClosePort();
  log.LogEvent(LogCode::kPortClosed, "");
}

}  // namespace fw
