#include "fakes.h"

#include <cstdio>

namespace fw::test {

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  std::string out;
  char part[4];
  for (std::uint8_t b : bytes) {
    std::snprintf(part, sizeof part, "%s%02X", out.empty() ? "" : " ", b);
    out += part;
  }
  return out;
}

void FakePause::Sleep(std::uint32_t ms) {
  if (record) sleeps.push_back(ms);
  elapsed_us += std::uint64_t{ms} * 1000;
  if (trace_ && record) trace_->push_back("S " + std::to_string(ms));
}

namespace {

class ScriptedDevice : public SerialDevice {
 public:
  explicit ScriptedDevice(ScriptedPort& port) : port_(port) {}
  bool GetState() override { return port_.get_state_ok; }
  bool SetState() override { return port_.set_state_ok; }
  void Purge() override {
    ++port_.purges;
    port_.rx.clear();
  }
  bool Write(const std::uint8_t* bytes, std::size_t length) override {
    ++port_.writes;
    if (port_.fail_write_at == port_.writes) return false;
    std::vector<std::uint8_t> frame(bytes, bytes + length);
    port_.frames.push_back(frame);
    if (port_.trace) port_.trace->push_back("W " + Hex(frame));
    if (port_.on_write) port_.on_write(port_, frame);
    return true;
  }
  int BytesWaiting() override { return static_cast<int>(port_.rx.size()); }
  int Read(std::uint8_t* bytes, int length) override {
    int n = 0;
    while (n < length && !port_.rx.empty()) {
      bytes[n++] = port_.rx.front();
      port_.rx.pop_front();
    }
    return n;
  }

 private:
  ScriptedPort& port_;
};

}  // namespace

void ScriptedPort::AnswerLikeGateway(std::uint16_t packet) {
  on_write = [packet](ScriptedPort& port, const std::vector<std::uint8_t>& frame) {
    if (frame.size() == 1 && frame[0] == 0x04) port.rx.push_back(0x5A);
    if (frame.size() == 1 && frame[0] == 0x4A) {
      port.rx.push_back(static_cast<std::uint8_t>(packet & 0xFF));
      port.rx.push_back(static_cast<std::uint8_t>(packet >> 8));
    }
  };
}

DeviceOpener ScriptedPort::Opener() {
  return [this](const std::string&, std::string* why) -> std::unique_ptr<SerialDevice> {
    if (!present) {
      if (why) *why = absent_reason;
      return nullptr;
    }
    ++opens;
    return std::make_unique<ScriptedDevice>(*this);
  };
}

}  // namespace fw::test
