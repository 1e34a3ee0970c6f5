#include "sheet/numfmt/WrittenNumber.h"

#include <charconv>
#include <cmath>
#include <string>

#include "sheet/numfmt/NumberFormat.h"

namespace lomandra::numfmt {

namespace {

// The longest text General shows: a minus sign, then at most 12 characters ("1.23457E+100").
constexpr std::size_t kLongestGeneral = 13;
// The largest number a sheet holds; typing more gives a text.
constexpr double kLargestNumber = 9.99999999999999E+307;

bool mayShowInGeneral(char16_t c) {
  return (c >= u'0' && c <= u'9') || c == u'.' || c == u'-' || c == u'+' || c == u'E';
}

}  // namespace

std::optional<double> numberWrittenAs(std::u16string_view text, char16_t decimalSeparator) {
  if (text.empty() || text.size() > kLongestGeneral) return std::nullopt;
  // A separator that could be part of a number's other characters cannot be told apart.
  if (decimalSeparator != u'.' && (mayShowInGeneral(decimalSeparator) || decimalSeparator == u'\0'))
    return std::nullopt;
  char ascii[kLongestGeneral];
  const std::size_t length = text.size();
  for (std::size_t i = 0; i < length; ++i) {
    char16_t c = text[i];
    if (c == decimalSeparator) {
      c = u'.';
    } else if (c == u'.') {
      return std::nullopt;  // a point where the application shows another separator
    }
    if (!mayShowInGeneral(c)) return std::nullopt;
    ascii[i] = static_cast<char>(c);
  }
  double value = 0;
  const auto [end, error] = std::from_chars(ascii, ascii + length, value, std::chars_format::general);
  if (error != std::errc() || end != ascii + length) return std::nullopt;
  if (!std::isfinite(value) || std::fabs(value) > kLargestNumber) return std::nullopt;
  if (std::fpclassify(value) == FP_SUBNORMAL) return std::nullopt;
  // The text must be what General shows for the number, character for character; this also
  // turns away "-0", whose number General shows as "0".
  if (formatGeneral(value) != std::string_view(ascii, length)) return std::nullopt;
  return value;
}

}  // namespace lomandra::numfmt
