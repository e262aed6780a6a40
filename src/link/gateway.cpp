#include "link/gateway.h"
#include "log/hex.h"

#include <cstdio>

namespace fw::gateway {

GatewayFrame Frame(std::initializer_list<std::uint8_t> bytes) {
  GatewayFrame frame;
  for (std::uint8_t b : bytes) frame.bytes[frame.length++] = b;
  return frame;
}

GatewayFrame HandshakeFrame1() { return Frame({0x0A, 0x08, 0x02}); }
GatewayFrame HandshakeFrame2() { return Frame({0x1E}); }
GatewayFrame AnswerRequest() { return Frame({kAnswerRequest}); }
GatewayFrame HandshakeFrame3() { return Frame({0x40, 0x01}); }
GatewayFrame InitStateFrame1() { return Frame({0x11, 0x00, 0x0F, 0x30}); }
GatewayFrame InitStateFrame2() { return Frame({0x0D, 0x00, 0x0B, 0x01}); }
GatewayFrame VppFirstEntry() { return Frame({0x1D, 0x04}); }

GatewayFrame LoadPaketSize_SPI(std::uint8_t bits) { return Frame({kLoadPaketSize, bits}); }

GatewayFrame FastSendCommand(std::uint8_t command) {
  return Frame({kFastSendPaket, static_cast<std::uint8_t>(command & 0x3F)});
}

GatewayFrame FastSendPacket(std::uint8_t low, std::uint8_t high) {
  return Frame({kFastSendPaket, low, high});
}

GatewayFrame FastSendWord(std::uint16_t word) {
  const std::uint16_t packet = PacketOfWord(word);
  return FastSendPacket(static_cast<std::uint8_t>(packet & 0xFF),
                        static_cast<std::uint8_t>(packet >> 8));
}

GatewayFrame ReadSignPaket_SPI() { return Frame({kReadSignPaket}); }

std::optional<std::uint16_t> AnswerPacket(const GatewayAnswer& answer) {
  if (answer.count < 2) return std::nullopt;
  return static_cast<std::uint16_t>(answer.bytes[0] | (answer.bytes[1] << 8));
}

std::string FrameText(const GatewayFrame& frame) {
  std::string text;
  for (int i = 0; i < frame.length; ++i) {
    text += " 0x" + Hex(frame.bytes[i], 2);
  }
  return text;
}

}  // namespace fw::gateway
