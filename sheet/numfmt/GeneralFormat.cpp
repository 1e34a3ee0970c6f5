// General as a cell shows it when the column is wide enough: at most 11 characters (the decimal
// point counted, a minus sign aside), 15 significant digits at most, scientific form with six
// significant digits where the fixed form would not fit (1.23457E+11, 1.23457E-05, 1E-10).

#include <charconv>
#include <cmath>

#include "sheet/numfmt/DecimalDigits.h"
#include "sheet/numfmt/FormatSection.h"
#include "sheet/numfmt/Locale.h"
#include "sheet/numfmt/NumberFormat.h"

namespace lomandra::numfmt {

namespace {

constexpr int kGeneralWidth = 11;

void appendFixed(const DecimalDigits& d, const std::string& decimal, std::string& out) {
  if (d.pointPos <= 0) {
    out += '0';
  } else {
    for (int i = 0; i < d.pointPos; ++i) out += d.at(i);
  }
  if (d.count > d.pointPos) {
    out += decimal;
    for (int i = d.pointPos < 0 ? d.pointPos : 0; i < 0; ++i) out += '0';
    for (int i = d.pointPos > 0 ? d.pointPos : 0; i < d.count; ++i) out += d.digit[i];
  }
}

void appendScientific(DecimalDigits d, const std::string& decimal, std::string& out) {
  roundToDecimals(d, 5 - (d.pointPos - 1));  // six significant digits
  const int exponent = d.pointPos - 1;
  out += d.digit[0];
  if (d.count > 1) {
    out += decimal;
    out.append(d.digit + 1, static_cast<std::size_t>(d.count - 1));
  }
  out += 'E';
  out += exponent < 0 ? '-' : '+';
  const int e = exponent < 0 ? -exponent : exponent;
  if (e < 10) out += '0';
  char buf[8];
  const auto res = std::to_chars(buf, buf + sizeof buf, e);
  out.append(buf, res.ptr);
}

}  // namespace

void appendGeneral(double absValue, const Locale& locale, std::string& out) {
  const std::string& decimal = locale.decimal();
  if (std::isnan(absValue)) {
    out += "#NUM!";
    return;
  }
  if (std::isinf(absValue)) {
    out += "#NUM!";
    return;
  }
  DecimalDigits d = toDecimal15(absValue);
  if (d.isZero()) {
    out += '0';
    return;
  }
  const int exponent = d.pointPos - 1;
  if (exponent >= kGeneralWidth || exponent < -9) {
    appendScientific(d, decimal, out);
    return;
  }
  if (exponent >= 0) {
    // Integer digits plus as many decimals as fit beside them.
    const int decimals = exponent >= 9 ? 0 : kGeneralWidth - 2 - exponent;
    DecimalDigits r = d;
    roundToDecimals(r, decimals);
    if (r.pointPos > kGeneralWidth) {
      appendScientific(d, decimal, out);
      return;
    }
    appendFixed(r, decimal, out);
    return;
  }
  // Below 1: "0." and the leading zeros take room from the significant digits.
  const int fixedLength = 2 + (-exponent - 1) + d.count;
  if (fixedLength <= kGeneralWidth) {
    appendFixed(d, decimal, out);
    return;
  }
  if (exponent >= -4) {
    DecimalDigits r = d;
    roundToDecimals(r, kGeneralWidth - 2);
    appendFixed(r, decimal, out);
    return;
  }
  // Further below 1 the scientific form keeps more digits, unless its six significant digits
  // fit the fixed form anyway (9.99999999999E-05 shows as 0.0001).
  DecimalDigits r = d;
  roundToDecimals(r, 5 - exponent);
  if (2 + (-r.pointPos) + r.count <= kGeneralWidth) {
    appendFixed(r, decimal, out);
    return;
  }
  appendScientific(d, decimal, out);
}

std::string formatGeneral(double value, const Locale& locale) {
  std::string out;
  if (std::signbit(value) && value != 0.0 && !std::isnan(value)) out += '-';
  appendGeneral(std::fabs(value), locale, out);
  return out;
}

}  // namespace lomandra::numfmt
