// Renders numbers with placeholder sections: fixed decimals, thousands separators, scaling,
// percent, scientific form and fractions.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "sheet/numfmt/DecimalDigits.h"
#include "sheet/numfmt/FormatSection.h"
#include "sheet/numfmt/Locale.h"

namespace lomandra::numfmt {

namespace {

/// What an unused placeholder shows: '0' a zero, '?' a space, '#' nothing.
void appendPad(char placeholder, std::string& out) {
  if (placeholder == '0') out += '0';
  else if (placeholder == '?') out += ' ';
}

/// Writes the digits of an integer into the integer placeholders, right-aligned; the first
/// placeholder takes every digit that has no placeholder of its own.
class IntegerWriter {
 public:
  IntegerWriter(std::string_view digits, int placeholders, bool grouping, std::string_view group = ",")
      : digits_(digits), placeholders_(placeholders), grouping_(grouping), group_(group) {}

  void write(char placeholder, std::string& out) {
    const int length = static_cast<int>(digits_.size());
    const int position = placeholders_ - 1 - index_;  // counted from the right, 0 = units
    if (index_ == 0) {
      for (int p = length - 1; p > position; --p) emit(digits_[static_cast<std::size_t>(length - 1 - p)], p, out);
    }
    if (position < length) emit(digits_[static_cast<std::size_t>(length - 1 - position)], position, out);
    else emitPad(placeholder, position, out);
    ++index_;
  }

 private:
  void separator(int position, std::string_view sep, std::string& out) const {
    if (grouping_ && position > 0 && position % 3 == 0) out += sep;
  }
  void emit(char digit, int position, std::string& out) const {
    out += digit;
    separator(position, group_, out);
  }
  void emitPad(char placeholder, int position, std::string& out) const {
    appendPad(placeholder, out);
    if (placeholder == '0') separator(position, group_, out);
    else if (placeholder == '?') separator(position, " ", out);
  }

