#include "files/hex_file.h"

#include <vector>

namespace fw {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The lines of a text ending in CR LF, LF or CR; an empty last line is not
// a line.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = start;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
    lines.push_back(text.substr(start, end - start));
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') {
      ++end;
    }
    start = end + 1;
  }
  return lines;
}

bool Blank(std::string_view line) {
  for (char c : line) {
    if (c != ' ' && c != '\t') return false;
  }
  return true;
}

// One record at its fixed character positions (0-based here: the count at
// 1, the offset at 3, the type at 7, the data from 9).
class Record {
 public:
  explicit Record(std::string_view line) : line_(line) {}

  // The byte whose two digits start at `pos`, or -1 when the line is too
  // short there or a digit is not hexadecimal.
  int Byte(std::size_t pos) const {
    if (pos + 1 >= line_.size()) return -1;
    const int hi = HexDigit(line_[pos]), lo = HexDigit(line_[pos + 1]);
    return hi < 0 || lo < 0 ? -1 : hi * 16 + lo;
  }
  // Whether the bytes from `pos` up to `end` (exclusive) can all be read.
  bool Readable(std::size_t pos, std::size_t end) const {
    for (; pos < end; pos += 2) {
      if (Byte(pos) < 0) return false;
    }
    return true;
  }

 private:
  std::string_view line_;
};

struct Areas {
  std::uint64_t program, config_base, config_size, data_base, data_size;
};

}  // namespace

HexReading ParseHex(std::string_view text, FileSection section, const ChipRecord& chip,
                    Images& images, const ProgressSink& progress) {
  HexReading reading;
  const Areas areas{chip.ProgramSize, 2ull * chip.ConfigBase, chip.ConfigSize,
                    2ull * chip.DataBase, chip.DataSize};
  auto in_some_area = [&](std::uint64_t a) {
    return a < areas.program || (a >= areas.config_base && a < areas.config_base + areas.config_size) ||
           (a >= areas.data_base && a < areas.data_base + 2 * areas.data_size);
  };
  // A configuration or data load takes its section from the section's place
  // in the chip's address space when the file has any byte there; the bytes
  // from address 0 are held aside until the end shows which layout it is.
  const bool config_section = section == sectConfig;
  const std::uint64_t section_base = config_section ? areas.config_base : areas.data_base;
  const std::uint64_t section_bytes = config_section ? areas.config_size : 2 * areas.data_size;
  std::vector<std::int16_t> from_zero;
  if (section == sectConfig || section == sectData) from_zero.assign(section_bytes, -1);
  bool at_chip_address = false;
  auto put_section = [&](std::uint64_t offset, std::uint8_t byte) {
    if (config_section) {
      images.ConfigImage[offset] = byte;
      reading.config_words_set.set(offset / 2);
    } else if (offset % 2 == 0) {
      // Odd bytes of the EEPROM's words are dropped by design.
      images.DataImage[offset / 2] = byte;
    }
  };
  // Where data byte at absolute address `a` goes; false when it lies outside
  // every area of the chip.
  auto store = [&](std::uint64_t a, std::uint8_t byte) {
    switch (section) {
      case sectAll:
        if (a < areas.program) {
          images.ProgramImage[a] = byte;
        } else if (a >= areas.config_base && a < areas.config_base + areas.config_size) {
          images.ConfigImage[a - areas.config_base] = byte;
          reading.config_words_set.set((a - areas.config_base) / 2);
        } else if (a >= areas.data_base && a < areas.data_base + 2 * areas.data_size) {
          if (a % 2 == 0) images.DataImage[(a - areas.data_base) / 2] = byte;
        } else {
          return false;
        }
        return true;
      case sectProgram:
        if (a >= areas.program) return false;
        images.ProgramImage[a] = byte;
        return true;
      case sectData:
      case sectConfig:
        if (a >= section_base && a < section_base + section_bytes) {
          put_section(a - section_base, byte);
          at_chip_address = true;
          return true;
        }
        if (a < section_bytes) {
          from_zero[a] = byte;
          return true;
        }
        if (!in_some_area(a)) return false;
        ++reading.passed_over;
        return true;
    }
    return false;
  };

  const std::vector<std::string_view> lines = SplitLines(text);
  const std::uint64_t count = lines.size();
  // Both bases are added together, in 64 bits: no record can wrap around
  // into low addresses.
  std::uint64_t segment_base = 0, linear_base = 0;
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::string_view line = lines[i];
    if (!Blank(line)) {
      const Record record(line);
      const int n = record.Byte(1), off_hi = record.Byte(3), off_lo = record.Byte(5),
                type = record.Byte(7);
      if (n < 0 || off_hi < 0 || off_lo < 0 || type < 0) {
        reading.wrong_file = " (bad record in line " + std::to_string(i + 1) + ")";
        break;
      }
      const std::uint64_t offset = static_cast<std::uint64_t>(off_hi) * 256 + off_lo;
      if (type == 0x03) {
        reading.wrong_file = " (from 8086/80186)";
        break;
      }
      if (type == 0x05) {
        reading.wrong_file = " (from 80386)";
        break;
      }
      if (type != 0x00 && type != 0x01 && type != 0x02 && type != 0x04) {
        reading.wrong_file = " (unknown format)";
        break;
      }
      // The whole record, checksum included, must be there; the base
      // records' value is read from the data's place whatever the count.
      const std::size_t record_end = 9 + 2 * static_cast<std::size_t>(n) + 2;
      const std::size_t needed = (type == 0x02 || type == 0x04) && record_end < 13 ? 13 : record_end;
      if (!record.Readable(9, needed)) {
        reading.wrong_file = " (bad record in line " + std::to_string(i + 1) + ")";
        break;
      }
      unsigned sum = static_cast<unsigned>(n + off_hi + off_lo + type);
      for (int j = 0; j <= n; ++j) sum += static_cast<unsigned>(record.Byte(9 + 2 * j));
      if ((sum & 0xFF) != 0) {
        if (reading.bad_checksums++ == 0) reading.first_bad_checksum_line = i + 1;
      }
      if (type == 0x01) {
        reading.end_record = true;
        break;
      }
      if (type == 0x00) {
        for (int j = 0; j < n; ++j) {
          const std::uint64_t a = linear_base + segment_base + offset + static_cast<std::uint64_t>(j);
          if (!store(a, static_cast<std::uint8_t>(record.Byte(9 + 2 * j)))) ++reading.dropped_bytes;
        }
      } else {
        const std::uint64_t value =
            static_cast<std::uint64_t>(record.Byte(9)) * 256 + static_cast<std::uint64_t>(record.Byte(11));
        if (type == 0x02) segment_base = value * 16;
        if (type == 0x04) linear_base = value * 65536;
      }
    }
    if (i % 1024 == 0 && progress) progress(static_cast<int>((i + 1) * 100 / count));
  }
  std::uint64_t held = 0;
  for (std::int16_t b : from_zero) held += b >= 0;
  if (at_chip_address) {
    reading.layout = SectionLayout::kChipAddresses;
    reading.passed_over += held;
  } else if (held > 0) {
    reading.layout = SectionLayout::kFromZero;
    for (std::uint64_t k = 0; k < from_zero.size(); ++k) {
      if (from_zero[k] >= 0) put_section(k, static_cast<std::uint8_t>(from_zero[k]));
    }
  }
  return reading;
}

namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

class HexOut {
 public:
  explicit HexOut(std::string& out) : out_(out) {}

  void Byte(std::uint8_t b) {
    out_ += kDigits[b >> 4];
    out_ += kDigits[b & 0xF];
  }
  void Linear(std::uint64_t address) {
    const auto hi = static_cast<std::uint8_t>((address >> 24) & 0xFF);
    const auto lo = static_cast<std::uint8_t>((address >> 16) & 0xFF);
    out_ += ":02000004";
    Byte(hi);
    Byte(lo);
    Byte(static_cast<std::uint8_t>(256 - ((2 + 4 + hi + lo) & 0xFF)));
    out_ += "\r\n";
  }
  // Data bytes gather into a record that starts at `address` and is closed
  // at the next multiple of 8, or at the end of its section with its true
  // byte count.
  void Data(std::uint64_t address, std::uint8_t b) {
    if (pending_.empty()) start_ = address;
    pending_.push_back(b);
  }
  void Close() {
    if (pending_.empty()) return;
    const auto hi = static_cast<std::uint8_t>((start_ >> 8) & 0xFF);
    const auto lo = static_cast<std::uint8_t>(start_ & 0xFF);
    const auto n = static_cast<std::uint8_t>(pending_.size());
    unsigned sum = n + hi + lo;
    out_ += ':';
    Byte(n);
    Byte(hi);
    Byte(lo);
    out_ += "00";
    for (std::uint8_t b : pending_) {
      Byte(b);
      sum += b;
    }
    Byte(static_cast<std::uint8_t>((256 - (sum & 0xFF)) & 0xFF));
    out_ += "\r\n";
    pending_.clear();
  }

 private:
  std::string& out_;
  std::vector<std::uint8_t> pending_;
  std::uint64_t start_ = 0;
};

}  // namespace

std::string FormatHex(FileSection section, const ChipRecord& chip, const Images& images,
                      const ProgressSink& progress) {
  struct Part {
    const std::vector<std::uint8_t>* image;
    std::uint64_t base;
    std::uint32_t length;
    int stride;
    bool linear_records;
  };
  const Part program{&images.ProgramImage, 0, chip.ProgramSize, 1, true};
  const Part config_all{&images.ConfigImage, 2ull * chip.ConfigBase, chip.ConfigSize, 1, true};
  const Part data_all{&images.DataImage, 2ull * chip.DataBase, chip.DataSize, 2, true};
  std::vector<Part> parts;
  switch (section) {
    case sectAll: parts = {program, config_all, data_all}; break;
    case sectProgram: parts = {program}; break;
    case sectData: parts = {{&images.DataImage, 0, chip.DataSize, 2, false}}; break;
    case sectConfig: parts = {{&images.ConfigImage, 0, chip.ConfigSize, 1, false}}; break;
  }
  std::string text;
  HexOut out(text);
  for (const Part& part : parts) {
    for (std::uint32_t i = 0; i < part.length; ++i) {
      const std::uint64_t a = part.base + std::uint64_t{i} * part.stride;
      if (part.linear_records && a % 65536 == 0) {
        out.Close();
        out.Linear(a);
      }
      if (a % 8 == 0) out.Close();
      out.Data(a, (*part.image)[i]);
      if (part.stride == 2) out.Data(a + 1, 0x00);
      if ((a + part.stride) % 8 == 0) out.Close();
      if (i % 1024 == 0 && progress) progress(static_cast<int>((std::uint64_t{i} + 1) * 100 / part.length));
    }
    out.Close();
  }
  text += ":00000001FF";
  return text;
}

}  // namespace fw
