#include "sheet/xlsx/XlsxValues.h"

#include "sheet/model/CivilDays.h"
#include "sheet/model/TextEncoding.h"

#include <charconv>
#include <cmath>

namespace lomandra::xlsx {

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The code unit of an escape "_xHHHH_" at the start of `text`, or -1.
int escapeAt(std::string_view text) {
  if (text.size() < 7 || text[0] != '_' || text[1] != 'x' || text[6] != '_') return -1;
  int value = 0;
  for (std::size_t i = 2; i < 6; ++i) {
    const int digit = hexValue(text[i]);
    if (digit < 0) return -1;
    value = value * 16 + digit;
  }
  return value;
}

using model::appendUtf8;
using model::daysFromCivil;

bool leapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

bool readInt(std::string_view& s, std::size_t digits, int& value) {
  if (s.size() < digits) return false;
  value = 0;
  for (std::size_t i = 0; i < digits; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    value = value * 10 + (s[i] - '0');
  }
  s.remove_prefix(digits);
  return true;
}

bool expect(std::string_view& s, char c) {
  if (s.empty() || s.front() != c) return false;
  s.remove_prefix(1);
  return true;
}

// "HH:MM[:SS[.fff]]" as a fraction of a day.
std::optional<double> parseTime(std::string_view s) {
  int h = 0, m = 0, sec = 0;
  if (!readInt(s, 2, h) || !expect(s, ':') || !readInt(s, 2, m)) return std::nullopt;
  double fraction = 0;
  if (!s.empty() && s.front() == ':') {
    s.remove_prefix(1);
    if (!readInt(s, 2, sec)) return std::nullopt;
    if (!s.empty() && s.front() == '.') {
      s.remove_prefix(1);
      double scale = 0.1;
      while (!s.empty() && s.front() >= '0' && s.front() <= '9') {
        fraction += (s.front() - '0') * scale;
        scale /= 10;
        s.remove_prefix(1);
      }
    }
  }
  if (s == "Z") s = {};
  if (!s.empty() || h > 24 || m > 59 || sec > 60) return std::nullopt;
  return (h * 3600.0 + m * 60.0 + sec + fraction) / 86400.0;
}

}  // namespace

void appendUnescaped(std::string& out, std::string_view text) {
  std::size_t start = 0;
  for (std::size_t i = text.find('_'); i != std::string_view::npos; i = text.find('_', i)) {
    const int unit = escapeAt(text.substr(i));
    if (unit < 0) {
      ++i;
      continue;
    }
    out.append(text.substr(start, i - start));
    i += 7;
    std::uint32_t cp = static_cast<std::uint32_t>(unit);
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      const int low = escapeAt(text.substr(i));
      if (low >= 0xDC00 && low <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + static_cast<std::uint32_t>(low - 0xDC00);
        i += 7;
      } else {
        cp = 0xFFFD;
      }
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      cp = 0xFFFD;
    }
    appendUtf8(out, cp);
    start = i;
  }
  out.append(text.substr(start));
}

void truncateUtf8(std::string& text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return;
  std::size_t cut = maxBytes;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  text.resize(cut);
}

std::optional<CellPosition> parseCellPosition(std::string_view text) {
  std::size_t i = 0;
  std::uint32_t column = 0;
  while (i < text.size() && i < 4) {
    char c = text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c < 'A' || c > 'Z') break;
    column = column * 26 + static_cast<std::uint32_t>(c - 'A' + 1);
    ++i;
  }
  if (i == 0 || column > 16384) return std::nullopt;
  std::uint32_t row = 0;
  const std::size_t digitsStart = i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9' && i - digitsStart < 8) {
    row = row * 10 + static_cast<std::uint32_t>(text[i] - '0');
    ++i;
  }
  if (i == digitsStart || i != text.size() || row == 0 || row > 1048576) return std::nullopt;
  return CellPosition{row - 1, column - 1};
}

std::optional<double> parseNumber(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n' ||
                           text.front() == '\r'))
    text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n' ||
                           text.back() == '\r'))
    text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

std::optional<double> isoDateToSerial(std::string_view text, bool date1904) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (text.size() >= 3 && text[2] == ':') return parseTime(text);  // a time without a date
  std::string_view s = text;
  int y = 0, m = 0, d = 0;
  if (!readInt(s, 4, y) || !expect(s, '-') || !readInt(s, 2, m) || !expect(s, '-') ||
      !readInt(s, 2, d))
    return std::nullopt;
  if (m < 1 || m > 12 || d < 1) return std::nullopt;
  static constexpr int kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const int monthDays = kMonthDays[m - 1] + (m == 2 && leapYear(y) ? 1 : 0);
  const bool fictitious = !date1904 && y == 1900 && m == 2 && d == 29;
  if (d > monthDays && !fictitious) return std::nullopt;
  double time = 0;
  if (!s.empty()) {
    if (s.front() != 'T' && s.front() != ' ') return std::nullopt;
    s.remove_prefix(1);
    const auto t = parseTime(s);
    if (!t) return std::nullopt;
    time = *t;
  }
  double days;
  if (date1904) {
    days = static_cast<double>(daysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d)) -
                               daysFromCivil(1904, 1, 1));
  } else if (fictitious) {
    days = 60;
  } else {
    const std::int64_t since = daysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d)) -
                               daysFromCivil(1899, 12, 31);
    // Serial 60 is the 29 February 1900 that the 1900 system counts; later days shift by one.
    days = static_cast<double>(since >= 60 ? since + 1 : since);
  }
  return days + time;
}

}  // namespace lomandra::xlsx
