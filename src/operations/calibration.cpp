#include "operations/calibration.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "log/safe_file.h"
#include "platform/platform.h"

namespace fw {

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, separator)) {
    if (!part.empty()) parts.push_back(part);
  }
  return parts;
}

// Four hex digits, nothing else.
std::optional<std::uint16_t> ParseHex4(const std::string& text) {
  if (text.size() != 4) return std::nullopt;
  for (char c : text) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
  }
  return static_cast<std::uint16_t>(std::strtoul(text.c_str(), nullptr, 16));
}

std::optional<std::uint8_t> ParseBandGap(const std::string& text) {
  if (text.size() != 2 || (text[0] != '0' && text[0] != '1') || (text[1] != '0' && text[1] != '1')) {
    return std::nullopt;
  }
  return static_cast<std::uint8_t>((text[0] - '0') * 2 + (text[1] - '0'));
}

// "osccal=34A8 bg=10" or "0x2008=2D4A 0x2009=1234".
std::string ValuesField(const FactoryValues& values) {
  std::string text;
  if (values.osccal) text = "osccal=" + Hex(values.osccal->osccal, 4) + " bg=" + BandGapText(values.osccal->band_gap);
  for (const FactoryValues::Word& w : values.words) {
    text += (text.empty() ? "0x" : " 0x") + Hex(w.address, 4) + "=" + Hex(w.value, 4);
  }
  return text;
}

std::optional<FactoryValues> ParseValuesField(const std::string& text) {
  FactoryValues values;
  std::optional<std::uint16_t> osccal;
  std::optional<std::uint8_t> band_gap;
  for (const std::string& item : Split(text, ' ')) {
    const std::size_t equals = item.find('=');
    if (equals == std::string::npos) return std::nullopt;
    const std::string key = item.substr(0, equals), value = item.substr(equals + 1);
    if (key == "osccal") {
      osccal = ParseHex4(value);
      if (!osccal) return std::nullopt;
    } else if (key == "bg") {
      band_gap = ParseBandGap(value);
      if (!band_gap) return std::nullopt;
    } else {
      const auto address = key.size() == 6 && key.rfind("0x", 0) == 0 ? ParseHex4(key.substr(2)) : std::nullopt;
      const auto word = ParseHex4(value);
      if (!address || !word) return std::nullopt;
      values.words.push_back({*address, *word});
    }
  }
  if (osccal.has_value() != band_gap.has_value()) return std::nullopt;
  if (osccal) values.osccal = OsccalValues{*osccal, *band_gap};
  if (!values.osccal && values.words.empty()) return std::nullopt;
  return values;
}

}  // namespace

std::string BandGapText(std::uint8_t band_gap) {
  return {static_cast<char>('0' + ((band_gap >> 1) & 1)), static_cast<char>('0' + (band_gap & 1))};
}

std::string FactoryValuesText(const FactoryValues& values, std::uint32_t last_word) {
  std::string text;
  if (values.osccal && IsMovlwValue(values.osccal->osccal)) {
    // A baseline part: the value kept, then both copies as they were read.
    text = "OSCCAL = " + Hex(values.osccal->osccal, 4);
    for (std::size_t k = 0; k < values.words.size(); ++k) {
      text += ", 0x" + Hex(values.words[k].address, 4) + " = " + Hex(values.words[k].value, 4) +
              (k == 1 ? " (backup)" : "");
    }
    return text;
  }
  if (values.osccal) {
    text = "0x" + Hex(last_word, 4) + " = " + Hex(values.osccal->osccal, 4) + ", BG bits = " +
           BandGapText(values.osccal->band_gap);
  }
  for (const FactoryValues::Word& w : values.words) {
    text += (text.empty() ? "0x" : ", 0x") + Hex(w.address, 4) + " = " + Hex(w.value, 4);
  }
  return text;
}

std::string OsccalOptions(const OsccalValues& values) {
  if (IsMovlwValue(values.osccal)) return "--osccal 0x" + Hex(values.osccal, 4);
  return "--osccal 0x" + Hex(values.osccal, 4) + " --bg " + BandGapText(values.band_gap);
}

