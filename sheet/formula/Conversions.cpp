#include "sheet/formula/Conversions.h"

#include <QDate>
#include <QString>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "sheet/model/CivilDays.h"

namespace lomandra::formula {

namespace {

using model::daysFromCivil;

CivilDate civilFromDays(std::int64_t z) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

const std::int64_t kEpoch1900 = daysFromCivil(1899, 12, 31);
const std::int64_t kEpoch1904 = daysFromCivil(1904, 1, 1);

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\n')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\n')) s.remove_suffix(1);
  return s;
}

std::optional<double> plainNumber(std::string_view s) {
  // Digits with optional thousands separators, a decimal point and an exponent.
  std::string digits;
  bool seenPoint = false, seenDigit = false;
  std::size_t i = 0;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (c >= '0' && c <= '9') {
      digits += c;
      seenDigit = true;
    } else if (c == ',' && !seenPoint && seenDigit) {
      // A thousands separator is followed by three digits.
      for (std::size_t k = 1; k <= 3; ++k)
        if (i + k >= s.size() || s[i + k] < '0' || s[i + k] > '9') return std::nullopt;
    } else if (c == '.' && !seenPoint) {
      digits += c;
      seenPoint = true;
    } else {
      break;
    }
  }
  if (!seenDigit) return std::nullopt;
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
    std::size_t j = i + 1;
    std::string exponent = "e";
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent += s[j++];
    const std::size_t start = j;
    while (j < s.size() && s[j] >= '0' && s[j] <= '9') exponent += s[j++];
    if (j == start) return std::nullopt;
    digits += exponent;
    i = j;
  }
  if (i != s.size()) return std::nullopt;
  double value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

int monthByName(std::string_view name) {
  static constexpr std::string_view kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                 "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
  if (name.size() < 3) return 0;
  std::string upper(name);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  static constexpr std::string_view kFull[] = {"JANUARY", "FEBRUARY", "MARCH",     "APRIL",
                                               "MAY",     "JUNE",     "JULY",      "AUGUST",
                                               "SEPTEMBER", "OCTOBER", "NOVEMBER", "DECEMBER"};
  for (int m = 0; m < 12; ++m)
    if (upper == kMonths[m] || upper == kFull[m] || (m == 8 && upper == "SEPT")) return m + 1;
  return 0;
}

bool readInt(std::string_view& s, int& value, std::size_t maxDigits = 4) {
  std::size_t n = 0;
  value = 0;
  while (n < s.size() && n < maxDigits && s[n] >= '0' && s[n] <= '9') value = value * 10 + (s[n++] - '0');
  if (n == 0) return false;
  s.remove_prefix(n);
  return true;
}

// "h:mm[:ss[.fff]] [AM|PM]" as a fraction of a day (may exceed 1 for hours past 24).
std::optional<double> timeText(std::string_view s) {
  int h = 0, m = 0;
  double sec = 0;
  if (!readInt(s, h, 5) || s.empty() || s.front() != ':') return std::nullopt;
  s.remove_prefix(1);
  if (!readInt(s, m, 2) || m > 59) return std::nullopt;
  if (!s.empty() && s.front() == ':') {
    s.remove_prefix(1);
    std::size_t n = 0;
    while (n < s.size() && ((s[n] >= '0' && s[n] <= '9') || s[n] == '.')) ++n;
    const auto parsed = plainNumber(s.substr(0, n));
    if (!parsed || *parsed >= 60) return std::nullopt;
    sec = *parsed;
    s.remove_prefix(n);
  }
  s = trim(s);
  if (!s.empty()) {
    std::string marker(s);
    for (char& c : marker) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if ((marker != "AM" && marker != "PM" && marker != "A" && marker != "P") || h > 12 || h == 0)
      return std::nullopt;
    if (h == 12) h = 0;
    if (marker[0] == 'P') h += 12;
  }
  return (h * 3600.0 + m * 60.0 + sec) / 86400.0;
}

