#include <windows.h>
#include <timeapi.h>

#include <algorithm>

#include "link/pause.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

// The system's sleep in 100 ns units (ntdll), below every timer API.
extern "C" LONG NTAPI NtDelayExecution(BOOLEAN alertable, PLARGE_INTEGER interval);

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

// What is waited out beyond the lateness seen.
constexpr std::int64_t kMarginNs = 50'000;

// How the pause sleeps: the way that wakes nearest to when it was asked, and
// how late that way wakes on average. Windows 10 1803 and later has a
// high-resolution waitable timer; older systems have none, and their whole
// timer is raised to 1 ms for the life of the program. Wine's waitable
// timers wake no sooner than 1.1 ms whatever is asked, while its
// NtDelayExecution keeps to a tenth of that: which one to take is measured.
struct Waiter {
  HANDLE timer = nullptr;
  bool nt_delay = false;
  std::int64_t lateness_ns = 0;

  // Sleeps until about `wake` by the chosen way; how late it woke.
  std::int64_t SleepUntil(std::int64_t wake) const {
    const std::int64_t now = NowNs();
    LARGE_INTEGER due;
    due.QuadPart = -std::max<std::int64_t>((wake - now) / 100, 1);  // relative, in 100 ns
    if (nt_delay) {
      NtDelayExecution(FALSE, &due);
    } else if (timer != nullptr && SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE)) {
      WaitForSingleObject(timer, INFINITE);
    }
    return NowNs() - wake;
  }

  // The mean lateness of a few short sleeps the current way.
  std::int64_t Measure() const {
    std::int64_t sum = 0;
    constexpr int kTries = 8;
    for (int i = 0; i < kTries; ++i) sum += std::max<std::int64_t>(SleepUntil(NowNs() + 300'000), 0);
    return sum / kTries;
  }
};

}  // namespace

RealPause::RealPause() {
  auto* waiter = new Waiter;
  waiter->timer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
  if (waiter->timer == nullptr) {
    timeBeginPeriod(1);
    waiter->timer = CreateWaitableTimerW(nullptr, TRUE, nullptr);
  }
  const std::int64_t by_timer = waiter->Measure();
  waiter->nt_delay = true;
  const std::int64_t by_delay = waiter->Measure();
  waiter->nt_delay = by_delay < by_timer;
  waiter->lateness_ns = std::min(by_timer, by_delay);
  timer_ = waiter;
  mark_ns_ = NowNs();
}

RealPause::~RealPause() {
  auto* waiter = static_cast<Waiter*>(timer_);
  if (waiter->timer != nullptr) CloseHandle(waiter->timer);
  delete waiter;
}

void RealPause::Start() { mark_ns_ = NowNs(); }

void RealPause::Sleep(std::uint32_t milliseconds) {
  auto* waiter = static_cast<Waiter*>(timer_);
  // A pause never starts before now: a mark left from long ago counts as now.
  const std::int64_t now = NowNs();
  if (mark_ns_ < now - 1'000'000'000) mark_ns_ = now;
  const std::int64_t deadline = mark_ns_ + std::int64_t{milliseconds} * 1'000'000;
  mark_ns_ = deadline;
  // The sleep ends its average lateness early; the rest is waited out. The
  // average follows what is seen, so that a slower moment of the system
  // moves it and one stall is soon forgotten.
  const std::int64_t wake = deadline - waiter->lateness_ns - kMarginNs;
  if (wake > now) {
    const std::int64_t late = std::clamp<std::int64_t>(waiter->SleepUntil(wake), 0, 2'000'000);
    waiter->lateness_ns += (late - waiter->lateness_ns) / 16;
  }
  while (NowNs() < deadline) {
  }
}

}  // namespace fw
