#pragma once

#include <string>

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
  // The moment in UTC as ISO 8601, "2026-12-09T10:15:02Z": for records that
  // are read on other machines and days.
  virtual std::string UtcTimestamp() { return "1970-01-01T00:00:00Z"; }
};

class SystemClock final : public Clock {
 public:
  TimeOfDay LocalTime() override;
  std::string UtcTimestamp() override;
};

}  // namespace fw