// A date "2024-01-31", "1/31/2024", "1/31", "31-Jan-2024", "Jan 31, 2024", "31 January 2024",
// optionally followed by a time.
std::optional<double> dateText(std::string_view s, bool date1904) {
  int year = 0, month = 0, day = 0;
  std::string_view rest = s;
  int a = 0;
  auto finish = [&](std::string_view tail) -> std::optional<double> {
    tail = trim(tail);
    double time = 0;
    if (!tail.empty()) {
      const auto t = timeText(tail);
      if (!t) return std::nullopt;
      time = *t;
    }
    if (month < 1 || month > 12 || day < 1 || day > 31) return std::nullopt;
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (day > kDays[month - 1]) return std::nullopt;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (month == 2 && day == 29 && !leap && !(year == 1900 && !date1904)) return std::nullopt;
    const auto serial = serialFromDate(year, month, day, date1904);
    if (!serial) return std::nullopt;
    return *serial + time;
  };
  // A date written without its year falls in the current year.
  auto currentYear = [] { return QDate::currentDate().year(); };
  // A year read from the front of `rest`; one of two digits falls in 1930-2029.
  auto readYear = [&] {
    const std::size_t start = rest.size();
    if (!readInt(rest, year)) return false;
    if (start - rest.size() <= 2) year = year < 30 ? 2000 + year : 1900 + year;
    return true;
  };
  // The year after `separator`, or the current year when none follows.
  auto readYearAfter = [&](char separator) {
    year = currentYear();
    if (rest.empty() || rest.front() != separator) return true;
    rest.remove_prefix(1);
    return readYear();
  };
  if (readInt(rest, a)) {
    const std::size_t firstDigits = s.size() - rest.size();
    if (!rest.empty() && rest.front() == '-' && firstDigits == 4) {
      // ISO: yyyy-mm-dd
      rest.remove_prefix(1);
      year = a;
      if (!readInt(rest, month, 2) || rest.empty() || rest.front() != '-') return std::nullopt;
      rest.remove_prefix(1);
      if (!readInt(rest, day, 2)) return std::nullopt;
      if (!rest.empty() && rest.front() == 'T') rest.remove_prefix(1);
      return finish(rest);
    }
    if (!rest.empty() && (rest.front() == '/' || rest.front() == '-') && firstDigits <= 2) {
      const char separator = rest.front();
      rest.remove_prefix(1);
      int b = 0;
      if (readInt(rest, b, 2)) {
        month = a;
        day = b;
        if (!readYearAfter(separator)) return std::nullopt;
        return finish(rest);
      }
      // 31-Jan-2024
      std::size_t n = 0;
      while (n < rest.size() && std::isalpha(static_cast<unsigned char>(rest[n]))) ++n;
      month = monthByName(rest.substr(0, n));
      if (!month) return std::nullopt;
      rest.remove_prefix(n);
      day = a;
      if (!readYearAfter(separator)) return std::nullopt;
      return finish(rest);
    }
    if (!rest.empty() && rest.front() == ' ' && firstDigits <= 2) {
      // 31 January 2024
      rest = trim(rest);
      std::size_t n = 0;
      while (n < rest.size() && std::isalpha(static_cast<unsigned char>(rest[n]))) ++n;
      month = monthByName(rest.substr(0, n));
      if (!month) return std::nullopt;
      rest = trim(rest.substr(n));
      day = a;
      if (!readYear()) return std::nullopt;
      return finish(rest);
    }
    return std::nullopt;
  }
  // January 31, 2024
  std::size_t n = 0;
  while (n < rest.size() && std::isalpha(static_cast<unsigned char>(rest[n]))) ++n;
  month = monthByName(rest.substr(0, n));
  if (!month) return std::nullopt;
  rest = trim(rest.substr(n));
  if (!readInt(rest, day, 2)) return std::nullopt;
  if (!rest.empty() && rest.front() == ',') rest.remove_prefix(1);
  rest = trim(rest);
  if (!readYear()) return std::nullopt;
  return finish(rest);
}

}  // namespace

double round15(double value) {
  if (value == 0 || !std::isfinite(value)) return value;
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.14e", value);
  return std::strtod(buffer, nullptr);
}

std::string numberToText(double value) {
  if (value == 0) return "0";
  char buffer[48];
  const double magnitude = std::fabs(value);
  if (magnitude >= 1e15 || magnitude < 1e-9) {
    std::snprintf(buffer, sizeof buffer, "%.14E", value);
    std::string s(buffer);
    const std::size_t e = s.find('E');
    std::string mantissa = s.substr(0, e), exponent = s.substr(e + 1);
    if (mantissa.find('.') != std::string::npos) {
      while (mantissa.back() == '0') mantissa.pop_back();
      if (mantissa.back() == '.') mantissa.pop_back();
    }
    const char sign = exponent[0];
    std::string digits = exponent.substr(1);
    while (digits.size() > 2 && digits[0] == '0') digits.erase(0, 1);
    return mantissa + "E" + sign + digits;
  }
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  std::string s(buffer);
  if (s.find('e') != std::string::npos) {
    // %g chose scientific for a small number: write it out in full.
    const int digitsBefore = static_cast<int>(std::floor(std::log10(magnitude))) + 1;
    const int decimals = std::min(15 - digitsBefore, 30);
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    s = buffer;
    if (s.find('.') != std::string::npos) {
      while (s.back() == '0') s.pop_back();
      if (s.back() == '.') s.pop_back();
    }
  }
  return s;
}

