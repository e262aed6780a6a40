#pragma once

#include <cstdint>

namespace fw {

// The pause between gateway frames. Every frame is paced by real sleeps; the
// interface lets tests and the in-process simulator run on a fake clock.
class Pause {
 public:
  virtual ~Pause() = default;
  // Marks the moment the next pauses count from (a frame has just left).
  virtual void Start() {}
  // Waits `milliseconds`: from the mark for the first pause after Start(),
  // from the end of the previous pause for the ones that follow it.
  virtual void Sleep(std::uint32_t milliseconds) = 0;
};

// Real time. Each pause ends at an absolute deadline: it sleeps most of the
// way and waits out the last tens of microseconds, since a 1 ms sleep alone
// overshoots by about 5 percent, which adds up over the tens of thousands
// of pauses of a chip read. No pause is ever shorter than asked.
//
// On Windows a plain Sleep(1) lasts a whole 15.6 ms timer tick: the sleep is
// a high-resolution waitable timer there (timeBeginPeriod(1) where the
// system has none), or the system's own delay where that wakes nearer the
// time asked (Wine).
class RealPause final : public Pause {
 public:
  RealPause();
  ~RealPause() override;
  RealPause(const RealPause&) = delete;
  RealPause& operator=(const RealPause&) = delete;
  void Start() override;
  void Sleep(std::uint32_t milliseconds) override;

 private:
  std::int64_t mark_ns_ = 0;
  void* timer_ = nullptr;  // how the system's sleep is made, where it needs more than the clock
};

}  // namespace fw
