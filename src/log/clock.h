#pragma once

namespace fw {

struct TimeOfDay {
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// The local time of day, behind an interface so that tests can fix it.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual TimeOfDay LocalTime() = 0;
};

class SystemClock final : public Clock {
 public:
  TimeOfDay LocalTime() override;
};

}  // namespace fw
