#include "app/view_bridge.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

// Windows-1252 for 0x80-0x9F; 0 marks the five codes it leaves undefined.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

QChar CharOf(unsigned char b) {
  if (b >= 0x80 && b < 0xA0 && kCp1252High[b - 0x80] != 0) return QChar(kCp1252High[b - 0x80]);
  // The soft hyphen is drawn with no width at all and would pull the rest of
  // the character column one cell to the left.
  if (b == 0xAD) return QChar(u'-');
  return QChar(static_cast<char16_t>(b));
}

}  // namespace

QString ViewLineToQString(const char* bytes, std::size_t length) {
  QString line(static_cast<qsizetype>(length), Qt::Uninitialized);
  QChar* out = line.data();
  for (std::size_t i = 0; i < length; ++i) out[i] = CharOf(static_cast<unsigned char>(bytes[i]));
  return line;
}

QString ViewTextToQString(const std::string& text) {
  QString out;
  out.reserve(static_cast<qsizetype>(text.size()));
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    out += ViewLineToQString(text.data() + start, end - start);
    if (end == text.size()) break;
    out += QChar('\n');
    start = end + 2;
  }
  return out;
}

std::uint32_t ViewBridge::WidgetPosition(std::uint32_t core) const {
  const std::uint32_t L = view_->LineLength();
  const std::uint32_t line = core / L;
  std::uint32_t column = core % L;
  if (column > L - 2) column = L - 2;  // between CR and LF: the line's end
  return line * (L - 1) + column;
}

std::uint32_t ViewBridge::CoreCaret() const {
  const std::uint32_t L = view_->LineLength();
  // With a selection (a double-clicked word, Ctrl+A) the caret is where it
  // starts; one that starts in an address goes on at the line's first digit,
  // so that the key typed over it is written.
  const QTextCursor cursor = widget_->textCursor();
  const auto q = static_cast<std::uint32_t>(cursor.selectionStart());
  std::uint32_t column = q % (L - 1);
  if (cursor.hasSelection() && column < 10) column = 10;
  return (q / (L - 1)) * L + column;
}

void ViewBridge::Sync(bool place_caret) {
  if (!widget_ || !view_) return;
  std::uint32_t begin = 0, end = 0;
  const bool changed = view_->TakeChanges(&begin, &end);
  const std::uint32_t L = view_->LineLength();
  // An edit touches a line or two; a copy from an image touches them all,
  // and then one new text is much faster than thousands of line updates.
  const bool many_lines = changed && (end - 1) / L - begin / L > 8;
  const bool rebuilt = shown_generation_ != view_->generation() || many_lines;
  if (rebuilt) {
    shown_generation_ = view_->generation();
    widget_->setPlainText(ViewTextToQString(view_->text()));
  } else if (changed) {
    const std::string& text = view_->text();
    QTextDocument* document = widget_->document();
    for (std::uint32_t line = begin / L; line <= (end - 1) / L; ++line) {
      const std::size_t start = std::size_t{line} * L;
      const std::size_t length = std::min<std::size_t>(L - 2, text.size() - start);
      QTextBlock block = document->findBlockByNumber(static_cast<int>(line));
      if (!block.isValid()) continue;
      QTextCursor cursor(block);
      cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
      cursor.insertText(ViewLineToQString(text.data() + start, length));
    }
  }
  // A freshly filled view opens at its first line with the addresses in
  // sight: its caret goes to the start. An edit keeps the caret in sight.
  if (rebuilt) view_->caret = 0;
  if (place_caret || rebuilt) {
    QTextCursor cursor = widget_->textCursor();
    cursor.setPosition(static_cast<int>(WidgetPosition(view_->caret)));
    widget_->setTextCursor(cursor);
    widget_->ensureCursorVisible();
  }
  if (rebuilt) {
    widget_->verticalScrollBar()->setValue(0);
    widget_->horizontalScrollBar()->setValue(0);
  }
}
