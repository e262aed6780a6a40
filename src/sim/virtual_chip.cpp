#include "sim/virtual_chip.h"

#include <algorithm>
#include <cstdio>

namespace fw::sim {

namespace {

// ICSP command codes, as Microchip documents them for these parts.
constexpr std::uint8_t kLoadConfiguration = 0x00;
constexpr std::uint8_t kLoadDataProgram = 0x02;
constexpr std::uint8_t kLoadDataData = 0x03;
constexpr std::uint8_t kReadDataProgram = 0x04;
constexpr std::uint8_t kReadDataData = 0x05;
constexpr std::uint8_t kIncrementAddress = 0x06;
constexpr std::uint8_t kBeginProgrammingInt = 0x08;
constexpr std::uint8_t kBulkEraseProgram = 0x09;
constexpr std::uint8_t kEndProgramming = 0x0A;
constexpr std::uint8_t kBulkEraseData = 0x0B;
constexpr std::uint8_t kBeginProgrammingExt = 0x18;

constexpr std::uint16_t kF629Osccal = 0x34A8;        // RETLW 0xA8
constexpr std::uint16_t kF629ConfigFactory = 0x2FFF;  // band-gap bits 13:12 = 10
constexpr std::uint32_t kConfigWord = 7;
constexpr std::uint32_t kDeviceIdCell = 6;
constexpr std::uint32_t kRevisionCell = 5;  // PIC16F753 only

bool Contains(const std::vector<std::uint32_t>& cells, std::uint32_t offset) {
  return std::find(cells.begin(), cells.end(), offset) != cells.end();
}

}  // namespace

VirtualChip::VirtualChip(const ChipEntry& entry, std::uint8_t revision)
    : entry_(entry),
      silicon_(SiliconOf(entry)),
      program_(entry.ProgramSize / 2, 0x3FFF),
      config_(entry.ConfigSize / 2, 0x3FFF),
      data_(entry.DataSize, 0xFF) {
  // The PIC16F753's device ID is one exact word; its revision lives in a
  // word of its own at offset 5 (0x2xxx).
  device_id_ = entry.Family == ChipFamily::F753
                   ? entry.IdWord
                   : static_cast<std::uint16_t>((entry.IdWord & 0x3FE0) | (revision & 0x1F));
  revision_word_ = static_cast<std::uint16_t>(0x2000 | (revision & 0x1F));

  if (entry.Family == ChipFamily::F629) {
    program_.back() = kF629Osccal;
    config_[kConfigWord] = kF629ConfigFactory;
  }
  for (std::size_t k = 0; k < silicon_.calibration_words.size(); ++k) {
    config_.at(silicon_.calibration_words[k]) = silicon_.calibration_values.at(k);
  }
}

void VirtualChip::EnterProgrammingMode() {
  if (cycle_) AbandonExternal("programming mode entered again");
  programming_ = true;
  pc_ = 0;
  latch_ = Latch::kNone;
  pending_data_command_.reset();
  cycle_.reset();
}

void VirtualChip::LeaveProgrammingMode() {
  if (cycle_) AbandonExternal("Vpp removed");
  programming_ = false;
  pc_ = 0;
  latch_ = Latch::kNone;
  pending_data_command_.reset();
  cycle_.reset();
}

bool VirtualChip::CodeProtected() const {
  return silicon_.cp_bit >= 0 && config_.size() > kConfigWord &&
         ((config_[kConfigWord] >> silicon_.cp_bit) & 1) == 0;
}

bool VirtualChip::DataProtected() const {
  return silicon_.cpd_bit >= 0 && config_.size() > kConfigWord &&
         ((config_[kConfigWord] >> silicon_.cpd_bit) & 1) == 0;
}

bool VirtualChip::GivenItsTime(const Cycle& c, std::uint64_t end_us) {
  const std::uint64_t given = end_us - c.started_us;
  const bool long_enough = given + jitter_us_ >= c.min_us;
  const bool short_enough = c.max_us == 0 || given <= std::uint64_t{c.max_us} + jitter_us_;
  if (long_enough && short_enough) return true;
  char text[200];
  std::snprintf(text, sizeof text,
                "command 0x%02X at 0x%04X %s: %llu us where the chip needs %s%u us; it had no effect",
                c.command, c.pc, long_enough ? "ended too late" : "cut short",
                static_cast<unsigned long long>(given), long_enough ? "at most " : "",
                long_enough ? c.max_us : c.min_us);
  Note(text);
  return false;
}

void VirtualChip::FrameArrives(std::uint64_t now_us) {
  for (std::size_t k = recent_frames_us_.size() - 1; k > 0; --k) recent_frames_us_[k] = recent_frames_us_[k - 1];
  recent_frames_us_[0] = now_us;
  ++frames_seen_;
  if (!cycle_) return;
  if (External(*cycle_)) {
    // Only End Programming may follow: this frame must be it.
    if (!cycle_->next_frame_us) {
      cycle_->next_frame_us = now_us;
    } else {
      AbandonExternal("another frame came before End Programming");
      cycle_.reset();
    }
    return;
  }
  const Cycle cycle = *cycle_;
  cycle_.reset();
  if (GivenItsTime(cycle, now_us)) Complete(cycle);
}

void VirtualChip::AbandonExternal(const char* why) {
  if (!cycle_ || !External(*cycle_)) return;
  char text[160];
  std::snprintf(text, sizeof text,
                "Begin Programming (ext) at 0x%04X not ended by End Programming (%s); it had no "
                "effect",
                cycle_->pc, why);
  Note(text);
}

void VirtualChip::Command(std::uint8_t code, std::uint64_t now_us) {
  if (!programming_) return;  // not powered for programming: the chip hears nothing
  if (cycle_ && External(*cycle_)) {
    if (code == kEndProgramming && cycle_->next_frame_us) {
      const Cycle cycle = *cycle_;
      cycle_.reset();
      if (GivenItsTime(cycle, *cycle.next_frame_us)) Complete(cycle);
      return;
    }
    AbandonExternal("another command came first");
    cycle_.reset();
  }
  if (pending_data_command_) {
    Note("a command arrived while a data packet was expected");
    pending_data_command_.reset();
  }
  switch (code) {
    case kLoadConfiguration:
    case kLoadDataProgram:
    case kLoadDataData:
    case kReadDataProgram:
    case kReadDataData:
      pending_data_command_ = code;
      break;
    case kIncrementAddress: {
      const std::uint32_t space = entry_.ConfigBase;  // both spaces are this size
      if (pc_ < space) {
        pc_ = (pc_ + 1) % space;
      } else {
        pc_ = space + (pc_ - space + 1) % space;
      }
      break;
    }
    case kBeginProgrammingInt:
    case kBeginProgrammingExt:
    case kBulkEraseProgram:
    case kBulkEraseData:
      StartCycle(code, now_us);
      break;
    case kEndProgramming:
      break;
    default: {
      char text[64];
      std::snprintf(text, sizeof text, "unknown ICSP command 0x%02X ignored", code);
      Note(text);
      break;
    }
  }
}

std::uint64_t VirtualChip::EarliestSent(std::uint64_t now_us, std::uint32_t min_us) const {
  if (lateness_us_ == 0) return now_us;
  // The frame j back came at recent_frames_us_[j], and at least j ms passed
  // between their sending: anything beyond that is this frame's own
  // lateness. Frames that came closer together than that were held back on
  // the way and handed on together; this one may have been too, by an
  // amount no arrival shows: it is given up to all but the 1 ms that must in
  // any case follow it.
  std::uint64_t late = 0;
  bool bunched = false;
  const std::size_t known = std::min(frames_seen_, recent_frames_us_.size());
  for (std::size_t j = 1; j < known; ++j) {
    const std::uint64_t earliest = recent_frames_us_[j] + 1000 * j;
    if (now_us > earliest) late = std::max(late, now_us - earliest);
    if (now_us < earliest) bunched = true;
  }
  if (bunched && min_us > 1000) late = std::max<std::uint64_t>(late, min_us - 1000);
  return now_us - std::min<std::uint64_t>(late, lateness_us_);
}

void VirtualChip::StartCycle(std::uint8_t command, std::uint64_t now_us) {
  Cycle c{command, now_us, silicon_.erase_us, 0, pc_, latch_, latch_value_, false, std::nullopt};
  if (command == kBulkEraseProgram || command == kBulkEraseData) {
    c.loaded_blank = latch_ == Latch::kProgram && latch_value_ == 0x3FFF;
    c.started_us = EarliestSent(now_us, c.min_us);
    cycle_ = c;
    return;
  }
  // Begin Programming: what it programs is what the last Load named.
  if (latch_ == Latch::kNone) {
    Note("Begin Programming without a Load before it; ignored");
    return;
  }
  latch_ = Latch::kNone;
  const bool config = c.latch == Latch::kProgram && pc_ >= entry_.ConfigBase;
  if (command == kBeginProgrammingInt) {
    c.min_us = c.latch == Latch::kData ? silicon_.data_int_us
               : config                ? silicon_.config_int_us
                                       : silicon_.program_int_us;
  } else {
    c.min_us = silicon_.ext_min_us;
    c.max_us = silicon_.ext_max_us;
    if (config && silicon_.ext_config_refused && c.min_us != 0) {
      Note("Begin Programming (ext) on a configuration word is not allowed on this chip; ignored");
      return;
    }
  }
  if (c.min_us == 0) {
    char text[96];
    std::snprintf(text, sizeof text, "Begin Programming (%s) is not a command of this chip; ignored",
                  command == kBeginProgrammingInt ? "int" : "ext");
    Note(text);
    return;
  }
  c.started_us = EarliestSent(now_us, c.min_us);
  cycle_ = c;
}

std::uint16_t VirtualChip::DataPacket(std::uint16_t packet) {
  if (!pending_data_command_) return packet;
  const std::uint8_t command = *pending_data_command_;
  pending_data_command_.reset();
  const auto word = static_cast<std::uint16_t>((packet >> 1) & 0x3FFF);
  switch (command) {
    case kLoadConfiguration:
      pc_ = entry_.ConfigBase;
      latch_ = Latch::kProgram;
      latch_value_ = word;
      return packet;
    case kLoadDataProgram:
      latch_ = Latch::kProgram;
      latch_value_ = word;
      return packet;
    case kLoadDataData:
      latch_ = Latch::kData;
      latch_value_ = word & 0xFF;
      return packet;
    case kReadDataProgram:
      return static_cast<std::uint16_t>((ReadWord() & 0x3FFF) << 1);
    case kReadDataData: {
      // Only the low bits of the counter address the EEPROM.
      if (data_.empty()) return 0x3FFF << 1;
      const std::uint8_t byte = DataProtected() ? 0 : data_[pc_ % data_.size()];
      return static_cast<std::uint16_t>(byte << 1);
    }
    default:
      return packet;
  }
}

std::uint16_t VirtualChip::ReadWord() const {
  if (pc_ < entry_.ConfigBase) {
    // Program space above the memory aliases onto it.
    return CodeProtected() ? 0 : program_[pc_ % program_.size()];
  }
  if (silicon_.cp_hides_config && CodeProtected()) return 0;
  const auto offset = ConfigOffset(pc_);
  return offset ? ConfigWord(*offset) : 0x3FFF;
}

std::optional<std::uint32_t> VirtualChip::ConfigOffset(std::uint32_t pc) const {
  std::uint32_t offset = pc - entry_.ConfigBase;
  if (silicon_.config_space_aliases) offset &= 0x1F;
  if (offset >= config_.size()) return std::nullopt;
  return offset;
}

VirtualChip::Cell VirtualChip::CellOf(std::uint32_t offset) const {
  if (offset <= 3) return Cell::kUserId;
  if (offset == kDeviceIdCell) return Cell::kDeviceId;
  if (offset == kRevisionCell && entry_.Family == ChipFamily::F753) return Cell::kRevision;
  if (Contains(silicon_.config_words, offset)) return Cell::kConfig;
  if (Contains(silicon_.calibration_words, offset)) return Cell::kCalibration;
  return Cell::kUnimplemented;
}

std::uint16_t VirtualChip::ConfigWord(std::uint32_t i) const {
  if (i >= config_.size()) return 0x3FFF;
  switch (CellOf(i)) {
    case Cell::kDeviceId:
      return device_id_;
    case Cell::kRevision:
      return revision_word_;
    case Cell::kUnimplemented:
      return 0x3FFF;
    case Cell::kConfig:
      return static_cast<std::uint16_t>(config_[i] & ~silicon_.unimplemented_config_bits);
    default:
      return config_[i];
  }
}

void VirtualChip::SetConfigWord(std::uint32_t i, std::uint16_t w) {
  if (i >= config_.size()) return;
  const Cell cell = CellOf(i);
  if (cell == Cell::kDeviceId || cell == Cell::kRevision || cell == Cell::kUnimplemented) return;
  config_[i] = w & 0x3FFF;
}

void VirtualChip::Complete(const Cycle& cycle) {
  switch (cycle.command) {
    case kBeginProgrammingInt:
    case kBeginProgrammingExt:
      Program(cycle);
      break;
    case kBulkEraseProgram:
      BulkEraseProgram(cycle);
      break;
    case kBulkEraseData:
      if (DataProtected()) {
        Note("Bulk Erase Data Memory with CPD = 0 does nothing; ignored");
      } else {
        std::fill(data_.begin(), data_.end(), 0xFF);
      }
      break;
    default:
      break;
  }
}

void VirtualChip::Program(const Cycle& cycle) {
  char text[120];
  if (cycle.latch == Latch::kData) {
    if (data_.empty()) return;
    if (DataProtected()) {
      std::snprintf(text, sizeof text, "EEPROM byte 0x%02X not programmed: CPD = 0",
                    static_cast<unsigned>(cycle.pc % data_.size()));
      Note(text);
      return;
    }
    std::uint8_t& cell = data_[cycle.pc % data_.size()];
    // The internally timed cycle erases the byte first; the externally timed
    // one does not, so it can only clear bits.
    const auto value = static_cast<std::uint8_t>(cycle.value);
    cell = cycle.command == kBeginProgrammingInt ? value : static_cast<std::uint8_t>(cell & value);
    return;
  }
  // Flash cells are not erased before programming: only bits go to 0.
  if (cycle.pc < entry_.ConfigBase) {
    if (CodeProtected()) {
      std::snprintf(text, sizeof text, "program word 0x%04X not programmed: CP = 0", cycle.pc);
      Note(text);
      return;
    }
    std::uint16_t& cell = program_[cycle.pc % program_.size()];
    cell = static_cast<std::uint16_t>(cell & cycle.value);
    return;
  }
  const auto offset = ConfigOffset(cycle.pc);
  if (!offset) return;
  const Cell cell = CellOf(*offset);
  const bool writable = cell == Cell::kUserId || cell == Cell::kConfig ||
                        (cell == Cell::kCalibration && silicon_.calibration_erasable);
  // Read-only and unimplemented cells take nothing, silently: a whole
  // configuration area written from an image passes over them.
  if (!writable) return;
  config_[*offset] = static_cast<std::uint16_t>(config_[*offset] & cycle.value);
}

void VirtualChip::BulkEraseProgram(const Cycle& cycle) {
  const bool data_was_protected = DataProtected();
  const bool from_config_space = cycle.pc >= entry_.ConfigBase;
  const auto offset = from_config_space ? ConfigOffset(cycle.pc) : std::nullopt;
  // Pointing at a calibration word, the erase takes that word and nothing
  // else, on the parts that allow it at all.
  if (offset && CellOf(*offset) == Cell::kCalibration && silicon_.calibration_erasable) {
    config_[*offset] = 0x3FFF;
    return;
  }
  std::fill(program_.begin(), program_.end(), 0x3FFF);
  if (silicon_.erase_wants_load && !cycle.loaded_blank) {
    Note("Bulk Erase Program Memory without Load Data 0x3FFF before it: program memory erased, "
         "the configuration kept (a real chip may keep it)");
    return;
  }
  for (std::uint32_t i : silicon_.config_words) config_.at(i) = 0x3FFF;
  if (from_config_space) {
    for (std::uint32_t i = 0; i < 4 && i < config_.size(); ++i) config_[i] = 0x3FFF;
  }
  if (data_was_protected && silicon_.erase_clears_protected_data) {
    std::fill(data_.begin(), data_.end(), 0xFF);
  }
}

void VirtualChip::Note(std::string text) { notes_.push_back(std::move(text)); }

}  // namespace fw::sim