  std::string_view digits_;
  int placeholders_;
  bool grouping_;
  std::string_view group_;
  int index_ = 0;
};

/// The integer digits of a rounded decimal ("" below 1).
std::string integerDigits(const DecimalDigits& d) {
  std::string s;
  const int n = d.integerLength();
  s.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) s += d.at(i);
  return s;
}

void renderFixed(const Section& s, double absValue, bool showMinus, const Locale& locale, std::string& out) {
  DecimalDigits d = toDecimal15(absValue);
  if (!d.isZero()) d.pointPos += s.powerOfTen;
  roundToDecimals(d, s.fractionDigits);
  const std::string intDigits = integerDigits(d);
  int lastNonZero = -1;
  for (int j = 0; j < s.fractionDigits; ++j) {
    if (d.fractionDigit(j) != '0') lastNonZero = j;
  }
  // A minus sign shows only when something other than zero is left after rounding: "0" and
  // "0.0" show -0.04 as "0" and "0.0". A section without placeholders always shows it.
  const bool placeholders = s.integerDigits + s.fractionDigits > 0;
  if (showMinus && (!placeholders || s.hasGeneral || !intDigits.empty() || lastNonZero >= 0)) out += '-';
  IntegerWriter integer(intDigits, s.integerDigits, s.grouping, locale.group());
  int fractionIndex = 0;
  for (const Part& p : s.parts) {
    switch (p.kind) {
      case PartKind::Literal: out += p.text; break;
      case PartKind::DecimalPoint: out += locale.decimal(); break;
      case PartKind::General: {
        double scaled = absValue;
        if (s.powerOfTen != 0) scaled *= std::pow(10.0, s.powerOfTen);
        appendGeneral(scaled, locale, out);
        break;
      }
      case PartKind::Digit:
        if (p.role == DigitRole::Integer) {
          integer.write(p.ch, out);
        } else if (p.role == DigitRole::Fraction) {
          if (fractionIndex <= lastNonZero) out += d.fractionDigit(fractionIndex);
          else appendPad(p.ch, out);
          ++fractionIndex;
        }
        break;
      default: break;
    }
  }
}

void renderScientific(const Section& s, double absValue, bool showMinus, const Locale& locale, std::string& out) {
  DecimalDigits d = toDecimal15(absValue);
  int exponent = 0;
  if (!d.isZero()) {
    d.pointPos += s.powerOfTen;
    // With several integer placeholders the exponent is a multiple of their count
    // (##0.0E+0 is engineering notation); without any, the mantissa is below 1.
    for (int attempt = 0; attempt < 3; ++attempt) {
      const int e = d.pointPos - 1;
      const int k = s.integerDigits;
      exponent = k > 1 ? static_cast<int>(std::floor(static_cast<double>(e) / k)) * k : e;
      if (k == 0) ++exponent;
      DecimalDigits m = d;
      m.pointPos -= exponent;
      const int before = m.pointPos;
      roundToDecimals(m, s.fractionDigits);
      if (!m.isZero() && m.pointPos > before) {
        // 9.99 -> 10.0: the rounding carried into a new digit, so the exponent may move.
        d = DecimalDigits{};
        d.digit[0] = '1';
        d.count = 1;
        d.pointPos = e + 2;
        continue;
      }
      d = m;
      break;
    }
  }
  if (showMinus) out += '-';
  const std::string intDigits = d.isZero() ? std::string() : integerDigits(d);
  int lastNonZero = -1;
  for (int j = 0; j < s.fractionDigits; ++j) {
    if (d.fractionDigit(j) != '0') lastNonZero = j;
  }
  char expBuf[16];
  const int absExp = exponent < 0 ? -exponent : exponent;
  const auto expRes = std::to_chars(expBuf, expBuf + sizeof expBuf, absExp);
  const std::string_view expDigits(expBuf, static_cast<std::size_t>(expRes.ptr - expBuf));
  IntegerWriter integer(intDigits, s.integerDigits, s.grouping, locale.group());
  IntegerWriter expWriter(expDigits, s.exponentDigits, false);
  int fractionIndex = 0;
  for (const Part& p : s.parts) {
    switch (p.kind) {
      case PartKind::Literal: out += p.text; break;
      case PartKind::DecimalPoint: out += locale.decimal(); break;
      case PartKind::Exponent:
        out += p.ch;
        if (exponent < 0) out += '-';
        else if (p.flag) out += '+';
        break;
      case PartKind::Digit:
        if (p.role == DigitRole::Integer) {
          // Zero shows a zero in every integer placeholder of a scientific mantissa.
          integer.write(d.isZero() ? '0' : p.ch, out);
        } else if (p.role == DigitRole::Fraction) {
          if (fractionIndex <= lastNonZero) out += d.fractionDigit(fractionIndex);
          else appendPad(p.ch, out);
          ++fractionIndex;
        } else if (p.role == DigitRole::ExponentDigits) {
          expWriter.write(p.ch, out);
        }
        break;
      default: break;
    }
  }
}


/// The last continued-fraction convergent of x whose denominator is at most maxDen. The
/// partial quotients are taken from the binary double in floating point, as the application
/// does: 0.9 expands as [0; 1, 8, 1, ...] (8/9 in one digit, where the exact 9/10 would leave
/// 1/1), and 12.3, whose fraction lies just above 0.3, keeps 1/3 where 0.3 itself gives 2/7.
void bestFraction(double x, std::uint64_t maxDen, std::uint64_t& outNum, std::uint64_t& outDen) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t h1 = 1, h2 = 0, k1 = 0, k2 = 1;
  outNum = 0;
  outDen = 1;
  double b = x;
  for (int guard = 0; guard < 64; ++guard) {
    const double whole = std::floor(b);
    if (!(whole < 1.8e19)) return;
    const auto a = static_cast<std::uint64_t>(whole);
    if (k1 != 0 && a > (maxDen - k2) / k1) return;  // the next denominator passes the limit
    if (h1 != 0 && a > (kMax - h2) / h1) return;
    const std::uint64_t h = a * h1 + h2;
    const std::uint64_t k = a * k1 + k2;
    outNum = h;
    outDen = k;
    const double rest = b - whole;
    if (rest <= 0.0) return;
    b = 1.0 / rest;
    h2 = h1; h1 = h;
    k2 = k1; k1 = k;
  }
}