std::optional<OsccalValues> ParseOsccalValues(const std::string& osccal, const std::string& band_gap,
                                              std::string* why) {
  std::string digits = osccal;
  if (digits.rfind("0x", 0) == 0 || digits.rfind("0X", 0) == 0) digits = digits.substr(2);
  const std::optional<std::uint16_t> word = ParseHex4(digits);
  if (!word) {
    if (why) *why = "the OSCCAL value \"" + osccal + "\" is not four hex digits (such as 34A8)";
    return std::nullopt;
  }
  // A baseline part's MOVLW needs no band-gap bits.
  if (IsMovlwValue(*word) && band_gap.empty()) return OsccalValues{*word, 0};
  if (!IsOsccalValue(*word)) {
    if (why) *why = "the OSCCAL value " + Hex(*word, 4) + " is not a RETLW instruction (34xx), so not a calibration value";
    return std::nullopt;
  }
  const std::optional<std::uint8_t> bits = ParseBandGap(band_gap);
  if (!bits) {
    if (why) *why = "the band-gap bits \"" + band_gap + "\" are not two binary digits (such as 10)";
    return std::nullopt;
  }
  return OsccalValues{*word, *bits};
}

void CalibrationRecord::UseDataFolder() {
  std::string why;
  path_ = platform::DataPath("calibration.log", &why);
  unwritable_ = path_.empty() ? why : std::string();
}

bool CalibrationRecord::Append(const CalibrationRecordEntry& entry, std::string* error) const {
  if (!unwritable_.empty()) {
    if (error) *error = unwritable_;
    return false;
  }
  // A device or a FIFO in the record's place would take the line and keep
  // nothing: the values must reach a file.
  if (platform::KindOf(path_) == platform::PathKind::kOther) {
    if (error) *error = path_ + " is not an ordinary file";
    return false;
  }
  const std::string line = entry.time + "\t" + entry.chip + "\t" + (entry.port.empty() ? "-" : entry.port) + "\t" + ValuesField(entry.values) +
                           "\t" + entry.source + "\n";
  return AppendDurably(path_, line, error);
}

std::string CalibrationRecord::NewestText() const {
  // Only an ordinary file, and only its newest lines: a record that is a
  // link to a device or a FIFO, or one grown without end, is never read
  // whole (or waited on).
  if (path_.empty() || platform::KindOf(path_) != platform::PathKind::kFile) return {};
  platform::File file;
  if (!file.Open(path_, platform::File::Mode::kRead, nullptr)) return {};
  const std::uint64_t size = file.Size().value_or(0);
  const std::uint64_t from = size > kReadBound ? size - kReadBound : 0;
  std::string text(static_cast<std::size_t>(size - from), '\0');
  std::size_t done = 0;
  while (done < text.size()) {
    std::size_t got = 0;
    if (!file.ReadAt(from + done, text.data() + done, text.size() - done, &got, nullptr) || got == 0) break;
    done += got;
  }
  text.resize(done);
  // A line cut at the bound's start is not a line.
  if (from > 0) text.erase(0, text.find('\n') == std::string::npos ? text.size() : text.find('\n') + 1);
  return text;
}

std::vector<CalibrationRecordEntry> CalibrationRecord::Entries() const {
  std::vector<CalibrationRecordEntry> entries;
  const std::string text = NewestText();
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::vector<std::string> fields = Split(line, '\t');
    if (fields.size() != 5) continue;
    const std::optional<FactoryValues> values = ParseValuesField(fields[3]);
    if (!values) continue;
    entries.push_back({fields[0], fields[1], fields[2], *values, fields[4]});
  }
  return entries;
}

std::vector<CalibrationRecordEntry> CalibrationRecord::OpenFor(const std::string& chip) const {
  std::vector<CalibrationRecordEntry> open;
  for (const CalibrationRecordEntry& e : Entries()) {
    if (e.chip != chip || !e.values.osccal) continue;
    if (e.source == "closed") {
      std::erase_if(open, [&](const CalibrationRecordEntry& o) { return o.values == e.values; });
    } else if ((e.source == "read" || e.source == "given") && IsAnyOsccalValue(e.values.osccal->osccal)) {
      open.push_back(e);
    }
  }
  std::reverse(open.begin(), open.end());
  return open;
}

std::optional<CalibrationRecordEntry> CalibrationRecord::NewestFor(const std::string& chip) const {
  const std::vector<CalibrationRecordEntry> entries = Entries();
  for (auto e = entries.rbegin(); e != entries.rend(); ++e) {
    if (e->chip == chip && e->values.osccal && IsAnyOsccalValue(e->values.osccal->osccal)) return *e;
  }
  return std::nullopt;
}

std::string CalibrationRecordPath(const char* xdg_data_home, const char* home) {
  const std::string folder = platform::XdgDataFolder(xdg_data_home, home);
  return folder.empty() ? folder : folder + "/calibration.log";
}

}  // namespace fw
