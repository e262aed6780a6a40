#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fw {

// One chip through one command, as the production record keeps it: one JSON
// object per line (JSON Lines), appended whole and flushed, so that a crash
// never leaves half a line that breaks the next reader.
struct ChipRunRecord {
  // The record's own identity (a random UUID), made before it is first
  // sent: a database that has it already keeps one (empty: none).
  std::string id;
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
  // What became of the serial number: "used" (on a chip that passed),
  // "spent" (its place was being written when the chip failed: it may be on
  // the chip, and is never handed out again), "returned" (given back before
  // its place was written), "burned" (not given back, as asked).
  std::string serial_state;
  std::string calibration;  // the values kept, as the log names them
  std::string outcome;      // "done", "failed", "refused", "cancelled", "stopped"
  std::string reason;       // why a chip that did not pass did not, in words
  std::optional<std::uint32_t> failed_at;  // the address a failed verify names
  std::vector<std::string> log;
};

// A new record identity: a random (version 4) UUID in its text form.
std::string NewRecordId();

// The record as one line of JSON, with its line break. Always valid UTF-8:
// a text that is not (a file name in Latin-1) is written with its bad bytes
// as \xNN, and a file name's raw bytes also go to "file_bytes" in hex.
std::string RecordLine(const ChipRunRecord& record);
// A line of a record file; nothing when it is not one (a torn or foreign
// line, a field of the wrong kind, a number out of range), the reason in
// `why`. Keys it does not know are passed over: a later release may add
// fields.
std::optional<ChipRunRecord> ParseRecordLine(const std::string& line, std::string* why = nullptr);

// `text` as valid UTF-8: a byte that starts no UTF-8 sequence becomes the
// four characters \xNN.
std::string ValidUtf8Text(std::string_view text);
// Whether `text` is valid UTF-8 already.
bool IsValidUtf8(std::string_view text);

// Appends one record; false with the system's reason in `error`.
bool AppendRecord(const std::string& path, const ChipRunRecord& record, std::string* error);

// The summary of records: chips programmed and failed (as a station counts
// them: a write that did not end done failed), each outcome, by chip type
// and by day; the lowest and highest serial number, the gaps between them
// and the numbers on more than one chip; lines that cannot be read with
// their numbers and reasons.
// `open`: lines naming the numbers handed out whose outcome never came
// (from a shared database), listed as they are.
std::string ReportText(const std::string& source, const std::vector<std::optional<ChipRunRecord>>& records,
                       const std::vector<std::string>& unreadable, const std::vector<std::string>& open = {});
// The same for a record file. False with the reason in `error` when the
// file cannot be read.
bool ReportRecords(const std::string& path, std::string* report, std::string* error);

}  // namespace fw
