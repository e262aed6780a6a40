#include "link/link.h"

#include <algorithm>
#include <cctype>

#include "link/gateway.h"

namespace fw {

std::optional<std::string> DevicePathFor(const std::string& port_name, platform::PortNaming naming) {
  std::string path;
  if (port_name.rfind("demo:", 0) == 0) {
    path = port_name;
  } else if (naming == platform::PortNaming::kWindows) {
    // COM3, com3 and \\.\COM12 all name the same kind of device: Windows
    // opens COM10 and above only by the device path.
    if (port_name.rfind("\\\\.\\", 0) == 0) {
      path = port_name;
    } else {
      path = "\\\\.\\";
      for (char c : port_name) path += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
  } else if (port_name.rfind('/', 0) == 0) {
    path = port_name;
  } else {
    path = "/dev/" + port_name;
  }
  if (port_name.empty() || path.size() + 1 > kDevicePathBuffer) return std::nullopt;
  return path;
}

std::optional<std::string> DevicePathFor(const std::string& port_name) {
  return DevicePathFor(port_name, platform::SystemPortNaming());
}

Link::Link(Log& log, Pause& pause, DeviceOpener opener)
    : log_(log), pause_(pause), opener_(std::move(opener)) {}

void Link::OpenPort(const std::string& path) {
  ClosePort();
  port_path_ = path;
  loss_ = Loss::kNone;
  std::string why;
  PortHandle = opener_ ? opener_(path, &why) : nullptr;
  if (!PortHandle) {
    log_.LogEvent(LogCode::kPortUnavailable, "");
    // Beyond the catalogue's words: what the system said, so that the
    // operator knows what to do about it.
    if (!why.empty()) log_.LogEvent(LogCode::kNone, why);
    return;
  }
  if (!PortHandle->GetState()) {
    log_.LogEvent(LogCode::kGetPortParams, "");
    ClosePort();
    return;
  }
  if (!PortHandle->SetState()) {
    log_.LogEvent(LogCode::kSetPortParams, "");
    ClosePort();
    return;
  }
  PortHandle->Purge();
  if (!Handshake()) ClosePort();
}

bool Link::Handshake() {
  const GatewayFrame frame1 = gateway::HandshakeFrame1();
  if (!Send(frame1, gateway::FrameText(frame1))) return false;
  const GatewayFrame frame2 = gateway::HandshakeFrame2();
  if (!Send(frame2, gateway::FrameText(frame2))) return false;
  // The answer request is read at once, without a pause.
  const GatewayFrame request = gateway::AnswerRequest();
  DropWaiting();
  if (!PortWrite(request)) {
    log_.LogEvent(LogCode::kCommandError, gateway::FrameText(request));
    Lost(true);
    return false;
  }
  if (PortRead(1).count == 0) {
    log_.LogEvent(LogCode::kAnswerError, " (PINB)");
    Lost(false);
    return false;
  }
  const GatewayFrame frame3 = gateway::HandshakeFrame3();
  return Send(frame3, gateway::FrameText(frame3));
}

bool Link::PortWrite(const GatewayFrame& frame) {
  if (!PortHandle || frame.length < 0 || frame.length > 32) return false;
  return PortHandle->Write(frame.bytes, static_cast<std::size_t>(frame.length));
}

GatewayAnswer Link::PortRead(int wanted) {
  GatewayAnswer answer;
  if (!PortHandle) return answer;
  constexpr int kCapacity = static_cast<int>(sizeof answer.bytes);
  for (int polls = 0; polls < kMaxPolls && answer.count < wanted; ++polls) {
    int waiting = PortHandle->BytesWaiting();
    while (waiting > 0) {
      // Never keep more than the answer holds: what does not fit is read and
      // dropped, so that it cannot be taken for the next frame's answer.
      std::uint8_t scratch[64];
      const int room = kCapacity - answer.count;
      std::uint8_t* target = room > 0 ? answer.bytes + answer.count : scratch;
      const int want = room > 0 ? std::min(waiting, room) : std::min<int>(waiting, sizeof scratch);
      const int got = PortHandle->Read(target, want);
      if (got <= 0) break;
      if (room > 0) answer.count += got;
      waiting -= got;
    }
    pause_.Start();
    pause_.Sleep(1);
  }
  return answer;
}

void Link::ClosePort() { PortHandle.reset(); }

void Link::DropWaiting() {
  if (!PortHandle) return;
  std::uint8_t scratch[64];
  for (int waiting = PortHandle->BytesWaiting(); waiting > 0; waiting = PortHandle->BytesWaiting()) {
    if (PortHandle->Read(scratch, std::min<int>(waiting, sizeof scratch)) <= 0) break;
  }
}

void Link::StandardPause() {
  pause_.Start();
  pause_.Sleep(1);
  pause_.Sleep(static_cast<std::uint32_t>(std::clamp(DelayValue, 0, 5)));
}

void Link::WaitPause(std::uint32_t wait_ms) {
  pause_.Start();
  pause_.Sleep(wait_ms);
  pause_.Sleep(static_cast<std::uint32_t>(std::clamp(DelayValue, 0, 5)));
}

void Link::Lost(bool write_failed) {
  loss_ = write_failed ? Loss::kPortGone : Loss::kNoAnswer;
  ClosePort();
}

std::string Link::LossText() const {
  switch (loss_) {
    case Loss::kNone: return {};
    case Loss::kPortGone:
      return "    the port " + port_path_ + " is gone (unplugged?): plug the gateway in again, then Disconnect and Connect";
    case Loss::kNoAnswer:
      return "    the gateway on " + port_path_ + " stopped answering (its power or its cable?): check it, then "
             "Disconnect and Connect";
  }
  return {};
}

bool Link::Send(const GatewayFrame& frame, std::string_view fail_text) {
  if (!PortWrite(frame)) {
    log_.LogEvent(LogCode::kCommandError, fail_text);
    Lost(true);
    return false;
  }
  StandardPause();
  return true;
}

bool Link::SendWithWait(const GatewayFrame& frame, std::uint32_t wait_ms,
                        std::string_view fail_text) {
  if (!PortWrite(frame)) {
    log_.LogEvent(LogCode::kCommandError, fail_text);
    Lost(true);
    return false;
  }
  // The chip's time runs from when it has the command, not from when the
  // system took the bytes.
  PortHandle->Drain();
  WaitPause(wait_ms);
  return true;
}

std::optional<std::uint16_t> Link::ReadPacket(std::string_view fail_text) {
  // A stray byte already on the line must never be taken for the chip's word.
  DropWaiting();
  if (!Send(gateway::ReadSignPaket_SPI(), fail_text)) return std::nullopt;
  const std::optional<std::uint16_t> packet = gateway::AnswerPacket(PortRead(2));
  if (!packet) {
    log_.LogEvent(LogCode::kAnswerError, " from GX-0450");
    Lost(false);
  }
  return packet;
}

}  // namespace fw
