#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fw {

// One chip through one command, as the production record keeps it: one JSON
// object per line (JSON Lines), appended whole and flushed, so that a crash
// never leaves half a line that breaks the next reader.
struct ChipRunRecord {
  std::string time;  // UTC, ISO 8601
  std::string host;
  std::string port;
  std::string command;
  std::string chip;
  std::optional<std::uint16_t> device_id;  // as read, the revision in bits 4:0
  std::string file;
  std::string file_sha256;
  std::optional<std::uint16_t> checksum;
  std::optional<std::uint64_t> serial;
  std::string calibration;  // the values kept, as the log names them
  std::string outcome;      // "done", "failed", "refused", "cancelled", "stopped"
  std::optional<std::uint32_t> failed_at;  // the address a failed verify names
  std::vector<std::string> log;
};

// The record as one line of JSON, with its line break.
std::string RecordLine(const ChipRunRecord& record);
// A line of a record file; nothing when it is not one (a torn or foreign
// line).
std::optional<ChipRunRecord> ParseRecordLine(const std::string& line);

// Appends one record; false with the system's reason in `error`.
bool AppendRecord(const std::string& path, const ChipRunRecord& record, std::string* error);

// The summary of a record file: chips programmed and failed, by chip type
// and by day, the first and last serial number; lines that cannot be read
// are counted. False with the reason in `error` when the file cannot be
// read.
bool ReportRecords(const std::string& path, std::string* report, std::string* error);

}  // namespace fw
