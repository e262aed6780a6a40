#include "app/device_opener.h"

#include "link/qt_serial_device.h"

fw::DeviceOpener DeviceOpenerForApp::Opener() {
  return [](const std::string& path) { return fw::OpenQtSerialDevice(path); };
}

QStringList DemoPortNames() { return {}; }
