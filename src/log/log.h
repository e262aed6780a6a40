#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "log/clock.h"

namespace fw {

using LogCode = std::uint32_t;

inline constexpr LogCode kLogCodeCount = 25;

// The catalogue's fixed words for a code, or nullptr for a code above 24.
const char* LogWords(LogCode code);

// The operator log: an append-only list of lines. The Qt pane and the
// terminal only display it.
class Log {
 public:
  explicit Log(Clock& clock) : clock_(clock) {}

  // Appends the catalogue's words for `code` followed by `text`; a code
  // outside the catalogue appends nothing.
  void LogEvent(LogCode code, std::string_view text);
  void LogStartTime();
  void LogEndTime();

  const std::vector<std::string>& Lines() const { return lines_; }

  // Called after every appended line (the GUI pane, the terminal).
  void SetListener(std::function<void(const std::string&)> listener) {
    listener_ = std::move(listener);
  }

 private:
  void Append(std::string line);
  void AppendTime(const char* words);

  Clock& clock_;
  std::vector<std::string> lines_;
  std::function<void(const std::string&)> listener_;
};

}  // namespace fw
