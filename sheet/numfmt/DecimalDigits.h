#pragma once

// A number as the spreadsheet application sees it for display: 15 significant decimal digits,
// rounded half away from zero on that decimal form (so 1.005 shows as 1.01 with two decimals,
// where rounding the binary double would give 1.00). Internal to the number-format engine.

namespace lomandra::numfmt {

struct DecimalDigits {
  char digit[24] = {};  // significant digits '0'..'9', no leading zeros, trailing zeros removed
  int count = 0;        // number of significant digits; 0 for zero
  int pointPos = 0;     // value = 0.d0 d1 d2 ... x 10^pointPos: digits before the decimal point

  bool isZero() const { return count == 0; }
  /// The digit at `index` counted from the first significant one; '0' outside.
  char at(int index) const { return index >= 0 && index < count ? digit[index] : '0'; }
  /// The n-th digit after the decimal point (n from 0).
  char fractionDigit(int n) const { return at(pointPos + n); }
  /// The number of digits before the decimal point (0 for values below 1).
  int integerLength() const { return count == 0 || pointPos < 0 ? 0 : pointPos; }
};

/// The 15-significant-digit decimal form of a finite, non-negative value.
DecimalDigits toDecimal15(double absValue);
/// The same through the exact 15-digit conversion alone (slower; the reference for the above).
DecimalDigits toDecimal15Exact(double absValue);
/// Rounds half away from zero to `decimals` places after the point (negative: to tens, ...).
void roundToDecimals(DecimalDigits& d, int decimals);

}  // namespace lomandra::numfmt
