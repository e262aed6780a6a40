#include "app/device_opener.h"

#include "link/posix_serial_device.h"

fw::DeviceOpener DeviceOpenerForApp::Opener() {
  return [this](const std::string& path, std::string* why) {
    return fw::sim::DemoGateways::IsDemo(path) ? demos_.Open(path, why)
                                               : fw::OpenPosixSerialDevice(path, why);
  };
}

QStringList DemoPortNames() { return {"demo:PIC16F684"}; }
