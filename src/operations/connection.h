#pragma once

#include <string>

#include "link/link.h"
#include "log/log.h"

namespace fw {

// Connect: opens the port the operator named and greets the gateway. True
// when the link is up, after logging "The COM-port is open: " and the path.
bool Connect(Link& link, Log& log, const std::string& port_name);

// Disconnect: closes the link (harmless when it is already closed) and logs
// "The COM-port is closed".
void Disconnect(Link& link, Log& log);

}  // namespace fw
