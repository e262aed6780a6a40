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
  // A baseline part's configuration word, at its own place in files (word
  // 0xFFF) away from the user IDs; 0: none.
  std::uint64_t config_word = 0;
};

// What of the configuration a full-chip file holds at the configuration
// base: everything, or for a baseline part the four user IDs alone (its
// backup OSCCAL is the chip's own, never a file's).
std::uint64_t ConfigBytesInFiles(const ChipRecord& chip) { return chip.Baseline() ? 8 : chip.ConfigSize; }
constexpr std::uint64_t kBaselineConfigWordByte = 2 * 0x0FFF;

// Where the records' bytes go for one section of one chip, and what the
// reading found.
class HexLoader {
 public:
  HexLoader(FileSection section, const ChipRecord& chip, Images& images)
      : section_(section),
        images_(images),
        areas_{chip.ProgramSize, 2ull * chip.ConfigBase, ConfigBytesInFiles(chip), 2ull * chip.DataBase, chip.DataSize,
               chip.Baseline() ? kBaselineConfigWordByte : 0},
        config_section_(section == sectConfig),
        section_base_(config_section_ ? areas_.config_base : areas_.data_base),
        section_bytes_(config_section_ ? areas_.config_size : 2 * areas_.data_size) {
    // A configuration or data load takes its section from the section's
    // place in the chip's address space when the file has any byte there;
    // the bytes from address 0 are held aside until the end shows which
    // layout it is.
    if (section == sectConfig || section == sectData) from_zero_.assign(section_bytes_, -1);
  }

  // Reads line `number` (from 1); false when the reading stops there (the
  // end record, or a line that makes it the wrong file).
  bool Line(std::string_view line, std::uint64_t number);
  // The layout of a section load, once every record is read.
  HexReading Finish();

 private:
  bool WrongFile(std::string text) {
    reading_.wrong_file = std::move(text);
    return false;
  }
  bool InSomeArea(std::uint64_t a) const {
    return a < areas_.program || (a >= areas_.config_base && a < areas_.config_base + areas_.config_size) ||
           (a >= areas_.data_base && a < areas_.data_base + 2 * areas_.data_size) ||
           (areas_.config_word != 0 && a >= areas_.config_word && a < areas_.config_word + 2);
  }
  void PutSection(std::uint64_t offset, std::uint8_t byte);
  // Where data byte at absolute address `a` goes; false when it lies
  // outside every area of the chip.
  bool Store(std::uint64_t a, std::uint8_t byte);
  bool StoreAll(std::uint64_t a, std::uint8_t byte);

  FileSection section_;
  Images& images_;
  const Areas areas_;
  const bool config_section_;
  const std::uint64_t section_base_, section_bytes_;
  std::vector<std::int16_t> from_zero_;
  bool at_chip_address_ = false;
  // Both bases are added together, in 64 bits: no record can wrap around
  // into low addresses.
  std::uint64_t segment_base_ = 0, linear_base_ = 0;
  HexReading reading_;
};

void HexLoader::PutSection(std::uint64_t offset, std::uint8_t byte) {
  if (config_section_) {
    images_.ConfigImage[offset] = byte;
    reading_.config_words_set.set(offset / 2);
  } else if (offset % 2 == 0) {
    // Odd bytes of the EEPROM's words are dropped by design.
    images_.DataImage[offset / 2] = byte;
  }
}

bool HexLoader::StoreAll(std::uint64_t a, std::uint8_t byte) {
  if (a < areas_.program) {
    images_.ProgramImage[a] = byte;
  } else if (a >= areas_.config_base && a < areas_.config_base + areas_.config_size) {
    images_.ConfigImage[a - areas_.config_base] = byte;
    reading_.config_words_set.set((a - areas_.config_base) / 2);
  } else if (a >= areas_.data_base && a < areas_.data_base + 2 * areas_.data_size) {
    if (a % 2 == 0) images_.DataImage[(a - areas_.data_base) / 2] = byte;
  } else if (areas_.config_word != 0 && a >= areas_.config_word && a < areas_.config_word + 2) {
    images_.ConfigImage[14 + (a - areas_.config_word)] = byte;
    reading_.config_words_set.set(7);
  } else {
    return false;
  }
  return true;
}

bool HexLoader::Store(std::uint64_t a, std::uint8_t byte) {
  switch (section_) {
    case sectAll:
      return StoreAll(a, byte);
    case sectProgram:
      if (a >= areas_.program) return false;
      images_.ProgramImage[a] = byte;
      return true;
    case sectData:
    case sectConfig:
      if (a >= section_base_ && a < section_base_ + section_bytes_) {
        PutSection(a - section_base_, byte);
        at_chip_address_ = true;
        return true;
      }
      if (a < section_bytes_) {
        from_zero_[a] = byte;
        return true;
      }
      if (!InSomeArea(a)) return false;
      ++reading_.passed_over;
      return true;
  }
  return false;
}

