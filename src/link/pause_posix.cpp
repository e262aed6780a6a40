#include "link/pause.h"

#include <cerrno>
#include <ctime>

#include <sys/prctl.h>

namespace fw {

namespace {

std::int64_t NowNs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return std::int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec;
}

// How long before the deadline the sleep hands over to waiting: more than a
// sleep's usual overshoot on these machines.
constexpr std::int64_t kWaitOutNs = 120'000;

}  // namespace

RealPause::RealPause() {
  // With the default 50 us slack a sleep ends later still.
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  mark_ns_ = NowNs();
}

RealPause::~RealPause() = default;

void RealPause::Start() { mark_ns_ = NowNs(); }

void RealPause::Sleep(std::uint32_t milliseconds) {
  // A pause never starts before now: a mark left from long ago counts as now.
  const std::int64_t now = NowNs();
  if (mark_ns_ < now - 1'000'000'000) mark_ns_ = now;
  const std::int64_t deadline = mark_ns_ + std::int64_t{milliseconds} * 1'000'000;
  mark_ns_ = deadline;
  if (deadline - now > kWaitOutNs) {
    const std::int64_t wake = deadline - kWaitOutNs;
    timespec at{static_cast<time_t>(wake / 1'000'000'000), static_cast<long>(wake % 1'000'000'000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
    }
  }
  while (NowNs() < deadline) {
  }
}

}  // namespace fw
