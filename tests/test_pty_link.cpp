// Through a real pseudo-terminal, with real time: the serial device, the
// greeting and a line that drops.

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <chrono>

#include "fakes.h"
#include "link/gateway.h"
#include "link/qt_serial_device.h"
#include "operations/connection.h"
#include "pty_peer.h"

namespace fw {
namespace {

struct RealRig {
  test::FakeClock clock;
  RealPause pause;
  Log log{clock};
  Link link{log, pause, [](const std::string& p) { return OpenQtSerialDevice(p); }};
};

TEST(PtyLink, ConnectsToAnAnsweringPeer) {
  test::PtyPeer peer(test::PtyPeer::Mode::kAnswer);
  ASSERT_FALSE(peer.path().empty());
  RealRig rig;
  ASSERT_TRUE(Connect(rig.link, rig.log, peer.path()));
  EXPECT_EQ(rig.log.Lines(), std::vector<std::string>{"The COM-port is open: " + peer.path()});
  const auto start = std::chrono::steady_clock::now();
  while (peer.Received().size() < 7 && std::chrono::steady_clock::now() - start < std::chrono::seconds(2)) {
  }
  EXPECT_EQ(peer.Received(), (std::vector<unsigned char>{0x0A, 0x08, 0x02, 0x1E, 0x04, 0x40, 0x01}));
}

TEST(PtyLink, OpeningIsExclusive) {
  test::PtyPeer peer(test::PtyPeer::Mode::kAnswer);
  auto first = OpenQtSerialDevice(peer.path());
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(OpenQtSerialDevice(peer.path()), nullptr);
  first.reset();
  EXPECT_NE(OpenQtSerialDevice(peer.path()), nullptr) << "free again once closed";

  RealRig holder, second;
  ASSERT_TRUE(Connect(holder.link, holder.log, peer.path()));
  EXPECT_FALSE(Connect(second.link, second.log, peer.path()));
  EXPECT_EQ(second.log.Lines(), std::vector<std::string>{"Error. The COM-port is not available"});
}

TEST(PtyLink, ASilentPeerFailsAtThePinbAnswer) {
  test::PtyPeer peer(test::PtyPeer::Mode::kSilent);
  RealRig rig;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(Connect(rig.link, rig.log, peer.path()));
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_FALSE(rig.link.PortValid());
  EXPECT_EQ(rig.log.Lines(), std::vector<std::string>{"Error reading the answer (PINB)"});
  EXPECT_GE(took, std::chrono::milliseconds(1000)) << "a thousand polls of at least 1 ms";
}

TEST(PtyLink, APeerThatHangsUpGivesAFailedFrameAndAClosedLink) {
  test::PtyPeer peer(test::PtyPeer::Mode::kAnswer);
  RealRig rig;
  ASSERT_TRUE(Connect(rig.link, rig.log, peer.path()));
  peer.HangUp();
  EXPECT_FALSE(rig.link.Send(gateway::InitStateFrame1(), " set InitState"));
  EXPECT_FALSE(rig.link.PortValid());
  EXPECT_EQ(rig.log.Lines().back(), "Error executing commands:  set InitState");
  EXPECT_FALSE(rig.link.Send(gateway::InitStateFrame2(), " set InitState"));
}

TEST(PtyLink, NonexistentPortIsNotAvailable) {
  RealRig rig;
  EXPECT_FALSE(Connect(rig.link, rig.log, "/dev/flashwright-no-such-port"));
  EXPECT_EQ(rig.log.Lines(), std::vector<std::string>{"Error. The COM-port is not available"});
}

}  // namespace
}  // namespace fw

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
