#include "operations/selection.h"

#include "log/hex.h"
#include "operations/chip_families.h"

namespace fw {

namespace {

constexpr const char* kNoMap = "Configuration Memory Map: ?";
// Beyond the catalogue's own lines: the commonest trouble of any programmer
// is a chip that does not answer at all, which reads as all zeros or ones.
constexpr const char* kNoAnswerHint =
    "No chip answered: check the wiring, the supply voltage and the programming voltage";
// What no device ID can say: the baseline parts have none.
constexpr const char* kBaselineHint =
    "A baseline chip (PIC10F2xx, PIC12F5xx, PIC16F5xx) has no device ID: it must be chosen by hand "
    "(Chip Select > Baseline, or --chip NAME)";

}  // namespace

Selection ChipSelector::SelectChip(std::uint16_t id_word) {
  const LookupResult found = chips_.Lookup(id_word);
  if (found.kind == LookupResult::Kind::kNoChip) {
    log_.LogEvent(LogCode::kNoChip, "");
    workspace_.map_caption = kNoMap;
    return Selection::kNoChip;
  }
  if (found.kind == LookupResult::Kind::kUnknown) {
    log_.LogEvent(LogCode::kChipSelected, " unknown");
    workspace_.map_caption = kNoMap;
    return Selection::kUnknown;
  }
  AssignChip(chip_, chips_, *found.entry, id_word);
  ApplyChipToViews();
  log_.LogEvent(LogCode::kChipSelected, " " + chip_.ChipName);
  workspace_.map_caption = MapTextOf(found.entry->Map);
  ClearImage(images_, chip_, kProgramImage);
  ClearImage(images_, chip_, kDataImage);
  ClearImage(images_, chip_, kConfigImage);
  workspace_.ShowImage(6, kConfigImage);
  workspace_.ShowImage(7, kConfigImage);
  return Selection::kSelected;
}

void ChipSelector::ApplyChipToViews() {
  workspace_.SizeViewsForChip();
  // The configuration views show the chip's own words beside the ones a
  // write takes: a typed device ID or calibration word would stay shown
  // though it never reaches the chip, so the keys leave them alone.
  std::vector<View::LockedWord> locked;
  auto lock = [&](std::uint32_t word, const char* what) {
    if (2 * word < chip_.ConfigSize) {
      locked.push_back({word, "0x" + Hex(chip_.ConfigBase + word, 4) + " is " + what + ": it is never written"});
    }
  };
  const FamilyLookup found = LookupFamily(chip_);
  if (chip_.Baseline()) {
    // No device ID; the configuration word shows in the last cell, as files
    // hold it at 0xFFF.
    if (found.row != nullptr && found.row->baseline->osccal) {
      locked.push_back({4, "0x" + Hex(chip_.ConfigBase + 4, 4) + " is the backup OSCCAL, the chip's own: it is "
                           "kept by the erases here and never written from a view"});
    }
    for (std::uint32_t w : {5u, 6u}) {
      locked.push_back({w, "0x" + Hex(chip_.ConfigBase + w, 4) + " is not programmed from a view"});
    }
  } else {
    lock(6, "the device ID, the chip's own");
  }
  if (found.row != nullptr && found.row->calibration->calibration.kind == CalibrationRead::Kind::kWords) {
    const CalibrationRead& read = found.row->calibration->calibration;
    for (std::uint32_t w = read.first_word; w < read.first_word + read.count; ++w) {
      lock(w, "a calibration word, set at the factory");
    }
  }
  for (int n : {1, 2, 3, 4}) workspace_.view(n).locked.clear();
  for (int n : {6, 7}) workspace_.view(n).locked = locked;
  workspace_.chip_name = chip_.ChipName;
  workspace_.ShowImage(0, 0);
}

Selection ChipSelector::AutosearchChip() {
  if (!icsp_.SetInitState() || !icsp_.EnterProgrammingMode()) {
    log_.LogEvent(LogCode::kFinished, " with fail.");
    return Selection::kFailed;
  }
  const std::int32_t id = icsp_.ReadDeviceId();
  if (!icsp_.SetInitState()) {
    log_.LogEvent(LogCode::kFinished, " with fail.");
    return Selection::kFailed;
  }
  const Selection selection = SelectChip(static_cast<std::uint16_t>(id));
  if (id == 0 || (id & 0x3FFF) == 0x3FFF) log_.LogEvent(LogCode::kNone, kNoAnswerHint);
  if (selection != Selection::kSelected) log_.LogEvent(LogCode::kNone, kBaselineHint);
  return selection;
}

}  // namespace fw
