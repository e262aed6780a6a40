#include "sim/gateway_sim.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace fw::sim {

namespace {

// Command bytes of the GX-0450 protocol.
constexpr std::uint8_t kGreeting1 = 0x0A;      // 0x0A 0x08 0x02
constexpr std::uint8_t kGreeting2 = 0x1E;      // 0x1E
constexpr std::uint8_t kAnswerRequest = 0x04;  // answered by one byte
constexpr std::uint8_t kGreeting3 = 0x40;      // 0x40 0x01
constexpr std::uint8_t kLines1 = 0x11;         // 0x11 0x00 0x0F 0x30: lines idle
constexpr std::uint8_t kLines2 = 0x0D;         // 0x0D 0x00 0x0B 0x01: lines idle
constexpr std::uint8_t kVppFirst = 0x1D;       // 0x1D 0x04: Vpp, then Vdd
constexpr std::uint8_t kPacketSize = 0x42;     // 0x42 n
constexpr std::uint8_t kSendPacket = 0x4C;     // 0x4C and the packet's bytes
constexpr std::uint8_t kReadPacket = 0x4A;     // answered by the last packet in

std::string HexOf(const std::vector<std::uint8_t>& bytes) {
  std::string text;
  char part[6];
  for (std::uint8_t b : bytes) {
    std::snprintf(part, sizeof part, "%s%02X", text.empty() ? "" : " ", b);
    text += part;
  }
  return text;
}

}  // namespace

std::optional<Fault> ParseFault(const std::string& text) {
  if (text == "silent") return Fault{Fault::Kind::kSilent, 0};
  const auto colon = text.find(':');
  if (colon == std::string::npos) return std::nullopt;
  const std::string name = text.substr(0, colon);
  const std::string number = text.substr(colon + 1);
  char* end = nullptr;
  const long n = std::strtol(number.c_str(), &end, 10);
  if (number.empty() || *end != '\0' || n < 1 || n > 100000000) return std::nullopt;
  if (name == "no-answer") return Fault{Fault::Kind::kNoAnswer, static_cast<int>(n)};
  if (name == "short-answer") return Fault{Fault::Kind::kShortAnswer, static_cast<int>(n)};
  if (name == "hangup") return Fault{Fault::Kind::kHangup, static_cast<int>(n)};
  return std::nullopt;
}

int GatewaySim::FrameLength(std::uint8_t first) const {
  switch (first) {
    case kGreeting1: return 3;
    case kGreeting2: return 1;
    case kAnswerRequest: return 1;
    case kGreeting3: return 2;
    case kLines1: return 4;
    case kLines2: return 4;
    case kVppFirst: return 2;
    case kPacketSize: return 2;
    case kSendPacket: return packet_size_ == 16 ? 3 : 2;
    case kReadPacket: return 1;
    default: return 0;
  }
}

void GatewaySim::Receive(const std::uint8_t* bytes, std::size_t length, std::uint64_t now_us,
                         std::uint32_t held_us) {
  for (std::size_t i = 0; i < length && !hung_up_; ++i) {
    if (frame_.empty()) {
      if (FrameLength(bytes[i]) == 0) {
        char text[48];
        std::snprintf(text, sizeof text, "unknown command byte 0x%02X", bytes[i]);
        Error(text);
        continue;
      }
      frame_started_us_ = i == 0 ? std::max(now_us - std::min<std::uint64_t>(held_us, now_us), last_frame_us_) : now_us;
      last_frame_us_ = frame_started_us_;
      if (chip_) {
        const std::uint8_t b = bytes[i];
        const VirtualChip::Frame kind = b == kSendPacket                                 ? VirtualChip::Frame::kClocked
                                        : b == kReadPacket                               ? VirtualChip::Frame::kRead
                                        : b == kLines1 || b == kLines2 || b == kVppFirst ? VirtualChip::Frame::kLines
                                                                                         : VirtualChip::Frame::kNoClock;
        // A frame after the first of a read may have come any time up to
        // the read, so it counts as bunched with the frame before it.
        chip_->FrameArrives(frame_started_us_, kind, i != 0);
      }
    }
    frame_.push_back(bytes[i]);
    if (static_cast<int>(frame_.size()) == FrameLength(frame_[0])) {
      const std::vector<std::uint8_t> frame = std::move(frame_);
      frame_.clear();
      Execute(frame, frame_started_us_);
      ++frames_;
      if (fault_.kind == Fault::Kind::kHangup && frames_ >= fault_.n) hung_up_ = true;
    }
  }
}

