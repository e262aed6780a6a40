#include "production/production_record.h"

#include <algorithm>
#include <cctype>
#include <random>
#include <limits>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "log/hex.h"
#include "log/safe_file.h"

namespace fw {

namespace {

using Json = nlohmann::ordered_json;

// The length of the UTF-8 sequence at text[i], or 0 where none starts
// (overlong forms, surrogates and values past U+10FFFF included).
std::size_t Utf8Length(std::string_view text, std::size_t i) {
  const auto c = static_cast<unsigned char>(text[i]);
  if (c < 0x80) return 1;
  std::size_t n = 0;
  std::uint32_t code = 0;
  if (c >= 0xC2 && c <= 0xDF) n = 2, code = c & 0x1F;
  else if (c >= 0xE0 && c <= 0xEF) n = 3, code = c & 0x0F;
  else if (c >= 0xF0 && c <= 0xF4) n = 4, code = c & 0x07;
  else return 0;
  if (i + n > text.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    const auto d = static_cast<unsigned char>(text[i + k]);
    if ((d & 0xC0) != 0x80) return 0;
    code = code << 6 | (d & 0x3F);
  }
  if ((n == 3 && code < 0x800) || (n == 4 && code < 0x10000) || code > 0x10FFFF ||
      (code >= 0xD800 && code <= 0xDFFF)) {
    return 0;
  }
  return n;
}

bool ValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = Utf8Length(text, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

// The text with every byte that starts no UTF-8 sequence written as \xNN.
std::string Printable(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = Utf8Length(text, i);
    if (n == 0) {
      out += "\\x" + Hex(static_cast<unsigned char>(text[i]), 2);
      ++i;
    } else {
      out.append(text.substr(i, n));
      i += n;
    }
  }
  return out;
}

std::string HexBytes(std::string_view bytes) {
  std::string out;
  for (const unsigned char c : bytes) out += Hex(c, 2);
  return out;
}

std::optional<std::string> FromHexBytes(const std::string& hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string out;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    unsigned value = 0;
    for (std::size_t k = i; k < i + 2; ++k) {
      const char c = hex[k];
      const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
      if (digit < 0) return std::nullopt;
      value = value << 4 | static_cast<unsigned>(digit);
    }
    out.push_back(static_cast<char>(value));
  }
  return out;
}

template <typename T>
Json NumberOrNull(const std::optional<T>& value) {
  return value ? Json(*value) : Json(nullptr);
}

// Reads the fields of a record object, stopping at the first that is not
// what the record writes there.
class FieldReader {
 public:
  explicit FieldReader(const Json& object) : o_(object) {}

  bool Text(const char* key, std::string* out) {
    const auto it = o_.find(key);
    if (it == o_.end() || it->is_null()) return true;
    if (!it->is_string()) return Refuse(std::string(key) + " is not a text");
    *out = it->get<std::string>();
    return true;
  }
  template <typename T>
  bool Number(const char* key, std::optional<T>* out) {
    const auto it = o_.find(key);
    if (it == o_.end() || it->is_null()) return true;
    if (it->is_number_unsigned() && it->get<std::uint64_t>() <= std::numeric_limits<T>::max()) {
      *out = static_cast<T>(it->get<std::uint64_t>());
      return true;
    }
    if (it->is_number()) return Refuse(std::string(key) + " " + it->dump() + " is out of range");
    return Refuse(std::string(key) + " is not a number");
  }
  bool Lines(const char* key, std::vector<std::string>* out) {
    const auto it = o_.find(key);
    if (it == o_.end() || it->is_null()) return true;
    if (!it->is_array()) return Refuse(std::string(key) + " is not a list");
    for (const Json& line : *it) {
      if (!line.is_string()) return Refuse(std::string(key) + " holds something other than text");
      out->push_back(line.get<std::string>());
    }
    return true;
  }
  const std::string& why() const { return why_; }

 private:
  bool Refuse(std::string why) {
    why_ = std::move(why);
    return false;
  }
  const Json& o_;
  std::string why_;
};

}  // namespace

std::string ValidUtf8Text(std::string_view text) { return Printable(text); }
bool IsValidUtf8(std::string_view text) { return ValidUtf8(text); }

std::string NewRecordId() {
  std::random_device random;
  std::uint8_t bytes[16];
  for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(random() & 0xFF);
  bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
  bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);  // the RFC 4122 variant
  std::string id;
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) id += '-';
    id += Hex(bytes[i], 2);
  }
  for (char& c : id) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return id;
}

