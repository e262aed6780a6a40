#include "app/device_opener.h"

#include "chips/catalogue.h"
#include "link/posix_serial_device.h"

namespace {
constexpr char kDemoPrefix[] = "demo:";
}

fw::DeviceOpener DeviceOpenerForApp::Opener() {
  return [this](const std::string& path, std::string* why) { return Open(path, why); };
}

std::unique_ptr<fw::SerialDevice> DeviceOpenerForApp::Open(const std::string& path, std::string* why) {
  if (path.rfind(kDemoPrefix, 0) != 0) return fw::OpenPosixSerialDevice(path, why);
  const std::string chip = path.substr(sizeof kDemoPrefix - 1);
  auto it = demos_.find(chip);
  if (it == demos_.end()) {
    const fw::ChipEntry* entry = fw::FindChipByName(chip);
    if (entry == nullptr) {
      if (why) *why = "    there is no simulated chip named \"" + chip + "\" (try demo:PIC16F684)";
      return nullptr;
    }
    it = demos_
             .emplace(chip, std::make_unique<fw::sim::SimulatedGateway>(
                                *entry, 3, fw::sim::Fault{}, &fw::sim::SteadyMicros))
             .first;
  }
  return it->second->Open();
}

QStringList DemoPortNames() { return {"demo:PIC16F684"}; }
