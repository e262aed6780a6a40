#pragma once

// A scripted gateway on the master side of a pseudo-terminal, for the tests
// that go through the real serial device and real time.

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace fw::test {

class PtyPeer {
 public:
  enum class Mode { kAnswer, kSilent };

  explicit PtyPeer(Mode mode);
  ~PtyPeer();

  const std::string& path() const { return path_; }
  // Closes the master: the line drops.
  void HangUp();
  std::vector<unsigned char> Received();

 private:
  void Serve();

  Mode mode_;
  int master_ = -1;
  std::string path_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::vector<unsigned char> received_;
  std::atomic<bool> hung_up_{false};
};

}  // namespace fw::test
