// Through a real pseudo-terminal, with real time: the serial device, the
// greeting and a line that drops.

#include <gtest/gtest.h>

#include <asm/termbits.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <thread>

#include "fakes.h"
#include "link/gateway.h"
#include "link/posix_serial_device.h"
#include "operations/connection.h"
#include "pty_peer.h"

namespace fw {
namespace {

struct RealRig {
  test::FakeClock clock;
  RealPause pause;
  Log log{clock};
  Link link{log, pause, [](const std::string& p, std::string* why) { return OpenPosixSerialDevice(p, why); }};
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

TEST(PtyLink, OpeningIsExclusiveWithinAndAcrossProcesses) {
  test::PtyPeer peer(test::PtyPeer::Mode::kAnswer);
  auto first = OpenPosixSerialDevice(peer.path(), nullptr);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(OpenPosixSerialDevice(peer.path(), nullptr), nullptr);
  first.reset();
  EXPECT_NE(OpenPosixSerialDevice(peer.path(), nullptr), nullptr) << "free again once closed";

  RealRig holder, second;
  ASSERT_TRUE(Connect(holder.link, holder.log, peer.path()));
  EXPECT_FALSE(Connect(second.link, second.log, peer.path()));
  EXPECT_EQ(second.log.Lines(), (std::vector<std::string>{"Error. The COM-port is not available",
                                                          "    the port is in use by another program"}));
  holder.link.ClosePort();

  // Another program holds the port (a terminal left open on it), even one
  // that took no lock: root would otherwise open it a second time.
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  if (child == 0) {
    const int fd = open(peer.path().c_str(), O_RDWR | O_NOCTTY);
    (void)!write(ready[1], "x", 1);
    pause();
    _exit(fd < 0);
  }
  char go;
  ASSERT_EQ(read(ready[0], &go, 1), 1);
  RealRig third;
  EXPECT_FALSE(Connect(third.link, third.log, peer.path()));
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  ASSERT_EQ(third.log.Lines().size(), 2u);
  EXPECT_EQ(third.log.Lines()[1].rfind("    the port is in use by another program (", 0), 0u) << third.log.Lines()[1];
  EXPECT_NE(third.log.Lines()[1].find("process " + std::to_string(child)), std::string::npos);
}

TEST(PtyLink, TheSettingsReadBackAndNothingRunsWhileIdle) {
  test::PtyPeer peer(test::PtyPeer::Mode::kAnswer);
  RealRig rig;
  ASSERT_TRUE(Connect(rig.link, rig.log, peer.path()));
  const int fd = open(peer.path().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  termios2 t{};
  ASSERT_EQ(ioctl(fd, TCGETS2, &t), 0);
  close(fd);
  EXPECT_EQ(t.c_ospeed, 250000u);
  EXPECT_EQ(t.c_cflag & (CSIZE | CSTOPB | PARENB | CRTSCTS), unsigned{CS8 | CSTOPB});
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(t.c_iflag & (IXON | ICRNL | ISTRIP), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);

  // Connected and idle when the adapter goes away: nothing spins.
  peer.HangUp();
  timespec start{}, end{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &start);
  std::this_thread::sleep_for(std::chrono::seconds(1));
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &end);
  const double cpu_ms = (end.tv_sec - start.tv_sec) * 1e3 + (end.tv_nsec - start.tv_nsec) / 1e6;
  EXPECT_LT(cpu_ms, 100.0);
  EXPECT_FALSE(rig.link.Send(gateway::InitStateFrame1(), " set InitState"));
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
  EXPECT_EQ(rig.log.Lines(), (std::vector<std::string>{"Error. The COM-port is not available",
                                                       "    the port does not exist: /dev/flashwright-no-such-port"}));
  // A device that is no terminal cannot give its parameters (/dev/full is
  // seldom held open by anyone; when it is, that is what the log says).
  RealRig full;
  EXPECT_FALSE(Connect(full.link, full.log, "/dev/full"));
  if (full.log.Lines().size() == 1) {
    EXPECT_EQ(full.log.Lines(), std::vector<std::string>{"Error getting the COM-port parameters"});
  } else {
    EXPECT_EQ(full.log.Lines()[1].rfind("    the port is in use", 0), 0u);
  }
}

}  // namespace
}  // namespace fw
