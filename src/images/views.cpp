#include "images/views.h"
#include "log/hex.h"

#include <algorithm>
#include <cstdio>

namespace fw {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void AppendAddress(std::string& line, std::uint32_t address) {
  line += Hex(address, 8) + ": ";
}

}  // namespace

std::uint32_t View::Lines() const {
  if (text_.empty()) return 0;
  return static_cast<std::uint32_t>((text_.size() + 2) / LineLength());
}

void View::Replace(std::uint32_t pos, const char* chars, std::uint32_t count) {
  if (pos >= text_.size()) return;
  count = std::min<std::uint32_t>(count, static_cast<std::uint32_t>(text_.size()) - pos);
  std::copy(chars, chars + count, text_.begin() + pos);
  dirty_begin_ = std::min(dirty_begin_, pos);
  dirty_end_ = std::max(dirty_end_, pos + count);
}

void View::SetText(std::string text) {
  text_ = std::move(text);
  ++generation_;
  dirty_begin_ = UINT32_MAX;
  dirty_end_ = 0;
}

const std::string* View::LockedWhy(std::uint32_t i) const {
  if (type_ != Type::kWord) return nullptr;
  for (const LockedWord& l : locked) {
    if (l.word == i / 2) return &l.why;
  }
  return nullptr;
}

bool View::TakeChanges(std::uint32_t* begin, std::uint32_t* end) {
  if (dirty_begin_ >= dirty_end_) return false;
  *begin = dirty_begin_;
  *end = dirty_end_;
  dirty_begin_ = UINT32_MAX;
  dirty_end_ = 0;
  return true;
}

Workspace::Workspace(const ChipRecord& chip, Images& images, OperatorDialogs& dialogs)
    : chip_(chip), images_(images), dialogs_(dialogs) {
  views_[3] = View(View::Type::kByte);
  views_[4] = View(View::Type::kByte);
}

std::uint32_t Workspace::LengthOf(int kind) const {
  switch (kind) {
    case kProgramImage: return chip_.ProgramSize;
    case kDataImage: return chip_.DataSize;
    case kConfigImage: return chip_.ConfigSize;
    default: return 0;
  }
}

std::vector<std::uint8_t>* Workspace::ImageOf(int kind) {
  switch (kind) {
    case kProgramImage: return &images_.ProgramImage;
    case kDataImage: return &images_.DataImage;
    case kConfigImage: return &images_.ConfigImage;
    default: return nullptr;
  }
}

void Workspace::SizeViewsForChip() {
  for (int n : {1, 2}) view(n).ViewSize = chip_.ProgramSize;
  for (int n : {1, 2, 6, 7}) view(n).narrow = chip_.Baseline();
  for (int n : {3, 4}) view(n).ViewSize = chip_.DataSize;
  for (int n : {6, 7}) {
    view(n).ViewSize = chip_.ConfigSize;
    view(n).AddressBase = chip_.ConfigBase;
  }
  for (int n : {1, 2, 3, 4, 6, 7}) RenderView(n);
}

void Workspace::RenderView(int n) {
  if (!IsView(n)) return;
  View& v = view(n);
  const std::uint32_t lines = v.ViewSize >> 4;
  const bool words = v.type() == View::Type::kWord;
  std::string blank;
  if (words) {
    blank = v.narrow ? " FFF  FFF  FFF  FFF  FFF  FFF  FFF  FFF   |   "
                     : "3FFF 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF   |   ";
    for (int k = 0; k < 8; ++k) blank += v.narrow ? "\xFF\x1F" : "\xFF?";
  } else {
    blank = "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF   |   ";
    blank.append(16, '\xFF');
  }
  std::string text;
  text.reserve(lines * v.LineLength());
  for (std::uint32_t line = 0; line < lines; ++line) {
    AppendAddress(text, v.AddressBase + line * (words ? 8 : 16));
    text += blank;
    if (line + 1 < lines) text += "\r\n";
  }
  v.SetText(std::move(text));
  v.caret = static_cast<std::uint32_t>(v.text().size());
}

std::uint32_t Workspace::HexPosition(const View& v, std::uint32_t i) const {
  const std::uint32_t line = i >> 4, c = i & 0xF;
  if (v.type() == View::Type::kByte) return line * 82 + c * 3 + 10;
  return line * 74 + ((c & 1) ? (((c - 1) * 5) >> 1) + 10 : ((c * 5) >> 1) + 12);
}

std::uint32_t Workspace::CharPosition(const View& v, std::uint32_t i) const {
  return (i >> 4) * v.LineLength() + v.CharStart() + (i & 0xF);
}

void Workspace::ShowImage(int n, int kind) {
  if (n == 0) {
    const std::string text = Hex(chip_.ChipIdWord, 4);
    id_box.text = text;
    return;
  }
  if (!IsView(n)) return;
  View& v = view(n);
  const std::vector<std::uint8_t>* image = ImageOf(kind);
  // A view only holds what it was rendered for; never write past it.
  const std::uint32_t length = std::min(LengthOf(kind), v.Lines() * 16);
  dialogs_.SetPagesVisible(false);
  dialogs_.ProgressOpen();
  for (std::uint32_t i = 0; i < length && image; ++i) {
    const std::uint8_t b = (*image)[i];
    // A 12-bit word's fourth digit is always 0: left blank.
    const bool blank_digit = v.narrow && (i & 1) != 0 && (b >> 4) == 0;
    const char pair[2] = {blank_digit ? ' ' : kHexDigits[b >> 4], kHexDigits[b & 0xF]};
    v.Replace(HexPosition(v, i), pair, 2);
    const char ch = CharOfByte(b);
    v.Replace(CharPosition(v, i), &ch, 1);
    if ((i & 0x3FF) == 0) dialogs_.ProgressSet(static_cast<int>((std::uint64_t{i} + 1) * 100 / length));
  }
  v.caret = std::min<std::uint32_t>(10, static_cast<std::uint32_t>(v.text().size()));
  dialogs_.ProgressClose();
  dialogs_.SetPagesVisible(true);
}

void Workspace::TakeImage(int n, int kind) {
  if (chip_.ChipIdWord == 0 || !IsView(n)) return;
  View& v = view(n);
  std::vector<std::uint8_t>* image = ImageOf(kind);
  const std::uint32_t length = std::min(LengthOf(kind), v.Lines() * 16);
  dialogs_.SetPagesVisible(false);
  dialogs_.ProgressOpen();
  const std::string& text = v.text();
  for (std::uint32_t i = 0; i < length && image; ++i) {
    const std::uint32_t pos = HexPosition(v, i);
    const int hi = HexValue(text[pos]), lo = HexValue(text[pos + 1]);
    // Hand editing only ever puts hex digits here; anything else reads as 0.
    (*image)[i] = static_cast<std::uint8_t>(((hi < 0 ? 0 : hi) << 4) | (lo < 0 ? 0 : lo));
    if ((i & 0x3FF) == 0) dialogs_.ProgressSet(static_cast<int>((std::uint64_t{i} + 1) * 100 / length));
  }
  v.caret = std::min<std::uint32_t>(10, static_cast<std::uint32_t>(v.text().size()));
  dialogs_.ProgressClose();
  dialogs_.SetPagesVisible(true);
}

}  // namespace fw