/// Digits right-aligned in placeholders (the numerator): the first takes any surplus.
void appendRightAligned(std::string_view digits, const std::vector<char>& placeholders, std::size_t index, std::string& out) {
  const std::size_t n = placeholders.size();
  const std::size_t len = digits.size();
  if (index == 0 && len > n) out.append(digits.substr(0, len - n));
  const std::size_t fromRight = n - 1 - index;
  if (fromRight < len) out += digits[len - 1 - fromRight];
  else appendPad(placeholders[index], out);
}

std::string toText(std::uint64_t v) {
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

void renderFraction(const Section& s, double value, bool showMinus, const Locale& locale, std::string& out) {
  double absValue = std::fabs(value);
  if (s.powerOfTen != 0) absValue *= std::pow(10.0, s.powerOfTen);
  const bool mixed = s.integerDigits > 0;
  std::vector<char> numPlaceholders;
  std::vector<char> denPlaceholders;
  std::string_view writtenDenominator;
  bool anyQuestion = false;
  for (const Part& p : s.parts) {
    if (p.kind != PartKind::Digit) continue;
    if (p.role == DigitRole::Numerator) numPlaceholders.push_back(p.ch);
    if (p.role == DigitRole::Denominator) {
      if (s.fixedDenominator > 0) writtenDenominator = p.text;
      else denPlaceholders.push_back(p.ch);
    }
    if ((p.role == DigitRole::Numerator || p.role == DigitRole::Denominator) && p.ch == '?') anyQuestion = true;
  }
  // A trailing '#' in the numerator pads like '?' when the fraction uses '?' anywhere.
  if (anyQuestion && !numPlaceholders.empty() && numPlaceholders.back() == '#') numPlaceholders.back() = '?';
  auto countNonHash = [](const std::vector<char>& v) {
    int n = 0;
    for (char c : v) n += c != '#';
    return n;
  };
  const int numMin = countNonHash(numPlaceholders);
  const int denMin = s.fixedDenominator > 0 ? static_cast<int>(writtenDenominator.size()) : countNonHash(denPlaceholders);
  const bool fixedSlash = std::find(numPlaceholders.begin(), numPlaceholders.end(), '0') != numPlaceholders.end() ||
                          (s.fixedDenominator == 0 && std::find(denPlaceholders.begin(), denPlaceholders.end(), '0') != denPlaceholders.end());

  // The whole part and the binary fraction left beside it.
  if (!mixed && absValue >= 1e18) {
    // Too large for any fraction to show: the whole number over 1.
    if (showMinus) out += '-';
    out += integerDigits(toDecimal15(absValue));
    out += "/1";
    return;
  }
  const double wholePart = mixed ? std::floor(absValue) : 0.0;
  const double fractionPart = absValue - wholePart;
  std::string integer = mixed && wholePart != 0.0 ? integerDigits(toDecimal15(wholePart)) : std::string();

  std::string numerator;
  std::string denominator;
  bool haveFraction = fixedSlash || fractionPart != 0.0;
  if (fractionPart != 0.0) {
    haveFraction = true;
    std::uint64_t p = 0;
    std::uint64_t q = 1;
    if (s.fixedDenominator > 0) {
      // A written denominator rounds the binary fraction, as the application does
      // (36.305 with ?/100 shows 30/100).
      const double scaled = std::floor(fractionPart * s.fixedDenominator + 0.5);
      p = scaled > 1e18 ? 1000000000000000000ULL : static_cast<std::uint64_t>(scaled);
      q = static_cast<std::uint64_t>(s.fixedDenominator);
    } else {
      std::uint64_t maxDen = 1;
      for (std::size_t i = 0; i < denPlaceholders.size() && i < 18; ++i) maxDen *= 10;
      bestFraction(fractionPart, maxDen - 1, p, q);
    }
    if (mixed && p != 0 && p == q) {
      // The fraction rounded up to a whole: carry it into the integer part.
      integer = integerDigits(toDecimal15(wholePart + 1.0));
      p = 0;
    }
    if (p == 0 && (mixed || s.fixedDenominator > 0)) {
      haveFraction = fixedSlash;
    } else {
      numerator = toText(p);
      denominator = toText(q);
    }
  } else if (absValue == 0 && !mixed) {
    haveFraction = true;
    numerator = "0";
    denominator = "1";
  }
  if (mixed && !haveFraction && integer.empty()) integer = "0";
  if (showMinus) out += '-';

  // Which literal sits where: before the numerator, between numerator and bar, bar and denominator.
  std::size_t numIndex = 0;
  std::size_t denIndex = 0;
  IntegerWriter whole(integer, s.integerDigits, s.grouping, locale.group());
  for (std::size_t i = 0; i < s.parts.size(); ++i) {
    const Part& p = s.parts[i];
    switch (p.kind) {
      case PartKind::Literal: {
        const bool beforeNumerator = i + 1 < s.parts.size() && s.parts[i + 1].kind == PartKind::Digit &&
                                     s.parts[i + 1].role == DigitRole::Numerator;
        const bool beforeBar = i + 1 < s.parts.size() && s.parts[i + 1].kind == PartKind::Slash;
        const bool beforeDenominator = i + 1 < s.parts.size() && s.parts[i + 1].kind == PartKind::Digit &&
                                       s.parts[i + 1].role == DigitRole::Denominator;
        const bool spaces = p.text.find_first_not_of(' ') == std::string::npos;
        if (beforeNumerator && spaces) {
          if ((haveFraction || numMin > 0 || denMin > 0) && (!integer.empty() || numMin > 0)) out += p.text;
        } else if (beforeNumerator || beforeBar || beforeDenominator) {
          if (spaces || (haveFraction && (!beforeNumerator || !integer.empty()))) out += p.text;
          else if ((beforeBar && numMin > 0) || denMin > 0) out.append(p.text.size(), ' ');
        } else {
          out += p.text;
        }
        break;
      }
      case PartKind::Slash:
        if (haveFraction) out += '/';
        else if (numMin > 0 || denMin > 0) out += ' ';
        break;
      case PartKind::Digit:
        if (p.role == DigitRole::Integer) {
          whole.write(p.ch, out);
        } else if (p.role == DigitRole::Numerator) {
          appendRightAligned(numerator, numPlaceholders, numIndex++, out);
        } else if (p.role == DigitRole::Denominator) {
          if (s.fixedDenominator > 0) {
            // The written denominator, or blanks of its width when there is no fraction.
            for (std::size_t k = 0; k < p.text.size(); ++k) out += k < denominator.size() ? denominator[k] : ' ';
          } else {
            const std::size_t k = denIndex++;
            if (k < denominator.size()) {
              out += denominator[k];
              if (k + 1 == denPlaceholders.size() && denominator.size() > denPlaceholders.size())
                out.append(denominator.substr(denPlaceholders.size()));
            } else if (k + 1 == denPlaceholders.size() && p.ch == '0' && denominator.empty()) {
              out += '1';
            } else {
              appendPad(p.ch, out);
            }
          }
        }
        break;
      case PartKind::DecimalPoint: out += locale.decimal(); break;
      default: break;
    }
  }
}

}  // namespace

void renderNumber(const Section& s, double value, bool showMinus, const Locale& locale, std::string& out) {
  const double absValue = std::fabs(value);
  switch (s.kind) {
    case SectionKind::Scientific: renderScientific(s, absValue, showMinus && value != 0.0, locale, out); break;
    case SectionKind::Fraction: renderFraction(s, value, showMinus && value != 0.0, locale, out); break;
    default: renderFixed(s, absValue, showMinus && value != 0.0, locale, out); break;
  }
}

}  // namespace lomandra::numfmt
