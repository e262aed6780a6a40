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
// The classic mid-range parts' own: the PIC16F84A's bulk erase setup
// (DS30262E Table 2-2) and the PIC16F87xA's Chip Erase (DS39589B Table 2-1).
constexpr std::uint8_t kBulkEraseSetup1 = 0x01;
constexpr std::uint8_t kBulkEraseSetup2 = 0x07;
constexpr std::uint8_t kChipErase = 0x1F;

constexpr std::uint16_t kF629Osccal = 0x34A8;        // RETLW 0xA8
constexpr std::uint16_t kF629ConfigFactory = 0x2FFF;  // band-gap bits 13:12 = 10
constexpr std::uint16_t kBaselineOsccal = 0x0C26;     // MOVLW 0x26
constexpr std::uint32_t kConfigWord = 7;
constexpr std::uint32_t kDeviceIdCell = 6;
// Where a whole-word device ID keeps the revision (0x2xxx): the PIC16F753
// (DS41686), the PIC16F145x (pickle, OpenProg).
constexpr std::uint32_t kRevisionCell = 5;

bool Contains(const std::vector<std::uint32_t>& cells, std::uint32_t offset) {
  return std::find(cells.begin(), cells.end(), offset) != cells.end();
}

}  // namespace

VirtualChip::VirtualChip(const ChipEntry& entry, std::uint8_t revision)
    : entry_(entry),
      silicon_(SiliconOf(entry)),
      word_mask_(silicon_.word_bits == 12 ? 0x0FFF : 0x3FFF),
      program_(entry.ProgramSize / 2, word_mask_),
      config_(silicon_.word_bits == 12 ? 8 : entry.ConfigSize / 2, word_mask_),
      data_(silicon_.word_bits == 12 ? silicon_.flash_data_bytes : entry.DataSize, 0xFF) {
  // A device ID of the newer format (bits 13:12 set) is one exact word; its
  // revision lives in a word of its own at offset 5 (0x2xxx).
  device_id_ = WholeWordId()
                   ? entry.IdWord
                   : static_cast<std::uint16_t>((entry.IdWord & 0x3FE0) | (revision & 0x1F));
  revision_word_ = static_cast<std::uint16_t>(0x2000 | (revision & 0x1F));

  if (silicon_.osccal_backup) {
    // A factory value as such parts carry it: MOVLW 0x26, in both copies.
    program_.back() = kBaselineOsccal;
    config_[4] = kBaselineOsccal;
  }
  if (entry.Family == ChipFamily::F629) {
    program_.back() = kF629Osccal;
    config_[kConfigWord] = kF629ConfigFactory;
  }
  for (std::size_t k = 0; k < silicon_.calibration_words.size(); ++k) {
    config_.at(silicon_.calibration_words[k]) = silicon_.calibration_values.at(k);
  }
  ResetLatches();
}

void VirtualChip::ResetLatches() {
  latches_.assign(silicon_.latch_words, 0x3FFF);
  latched_row_.reset();
}

void VirtualChip::LoadLatch(std::uint16_t word) {
  const std::uint32_t row = RowOf(pc_);
  if (latched_row_ && *latched_row_ != row) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "latches loaded for the row at 0x%04X were never programmed: lost when a load came at 0x%04X",
                  *latched_row_, pc_);
    Note(text);
    ResetLatches();
  }
  latched_row_ = row;
  latches_[pc_ % silicon_.latch_words] = word;
}

void VirtualChip::EnterProgrammingMode() {
  Settle();
  if (cycle_) AbandonExternal("programming mode entered again");
  programming_ = true;
  pc_ = baseline() ? BaselineConfigAddress() : 0;
  latch_ = Latch::kNone;
  armed_ = Armed::kNone;
  ResetLatches();
  pending_data_command_.reset();
  cycle_.reset();
}

