#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "log/clock.h"

namespace fw {

// The log catalogue's codes, each named after its fixed words.
enum class LogCode : std::uint32_t {
  kNone = 0,              // "": the text alone
  kPortOpen = 1,          // "The COM-port is open: "
  kPortUnavailable = 2,   // "Error. The COM-port is not available"
  kPortClosed = 3,        // "The COM-port is closed"
  kGetPortParams = 4,     // "Error getting the COM-port parameters"
  kSetPortParams = 5,     // "Error setting the COM-port parameters"
  kCommandError = 6,      // "Error executing commands: "
  kAnswerError = 7,       // "Error reading the answer"
  kLogSaved = 8,          // "Log saved to file: "
  kProgrammer = 9,        // "Selected programmer is: "
  kLoadingProgram = 10,   // "Loading program from file: "
  kLoadingData = 11,      // "Loading data from file: "
  kComplete = 12,         // "Operation complete"
  kWrongFile = 13,        // "Wrong file"
  kNoChip = 14,           // "No chip selected"
  kChipSelected = 15,     // "Selected chip is "
  kSavingProgram = 16,    // "Saving program to file: "
  kSavingData = 17,       // "Saving data to file: "
  kStarted = 18,          // "Trying to"
  kFinished = 19,         // "       Finished"
  kNotForChip = 20,       // "Command is not available for this chip"
  kLoadingAll = 21,       // "Loading program, config and data from file: "
  kLoadingConfig = 22,    // "Loading config from file: "
  kSavingAll = 23,        // "Saving program, config and data to file: "
  kSavingConfig = 24,     // "Saving config to file: "
};

inline constexpr std::uint32_t kLogCodeCount = 25;

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
