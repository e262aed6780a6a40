#include "sim/virtual_chip.h"

#include <algorithm>
#include <cstdio>

// How the virtual chip judges a programming cycle's time from when its
// frames arrived: what the arrivals show, what they may hide, and what is
// excused.

namespace fw::sim {

void VirtualChip::EndCycle(std::uint64_t end_us) {
  Cycle cycle = *cycle_;
  cycle_.reset();
  cycle.end_us = end_us;
  cycle.end_sent_us = static_cast<std::int64_t>(end_us);
  if (lateness_us_ == 0) {
    if (GivenItsTime(cycle)) Complete(cycle);
    return;
  }
  ended_ = cycle;
}

void VirtualChip::Settle() {
  if (!ended_) return;
  const Cycle cycle = *ended_;
  ended_.reset();
  if (GivenItsTime(cycle)) Complete(cycle);
}

bool VirtualChip::GivenItsTime(const Cycle& c) {
  ++cycles_judged_;
  const std::uint64_t given = c.end_us - c.started_us;  // as the frames arrived
  // The frames after the end, sent at least 1 ms apart, may show that the
  // end frame itself came late: then the cycle was shorter than it looked.
  const auto held = static_cast<std::uint64_t>(static_cast<std::int64_t>(c.end_us) - c.end_sent_us);
  // Begin to end as sent, as far as the arrivals show; an excuse moves the
  // start back only to tell whether the cycle may have been long enough,
  // never whether it ran too long.
  const std::int64_t shown = static_cast<std::int64_t>(given) - static_cast<std::int64_t>(held);
  // A late Begin frame may be the client's own slowness, so its excuse is
  // bounded; but a delay that held the end back too was the terminal's, and
  // what it shows is not counted against that bound: the cycle is never
  // taken as more than the bound longer than it came.
  const std::uint64_t excuse = std::min<std::uint64_t>(c.excuse_us, std::uint64_t{lateness_us_} + held);
  const bool long_enough = shown + static_cast<std::int64_t>(excuse) + jitter_us_ >= c.min_us;
  const bool short_enough = c.max_us == 0 || shown <= std::int64_t{c.max_us} + jitter_us_;
  const std::uint64_t effective = static_cast<std::uint64_t>(std::max<std::int64_t>(shown, 0));
  char text[240];
  if (timing_log_) {
    std::snprintf(text, sizeof text,
                  "timing: command 0x%02X at 0x%04X: %llu us as it came, %u us excused, needs %u us, %llu us held",
                  c.command, c.pc, static_cast<unsigned long long>(given), static_cast<unsigned>(excuse), c.min_us,
                  static_cast<unsigned long long>(held));
    excuses_.push_back(text);
  }
  if (long_enough && short_enough) {
    if (effective < c.min_us) {
      const auto short_by = static_cast<std::uint32_t>(c.min_us - effective);
      largest_excuse_us_ = std::max(largest_excuse_us_, short_by);
      std::snprintf(text, sizeof text, "excused: command 0x%02X at 0x%04X took %llu us where the chip needs %u us: %u us short, %s",
                    c.command, c.pc, static_cast<unsigned long long>(effective), c.min_us, short_by,
                    short_by <= jitter_us_ ? "within the timestamps' jitter" : c.why.c_str());
      excuses_.push_back(text);
    }
    return true;
  }
  std::snprintf(text, sizeof text,
                "command 0x%02X at 0x%04X %s: %llu us where the chip needs %s%u us; it had no effect",
                c.command, c.pc, long_enough ? "ended too late" : "cut short",
                static_cast<unsigned long long>(effective), long_enough ? "at most " : "",
                long_enough ? c.max_us : c.min_us);
  Note(text);
  return false;
}

void VirtualChip::FrameArrives(std::uint64_t now_us, Frame frame, bool with_previous) {
  std::copy_backward(recent_frames_us_.begin(), recent_frames_us_.end() - 1, recent_frames_us_.end());
  std::copy_backward(recent_with_previous_.begin(), recent_with_previous_.end() - 1, recent_with_previous_.end());
  recent_frames_us_[0] = now_us;
  recent_with_previous_[0] = with_previous;
  ++frames_seen_;
  if (ended_) {
    // The k-th frame after the end was sent at least k ms after it (so the
    // end, held back with the frames after it, may even have been sent
    // before the cycle's Begin frame arrived).
    const int k = ++ended_->frames_after;
    ended_->end_sent_us =
        std::min(ended_->end_sent_us, static_cast<std::int64_t>(now_us) - std::int64_t{1000} * k);
    // Frames that keep coming bunched may still show more; a frame that came
    // on its own, or the eighth, tells. A read or the power switched cannot
    // wait.
    const bool bunched = BunchedAt(0);
    if ((k >= 2 && !bunched) || k >= 8 || frame == Frame::kRead || frame == Frame::kLines) Settle();
  }
  // Only what is clocked on the lines reaches the chip; the power switched
  // ends a cycle too.
  if (!cycle_ || frame == Frame::kNoClock) return;
  if (External(*cycle_)) {
    if (frame == Frame::kLines) return;  // Vpp removed: abandoned there
    // Only End Programming may come; a command or packet says which.
    if (frame == Frame::kRead) {
      AbandonExternal("a read came before End Programming");
      cycle_.reset();
    }
    return;
  }
  EndCycle(now_us);
}

std::uint32_t VirtualChip::Lateness(std::string* why) const {
  if (lateness_us_ == 0) return 0;
  // Of frames that came bunched, the frame before them is taken as
  // delivered on time, and the newest as sent no earlier than 1 ms per frame
  // after it.
  const std::size_t known = std::min(frames_seen_, recent_frames_us_.size());
  std::size_t j = 1;
  while (j < known && BunchedAt(j - 1)) ++j;
  std::uint64_t late = 0;
  if (j < known) {
    const std::uint64_t span = recent_frames_us_[0] - recent_frames_us_[j];
    if (span > 1000 * j) late = span - 1000 * j;
  }
  if (late == 0) return 0;
  char text[120];
  if (j == 1) {
    std::snprintf(text, sizeof text, "excused as its Begin frame came %llu us after the frame before it",
                  static_cast<unsigned long long>(late + 1000));
  } else {
    std::snprintf(text, sizeof text, "excused as its Begin frame came bunched with the %zu frames before it", j - 1);
  }
  *why = text;
  // Bounded when the cycle is judged (see GivenItsTime).
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(late, UINT32_MAX));
}

}  // namespace fw::sim
