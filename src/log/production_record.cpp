#include "log/production_record.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

#include "log/safe_file.h"

namespace fw {

namespace {

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

template <typename T>
std::string NumberOrNull(const std::optional<T>& value) {
  return value ? std::to_string(*value) : "null";
}

// The little of JSON a record holds: an object of strings, numbers, null
// and arrays of strings. Anything else makes the line unreadable.
class Reader {
 public:
  explicit Reader(const std::string& text) : t_(text) {}

  bool Object(ChipRunRecord* r) {
    if (!Take('{')) return false;
    if (Take('}')) return AtEnd();
    do {
      std::string key;
      if (!String(&key) || !Take(':')) return false;
      if (!Field(key, r)) return false;
    } while (Take(','));
    return Take('}') && AtEnd();
  }

 private:
  void Space() {
    while (i_ < t_.size() && (t_[i_] == ' ' || t_[i_] == '\t' || t_[i_] == '\r' || t_[i_] == '\n')) ++i_;
  }
  bool Take(char c) {
    Space();
    if (i_ < t_.size() && t_[i_] == c) {
      ++i_;
      return true;
    }
    return false;
  }
  bool AtEnd() {
    Space();
    return i_ == t_.size();
  }
  bool String(std::string* out) {
    if (!Take('"')) return false;
    out->clear();
    while (i_ < t_.size() && t_[i_] != '"') {
      char c = t_[i_++];
      if (c == '\\') {
        if (i_ >= t_.size()) return false;
        const char e = t_[i_++];
        if (e == 'n') c = '\n';
        else if (e == 'r') c = '\r';
        else if (e == 't') c = '\t';
        else if (e == 'u') {
          if (i_ + 4 > t_.size()) return false;
          const unsigned long code = std::strtoul(t_.substr(i_, 4).c_str(), nullptr, 16);
          i_ += 4;
          if (code >= 0x80) return false;  // the writer escapes control characters only
          c = static_cast<char>(code);
        } else {
          c = e;
        }
      }
      out->push_back(c);
    }
    return Take('"');
  }
  // A number or null.
  bool Number(std::optional<std::uint64_t>* out) {
    Space();
    if (t_.compare(i_, 4, "null") == 0) {
      i_ += 4;
      out->reset();
      return true;
    }
    const std::size_t start = i_;
    while (i_ < t_.size() && t_[i_] >= '0' && t_[i_] <= '9') ++i_;
    if (i_ == start) return false;
    *out = std::strtoull(t_.substr(start, i_ - start).c_str(), nullptr, 10);
    return true;
  }
  bool Field(const std::string& key, ChipRunRecord* r) {
    std::string* text = key == "time"          ? &r->time
                        : key == "host"        ? &r->host
                        : key == "port"        ? &r->port
                        : key == "command"     ? &r->command
                        : key == "chip"        ? &r->chip
                        : key == "file"        ? &r->file
                        : key == "file_sha256" ? &r->file_sha256
                        : key == "calibration" ? &r->calibration
                        : key == "outcome"     ? &r->outcome
                                               : nullptr;
    if (text != nullptr) return String(text);
    if (key == "log") {
      if (!Take('[')) return false;
      if (Take(']')) return true;
      do {
        std::string line;
        if (!String(&line)) return false;
        r->log.push_back(line);
      } while (Take(','));
      return Take(']');
    }
    std::optional<std::uint64_t> number;
    if (!Number(&number)) return false;
    if (key == "device_id") r->device_id = number ? std::optional<std::uint16_t>(*number) : std::nullopt;
    if (key == "checksum") r->checksum = number ? std::optional<std::uint16_t>(*number) : std::nullopt;
    if (key == "serial") r->serial = number;
    if (key == "failed_at") r->failed_at = number ? std::optional<std::uint32_t>(*number) : std::nullopt;
    return true;
  }

  const std::string& t_;
  std::size_t i_ = 0;
};

}  // namespace

std::string RecordLine(const ChipRunRecord& r) {
  std::string line = "{\"time\":" + Quoted(r.time) + ",\"host\":" + Quoted(r.host) + ",\"port\":" + Quoted(r.port) +
                     ",\"command\":" + Quoted(r.command) + ",\"chip\":" + Quoted(r.chip) +
                     ",\"device_id\":" + NumberOrNull(r.device_id) + ",\"file\":" + Quoted(r.file) +
                     ",\"file_sha256\":" + Quoted(r.file_sha256) + ",\"checksum\":" + NumberOrNull(r.checksum) +
                     ",\"serial\":" + NumberOrNull(r.serial) + ",\"calibration\":" + Quoted(r.calibration) +
                     ",\"outcome\":" + Quoted(r.outcome) + ",\"failed_at\":" + NumberOrNull(r.failed_at) +
                     ",\"log\":[";
  for (std::size_t i = 0; i < r.log.size(); ++i) line += (i ? "," : "") + Quoted(r.log[i]);
  return line + "]}\n";
}

std::optional<ChipRunRecord> ParseRecordLine(const std::string& line) {
  ChipRunRecord record;
  Reader reader(line);
  if (!reader.Object(&record) || record.outcome.empty()) return std::nullopt;
  return record;
}

bool AppendRecord(const std::string& path, const ChipRunRecord& record, std::string* error) {
  return AppendDurably(path, RecordLine(record), error);
}

bool ReportRecords(const std::string& path, std::string* report, std::string* error) {
  std::string text;
  if (!ReadWholeFile(path, &text, error)) return false;
  struct Count {
    int programmed = 0, failed = 0, other = 0;
  };
  Count all;
  std::map<std::string, Count> by_chip, by_day;
  std::optional<std::uint64_t> first_serial, last_serial;
  int lines = 0, unreadable = 0;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    ++lines;
    const std::optional<ChipRunRecord> r = ParseRecordLine(line);
    if (!r) {
      ++unreadable;
      continue;
    }
    // A chip programmed is a write that ended done; a failed one a write
    // that failed or stopped. Reads and the like are counted apart.
    const bool write = r->command == "write";
    auto add = [&](Count& c) {
      if (write && r->outcome == "done") ++c.programmed;
      else if (write && (r->outcome == "failed" || r->outcome == "stopped")) ++c.failed;
      else ++c.other;
    };
    add(all);
    add(by_chip[r->chip]);
    add(by_day[r->time.substr(0, 10)]);
    if (write && r->outcome == "done" && r->serial) {
      if (!first_serial) first_serial = r->serial;
      last_serial = r->serial;
    }
  }
  auto counts = [](const Count& c) {
    return std::to_string(c.programmed) + " programmed, " + std::to_string(c.failed) + " failed" +
           (c.other ? ", " + std::to_string(c.other) + " other" : "");
  };
  std::string out = "record: " + path + " (" + std::to_string(lines) + " lines" +
                    (unreadable ? ", " + std::to_string(unreadable) + " unreadable" : "") + ")\n";
  out += "chips: " + counts(all) + "\n";
  for (const auto& [chip, c] : by_chip) out += "  " + chip + ": " + counts(c) + "\n";
  out += "by day:\n";
  for (const auto& [day, c] : by_day) out += "  " + day + ": " + counts(c) + "\n";
  out += first_serial ? "serial numbers: first " + std::to_string(*first_serial) + ", last " +
                            std::to_string(*last_serial) + "\n"
                      : "serial numbers: none\n";
  *report = out;
  return true;
}

}  // namespace fw