std::string RecordLine(const ChipRunRecord& r) {
  Json o;
  if (!r.id.empty()) o["id"] = Printable(r.id);
  o["time"] = Printable(r.time);
  o["host"] = Printable(r.host);
  o["port"] = Printable(r.port);
  o["command"] = Printable(r.command);
  o["chip"] = Printable(r.chip);
  o["device_id"] = NumberOrNull(r.device_id);
  o["file"] = Printable(r.file);
  if (!ValidUtf8(r.file)) o["file_bytes"] = HexBytes(r.file);
  o["file_sha256"] = r.file_sha256;
  o["checksum"] = NumberOrNull(r.checksum);
  o["serial"] = NumberOrNull(r.serial);
  if (!r.serial_state.empty()) o["serial_state"] = r.serial_state;
  o["calibration"] = Printable(r.calibration);
  o["outcome"] = r.outcome;
  if (!r.reason.empty()) o["reason"] = Printable(r.reason);
  o["failed_at"] = NumberOrNull(r.failed_at);
  Json lines = Json::array();
  for (const std::string& line : r.log) lines.push_back(Printable(line));
  o["log"] = std::move(lines);
  return o.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::optional<ChipRunRecord> ParseRecordLine(const std::string& line, std::string* why) {
  auto refuse = [&](std::string text) {
    if (why != nullptr) *why = std::move(text);
    return std::nullopt;
  };
  const Json o = Json::parse(line, nullptr, false);
  if (o.is_discarded()) return refuse("not JSON (torn or foreign)");
  if (!o.is_object()) return refuse("not a record object");
  ChipRunRecord r;
  FieldReader f(o);
  std::string file_bytes;
  const bool read = f.Text("id", &r.id) && f.Text("time", &r.time) && f.Text("host", &r.host) && f.Text("port", &r.port) &&
                    f.Text("command", &r.command) && f.Text("chip", &r.chip) && f.Number("device_id", &r.device_id) &&
                    f.Text("file", &r.file) && f.Text("file_bytes", &file_bytes) &&
                    f.Text("file_sha256", &r.file_sha256) && f.Number("checksum", &r.checksum) &&
                    f.Number("serial", &r.serial) && f.Text("serial_state", &r.serial_state) &&
                    f.Text("calibration", &r.calibration) && f.Text("outcome", &r.outcome) &&
                    f.Text("reason", &r.reason) && f.Number("failed_at", &r.failed_at) && f.Lines("log", &r.log);
  if (!read) return refuse(f.why());
  if (r.outcome.empty()) return refuse("no outcome");
  if (!file_bytes.empty()) {
    const std::optional<std::string> raw = FromHexBytes(file_bytes);
    if (!raw) return refuse("file_bytes is not hex");
    r.file = *raw;
  }
  return r;
}

bool AppendRecord(const std::string& path, const ChipRunRecord& record, std::string* error) {
  return AppendDurably(path, RecordLine(record), error);
}

namespace {

// Serial numbers listed a few at a time: "1003, 1007-1009".
std::string Ranges(const std::vector<std::pair<std::uint64_t, std::uint64_t>>& ranges, std::size_t most = 20) {
  std::string out;
  for (std::size_t i = 0; i < ranges.size() && i < most; ++i) {
    out += (i ? ", " : "") + std::to_string(ranges[i].first) +
           (ranges[i].second != ranges[i].first ? "-" + std::to_string(ranges[i].second) : "");
  }
  if (ranges.size() > most) out += ", ... (" + std::to_string(ranges.size()) + " in all)";
  return out;
}

}  // namespace

std::string ReportText(const std::string& source, const std::vector<std::optional<ChipRunRecord>>& records,
                       const std::vector<std::string>& unreadable, const std::vector<std::string>& open) {
  struct Count {
    int programmed = 0, failed = 0, other = 0;
    std::map<std::string, int> outcomes;  // of the writes that failed
  };
  Count all;
  std::map<std::string, Count> by_chip, by_day;
  std::map<std::uint64_t, int> on_chips;  // serial number: chips that passed with it
  std::vector<std::uint64_t> spent;
  for (const auto& r : records) {
    if (!r) continue;
    // A write that ended done programmed a chip; any other write failed
    // one, as the station counts it. Reads and the like are counted apart.
    const bool write = r->command == "write";
    auto add = [&](Count& c) {
      if (write && r->outcome == "done") {
        ++c.programmed;
      } else if (write) {
        ++c.failed;
        ++c.outcomes[r->outcome];
      } else {
        ++c.other;
      }
    };
    add(all);
    add(by_chip[r->chip]);
    add(by_day[r->time.substr(0, 10)]);
    if (write && r->serial && r->outcome == "done") ++on_chips[*r->serial];
    if (write && r->serial && r->serial_state == "spent") spent.push_back(*r->serial);
  }
  auto counts = [](const Count& c) {
    std::string text = std::to_string(c.programmed) + " programmed, " + std::to_string(c.failed) + " failed";
    // Beside "failed", the outcomes are named when they differ.
    if (!c.outcomes.empty() && !(c.outcomes.size() == 1 && c.outcomes.begin()->first == "failed")) {
      text += " (";
      bool first = true;
      for (const auto& [outcome, n] : c.outcomes) {
        text += (first ? "" : ", ") + outcome + " " + std::to_string(n);
        first = false;
      }
      text += ")";
    }
    return text + (c.other ? ", " + std::to_string(c.other) + " other" : "");
  };
  std::string out = "record: " + source + " (" + std::to_string(records.size()) + " lines" +
                    (unreadable.empty() ? "" : ", " + std::to_string(unreadable.size()) + " unreadable") + ")\n";
  for (std::size_t i = 0; i < unreadable.size() && i < 10; ++i) out += "  unreadable " + unreadable[i] + "\n";
  out += "chips: " + counts(all) + "\n";
  for (const auto& [chip, c] : by_chip) out += "  " + chip + ": " + counts(c) + "\n";
  out += "by day:\n";
  for (const auto& [day, c] : by_day) out += "  " + day + ": " + counts(c) + "\n";
  if (on_chips.empty()) {
    out += "serial numbers: none\n";
  } else {
    const std::uint64_t lowest = on_chips.begin()->first, highest = on_chips.rbegin()->first;
    out += "serial numbers: lowest " + std::to_string(lowest) + ", highest " + std::to_string(highest) + ", " +
           std::to_string(on_chips.size()) + " on chips that passed\n";
    // The step is the smallest distance between two numbers used; a gap is
    // a number of that step between lowest and highest on no chip that
    // passed (numbers spent on failed chips are named apart).
    std::uint64_t step = 0;
    for (auto it = std::next(on_chips.begin()); it != on_chips.end(); ++it) {
      const std::uint64_t d = it->first - std::prev(it)->first;
      if (step == 0 || d < step) step = d;
    }
    std::vector<std::pair<std::uint64_t, std::uint64_t>> gaps, twice;
    for (auto it = on_chips.begin(); it != on_chips.end(); ++it) {
      if (it->second > 1) twice.push_back({it->first, it->first});
      const auto next = std::next(it);
      if (next != on_chips.end() && next->first - it->first > step) {
        gaps.push_back({it->first + step, next->first - step});
      }
    }
    if (!gaps.empty()) out += "  gaps (step " + std::to_string(step) + "): " + Ranges(gaps) + "\n";
    if (!twice.empty()) out += "  on more than one chip: " + Ranges(twice) + "\n";
    if (gaps.empty() && twice.empty()) out += "  no gaps, none on two chips\n";
  }
  if (!spent.empty()) {
    std::sort(spent.begin(), spent.end());
    std::vector<std::pair<std::uint64_t, std::uint64_t>> list;
    for (const std::uint64_t s : spent) list.push_back({s, s});
    out += "  spent on chips that failed (erase or scrap them): " + Ranges(list) + "\n";
  }
  if (!open.empty()) {
    out += "  handed out, outcome never came (a station stopped or lost its connection while writing):\n";
    for (const std::string& line : open) out += "    " + line + "\n";
  }
  return out;
}

bool ReportRecords(const std::string& path, std::string* report, std::string* error) {
  std::string text;
  if (!ReadWholeFile(path, &text, error)) return false;
  std::vector<std::optional<ChipRunRecord>> records;
  std::vector<std::string> unreadable;
  std::istringstream in(text);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (line.empty()) continue;
    std::string why;
    records.push_back(ParseRecordLine(line, &why));
    if (!records.back()) unreadable.push_back("line " + std::to_string(number) + ": " + why);
  }
  *report = ReportText(path, records, unreadable);
  return true;
}

}  // namespace fw
