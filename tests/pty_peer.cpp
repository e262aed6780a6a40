#include "pty_peer.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <mutex>

namespace fw::test {

namespace {
std::mutex received_mutex;
}

PtyPeer::PtyPeer(Mode mode) : mode_(mode) {
  int slave = -1;
  char name[128] = {};
  if (openpty(&master_, &slave, name, nullptr, nullptr) != 0) return;
  termios raw{};
  tcgetattr(slave, &raw);
  cfmakeraw(&raw);
  tcsetattr(slave, TCSANOW, &raw);
  path_ = name;
  // Keeping no slave descriptor of our own lets a hang-up reach the client.
  close(slave);
  thread_ = std::thread([this] { Serve(); });
}

PtyPeer::~PtyPeer() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  HangUp();
}

void PtyPeer::HangUp() {
  if (hung_up_.exchange(true)) return;
  stop_ = true;
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
  if (master_ >= 0) close(master_);
  master_ = -1;
}

std::vector<unsigned char> PtyPeer::Received() {
  std::lock_guard<std::mutex> lock(received_mutex);
  return received_;
}

void PtyPeer::Serve() {
  // Frame lengths of the greeting; an answer request is answered with one byte.
  size_t pending = 0;
  while (!stop_) {
    pollfd p{master_, POLLIN, 0};
    if (poll(&p, 1, 20) <= 0) continue;
    if (p.revents & (POLLHUP | POLLERR)) {
      // No client has the slave open (yet, or any more).
      usleep(2000);
      continue;
    }
    unsigned char buffer[256];
    const ssize_t n = read(master_, buffer, sizeof buffer);
    if (n <= 0) continue;
    std::lock_guard<std::mutex> lock(received_mutex);
    for (ssize_t i = 0; i < n; ++i) {
      const unsigned char b = buffer[i];
      received_.push_back(b);
      if (pending > 0) {
        --pending;
        continue;
      }
      switch (b) {
        case 0x0A: pending = 2; break;
        case 0x40: pending = 1; break;
        case 0x04:
          if (mode_ == Mode::kAnswer) {
            const unsigned char answer = 0x33;
            (void)!write(master_, &answer, 1);
          }
          break;
        default: break;
      }
    }
  }
}

}  // namespace fw::test