bool HexLoader::Line(std::string_view line, std::uint64_t number) {
  if (Blank(line)) return true;
  const Record record(line);
  const int n = record.Byte(1), off_hi = record.Byte(3), off_lo = record.Byte(5), type = record.Byte(7);
  const std::string bad_record = " (bad record in line " + std::to_string(number) + ")";
  if (n < 0 || off_hi < 0 || off_lo < 0 || type < 0) return WrongFile(bad_record);
  const std::uint64_t offset = static_cast<std::uint64_t>(off_hi) * 256 + off_lo;
  if (type == 0x03) return WrongFile(" (from 8086/80186)");
  if (type == 0x05) return WrongFile(" (from 80386)");
  if (type != 0x00 && type != 0x01 && type != 0x02 && type != 0x04) return WrongFile(" (unknown format)");
  // The whole record, checksum included, must be there; the base records'
  // value is read from the data's place whatever the count.
  const std::size_t record_end = 9 + 2 * static_cast<std::size_t>(n) + 2;
  const std::size_t needed = (type == 0x02 || type == 0x04) && record_end < 13 ? 13 : record_end;
  if (!record.Readable(9, needed)) return WrongFile(bad_record);
  unsigned sum = static_cast<unsigned>(n + off_hi + off_lo + type);
  for (int j = 0; j <= n; ++j) sum += static_cast<unsigned>(record.Byte(9 + 2 * j));
  if ((sum & 0xFF) != 0 && reading_.bad_checksums++ == 0) reading_.first_bad_checksum_line = number;
  if (type == 0x01) {
    reading_.end_record = true;
    return false;
  }
  if (type == 0x00) {
    for (int j = 0; j < n; ++j) {
      const std::uint64_t a = linear_base_ + segment_base_ + offset + static_cast<std::uint64_t>(j);
      if (!Store(a, static_cast<std::uint8_t>(record.Byte(9 + 2 * j)))) ++reading_.dropped_bytes;
    }
    return true;
  }
  const std::uint64_t value =
      static_cast<std::uint64_t>(record.Byte(9)) * 256 + static_cast<std::uint64_t>(record.Byte(11));
  if (type == 0x02) segment_base_ = value * 16;
  if (type == 0x04) linear_base_ = value * 65536;
  return true;
}

HexReading HexLoader::Finish() {
  std::uint64_t held = 0;
  for (std::int16_t b : from_zero_) held += b >= 0;
  if (at_chip_address_) {
    reading_.layout = SectionLayout::kChipAddresses;
    reading_.passed_over += held;
  } else if (held > 0) {
    reading_.layout = SectionLayout::kFromZero;
    for (std::uint64_t k = 0; k < from_zero_.size(); ++k) {
      if (from_zero_[k] >= 0) PutSection(k, static_cast<std::uint8_t>(from_zero_[k]));
    }
  }
  return reading_;
}

}  // namespace

HexReading ParseHex(std::string_view text, FileSection section, const ChipRecord& chip,
                    Images& images, const ProgressSink& progress) {
  HexLoader loader(section, chip, images);
  const std::vector<std::string_view> lines = SplitLines(text);
  const std::uint64_t count = lines.size();
  for (std::uint64_t i = 0; i < count; ++i) {
    if (!loader.Line(lines[i], i + 1)) break;
    if (i % 1024 == 0 && progress) progress(static_cast<int>((i + 1) * 100 / count));
  }
  return loader.Finish();
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
    std::uint32_t from = 0;  // the first image byte
  };
  const Part program{&images.ProgramImage, 0, chip.ProgramSize, 1, true};
  const Part config_all{&images.ConfigImage, 2ull * chip.ConfigBase,
                        static_cast<std::uint32_t>(ConfigBytesInFiles(chip)), 1, true};
  const Part data_all{&images.DataImage, 2ull * chip.DataBase, chip.DataSize, 2, true};
  std::vector<Part> parts;
  switch (section) {
    case sectAll:
      parts = {program, config_all, data_all};
      // The baseline configuration word's place in files.
      if (chip.Baseline()) parts.push_back({&images.ConfigImage, kBaselineConfigWordByte, 2, 1, true, 14});
      break;
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
      out.Data(a, (*part.image)[part.from + i]);
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
