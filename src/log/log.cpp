#include "log/log.h"

#include <ctime>

#include "platform/platform.h"

namespace fw {

namespace {

constexpr const char* kCatalogue[kLogCodeCount] = {
    "",
    "The COM-port is open: ",
    "Error. The COM-port is not available",
    "The COM-port is closed",
    "Error getting the COM-port parameters",
    "Error setting the COM-port parameters",
    "Error executing commands: ",
    "Error reading the answer",
    "Log saved to file: ",
    "Selected programmer is: ",
    "Loading program from file: ",
    "Loading data from file: ",
    "Operation complete",
    "Wrong file",
    "No chip selected",
    "Selected chip is ",
    "Saving program to file: ",
    "Saving data to file: ",
    "Trying to",
    "       Finished",
    "Command is not available for this chip",
    "Loading program, config and data from file: ",
    "Loading config from file: ",
    "Saving program, config and data to file: ",
    "Saving config to file: ",
};

}  // namespace

TimeOfDay SystemClock::LocalTime() {
  const std::tm parts = platform::LocalTime(std::time(nullptr));
  return {parts.tm_hour, parts.tm_min, parts.tm_sec};
}

std::string SystemClock::UtcTimestamp() {
  const std::tm parts = platform::UtcTime(std::time(nullptr));
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
  return text;
}

const char* LogWords(LogCode code) {
  const auto index = static_cast<std::uint32_t>(code);
  return index < kLogCodeCount ? kCatalogue[index] : nullptr;
}

void Log::LogEvent(LogCode code, std::string_view text) {
  const char* words = LogWords(code);
  if (words == nullptr) return;
  std::string line(words);
  line.append(text);
  Append(std::move(line));
}

void Log::LogStartTime() { AppendTime("Start time: "); }
void Log::LogEndTime() { AppendTime("End time: "); }

void Log::AppendTime(const char* words) {
  const TimeOfDay t = clock_.LocalTime();
  Append(std::string(words) + std::to_string(t.hour) + ":" + std::to_string(t.minute) + ":" +
         std::to_string(t.second));
}

void Log::Append(std::string line) {
  lines_.push_back(std::move(line));
  if (listener_) listener_(lines_.back());
}

}  // namespace fw
