#include "sim/demo_gateways.h"

namespace fw::sim {

std::unique_ptr<SerialDevice> DemoGateways::Open(const std::string& path, std::string* why) {
  const std::string name = path.substr(std::string(kPrefix).size());
  const ChipEntry* entry = chips_ != nullptr ? chips_->FindByName(name) : FindChipByName(name);
  if (entry == nullptr) {
    if (why) {
      *why = "    there is no simulated chip named \"" + name + "\" (try demo:" +
             NearestChipNames(name, 1).front() + ")";
    }
    return nullptr;
  }
  auto& gateway = gateways_[entry];
  if (!gateway) gateway = std::make_unique<SimulatedGateway>(*entry, 3, Fault{}, now_);
  auto device = gateway->Open();
  if (!device && why) *why = "    the port is in use by another program";
  return device;
}

}  // namespace fw::sim
