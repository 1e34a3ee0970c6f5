#pragma once

// The rule that decides whether a text written into a new workbook goes in as a number or as
// literal text, shared by every back end so the new workbook shows exactly the text merged.
// Plain C++ (the Windows automation core uses it without the toolkit); callers that hold a
// QString get an overload of their own.

#include <optional>
#include <string_view>

#ifdef QT_CORE_LIB
#include <QStringView>
#endif

namespace lomandra::numfmt {

/// The number a written text stands for: only when that number, shown in the General format,
/// reads as the very same text ("123", "-4.5", "0.5", "1E+20"). Everything else stays text and
/// gives nothing: "00123", ".5", "1.50", "1E5", "-0", "+1", "1/2", "12%", "=A1", " 12", digits
/// that are not ASCII, and numbers a sheet cannot hold (past 9.99999999999999E+307, subnormal).
/// `decimalSeparator` is the one the spreadsheet application shows General numbers with ("1,5"
/// in a German installation); any other separator in the text makes it text.
std::optional<double> numberWrittenAs(std::u16string_view text, char16_t decimalSeparator = u'.');

#ifdef QT_CORE_LIB
inline std::optional<double> numberWrittenAs(QStringView text, char16_t decimalSeparator = u'.') {
  return numberWrittenAs(std::u16string_view(text.utf16(), static_cast<std::size_t>(text.size())),
                         decimalSeparator);
}
#endif

}  // namespace lomandra::numfmt
