#include "sheet/numfmt/WrittenNumber.h"

#include <charconv>
#include <cmath>
#include <string>

#include <QString>

#include "sheet/numfmt/NumberFormat.h"

namespace lomandra::numfmt {

namespace {

// The longest text General shows: a minus sign, then at most 12 characters ("1.23457E+100").
constexpr qsizetype kLongestGeneral = 13;
// The largest number a sheet holds; typing more gives a text.
constexpr double kLargestNumber = 9.99999999999999E+307;

bool mayShowInGeneral(char16_t c) {
  return (c >= u'0' && c <= u'9') || c == u'.' || c == u'-' || c == u'+' || c == u'E';
}

}  // namespace

std::optional<double> numberWrittenAs(QStringView text, const Locale& locale) {
  if (text.isEmpty() || text.size() > kLongestGeneral) return std::nullopt;
  const QString decimal = QString::fromStdString(locale.decimal());
  char ascii[kLongestGeneral];
  std::size_t length = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (!decimal.isEmpty() && text.sliced(i).startsWith(decimal)) {
      // The locale's decimal separator reads as the point.
      ascii[length++] = '.';
      i += decimal.size() - 1;
      continue;
    }
    const char16_t c = text[i].unicode();
    if (!mayShowInGeneral(c) || (c == u'.' && decimal != u".")) return std::nullopt;
    ascii[length++] = static_cast<char>(c);
  }
  double value = 0;
  const auto [end, error] = std::from_chars(ascii, ascii + length, value, std::chars_format::general);
  if (error != std::errc() || end != ascii + length) return std::nullopt;
  if (!std::isfinite(value) || std::fabs(value) > kLargestNumber) return std::nullopt;
  if (std::fpclassify(value) == FP_SUBNORMAL) return std::nullopt;
  // The text must be what General shows for the number, character for character; this also
  // turns away "-0", whose number General shows as "0".
  if (QString::fromStdString(formatGeneral(value, locale)) != text) return std::nullopt;
  return value;
}

}  // namespace lomandra::numfmt
