#pragma once

#include <QString>

#include <cstdint>
#include <string>

#include "images/views.h"

class QPlainTextEdit;

// The text of a view as the widget shows it: bytes 0x80-0xFF as the
// Windows-1252 characters (the five codes it leaves undefined as the Latin-1
// character of that code), CR LF as the widget's own line break.
QString ViewLineToQString(const char* bytes, std::size_t length);
QString ViewTextToQString(const std::string& text);

// Keeps one widget showing one core view. The core counts CR LF as two
// positions and the widget as one; the bridge maps carets both ways.
class ViewBridge {
 public:
  ViewBridge() = default;
  ViewBridge(QPlainTextEdit* widget, fw::View* view) : widget_(widget), view_(view) {}

  // Brings the widget up to date: the whole text after a render or copy,
  // only the changed lines after an edit; then places the caret.
  void Sync(bool place_caret);
  // The widget's caret as a core position.
  std::uint32_t CoreCaret() const;
  std::uint32_t WidgetPosition(std::uint32_t core) const;

  fw::View* view() const { return view_; }
  QPlainTextEdit* widget() const { return widget_; }

 private:
  QPlainTextEdit* widget_ = nullptr;
  fw::View* view_ = nullptr;
  std::uint64_t shown_generation_ = 0;
};