void GatewaySim::Execute(const std::vector<std::uint8_t>& f, std::uint64_t now_us) {
  auto expect = [&](std::initializer_list<std::uint8_t> want) {
    if (!std::equal(want.begin(), want.end(), f.begin(), f.end())) {
      Error("unexpected arguments in frame " + HexOf(f));
    }
  };
  switch (f[0]) {
    case kGreeting1: expect({0x0A, 0x08, 0x02}); break;
    case kGreeting2: break;
    case kGreeting3: expect({0x40, 0x01}); break;
    case kAnswerRequest: Answer({0x00}); break;
    case kLines1:
    case kLines2:
      if (f[0] == kLines1) expect({0x11, 0x00, 0x0F, 0x30});
      if (f[0] == kLines2) expect({0x0D, 0x00, 0x0B, 0x01});
      vpp_ = false;
      if (chip_) chip_->LeaveProgrammingMode();
      break;
    case kVppFirst:
      expect({0x1D, 0x04});
      vpp_ = true;
      if (chip_) chip_->EnterProgrammingMode();
      break;
    case kPacketSize:
      if (f[1] != 6 && f[1] != 16) {
        Error("packet size " + std::to_string(f[1]) + " is not 6 or 16");
      } else {
        packet_size_ = f[1];
      }
      break;
    case kSendPacket:
      if (packet_size_ == 6) {
        if (f[1] & 0xC0) Error("command packet with bits 6 and 7 set: " + HexOf(f));
        if (chip_) chip_->Command(f[1] & 0x3F, now_us);
        last_in_ = 0;
      } else if (packet_size_ == 16) {
        const auto packet = static_cast<std::uint16_t>(f[1] | (f[2] << 8));
        if (!chip_) {
          last_in_ = 0xFFFF;  // the data line pulled up, no chip to pull it down
        } else if (!chip_->in_programming_mode()) {
          last_in_ = packet;
        } else if (!chip_->ExpectsData()) {
          Error("data packet " + HexOf(f) + " with no command waiting for it");
          last_in_ = packet;
        } else {
          last_in_ = chip_->DataPacket(packet);
        }
      } else {
        Error("packet sent before any packet size was set: " + HexOf(f));
      }
      break;
    case kReadPacket: {
      ++sign_reads_;
      const bool faulted = (fault_.kind == Fault::Kind::kNoAnswer ||
                            fault_.kind == Fault::Kind::kShortAnswer) &&
                           sign_reads_ == fault_.n;
      if (faulted && fault_.kind == Fault::Kind::kNoAnswer) break;
      if (faulted) {
        Answer({static_cast<std::uint8_t>(last_in_ & 0xFF)});
        break;
      }
      Answer({static_cast<std::uint8_t>(last_in_ & 0xFF), static_cast<std::uint8_t>(last_in_ >> 8)});
      break;
    }
    default:
      break;
  }
}

void GatewaySim::Answer(std::initializer_list<std::uint8_t> bytes) {
  if (fault_.kind == Fault::Kind::kSilent) return;
  output_.insert(output_.end(), bytes.begin(), bytes.end());
}

void GatewaySim::LineIdle(std::uint64_t now_us) {
  if (chip_) chip_->FrameArrives(now_us);
  frame_.clear();
  vpp_ = false;
  packet_size_ = 0;
  if (chip_) chip_->LeaveProgrammingMode();
}

void GatewaySim::SetChip(VirtualChip* chip) {
  // The chip taken out loses its power; the one put in starts unpowered.
  if (chip_) chip_->LeaveProgrammingMode();
  chip_ = chip;
  if (chip_) chip_->LeaveProgrammingMode();
}

void GatewaySim::Error(const std::string& text) { errors_.push_back(text); }

}  // namespace fw::sim