void VirtualChip::LeaveProgrammingMode() {
  Settle();
  if (cycle_) AbandonExternal("Vpp removed");
  programming_ = false;
  pc_ = 0;
  latch_ = Latch::kNone;
  armed_ = Armed::kNone;
  ResetLatches();
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
  // Moving the counter or loading a latch leaves a cell being judged alone;
  // anything else needs its outcome.
  if (code != kIncrementAddress && code != kLoadDataProgram && code != kLoadDataData && code != kLoadConfiguration) {
    Settle();
  }
  if (cycle_ && External(*cycle_)) {
    if (code == silicon_.end_programming) {
      // Judged where the End frame began.
      EndCycle(now_us);
      return;
    }
    AbandonExternal("another command came first");
    cycle_.reset();
  }
  if (pending_data_command_) {
    Note("a command arrived while a data packet was expected");
    pending_data_command_.reset();
  }
  if (baseline()) {
    BaselineCommand(code, now_us);
    return;
  }
  // A sequence goes on only with its next command.
  const Armed armed = armed_;
  armed_ = Armed::kNone;
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
      if (armed == Armed::kBulkProgram || armed == Armed::kBulkData || armed == Armed::kClear) {
        StartArmedErase(armed, now_us);
      } else {
        StartCycle(code, now_us);
      }
      break;
    case kBulkEraseProgram:
    case kBulkEraseData:
      if (silicon_.bulk_erase_needs_begin) {
        armed_ = code == kBulkEraseProgram ? Armed::kBulkProgram : Armed::kBulkData;
        break;
      }
      StartCycle(code, now_us);
      break;
    case kBeginProgrammingExt:
      StartCycle(code, now_us);
      break;
    case kBulkEraseSetup1:
    case kBulkEraseSetup2:
      if (!silicon_.protection_clear) goto unknown;
      if (code == kBulkEraseSetup1) {
        armed_ = Armed::kSetup1;
      } else if (armed == Armed::kSetup1) {
        armed_ = Armed::kClear;
      }
      break;
    case kChipErase:
      if (silicon_.chip_erase_us == 0) goto unknown;
      StartCycle(code, now_us);
      break;
    default:
      if (code == silicon_.end_programming) break;  // with no cycle running, nothing to end
    unknown: {
      char text[64];
      std::snprintf(text, sizeof text, "unknown ICSP command 0x%02X ignored", code);
      Note(text);
      break;
    }
  }
}

VirtualChip::Cycle VirtualChip::NewCycle(std::uint8_t command, std::uint64_t now_us) const {
  Cycle c{command, now_us, silicon_.erase_us, 0, pc_, latch_, latch_value_, false, 0, {}, 0, 0, 0, 0, {}};
  c.excuse_us = Lateness(&c.why);
  return c;
}

