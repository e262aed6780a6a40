#pragma once

#include <QLineEdit>
#include <QPlainTextEdit>

#include <cstdint>
#include <functional>

// A memory view: read-only to typing, fixed pitch, with a visible caret.
// Every key-down goes to the handler as a Windows virtual-key code; the
// handler answers whether the widget should still process the key itself
// (only the arrows: the caret moves as usual). Typed characters never reach
// the text.
class HexView : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit HexView(QWidget* parent = nullptr);

  std::function<bool(std::uint16_t key, unsigned modifiers)> onKeyDown;
  // The typed character after the key-down: the handler sets it to 0, and
  // only a character left non-zero would reach the text.
  std::function<void(char& key)> onKeyPress;

  // The characters of a line: the window asks for room to show whole lines
  // where the screen has it, and scrolls sideways where it has not.
  void SetLineCharacters(int characters) { line_characters_ = characters; }
  QSize sizeHint() const override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  int line_characters_ = 72;
  // Tab and Shift+Tab go to the key-down handler first (a character column
  // takes them as keys); the handler says when they move on.
  bool focusNextPrevChild(bool) override { return false; }
};

// The ID word box: four hex digits, edited by key-down only.
class IdWordEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit IdWordEdit(QWidget* parent = nullptr);

  std::function<bool(std::uint16_t key, unsigned modifiers)> onKeyDown;
  std::function<void(char& key)> onKeyPress;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  // X11's middle-button paste would put text in without a key.
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
};

// The fixed-pitch font of the views and the log: Courier New where the system
// has it, else the system's fixed font.
QFont ViewFont();
