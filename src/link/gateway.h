#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>

#include "link/link.h"

namespace fw::gateway {

// Command bytes of the GX-0450 as this programmer uses them.
inline constexpr std::uint8_t kAnswerRequest = 0x04;
inline constexpr std::uint8_t kLoadPaketSize = 0x42;
inline constexpr std::uint8_t kFastSendPaket = 0x4C;
inline constexpr std::uint8_t kReadSignPaket = 0x4A;

GatewayFrame Frame(std::initializer_list<std::uint8_t> bytes);

// The fixed frames.
GatewayFrame HandshakeFrame1();  // 0x0A 0x08 0x02
GatewayFrame HandshakeFrame2();  // 0x1E
GatewayFrame AnswerRequest();    // 0x04, answered by one byte
GatewayFrame HandshakeFrame3();  // 0x40 0x01
GatewayFrame InitStateFrame1();  // 0x11 0x00 0x0F 0x30
GatewayFrame InitStateFrame2();  // 0x0D 0x00 0x0B 0x01
GatewayFrame VppFirstEntry();    // 0x1D 0x04

// LoadPaketSize_SPI: the packet size in bits, 6 (commands) or 16 (data).
GatewayFrame LoadPaketSize_SPI(std::uint8_t bits);
// FastSendPaket_SPI with a 6-bit ICSP command.
GatewayFrame FastSendCommand(std::uint8_t command);
// FastSendPaket_SPI with a 16-bit packet given as its two bytes, low first.
GatewayFrame FastSendPacket(std::uint8_t low, std::uint8_t high);
// FastSendPaket_SPI with a 14-bit data word framed by start and stop bits.
GatewayFrame FastSendWord(std::uint16_t word);
GatewayFrame ReadSignPaket_SPI();

// The 16-bit packet carrying a data word: the word shifted left by one.
inline std::uint16_t PacketOfWord(std::uint16_t word) {
  return static_cast<std::uint16_t>(word << 1);
}
// The data bits of an answer packet, unmasked (bit 14 is the stop bit).
inline std::uint16_t WordOfPacket(std::uint16_t packet) {
  return static_cast<std::uint16_t>(packet >> 1);
}

// The packet of a ReadSignPaket_SPI answer, low byte first; nothing unless
// both bytes arrived.
std::optional<std::uint16_t> AnswerPacket(const GatewayAnswer& answer);

// " 0x0A 0x08 0x02": the frame's bytes as the log names a handshake frame.
std::string FrameText(const GatewayFrame& frame);

}  // namespace fw::gateway