void VirtualChip::StartCycle(std::uint8_t command, std::uint64_t now_us) {
  Cycle c = NewCycle(command, now_us);
  if (command == kBulkEraseProgram || command == kBulkEraseData || command == kChipErase) {
    if (command == kChipErase) c.min_us = silicon_.chip_erase_us;
    c.loaded_blank = latch_ == Latch::kProgram && latch_value_ == 0x3FFF;
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
  if (silicon_.latch_words > 1 && !config && c.latch == Latch::kProgram) TakeLatchedRow(c);
  if (c.min_us == 0) {
    char text[96];
    std::snprintf(text, sizeof text, "Begin Programming (%s) is not a command of this chip; ignored",
                  command == kBeginProgrammingInt ? "int" : "ext");
    Note(text);
    return;
  }
  cycle_ = c;
}

void VirtualChip::TakeLatchedRow(Cycle& c) {
  // The latches go to the row the counter is in, whichever row they were
  // loaded for (its low bits are not looked at).
  const std::uint32_t row = RowOf(pc_);
  if (latched_row_ && *latched_row_ != row) {
    char text[140];
    std::snprintf(text, sizeof text, "latches loaded for the row at 0x%04X programmed into the row at 0x%04X",
                  *latched_row_, row);
    Note(text);
  }
  c.pc = row;
  c.row = latches_;
  ResetLatches();
}

void VirtualChip::StartArmedErase(Armed armed, std::uint64_t now_us) {
  Cycle c = NewCycle(kBeginProgrammingInt, now_us);
  c.runs = armed == Armed::kBulkProgram ? kBulkEraseProgram
           : armed == Armed::kBulkData  ? kBulkEraseData
                                        : kBulkEraseSetup2;
  if (armed == Armed::kClear && pc_ != entry_.ConfigBase + kConfigWord) {
    Note("the protection clear sequence away from the configuration word; ignored");
    return;
  }
  latch_ = Latch::kNone;
  cycle_ = c;
}

std::uint16_t VirtualChip::DataPacket(std::uint16_t packet) {
  if (cycle_ && External(*cycle_)) {
    AbandonExternal("a data packet came before End Programming");
    cycle_.reset();
  }
  if (!pending_data_command_) return packet;
  const std::uint8_t command = *pending_data_command_;
  pending_data_command_.reset();
  if (baseline()) return BaselineDataPacket(command, packet);
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
      if (silicon_.latch_words > 1 && pc_ < entry_.ConfigBase) LoadLatch(word);
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
  if (offset == kRevisionCell && WholeWordId()) return Cell::kRevision;
  if (Contains(silicon_.config_words, offset)) return Cell::kConfig;
  if (Contains(silicon_.calibration_words, offset)) return Cell::kCalibration;
  return Cell::kUnimplemented;
}

std::uint16_t VirtualChip::ConfigWord(std::uint32_t i) const {
  if (i >= config_.size()) return word_mask_;
  if (baseline()) return (i == 5 || i == 6 || (i == 4 && !silicon_.osccal_backup)) ? word_mask_ : config_[i];
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
  if (baseline()) {
    if (i != 5 && i != 6) config_[i] = w & word_mask_;
    return;
  }
  const Cell cell = CellOf(i);
  if (cell == Cell::kDeviceId || cell == Cell::kRevision || cell == Cell::kUnimplemented) return;
  config_[i] = w & 0x3FFF;
}

bool VirtualChip::BulkEraseRefused(const char* what) {
  if (!silicon_.bulk_erase_refused_protected || (!CodeProtected() && !DataProtected())) return false;
  Note(std::string(what) + " refused: the chip is protected (only its erase of everything clears that)");
  return true;
}

void VirtualChip::EraseEverything(bool data, bool config, bool user_ids) {
  std::fill(program_.begin(), program_.end(), 0x3FFF);
  if (data) std::fill(data_.begin(), data_.end(), 0xFF);
  if (config) {
    for (std::uint32_t i : silicon_.config_words) config_.at(i) = 0x3FFF;
  }
  if (user_ids) {
    for (std::uint32_t i = 0; i < 4 && i < config_.size(); ++i) config_[i] = 0x3FFF;
  }
}

void VirtualChip::Complete(const Cycle& cycle) {
  if (baseline()) {
    if (cycle.command == kBulkEraseProgram) {
      BaselineErase(cycle);
    } else {
      BaselineProgram(cycle);
    }
    return;
  }
  switch (cycle.runs != 0 ? cycle.runs : cycle.command) {
    case kBeginProgrammingInt:
    case kBeginProgrammingExt:
      Program(cycle);
      break;
    case kBulkEraseProgram:
      if (!BulkEraseRefused("Bulk Erase Program Memory")) BulkEraseProgram(cycle);
      break;
    case kChipErase: {
      const bool from_config = cycle.pc >= entry_.ConfigBase;
      EraseEverything(from_config || silicon_.chip_erase_takes_data_anywhere,
                      from_config || silicon_.chip_erase_takes_config_anywhere, from_config);
      break;
    }
    case kBulkEraseSetup2:
      EraseEverything(true, true, false);
      break;
    case kBulkEraseData:
      if (BulkEraseRefused("Bulk Erase Data Memory")) break;
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
  // Flash cells are not erased before programming, only bits go to 0,
  // except where the cycle erases what it writes first.
  const auto put = [&](std::uint16_t& cell, std::uint16_t value) {
    cell = silicon_.program_erases_first && cycle.command == kBeginProgrammingInt
               ? value
               : static_cast<std::uint16_t>(cell & value);
  };
  if (cycle.pc < entry_.ConfigBase) {
    if (CodeProtected()) {
      std::snprintf(text, sizeof text, "program word 0x%04X not programmed: CP = 0", cycle.pc);
      Note(text);
      return;
    }
    if (!cycle.row.empty()) {
      for (std::size_t j = 0; j < cycle.row.size(); ++j) put(program_[(cycle.pc + j) % program_.size()], cycle.row[j]);
      return;
    }
    put(program_[cycle.pc % program_.size()], cycle.value);
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
  put(config_[*offset], cycle.value);
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
