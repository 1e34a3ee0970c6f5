// The built-in format ids whose code follows the system's regional settings, built from a
// locale's facts as the spreadsheet application builds them: the short date (14 and the East
// Asian date ids), the day-month-year forms 15-17 with the locale's separator, the time forms
// 20-22 with the locale's hour padding, the currency formats 5-8 and 41-44 from the symbol and
// its positive and negative patterns, and 37-40 with a minus sign instead of parentheses.

#include <string>

#include "sheet/numfmt/Locale.h"
#include "sheet/numfmt/NumberFormat.h"

namespace lomandra::numfmt {

namespace {

/// The currency symbol as a quoted literal.
std::string quotedSymbol(const std::string& symbol) {
  std::string out = "\"";
  for (char c : symbol)
    if (c != '"') out += c;
  out += '"';
  return out;
}

/// A number with the symbol placed by Windows' LOCALE_ICURRENCY.
std::string positiveCurrency(const std::string& number, const std::string& symbol, int pattern) {
  switch (pattern) {
    case 1: return number + symbol;
    case 2: return symbol + " " + number;
    case 3: return number + " " + symbol;
    default: return symbol + number;
  }
}

/// A negative number with symbol and sign placed by Windows' LOCALE_INEGCURR.
std::string negativeCurrency(const std::string& n, const std::string& s, int pattern) {
  switch (pattern) {
    case 0: return "(" + s + n + ")";
    case 2: return s + "-" + n;
    case 3: return s + n + "-";
    case 4: return "(" + n + s + ")";
    case 5: return "-" + n + s;
    case 6: return n + "-" + s;
    case 7: return n + s + "-";
    case 8: return "-" + n + " " + s;
    case 9: return "-" + s + " " + n;
    case 10: return n + " " + s + "-";
    case 11: return s + " " + n + "-";
    case 12: return s + " -" + n;
    case 13: return n + "- " + s;
    case 14: return "(" + s + " " + n + ")";
    case 15: return "(" + n + " " + s + ")";
    default: return "-" + s + n;
  }
}

std::string currencyCode(const Locale::Facts& f, bool decimals, bool red) {
  const std::string number = decimals ? "#,##0.00" : "#,##0";
  const std::string symbol = quotedSymbol(f.currency);
  return positiveCurrency(number, symbol, f.currencyPositive) + (red ? ";[Red]" : ";") +
         negativeCurrency(number, symbol, f.currencyNegative);
}

/// The accounting formats 41-44: the symbol (when `withSymbol`) beside a fill, a dash for zero.
std::string accountingCode(const Locale::Facts& f, bool decimals, bool withSymbol) {
  const std::string number = decimals ? "#,##0.00" : "#,##0";
  const std::string zero = decimals ? "\"-\"??" : "\"-\"";
  const std::string symbol = quotedSymbol(f.currency);
  // A sign that follows the symbol ($-1, $ -1) pads with spaces, the others with a dash's width.
  const bool signAfterSymbol = f.currencyNegative == 2 || f.currencyNegative == 12;
  const std::string pad = signAfterSymbol ? "_ " : "_-";
  std::string before, after;
  if (withSymbol) {
    switch (f.currencyPositive) {
      case 0: before = symbol; break;
      case 1: after = symbol; break;
      case 2: before = symbol + " "; break;
      default: after = " " + symbol; break;
    }
  }
  const auto section = [&](const std::string& sign, const std::string& body, bool padFront) {
    if (signAfterSymbol) return pad + before + "* " + sign + body + after + pad;
    return (padFront ? pad : sign) + before + "* " + body + after + pad;
  };
  return section("", number, true) + ";" + section("-", number, false) + ";" + section("", zero, true) + ";" +
         pad + "@" + pad;
}

/// "dd" when the short date pads the day, "d" otherwise.
std::string dayOf(const std::string& shortDate) { return shortDate.find("dd") != std::string::npos ? "dd" : "d"; }

/// "hh" when the system time pads the hour, "h" otherwise.
std::string hourOf(const std::string& time) { return time.find("hh") != std::string::npos ? "hh" : "h"; }

}  // namespace

bool isLocaleBoundBuiltin(int id) {
  switch (id) {
    case 5: case 6: case 7: case 8: case 14: case 15: case 16: case 17: case 20: case 21: case 22:
    case 27: case 28: case 29: case 30: case 31: case 32: case 33: case 34: case 35: case 36:
    case 37: case 38: case 39: case 40: case 41: case 42: case 43: case 44:
    case 50: case 51: case 52: case 53: case 54: case 55: case 56: case 57: case 58:
    case 71: case 72: case 73: case 74: case 75: case 76: case 77: case 78:
      return true;
    default:
      return false;
  }
}

std::string builtinFormatCode(int id, const Locale& locale) {
  if (locale.isEnUS() || !isLocaleBoundBuiltin(id)) return std::string(builtinFormatCode(id));
  const Locale::Facts& f = locale.facts();
  const std::string& shortDate = locale.shortDateCode();
  const std::string day = dayOf(shortDate);
  const std::string& sep = f.dayMonthSeparator;
  // Month and year alone drop a separator's leading point ("dd. mmm yy", but "mmm yy").
  const std::string monthYearSep = sep.size() > 1 && sep.back() == ' ' ? std::string(" ") : sep;
  const std::string hour = hourOf(locale.timeCode());
  switch (id) {
    case 5: return currencyCode(f, false, false);
    case 6: return currencyCode(f, false, true);
    case 7: return currencyCode(f, true, false);
    case 8: return currencyCode(f, true, true);
    case 15: case 73: return day + sep + "mmm" + monthYearSep + "yy";
    case 16: case 74: return day + sep + "mmm";
    case 17: case 75: return "mmm" + monthYearSep + "yy";
    case 20: case 76: return hour + ":mm";
    case 21: case 77: case 32: case 33: case 34: case 35: return hour + ":mm:ss";
    case 22: case 78: return shortDate + " " + hour + ":mm";
    case 37: return "#,##0;-#,##0";
    case 38: return "#,##0;[Red]-#,##0";
    case 39: return "#,##0.00;-#,##0.00";
    case 40: return "#,##0.00;[Red]-#,##0.00";
    case 41: return accountingCode(f, false, false);
    case 42: return accountingCode(f, false, true);
    case 43: return accountingCode(f, true, false);
    case 44: return accountingCode(f, true, true);
    default: return shortDate;  // 14 and the East Asian date ids
  }
}

}  // namespace lomandra::numfmt
