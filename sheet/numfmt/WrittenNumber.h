#pragma once

// The rule that decides whether a text written into a new workbook goes in as a number or as
// literal text, shared by every back end so the new workbook shows exactly the text merged.

#include <QStringView>
#include <optional>

#include "sheet/numfmt/Locale.h"

namespace lomandra::numfmt {

/// The number a written text stands for: only when that number, shown in the General format,
/// reads as the very same text ("123", "-4.5", "0.5", "1E+20"). Everything else stays text and
/// gives nothing: "00123", ".5", "1.50", "1E5", "-0", "+1", "1/2", "12%", "=A1", " 12", digits
/// that are not ASCII, and numbers a sheet cannot hold (past 9.99999999999999E+307, subnormal).
/// General is the locale's: in de-DE "1234,5" is a number and "1234.5" a text.
std::optional<double> numberWrittenAs(QStringView text, const Locale& locale = Locale::enUS());

}  // namespace lomandra::numfmt
