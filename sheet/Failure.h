#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>

namespace lomandra {

/// `text` on one line: every control character (C0, DEL, C1) and the Unicode line and paragraph
/// separators written as an escape ("\n", "\t", "\r", "\x1B", "\u0085", "\u2028"), so that a
/// path or reference holding a line break cannot break a message over several lines. A
/// backslash stays as it is: paths on Windows are full of them.
inline std::string oneLine(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    char escape[8] = {};
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      std::snprintf(escape, sizeof escape, "\\x%02X", c);
      out += escape;
    } else if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned char>(text[i + 1]));
      out += escape;
      ++i;
    } else if (c == 0xE2 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80 &&
               (static_cast<unsigned char>(text[i + 2]) == 0xA8 ||
                static_cast<unsigned char>(text[i + 2]) == 0xA9)) {
      out += static_cast<unsigned char>(text[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
      i += 2;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

/// A failure whose description (what(), UTF-8, one line) is worded for the user; the error trap
/// shows it. Every layer below the commands throws this (or a class derived from it) for bad
/// input. Control characters in the description (a line break in a path, say) are escaped.
class Failure : public std::runtime_error {
 public:
  explicit Failure(const std::string& what) : std::runtime_error(oneLine(what)) {}
  explicit Failure(const char* what) : Failure(std::string(what)) {}

 protected:
  /// A description kept exactly as given (another program's own wording).
  struct Verbatim {};
  Failure(Verbatim, const std::string& what) : std::runtime_error(what) {}
};

}  // namespace lomandra
