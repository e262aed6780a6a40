#pragma once

#include <cstdint>

namespace fw {

// The pause between gateway frames. Every frame is paced by real sleeps; the
// interface lets tests and the in-process simulator run on a fake clock.
class Pause {
 public:
  virtual ~Pause() = default;
  virtual void Sleep(std::uint32_t milliseconds) = 0;
};

// Sleeps on the calling thread. On Linux it first narrows the thread's timer
// slack to 1 ns: with the default 50 us slack a 1 ms sleep overshoots by about
// 7 percent, which adds up over the tens of thousands of pauses of a chip read.
class RealPause final : public Pause {
 public:
  RealPause();
  void Sleep(std::uint32_t milliseconds) override;
};

}  // namespace fw