std::optional<double> textToNumber(std::string_view text, bool date1904) {
  std::string_view s = trim(text);
  if (s.empty()) return std::nullopt;
  bool negative = false, percent = false, parenthesised = false;
  if (s.front() == '(' && s.back() == ')') {
    parenthesised = true;
    s = trim(s.substr(1, s.size() - 2));
  }
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s = trim(s.substr(1));
  }
  if (!s.empty() && s.front() == '$') s = trim(s.substr(1));
  if (!s.empty() && (s.front() == '-' || s.front() == '+') && !negative) {
    negative = s.front() == '-';
    s = trim(s.substr(1));
  }
  if (!s.empty() && s.back() == '%') {
    percent = true;
    s = trim(s.substr(0, s.size() - 1));
  }
  if (s.empty()) return std::nullopt;
  if (auto n = plainNumber(s)) {
    double v = *n;
    if (percent) v /= 100;
    if (negative != parenthesised) v = -v;
    return v;
  }
  if (negative || percent || parenthesised) return std::nullopt;
  if (auto t = timeText(s)) return *t;
  return dateText(s, date1904);
}

std::optional<double> serialFromDate(int year, int month, int day, bool date1904) {
  if (year < 0 || year > 9999) return std::nullopt;
  if (year < 1900 && !date1904) year += 1900;
  if (year < 1904 && date1904) year += 1900;
  // Months beyond 12 or below 1 move the year.
  std::int64_t y = year, m = month - 1;
  y += m >= 0 ? m / 12 : -((11 - m) / 12);
  m = ((m % 12) + 12) % 12;
  const std::int64_t monthStart = daysFromCivil(y, static_cast<unsigned>(m + 1), 1);
  double serial;
  if (date1904) {
    serial = static_cast<double>(monthStart - kEpoch1904);
  } else {
    // The 1900 system counts a 29 February 1900: months from March 1900 on start one day
    // further, and days counted past February's end reach that 29th first.
    serial = static_cast<double>(monthStart - kEpoch1900);
    if (serial >= 60) serial += 1;
  }
  serial += day - 1;
  if (serial < 0 || serial > maxSerial(date1904)) return std::nullopt;
  return serial;
}

double maxSerial(bool date1904) { return date1904 ? 2957003 : 2958465; }

CivilDate dateFromSerial(double serial, bool date1904) {
  std::int64_t whole = static_cast<std::int64_t>(std::floor(serial));
  if (date1904) return civilFromDays(kEpoch1904 + whole);
  if (whole == 60) return {1900, 2, 29};
  if (whole == 0) return {1900, 1, 0};
  if (whole > 60) --whole;
  return civilFromDays(kEpoch1900 + whole);
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  bool ascii = true;
  if (a.size() == b.size()) {
    for (std::size_t i = 0; i < a.size(); ++i) {
      const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
      if (x >= 0x80 || y >= 0x80) {
        ascii = false;
        break;
      }
      if (std::tolower(x) != std::tolower(y)) return false;
    }
    if (ascii) return true;
  } else {
    for (char c : a) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    for (char c : b) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) return false;
  }
  return QString::fromUtf8(a.data(), static_cast<qsizetype>(a.size()))
             .compare(QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size())),
                      Qt::CaseInsensitive) == 0;
}

std::string upperText(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toUpper().toStdString();
}

int compareValues(const Value& a, const Value& b) {
  auto rank = [](const Value& v, const Value& other) {
    Value::Type t = v.type;
    if (t == Value::Type::Empty) t = other.type == Value::Type::Empty ? Value::Type::Number : other.type;
    switch (t) {
      case Value::Type::Text: return 1;
      case Value::Type::Boolean: return 2;
      default: return 0;
    }
  };
  const int ra = rank(a, b), rb = rank(b, a);
  if (ra != rb) return ra < rb ? -1 : 1;
  if (ra == 1) {
    const std::string_view x = a.isText() ? std::string_view(a.text) : std::string_view();
    const std::string_view y = b.isText() ? std::string_view(b.text) : std::string_view();
    const QString qx = QString::fromUtf8(x.data(), static_cast<qsizetype>(x.size()));
    const QString qy = QString::fromUtf8(y.data(), static_cast<qsizetype>(y.size()));
    const int c = qx.compare(qy, Qt::CaseInsensitive);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
  }
  const double x = a.isEmpty() ? 0 : a.number, y = b.isEmpty() ? 0 : b.number;
  if (x == y) return 0;
  // Numbers equal to 15 significant digits are equal; only near ones need the rounding.
  if (std::fabs(x - y) > 1e-13 * std::max(std::fabs(x), std::fabs(y))) return x < y ? -1 : 1;
  const double rx = round15(x), ry = round15(y);
  return rx < ry ? -1 : rx > ry ? 1 : 0;
}

}  // namespace lomandra::formula
