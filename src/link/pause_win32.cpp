#include <windows.h>
#include <timeapi.h>

#include "link/pause.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace fw {

namespace {

std::int64_t NowNs() {
  static const std::int64_t frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<std::int64_t>(f.QuadPart);
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  const std::int64_t ticks = now.QuadPart;
  return ticks / frequency * 1'000'000'000 + ticks % frequency * 1'000'000'000 / frequency;
}

// How long before the deadline the sleep hands over to waiting: a
// high-resolution timer overshoots by a few hundred microseconds.
constexpr std::int64_t kWaitOutNs = 500'000;

}  // namespace

RealPause::RealPause() {
  // Windows 10 1803 and later: a timer that keeps its own resolution. Older
  // systems (and Wine before 9) have none; the whole system's timer is then
  // raised to 1 ms for the life of the program.
  timer_ = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
  if (timer_ == nullptr) {
    timeBeginPeriod(1);
    timer_ = CreateWaitableTimerW(nullptr, TRUE, nullptr);
  }
  mark_ns_ = NowNs();
}

RealPause::~RealPause() {
  if (timer_ != nullptr) CloseHandle(timer_);
}

void RealPause::Start() { mark_ns_ = NowNs(); }

void RealPause::Sleep(std::uint32_t milliseconds) {
  // A pause never starts before now: a mark left from long ago counts as now.
  const std::int64_t now = NowNs();
  if (mark_ns_ < now - 1'000'000'000) mark_ns_ = now;
  const std::int64_t deadline = mark_ns_ + std::int64_t{milliseconds} * 1'000'000;
  mark_ns_ = deadline;
  if (deadline - now > kWaitOutNs && timer_ != nullptr) {
    LARGE_INTEGER due;
    due.QuadPart = -((deadline - kWaitOutNs - now) / 100);  // relative, in 100 ns
    if (SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE)) WaitForSingleObject(timer_, INFINITE);
  }
  while (NowNs() < deadline) {
  }
}

}  // namespace fw
