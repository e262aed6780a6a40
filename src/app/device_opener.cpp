#include "app/device_opener.h"

#include "link/system_serial.h"

fw::DeviceOpener DeviceOpenerForApp::Opener() {
  return [this](const std::string& path, std::string* why) {
    return fw::sim::DemoGateways::IsDemo(path) ? demos_.Open(path, why)
                                               : fw::OpenSystemSerialDevice(path, why);
  };
}

QStringList DemoPortNames() { return {"demo:PIC16F684"}; }
