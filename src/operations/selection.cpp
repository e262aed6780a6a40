#include "operations/selection.h"

namespace fw {

namespace {

constexpr const char* kNoMap = "Configuration Memory Map: ?";
// Beyond the catalogue's own lines: the commonest trouble of any programmer
// is a chip that does not answer at all, which reads as all zeros or ones.
constexpr const char* kNoAnswerHint =
    "No chip answered: check the wiring, the supply voltage and the programming voltage";

}  // namespace

Selection ChipSelector::SelectChip(std::uint16_t id_word) {
  const LookupResult found = LookupChip(id_word);
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
  chip_.Assign(*found.entry, id_word);
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
  return selection;
}

}  // namespace fw
