#include "sim/simulated_gateway.h"

#include <chrono>

namespace fw::sim {

class SimulatedGateway::Device final : public SerialDevice {
 public:
  explicit Device(SimulatedGateway& owner) : owner_(owner), alive_(owner.alive_) {}
  ~Device() override {
    if (!*alive_) return;
    owner_.open_ = false;
    owner_.gateway_.LineIdle(owner_.now_());
  }

  bool GetState() override { return true; }
  bool SetState() override { return true; }
  void Purge() override { owner_.gateway_.output().clear(); }

  bool Write(const std::uint8_t* bytes, std::size_t length) override {
    if (owner_.gateway_.hung_up()) return false;
    owner_.gateway_.Receive(bytes, length, owner_.now_());
    return true;
  }

  int BytesWaiting() override {
    if (owner_.gateway_.hung_up()) return 0;
    return static_cast<int>(owner_.gateway_.output().size());
  }

  int Read(std::uint8_t* bytes, int length) override {
    auto& queue = owner_.gateway_.output();
    int n = 0;
    while (n < length && !queue.empty()) {
      bytes[n++] = queue.front();
      queue.pop_front();
    }
    return n;
  }

 private:
  SimulatedGateway& owner_;
  std::shared_ptr<bool> alive_;
};

SimulatedGateway::SimulatedGateway(const ChipEntry& entry, std::uint8_t revision, Fault fault,
                                   TimeSource now)
    : chip_(entry, revision), gateway_(chip_, fault), now_(std::move(now)) {}

SimulatedGateway::~SimulatedGateway() { *alive_ = false; }

std::unique_ptr<SerialDevice> SimulatedGateway::Open() {
  if (open_) return nullptr;
  open_ = true;
  return std::make_unique<Device>(*this);
}

std::uint64_t SteadyMicros() {
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
}

}  // namespace fw::sim
