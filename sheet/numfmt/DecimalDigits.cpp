#include "sheet/numfmt/DecimalDigits.h"

#include <charconv>
#include <cmath>

namespace lomandra::numfmt {

namespace {

void stripTrailingZeros(DecimalDigits& d) {
  while (d.count > 0 && d.digit[d.count - 1] == '0') --d.count;
  if (d.count == 0) d.pointPos = 0;
}

}  // namespace

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
