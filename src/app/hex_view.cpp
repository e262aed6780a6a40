#include "app/hex_view.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include <optional>

#include "app/virtual_keys.h"
#include "images/hex_editing.h"

namespace {

bool IsArrow(std::uint16_t vk) { return vk >= 0x25 && vk <= 0x28; }

unsigned ModifiersOf(const QKeyEvent& event) {
  unsigned held = 0;
  if (event.modifiers() & Qt::ShiftModifier) held |= fw::modifier::kShift;
  if (event.modifiers() & Qt::ControlModifier) held |= fw::modifier::kControl;
  if (event.modifiers() & Qt::AltModifier) held |= fw::modifier::kAlt;
  return held;
}

// Whether the key is a Tab or Shift+Tab that may move the focus.
bool IsTab(const QKeyEvent& event) {
  return (event.key() == Qt::Key_Tab || event.key() == Qt::Key_Backtab) &&
         (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier)) == 0;
}

// Whether the widget should process the key itself: the arrows always, a
// shortcut the key-down handler leaves (Ctrl+C copies), any other key only
// if the key-down handler leaves it and the key-press handler leaves the
// character it types. A character typed with AltGr goes to the handler as
// that character.
bool PassOn(QKeyEvent* event, const std::function<bool(std::uint16_t, unsigned)>& key_down,
            const std::function<void(char&)>& key_press) {
  std::uint16_t vk = VirtualKeyOf(*event);
  if (IsArrow(vk)) return true;
  event->accept();
  unsigned held = ModifiersOf(*event);
  if (const std::optional<char32_t> typed = AltGrCharacter(*event)) {
    vk = static_cast<std::uint16_t>(*typed > 0xFFFF ? 0xFFFF : *typed);
    held = fw::modifier::kCharacter;
  }
  const bool left = key_down && vk != 0 && key_down(vk, held);
  if (left && (held & (fw::modifier::kControl | fw::modifier::kAlt)) != 0) return true;
  char typed = event->text().isEmpty() ? '\0' : event->text().at(0).toLatin1();
  if (typed != '\0' && key_press) key_press(typed);
  return left && (event->text().isEmpty() || typed != '\0');
}

}  // namespace

QFont ViewFont() {
  // Courier New where the system has it; else a fixed-pitch face of the
  // system's that draws the character column's bytes (Wine has no Courier
  // New of its own, and its fixed font is a serif one).
  const QStringList families = QFontDatabase::families();
  for (const char* family : {"Courier New", "DejaVu Sans Mono", "Liberation Mono", "Consolas"}) {
    if (families.contains(family)) {
      QFont font(family);
      font.setPointSize(9);
      return font;
    }
  }
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSize(9);
  return font;
}

HexView::HexView(QWidget* parent) : QPlainTextEdit(parent) {
  setReadOnly(true);
  // Read-only, yet the caret shows and the keyboard can move it.
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setFont(ViewFont());
  setUndoRedoEnabled(false);
  // Its Copy and Select All would invite Ctrl+C and Ctrl+A, which edit memory.
  setContextMenuPolicy(Qt::NoContextMenu);
}

QSize HexView::sizeHint() const {
  const int text = QFontMetrics(font()).horizontalAdvance(QString(line_characters_, QChar('0')));
  return {text + 2 * frameWidth() + verticalScrollBar()->sizeHint().width() + 12,
          QPlainTextEdit::sizeHint().height()};
}

void HexView::keyPressEvent(QKeyEvent* event) {
  if (IsTab(*event)) {
    // Tab types only in a character column; elsewhere it moves on.
    event->accept();
    const bool leave = onKeyDown && onKeyDown(0x09, ModifiersOf(*event));
    if (leave) QWidget::focusNextPrevChild(event->key() == Qt::Key_Tab && !(event->modifiers() & Qt::ShiftModifier));
    return;
  }
  if (PassOn(event, onKeyDown, onKeyPress)) QPlainTextEdit::keyPressEvent(event);
}

void HexView::inputMethodEvent(QInputMethodEvent* event) { event->accept(); }

IdWordEdit::IdWordEdit(QWidget* parent) : QLineEdit(parent) {
  // Not read-only, so that the caret shows; every way in for text other than
  // the key-down handler is closed instead.
  setMaxLength(4);
  setContextMenuPolicy(Qt::NoContextMenu);
  setAcceptDrops(false);
  setDragEnabled(false);
}

void IdWordEdit::keyPressEvent(QKeyEvent* event) {
  if (PassOn(event, onKeyDown, onKeyPress)) QLineEdit::keyPressEvent(event);
}

void IdWordEdit::inputMethodEvent(QInputMethodEvent* event) { event->accept(); }

void IdWordEdit::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::MiddleButton) {
    event->accept();
    return;
  }
  QLineEdit::mousePressEvent(event);
}

void IdWordEdit::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::MiddleButton) {
    event->accept();
    return;
  }
  QLineEdit::mouseReleaseEvent(event);
}
