#include "app/hex_view.h"

#include <QFontDatabase>
#include <QKeyEvent>

#include "app/virtual_keys.h"

namespace {

bool IsArrow(std::uint16_t vk) { return vk >= 0x25 && vk <= 0x28; }

}  // namespace

QFont ViewFont() {
  if (QFontDatabase::families().contains("Courier New")) {
    QFont font("Courier New");
    font.setPointSize(9);
    return font;
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
}

void HexView::keyPressEvent(QKeyEvent* event) {
  const std::uint16_t vk = VirtualKeyOf(*event);
  if (IsArrow(vk)) {
    QPlainTextEdit::keyPressEvent(event);
    return;
  }
  bool pass_on = false;
  if (onKeyDown && vk != 0) pass_on = onKeyDown(vk);
  if (pass_on) QPlainTextEdit::keyPressEvent(event);
  event->accept();
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
  const std::uint16_t vk = VirtualKeyOf(*event);
  if (IsArrow(vk)) {
    QLineEdit::keyPressEvent(event);
    return;
  }
  bool pass_on = false;
  if (onKeyDown && vk != 0) pass_on = onKeyDown(vk);
  if (pass_on) QLineEdit::keyPressEvent(event);
  event->accept();
}

void IdWordEdit::inputMethodEvent(QInputMethodEvent* event) { event->accept(); }
