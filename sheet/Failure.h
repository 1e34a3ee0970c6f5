#pragma once

#include <cstddef>
#include <cstdint>
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

/// A count as a description shows it, with thousands separators: "17,179,869,184".
inline std::string withThousands(std::uint64_t count) {
  std::string digits = std::to_string(count);
  for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3)
    digits.insert(static_cast<std::size_t>(at), 1, ',');
  return digits;
}

/// Write was given a cell past the sheet's last row or column. The sheet's size comes with it,
/// so that a caller writing row after row knows no later row can fit either.
class OutsideSheet : public Failure {
 public:
  OutsideSheet(std::uint32_t sheetRows, std::uint32_t sheetColumns)
      : Failure("The cell lies outside the sheet, which has " + withThousands(sheetRows) +
                " rows and " + withThousands(sheetColumns) + " columns."),
        rows(sheetRows),
        columns(sheetColumns) {}
  std::uint32_t rows, columns;
};

}  // namespace lomandra
