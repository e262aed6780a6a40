#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "fakes.h"
#include "link/gateway.h"
#include "link/pause.h"

namespace fw {
namespace {

std::vector<std::uint8_t> Bytes(const GatewayFrame& frame) {
  return {frame.bytes, frame.bytes + frame.length};
}

using B = std::vector<std::uint8_t>;

TEST(GatewayFrames, EveryCommandsBytes) {
  using namespace gateway;
  EXPECT_EQ(Bytes(HandshakeFrame1()), (B{0x0A, 0x08, 0x02}));
  EXPECT_EQ(Bytes(HandshakeFrame2()), (B{0x1E}));
  EXPECT_EQ(Bytes(AnswerRequest()), (B{0x04}));
  EXPECT_EQ(Bytes(HandshakeFrame3()), (B{0x40, 0x01}));
  EXPECT_EQ(Bytes(InitStateFrame1()), (B{0x11, 0x00, 0x0F, 0x30}));
  EXPECT_EQ(Bytes(InitStateFrame2()), (B{0x0D, 0x00, 0x0B, 0x01}));
  EXPECT_EQ(Bytes(VppFirstEntry()), (B{0x1D, 0x04}));
  EXPECT_EQ(Bytes(LoadPaketSize_SPI(6)), (B{0x42, 0x06}));
  EXPECT_EQ(Bytes(LoadPaketSize_SPI(16)), (B{0x42, 0x10}));
  EXPECT_EQ(Bytes(FastSendCommand(0x06)), (B{0x4C, 0x06}));
  EXPECT_EQ(Bytes(FastSendCommand(0x18)), (B{0x4C, 0x18}));
  EXPECT_EQ(Bytes(FastSendCommand(0xC9)), (B{0x4C, 0x09})) << "bits 6 and 7 stay 0";
  EXPECT_EQ(Bytes(FastSendPacket(0xFE, 0x7F)), (B{0x4C, 0xFE, 0x7F}));
  EXPECT_EQ(Bytes(ReadSignPaket_SPI()), (B{0x4A}));
}

TEST(GatewayFrames, DataWordsCarryStartAndStopBits) {
  using gateway::FastSendWord;
  EXPECT_EQ(Bytes(FastSendWord(0x3FFF)), (B{0x4C, 0xFE, 0x7F}));
  EXPECT_EQ(Bytes(FastSendWord(0x0000)), (B{0x4C, 0x00, 0x00}));
  EXPECT_EQ(Bytes(FastSendWord(0x2ABC)), (B{0x4C, 0x78, 0x55}));
  EXPECT_EQ(Bytes(FastSendWord(0x005A)), (B{0x4C, 0xB4, 0x00}));
  EXPECT_EQ(Bytes(FastSendWord(0x00A5)), (B{0x4C, 0x4A, 0x01}));
}

TEST(GatewayAnswers, PacketAndWord) {
  GatewayAnswer answer;
  answer.bytes[0] = 0x10;
  answer.bytes[1] = 0x3F;
  answer.count = 2;
  ASSERT_EQ(gateway::AnswerPacket(answer), 0x3F10);
  EXPECT_EQ(gateway::WordOfPacket(0x3F10), 0x1F88);
  answer.bytes[0] = 0xE2;
  answer.bytes[1] = 0x1A;
  EXPECT_EQ(gateway::WordOfPacket(*gateway::AnswerPacket(answer)), 0x0D71);
  answer.count = 1;
  EXPECT_EQ(gateway::AnswerPacket(answer), std::nullopt) << "never a word from an unset byte";
  answer.count = 3;
  EXPECT_EQ(gateway::AnswerPacket(answer), 0x1AE2) << "bytes past the two are not examined";
}

TEST(GatewayFrames, TextNamesTheBytes) {
  EXPECT_EQ(gateway::FrameText(gateway::HandshakeFrame1()), " 0x0A 0x08 0x02");
  EXPECT_EQ(gateway::FrameText(gateway::HandshakeFrame3()), " 0x40 0x01");
}

// A link opened on a scripted gateway, recording frames and pauses.
struct PausedLink {
  test::Trace trace;
  test::FakeClock clock;
  test::FakePause pause{&trace};
  test::ScriptedPort port;
  Log log{clock};
  Link link{log, pause, port.Opener()};
  PausedLink() {
    port.trace = &trace;
    port.AnswerLikeGateway();
    link.OpenPort("p");
  }
};

TEST(PauseRule, StandardAndWaitPausesFollowTheDelay) {
  PausedLink rig;
  test::Trace& trace = rig.trace;
  Link& link = rig.link;
  ASSERT_TRUE(link.PortValid());
  for (int delay : {0, 5}) {
    trace.clear();
    link.DelayValue = delay;
    const std::string d = "S " + std::to_string(delay);
    ASSERT_TRUE(link.Send(gateway::LoadPaketSize_SPI(6), " x"));
    ASSERT_TRUE(link.SendWithWait(gateway::FastSendCommand(0x08), 3, " y"));
    ASSERT_TRUE(link.SendWithWait(gateway::FastSendCommand(0x09), 8, " z"));
    EXPECT_EQ(trace, (test::Trace{"W 42 06", "S 1", d, "W 4C 08", "S 3", d, "W 4C 09", "S 8", d}));
  }
}

TEST(PauseRule, AFailedWriteLogsClosesAndDoesNotPause) {
  PausedLink rig;
  test::Trace& trace = rig.trace;
  Link& link = rig.link;
  trace.clear();
  rig.port.fail_write_at = rig.port.writes + 1;
  EXPECT_FALSE(link.Send(gateway::FastSendCommand(0x06), " Increment Address"));
  EXPECT_TRUE(trace.empty());
  EXPECT_FALSE(link.PortValid());
  EXPECT_EQ(rig.log.Lines().back(), "Error executing commands:  Increment Address");
}

// A write the system held up (a busy machine, a full buffer) must not eat
// the chip's time: the pause after a frame counts from when the frame was
// handed to the port, so the next frame never leaves sooner than the wait
// after it, however long the write itself took. Real time, lower bounds
// only: a slower machine makes every gap longer, never shorter.
TEST(PauseRule, AHeldUpWriteNeverShortensTheWaitAfterIt) {
  using Steady = std::chrono::steady_clock;
  const struct {
    int held_ms;  // how long the Begin frame's write was held up
    std::uint32_t wait_ms;
  } rows[] = {{0, 3}, {2, 3}, {6, 3}, {12, 8}};
  for (const auto& r : rows) {
    SCOPED_TRACE(std::to_string(r.held_ms) + " ms held, " + std::to_string(r.wait_ms) + " ms wait");
    test::FakeClock clock;
    RealPause pause;
    test::ScriptedPort port;
    port.AnswerLikeGateway();
    Log log{clock};
    Link link{log, pause, port.Opener()};
    link.OpenPort("p");
    ASSERT_TRUE(link.PortValid());
    const auto answer = port.on_write;
    int hold_ms = 0;
    std::vector<Steady::time_point> began, handed;
    port.on_write = [&](test::ScriptedPort& p, const std::vector<std::uint8_t>& frame) {
      began.push_back(Steady::now());
      if (hold_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(hold_ms));
      handed.push_back(Steady::now());
      answer(p, frame);
    };
    ASSERT_TRUE(link.Send(gateway::LoadPaketSize_SPI(6), " x"));
    hold_ms = r.held_ms;
    ASSERT_TRUE(link.SendWithWait(gateway::FastSendCommand(0x08), r.wait_ms, " Begin Programming"));
    hold_ms = 0;
    ASSERT_TRUE(link.Send(gateway::FastSendCommand(0x06), " Increment Address"));
    ASSERT_EQ(began.size(), 3u);
    const double after_begin = std::chrono::duration<double, std::milli>(began[2] - handed[1]).count();
    const double after_size = std::chrono::duration<double, std::milli>(began[1] - handed[0]).count();
    // 10 us for two clocks' rounding; a pause that counted from before the
    // write would come short by the whole time the write was held.
    EXPECT_GE(after_begin, r.wait_ms - 0.01) << "the chip's time counts from the frame handed over";
    EXPECT_GE(after_size, 0.99);
  }
}

}  // namespace
}  // namespace fw
