#include "sheet/ods/OdsDataStyles.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "sheet/container/XmlReader.h"

namespace lomandra::ods {

namespace {

using container::xmlAttribute;

constexpr std::size_t kMaxDataStyles = 1u << 16;
constexpr std::size_t kMaxCodeBytes = 1024;
constexpr int kMaxDigits = 30;  // more digits than any number shows

constexpr std::array<std::string_view, 7> kFamilies = {
    "number-style", "currency-style", "percentage-style", "date-style",
    "time-style",   "boolean-style",  "text-style"};

std::string_view attribute(const char** attributes, std::string_view name) {
  const char* value = xmlAttribute(attributes, name);
  return value ? std::string_view(value) : std::string_view();
}

// A count attribute, within [0, kMaxDigits]; `absent` when missing or unreadable.
int count(const char** attributes, std::string_view name, int absent) {
  const std::string_view text = attribute(attributes, name);
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0)
    return absent;
  return std::min(value, kMaxDigits);
}

bool isLong(const char** attributes) { return attribute(attributes, "style") == "long"; }

// The integer digits of a number: `minimum` zeros, with thousands separators when grouped.
std::string integerDigits(int minimum, bool grouping) {
  if (!grouping) return minimum == 0 ? "#" : std::string(static_cast<std::size_t>(minimum), '0');
  // "#,##0" for one digit: the separator needs four places to show where it goes.
  std::string digits(static_cast<std::size_t>(std::max(minimum, 4)), '#');
  std::fill(digits.end() - minimum, digits.end(), '0');
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

std::string decimals(int places, int minimum) {
  if (places <= 0) return {};
  minimum = std::clamp(minimum, 0, places);
  return "." + std::string(static_cast<std::size_t>(minimum), '0') +
         std::string(static_cast<std::size_t>(places - minimum), '#');
}

// "value()>=0" -> ">=0"; "" when the condition is not a comparison of the value with a number.
std::string condition(std::string_view text) {
  std::string compact;
  for (const char c : text)
    if (c != ' ') compact += c;
  if (!compact.starts_with("value()")) return {};
  std::string rest = compact.substr(7);
  if (rest.starts_with("!=")) rest = "<>" + rest.substr(2);
  if (rest.empty() || (rest[0] != '<' && rest[0] != '>' && rest[0] != '=')) return {};
  return rest;
}

// Civil date to days since 1970-01-01 (proleptic Gregorian).
long long daysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

bool number(std::string_view text, double& out) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

void OdsDataStyles::literal(std::string_view text) {
  if (text.empty()) return;
  // Percent styles write their sign as text; unquoted it makes the code scale by 100 as the
  // style does.
  if (family_ == "percentage-style" && text == "%") {
    building_.code += '%';
    return;
  }
  building_.code += '"';
  for (const char c : text) {
    if (c == '"') building_.code += "\"\\\"\"";
    else building_.code += c;
  }
  building_.code += '"';
}

void OdsDataStyles::startElement(std::string_view name, const char** attributes) {
  if (current_.empty()) {
    if (std::find(kFamilies.begin(), kFamilies.end(), name) == kFamilies.end()) return;
    current_ = attribute(attributes, "name");
    if (current_.empty()) return;
    family_ = name;
    building_ = {};
    elapsed_ = attribute(attributes, "truncate-on-overflow") == "false";
    return;
  }
  if (literalDepth_ > 0) {
    ++literalDepth_;
    return;
  }
  std::string& code = building_.code;
  if (code.size() > kMaxCodeBytes) return;
  if (name == "text" || name == "currency-symbol") {
    literalDepth_ = 1;
    literal_.clear();
  } else if (name == "number") {
    const int places = count(attributes, "decimal-places", -1);
    // Without decimal places the number shows as General does.
    if (places < 0 && attribute(attributes, "min-integer-digits").empty()) {
      code += "General";
      return;
    }
    code += integerDigits(count(attributes, "min-integer-digits", 1),
                          attribute(attributes, "grouping") == "true");
    code += decimals(places, count(attributes, "min-decimal-places", places));
  } else if (name == "scientific-number") {
    code += integerDigits(std::max(1, count(attributes, "min-integer-digits", 1)), false);
    code += decimals(count(attributes, "decimal-places", 0), kMaxDigits);
    code += "E+" + std::string(static_cast<std::size_t>(std::max(1, count(attributes, "min-exponent-digits", 2))), '0');
  } else if (name == "fraction") {
    const int integer = count(attributes, "min-integer-digits", -1);
    if (integer >= 0) code += integerDigits(integer, false) + " ";
    code += std::string(static_cast<std::size_t>(std::max(1, count(attributes, "min-numerator-digits", 1))), '?');
    code += '/';
    const std::string_view denominator = attribute(attributes, "denominator-value");
    if (!denominator.empty() && denominator.size() <= 6 &&
        denominator.find_first_not_of("0123456789") == std::string_view::npos)
      code += denominator;
    else
      code += std::string(static_cast<std::size_t>(std::max(1, count(attributes, "min-denominator-digits", 1))), '?');
  } else if (name == "text-content") {
    code += '@';
  } else if (name == "boolean") {
    code += "General";
  } else if (name == "day") {
    code += isLong(attributes) ? "dd" : "d";
  } else if (name == "month") {
    const bool textual = attribute(attributes, "textual") == "true";
    code += textual ? (isLong(attributes) ? "mmmm" : "mmm") : (isLong(attributes) ? "mm" : "m");
  } else if (name == "year") {
    code += isLong(attributes) ? "yyyy" : "yy";
  } else if (name == "day-of-week") {
    code += isLong(attributes) ? "dddd" : "ddd";
  } else if (name == "hours") {
    const std::string hours = isLong(attributes) ? "hh" : "h";
    code += elapsed_ ? "[" + hours + "]" : hours;
  } else if (name == "minutes") {
    code += isLong(attributes) ? "mm" : "m";
  } else if (name == "seconds") {
    code += isLong(attributes) ? "ss" : "s";
    const int places = count(attributes, "decimal-places", 0);
    if (places > 0) code += "." + std::string(static_cast<std::size_t>(std::min(places, 3)), '0');
  } else if (name == "am-pm") {
    code += "AM/PM";
  } else if (name == "map") {
    const std::string when = condition(attribute(attributes, "condition"));
    const std::string_view applied = attribute(attributes, "apply-style-name");
    if (!when.empty() && !applied.empty() && building_.maps.size() < 2)
      building_.maps.emplace_back(when, applied);
  }
}

void OdsDataStyles::endElement(std::string_view name) {
  if (current_.empty()) return;
  if (literalDepth_ > 0) {
    if (--literalDepth_ == 0) literal(literal_);
    return;
  }
  if (name == family_) {
    if (styles_.size() < kMaxDataStyles) styles_[current_] = std::move(building_);
    current_.clear();
  }
}

void OdsDataStyles::characters(std::string_view text) {
  if (literalDepth_ > 0 && literal_.size() < kMaxCodeBytes) literal_.append(text);
}

std::string OdsDataStyles::code(std::string_view name) const {
  const auto found = styles_.find(std::string(name));
  if (found == styles_.end()) return {};
  const DataStyle& style = found->second;
  const std::string own = style.code.empty() ? "General" : style.code;
  if (style.maps.empty()) return own;
  // The mapped styles' sections first, each under its condition; the style's own code last.
  std::string result;
  for (const auto& [when, applied] : style.maps) {
    const auto mapped = styles_.find(applied);
    if (mapped == styles_.end()) continue;
    // Two sections split at zero need no condition: the second is for negative numbers.
    if (style.maps.size() == 1 && when == ">=0")
      return (mapped->second.code.empty() ? "General" : mapped->second.code) + ";" + own;
    result += "[" + when + "]" + (mapped->second.code.empty() ? "General" : mapped->second.code) + ";";
  }
  return result + own;
}

std::optional<double> odsDateSerial(std::string_view text) {
  // YYYY-MM-DD, then optionally THH:MM:SS(.fraction).
  if (text.size() < 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  int year = 0;
  unsigned month = 0, day = 0;
  if (std::from_chars(text.data(), text.data() + 4, year).ptr != text.data() + 4 ||
      std::from_chars(text.data() + 5, text.data() + 7, month).ptr != text.data() + 7 ||
      std::from_chars(text.data() + 8, text.data() + 10, day).ptr != text.data() + 10 ||
      month < 1 || month > 12 || day < 1 || day > 31)
    return std::nullopt;
  double serial = static_cast<double>(daysFromCivil(year, month, day) - daysFromCivil(1899, 12, 30));
  if (text.size() == 10) return serial;
  if (text[10] != 'T' || text.size() < 19 || text[13] != ':' || text[16] != ':') return std::nullopt;
  int hours = 0, minutes = 0;
  double seconds = 0;
  if (std::from_chars(text.data() + 11, text.data() + 13, hours).ptr != text.data() + 13 ||
      std::from_chars(text.data() + 14, text.data() + 16, minutes).ptr != text.data() + 16)
    return std::nullopt;
  std::string_view rest = text.substr(17);
  // A zone designator is not part of the shown time.
  const std::size_t zone = rest.find_first_of("Z+-");
  if (zone != std::string_view::npos) rest = rest.substr(0, zone);
  if (!number(rest, seconds) || hours > 24 || minutes > 59 || seconds >= 61) return std::nullopt;
  return serial + (hours * 3600 + minutes * 60 + seconds) / 86400.0;
}

std::optional<double> odsDurationDays(std::string_view text) {
  bool negative = false;
  if (text.starts_with('-')) {
    negative = true;
    text.remove_prefix(1);
  }
  if (!text.starts_with("PT") && !text.starts_with('P')) return std::nullopt;
  text.remove_prefix(1);
  double seconds = 0;
  bool inTime = false, any = false;
  while (!text.empty()) {
    if (text[0] == 'T') {
      inTime = true;
      text.remove_prefix(1);
      continue;
    }
    const std::size_t unit = text.find_first_of("YMWDHS");
    if (unit == std::string_view::npos || unit == 0) return std::nullopt;
    double value = 0;
    if (!number(text.substr(0, unit), value) || value < 0) return std::nullopt;
    const char u = text[unit];
    if (!inTime && u == 'D') seconds += value * 86400;
    else if (inTime && u == 'H') seconds += value * 3600;
    else if (inTime && u == 'M') seconds += value * 60;
    else if (inTime && u == 'S') seconds += value;
    else return std::nullopt;  // years, months and weeks have no fixed length
    any = true;
    text.remove_prefix(unit + 1);
  }
  if (!any) return std::nullopt;
  return (negative ? -seconds : seconds) / 86400.0;
}

}  // namespace lomandra::ods
