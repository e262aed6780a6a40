#pragma once

// A TCP proxy in front of the test's PostgreSQL server (on its Unix socket)
// that can lose the network in the ways a production line does: drop the
// answer to one chosen statement (the statement reaches the server, its
// answer never comes back, the connection closes), or go silent (the TCP
// connection stays up, nothing more comes through). It reads only what the
// client sends, by the protocol's framing: the startup packet, then a type
// byte and a length per message (the tests connect with sslmode=disable).

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace fw::test {

// A message length as the protocol sends it, from wherever it sits in the
// stream (a plain load would need it aligned).
inline std::uint32_t BigEndian32(const char* at) {
  std::uint32_t value = 0;
  std::memcpy(&value, at, sizeof value);
  return ntohl(value);
}

class PgProxy {
 public:
  enum class Fault { kNone, kDropAnswer, kSilent };

  explicit PgProxy(std::string server_socket) : server_socket_(std::move(server_socket)) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(listener_, 16);
    socklen_t size = sizeof a;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &size);
    port_ = ntohs(a.sin_port);
    accepting_ = std::thread([this] { Accept(); });
  }
  ~PgProxy() {
    done_ = true;
    shutdown(listener_, SHUT_RDWR);
    close(listener_);
    accepting_.join();
    for (std::thread& t : links_) t.join();
  }

  int port() const { return port_; }
  // The next statement whose text holds `statement` loses its answer.
  void DropAnswerTo(const std::string& statement) {
    std::lock_guard<std::mutex> lock(mutex_);
    drop_ = statement;
    fault_ = Fault::kDropAnswer;
  }
  // From now on nothing comes back: the server seems to hang.
  void GoSilent() { fault_ = Fault::kSilent; }
  void Heal() { fault_ = Fault::kNone; }
  int dropped() const { return dropped_; }

 private:
  void Accept() {
    while (!done_) {
      const int client = accept(listener_, nullptr, nullptr);
      if (client < 0) return;
      links_.emplace_back([this, client] { Link(client); });
    }
  }

  // The client's messages, framed: true when one holding the chosen
  // statement has just passed.
  bool Watch(std::string& pending, bool& started) {
    bool hit = false;
    for (;;) {
      if (!started) {
        if (pending.size() < 4) return hit;
        const std::uint32_t length = BigEndian32(pending.data());
        if (pending.size() < length) return hit;
        pending.erase(0, length);
        started = true;
        continue;
      }
      if (pending.size() < 5) return hit;
      const std::uint32_t length = BigEndian32(pending.data() + 1);
      if (pending.size() < 1 + length) return hit;
      const char type = pending[0];
      const std::string body = pending.substr(5, length - 4);
      pending.erase(0, 1 + length);
      std::lock_guard<std::mutex> lock(mutex_);
      if (fault_ == Fault::kDropAnswer && (type == 'Q' || type == 'P') && body.find(drop_) != std::string::npos) {
        fault_ = Fault::kNone;
        hit = true;
      }
    }
  }

  void Link(int client) {
    const int server = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::strncpy(a.sun_path, server_socket_.c_str(), sizeof a.sun_path - 1);
    if (connect(server, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
      close(client);
      close(server);
      return;
    }
    std::string pending;
    bool started = false, drop_from_now = false;
    char buffer[65536];
    while (!done_) {
      pollfd p[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
      if (poll(p, 2, 100) <= 0) continue;
      if (p[0].revents) {
        const ssize_t n = read(client, buffer, sizeof buffer);
        if (n <= 0) break;
        if (fault_ == Fault::kSilent) continue;
        send(server, buffer, static_cast<std::size_t>(n), MSG_NOSIGNAL);
        pending.append(buffer, static_cast<std::size_t>(n));
        if (Watch(pending, started)) drop_from_now = true;
      }
      if (p[1].revents) {
        const ssize_t n = read(server, buffer, sizeof buffer);
        if (n <= 0) break;
        if (fault_ == Fault::kSilent) continue;
        if (drop_from_now) {
          // The server did it; the client never hears so.
          ++dropped_;
          break;
        }
        send(client, buffer, static_cast<std::size_t>(n), MSG_NOSIGNAL);
      }
    }
    close(client);
    close(server);
  }

  std::string server_socket_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> done_{false};
  std::atomic<Fault> fault_{Fault::kNone};
  std::atomic<int> dropped_{0};
  std::mutex mutex_;
  std::string drop_;
  std::thread accepting_;
  std::vector<std::thread> links_;
};

}  // namespace fw::test
