#include <gtest/gtest.h>

#include "fakes.h"
#include "link/gateway.h"
#include "link/link.h"
#include "operations/connection.h"

namespace fw {
namespace {

using test::Trace;

struct LinkRig {
  Trace trace;
  test::FakeClock clock;
  test::FakePause pause{&trace};
  test::ScriptedPort port;
  Log log{clock};
  Link link{log, pause, port.Opener()};
  LinkRig() {
    port.trace = &trace;
    port.AnswerLikeGateway();
  }
};

TEST(Handshake, FramesAndPausesInOrder) {
  LinkRig rig;
  rig.link.DelayValue = 2;
  EXPECT_TRUE(Connect(rig.link, rig.log, "/dev/ttyUSB3"));
  EXPECT_TRUE(rig.link.PortValid());
  EXPECT_EQ(rig.port.purges, 1);
  // The answer request is read at once; the read's single poll sleeps 1 ms.
  EXPECT_EQ(rig.trace, (Trace{"W 0A 08 02", "S 1", "S 2", "W 1E", "S 1", "S 2", "W 04", "S 1",
                              "W 40 01", "S 1", "S 2"}));
  // The port name as this system names the device (/dev/ttyUSB3 on Linux).
  EXPECT_EQ(rig.log.Lines(), std::vector<std::string>{"The COM-port is open: " + *DevicePathFor("/dev/ttyUSB3")});
}

TEST(Handshake, EachFailingStepLogsItsLineAndCloses) {
  const std::vector<std::string> lines = {
      "Error executing commands:  0x0A 0x08 0x02", "Error executing commands:  0x1E",
      "Error executing commands:  0x04", "Error executing commands:  0x40 0x01"};
  for (int k = 1; k <= 4; ++k) {
    LinkRig rig;
    rig.port.fail_write_at = k;
    EXPECT_FALSE(Connect(rig.link, rig.log, "ttyUSB0"));
    EXPECT_FALSE(rig.link.PortValid());
    EXPECT_EQ(rig.log.Lines(), std::vector<std::string>{lines[k - 1]}) << "step " << k;
    EXPECT_EQ(rig.port.writes, k) << "nothing is sent after the failing frame";
  }
}

TEST(Handshake, NoAnswerByteIsPinbAfterAThousandPolls) {
  LinkRig rig;
  rig.port.on_write = nullptr;
  EXPECT_FALSE(Connect(rig.link, rig.log, "ttyUSB0"));
  EXPECT_FALSE(rig.link.PortValid());
  EXPECT_EQ(rig.log.Lines(), std::vector<std::string>{"Error reading the answer (PINB)"});
  EXPECT_EQ(rig.port.writes, 3);
  EXPECT_EQ(std::count(rig.trace.begin(), rig.trace.end(), "S 1"), 2 + 1000);
}

TEST(Handshake, AnyAnswerValuePasses) {
  LinkRig rig;
  rig.port.on_write = [](test::ScriptedPort& port, const std::vector<std::uint8_t>& frame) {
    if (frame == std::vector<std::uint8_t>{0x04}) port.rx.push_back(0x00);
  };
  EXPECT_TRUE(Connect(rig.link, rig.log, "ttyUSB0"));
}

TEST(OpenPort, DeviceAndParameterFailures) {
  {
    LinkRig rig;
    rig.port.present = false;
    EXPECT_FALSE(Connect(rig.link, rig.log, "COM3"));
    EXPECT_EQ(rig.log.Lines(), std::vector<std::string>{"Error. The COM-port is not available"});
    rig.port.absent_reason = "    the port does not exist: /dev/COM3";
    EXPECT_FALSE(Connect(rig.link, rig.log, "COM3"));
    EXPECT_EQ(rig.log.Lines().back(), rig.port.absent_reason) << "the system's reason follows";
  }
  {
    LinkRig rig;
    rig.port.get_state_ok = false;
    EXPECT_FALSE(Connect(rig.link, rig.log, "COM3"));
    EXPECT_EQ(rig.log.Lines(), std::vector<std::string>{"Error getting the COM-port parameters"});
    EXPECT_EQ(rig.port.writes, 0);
  }
  {
    LinkRig rig;
    rig.port.set_state_ok = false;
    EXPECT_FALSE(Connect(rig.link, rig.log, "COM3"));
    EXPECT_EQ(rig.log.Lines(), std::vector<std::string>{"Error setting the COM-port parameters"});
    EXPECT_FALSE(rig.link.PortValid());
  }
}

TEST(DevicePath, NamesPathsAndTheBufferLimit) {
  constexpr auto kPosix = platform::PortNaming::kPosix;
  EXPECT_EQ(DevicePathFor("ttyUSB0", kPosix), "/dev/ttyUSB0");
  EXPECT_EQ(DevicePathFor("/dev/pts/7", kPosix), "/dev/pts/7");
  EXPECT_EQ(DevicePathFor("demo:PIC16F684", kPosix), "demo:PIC16F684");
  EXPECT_EQ(DevicePathFor("", kPosix), std::nullopt);
  const std::string fits = "/" + std::string(98, 'a');  // 99 characters and the zero
  EXPECT_EQ(DevicePathFor(fits, kPosix), fits);
  EXPECT_EQ(DevicePathFor(fits + "a", kPosix), std::nullopt);
  EXPECT_EQ(DevicePathFor(std::string(94, 'b'), kPosix), "/dev/" + std::string(94, 'b'));
  EXPECT_EQ(DevicePathFor(std::string(95, 'b'), kPosix), std::nullopt);
}

TEST(DevicePath, WindowsNamesInEitherCaseOrAsDevicePaths) {
  constexpr auto kWindows = platform::PortNaming::kWindows;
  const std::pair<const char*, std::optional<std::string>> cases[] = {
      {"COM3", "\\\\.\\COM3"},           {"com3", "\\\\.\\COM3"},
      {"\\\\.\\COM12", "\\\\.\\COM12"}, {"demo:PIC16F630", "demo:PIC16F630"},
      {"", std::nullopt},
  };
  for (const auto& [name, path] : cases) EXPECT_EQ(DevicePathFor(name, kWindows), path) << name;
  EXPECT_EQ(DevicePathFor(std::string(96, 'c'), kWindows), std::nullopt) << "the four characters of \\\\.\\ count";
}

TEST(DevicePath, TooLongANameIsRefusedWithTheNotAvailableLine) {
  LinkRig rig;
  EXPECT_FALSE(Connect(rig.link, rig.log, std::string(200, 'x')));
  EXPECT_EQ(rig.port.opens, 0);
  EXPECT_EQ(rig.log.Lines(), std::vector<std::string>{"Error. The COM-port is not available"});
}

TEST(Disconnect, ClosesAndLogsEvenWhenAlreadyClosed) {
  LinkRig rig;
  Disconnect(rig.link, rig.log);
  ASSERT_TRUE(Connect(rig.link, rig.log, "ttyUSB0"));
  Disconnect(rig.link, rig.log);
  EXPECT_FALSE(rig.link.PortValid());
  EXPECT_EQ(rig.log.Lines(), (std::vector<std::string>{"The COM-port is closed",
                                                       "The COM-port is open: " + *DevicePathFor("ttyUSB0"),
                                                       "The COM-port is closed"}));
  EXPECT_FALSE(rig.link.PortWrite(gateway::HandshakeFrame2())) << "a closed link writes nothing";
}

TEST(PortRead, TakesWhatIsQueuedInOnePoll) {
  LinkRig rig;
  ASSERT_TRUE(Connect(rig.link, rig.log, "ttyUSB0"));
  rig.pause.sleeps.clear();
  rig.port.rx = {1, 2, 3};
  const GatewayAnswer answer = rig.link.PortRead(2);
  EXPECT_EQ(answer.count, 3);
  EXPECT_EQ(answer.bytes[2], 3);
  EXPECT_EQ(rig.pause.sleeps, std::vector<std::uint32_t>{1});
}

TEST(PortRead, NothingGivesZeroAfterAThousandPolls) {
  LinkRig rig;
  ASSERT_TRUE(Connect(rig.link, rig.log, "ttyUSB0"));
  rig.pause.sleeps.clear();
  const GatewayAnswer answer = rig.link.PortRead(1);
  EXPECT_EQ(answer.count, 0);
  EXPECT_EQ(rig.pause.sleeps, std::vector<std::uint32_t>(1000, 1));
}

TEST(PortRead, NeverKeepsMoreThanThirtyTwoBytes) {
  LinkRig rig;
  ASSERT_TRUE(Connect(rig.link, rig.log, "ttyUSB0"));
  for (int i = 0; i < 100; ++i) rig.port.rx.push_back(static_cast<std::uint8_t>(i));
  const GatewayAnswer answer = rig.link.PortRead(2);
  EXPECT_EQ(answer.count, 32);
  EXPECT_EQ(answer.bytes[31], 31);
  EXPECT_TRUE(rig.port.rx.empty()) << "the surplus is read and dropped";
}

TEST(PortRead, CollectsBytesThatArriveOverSeveralPolls) {
  LinkRig rig;
  ASSERT_TRUE(Connect(rig.link, rig.log, "ttyUSB0"));
  // The second byte is late: it is queued while the link sleeps its third poll.
  int polls = 0;
  struct LatePause : Pause {
    test::ScriptedPort& port;
    int& polls;
    LatePause(test::ScriptedPort& p, int& n) : port(p), polls(n) {}
    void Sleep(std::uint32_t) override {
      if (++polls == 3) port.rx.push_back(0xBB);
    }
  } pause{rig.port, polls};
  Link link(rig.log, pause, rig.port.Opener());
  link.OpenPort("x");
  rig.port.rx = {0xAA};
  polls = 0;
  const GatewayAnswer answer = link.PortRead(2);
  EXPECT_EQ(answer.count, 2);
  EXPECT_EQ(answer.bytes[1], 0xBB);
  EXPECT_EQ(polls, 4);
}

TEST(ReadPacket, ShortOrMissingAnswerIsAFailedRead) {
  for (int bytes : {0, 1}) {
    LinkRig rig;
    ASSERT_TRUE(Connect(rig.link, rig.log, "ttyUSB0"));
    rig.port.on_write = [bytes](test::ScriptedPort& port, const std::vector<std::uint8_t>& f) {
      if (f == std::vector<std::uint8_t>{0x4A} && bytes == 1) port.rx.push_back(0x10);
    };
    EXPECT_EQ(rig.link.ReadPacket(" ReadSignPaket_SPI"), std::nullopt);
    EXPECT_FALSE(rig.link.PortValid());
    EXPECT_EQ(rig.log.Lines().back(), "Error reading the answer from GX-0450");
  }
  LinkRig rig;
  rig.port.AnswerLikeGateway(0x3F10);
  ASSERT_TRUE(Connect(rig.link, rig.log, "ttyUSB0"));
  rig.trace.clear();
  EXPECT_EQ(rig.link.ReadPacket(" ReadSignPaket_SPI"), 0x3F10);
  // Standard pause after the request, then the read's single poll.
  EXPECT_EQ(rig.trace, (Trace{"W 4A", "S 1", "S 0", "S 1"}));
  // A stray byte already waiting is dropped, never taken for the answer.
  rig.port.rx.push_back(0x99);
  EXPECT_EQ(rig.link.ReadPacket(" ReadSignPaket_SPI"), 0x3F10);
}

}  // namespace
}  // namespace fw
