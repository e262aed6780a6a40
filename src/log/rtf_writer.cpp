#include "log/rtf_writer.h"

#include "log/safe_file.h"


namespace fw {

namespace {

// Decodes one UTF-8 sequence at s[i]; returns the code point and advances i.
// A byte that does not start a valid sequence is taken as a Windows-1252
// byte on its own, so that no input is ever dropped.
bool DecodeUtf8(const std::string& s, size_t& i, char32_t& cp) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  int extra = 0;
  char32_t value = 0;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    extra = 1;
    value = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    extra = 2;
    value = b0 & 0x0F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    extra = 3;
    value = b0 & 0x07;
  } else {
    return false;
  }
  if (i + extra >= s.size()) return false;
  for (int k = 1; k <= extra; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return false;
    value = (value << 6) | (b & 0x3F);
  }
  const char32_t minimum[] = {0, 0x80, 0x800, 0x10000};
  if (value < minimum[extra] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    return false;
  }
  cp = value;
  i += extra + 1;
  return true;
}

void AppendUnicode(std::string& out, unsigned unit) {
  // RTF's \u takes a signed 16-bit number; "?" is the fallback for readers
  // that do not understand it.
  const int value = unit > 0x7FFF ? static_cast<int>(unit) - 0x10000 : static_cast<int>(unit);
  out += "\\u" + std::to_string(value) + "?";
}

void AppendHexByte(std::string& out, unsigned char byte) {
  static const char digits[] = "0123456789abcdef";
  out += "\\'";
  out += digits[byte >> 4];
  out += digits[byte & 0xF];
}

}  // namespace

std::string LogToRtf(const std::vector<std::string>& lines) {
  std::string out =
      "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1"
      "{\\fonttbl{\\f0\\fmodern\\fcharset0 Courier New;}}\r\n"
      "\\pard\\plain\\f0\\fs20 ";
  for (const std::string& line : lines) {
    for (size_t i = 0; i < line.size();) {
      const auto c = static_cast<unsigned char>(line[i]);
      if (c == '\\' || c == '{' || c == '}') {
        out += '\\';
        out += static_cast<char>(c);
        ++i;
      } else if (c >= 0x20 && c < 0x7F) {
        out += static_cast<char>(c);
        ++i;
      } else if (c < 0x80) {
        AppendHexByte(out, c);
        ++i;
      } else {
        char32_t cp = 0;
        if (DecodeUtf8(line, i, cp)) {
          if (cp > 0xFFFF) {
            const char32_t v = cp - 0x10000;
            AppendUnicode(out, 0xD800 + (v >> 10));
            AppendUnicode(out, 0xDC00 + (v & 0x3FF));
          } else {
            AppendUnicode(out, cp);
          }
        } else {
          AppendHexByte(out, c);
          ++i;
        }
      }
    }
    out += "\\par\r\n";
  }
  out += "}\r\n";
  return out;
}

bool SaveLogFile(const std::vector<std::string>& lines, const std::string& path,
                 std::string* error) {
  return ReplaceFileSafely(path, LogToRtf(lines), error);
}

}  // namespace fw
