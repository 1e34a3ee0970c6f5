#include "sheet/numfmt/DecimalDigits.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace lomandra::numfmt {

namespace {

void stripTrailingZeros(DecimalDigits& d) {
  while (d.count > 0 && d.digit[d.count - 1] == '0') --d.count;
  if (d.count == 0) d.pointPos = 0;
}

}  // namespace

DecimalDigits toDecimal15Exact(double absValue) {
  DecimalDigits d;
  if (!(absValue > 0.0) || !std::isfinite(absValue)) return d;
  // "d.dddddddddddddde+XX": 15 correctly rounded significant digits.
  char buf[40];
  const auto res = std::to_chars(buf, buf + sizeof buf, absValue, std::chars_format::scientific, 14);
  const char* p = buf;
  const char* end = res.ptr;
  while (p < end && *p != 'e') {
    if (*p >= '0' && *p <= '9' && d.count < 15) d.digit[d.count++] = *p;
    ++p;
  }
  int exponent = 0;
  if (p < end) std::from_chars(p + (p[1] == '+' ? 2 : 1), end, exponent);
  d.pointPos = exponent + 1;
  stripTrailingZeros(d);
  return d;
}

DecimalDigits toDecimal15(double absValue) {
  DecimalDigits d;
  if (!(absValue > 0.0) || !std::isfinite(absValue)) return d;
  if (absValue < 1e15 && absValue == std::floor(absValue)) {
    // A whole number of at most 15 digits is its own 15-digit form (dates, counts, amounts in
    // whole units): written as an integer, without the general conversion.
    const auto res = std::to_chars(d.digit, d.digit + sizeof d.digit, static_cast<unsigned long long>(absValue));
    d.count = static_cast<int>(res.ptr - d.digit);
    d.pointPos = d.count;
    stripTrailingZeros(d);
    return d;
  }
  // The shortest digits that read back as the value (S), which the conversion finds about
  // twice as fast as 15 rounded digits. A normal double is within half a unit in its 17th digit of
  // S, far less than half a step of 15 digits, so: S of at most 15 digits is the 15-digit form
  // itself; a longer S rounds to it, as no 16-digit midpoint between two 15-digit forms can
  // lie between the value and S (it would be a shorter decimal reading back as the value,
  // nearer than S). Only an S of 16 digits ending in 5 is such a midpoint: which side the value
  // lies on is not in S, and the exact conversion decides.
  // Subnormal values carry fewer digits than that: they take the exact conversion.
  if (absValue < std::numeric_limits<double>::min()) return toDecimal15Exact(absValue);
  char buf[40];
  const auto res = std::to_chars(buf, buf + sizeof buf, absValue, std::chars_format::scientific);
  const char* p = buf;
  const char* end = res.ptr;
  char digits[20];
  int count = 0;
  for (; p < end && *p != 'e'; ++p)
    if (*p != '.' && count < 20) digits[count++] = *p;
  if (count > 17 || (count == 16 && digits[15] == '5')) return toDecimal15Exact(absValue);
  int exponent = 0;
  if (p < end) std::from_chars(p + (p[1] == '+' ? 2 : 1), end, exponent);
  d.count = std::min(count, 15);
  std::copy(digits, digits + d.count, d.digit);
  d.pointPos = exponent + 1;
  if (count > 15 && digits[15] >= '5') {
    int i = d.count - 1;
    while (i >= 0 && d.digit[i] == '9') d.digit[i--] = '0';
    if (i >= 0) {
      ++d.digit[i];
    } else {  // 999999999999999|5.. rounds up to the next power of ten
      d.digit[0] = '1';
      d.count = 1;
      d.pointPos += 1;
    }
  }
  stripTrailingZeros(d);
  return d;
}

void roundToDecimals(DecimalDigits& d, int decimals) {
  if (d.count == 0) return;
  const long keep = static_cast<long>(d.pointPos) + decimals;
  if (keep >= d.count) return;
  if (keep < 0) {
    d.count = 0;
    d.pointPos = 0;
    return;
  }
  const bool up = d.digit[keep] >= '5';
  d.count = static_cast<int>(keep);
  if (up) {
    int i = d.count - 1;
    while (i >= 0 && d.digit[i] == '9') {
      d.digit[i] = '0';
      --i;
    }
    if (i >= 0) {
      ++d.digit[i];
    } else {
      // Every kept digit was 9 (or none was kept): the value becomes the next power of ten.
      d.digit[0] = '1';
      d.count = 1;
      d.pointPos += 1;
      return;
    }
  }
  stripTrailingZeros(d);
}

}  // namespace lomandra::numfmt
