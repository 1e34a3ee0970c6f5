#pragma once

// The compiled form of one section of a number format code, shared by the parser and the
// renderers. Internal to the number-format engine.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lomandra::numfmt {

struct LocaleNames;
class Locale;

/// What one element of a section stands for.
enum class PartKind : std::uint8_t {
  Literal,       // text shown as written (quoted, escaped, or a character shown as itself)
  Digit,         // a 0 # ? placeholder; `ch` holds the placeholder
  DecimalPoint,  // the decimal point of a number
  Exponent,      // E+ / E- (the sign rule is in `flag`: true shows '+')
  Slash,         // the fraction bar between numerator and denominator
  General,       // the General keyword inside a section
  TextValue,     // @: the cell's text
  Year,          // count 2 or 4
  BuddhistYear,  // bb / bbbb: the year plus 543
  Month,         // count 1..5 (m, mm, mmm, mmmm, mmmmm)
  Day,           // count 1..4 (d, dd, ddd, dddd)
  Hour,          // count 1 or 2
  Minute,        // count 1 or 2
  Second,        // count 1 or 2
  SubSecond,     // count digits of a second's fraction (.0 .00 .000)
  AmPm,          // AM/PM (flag false) or A/P (flag true, ch the written 'A' or 'a')
  ElapsedHours,  // [h]; count = minimum digits
  ElapsedMinutes,
  ElapsedSeconds,
  DateSeparator,  // '/' of a date or time section: the locale's date separator
  TimeSeparator,  // ':' of a date or time section: the locale's time separator
};

/// A section that shows one of the system's formats whatever else it holds.
enum class SystemFormat : std::uint8_t { None, LongDate, Time };

/// What the digit placeholders of a number section belong to.
enum class DigitRole : std::uint8_t { Integer, Fraction, ExponentDigits, Numerator, Denominator };

struct Part {
  PartKind kind = PartKind::Literal;
  char ch = 0;
  bool flag = false;
  DigitRole role = DigitRole::Integer;
  std::uint8_t count = 0;
  std::string text;  // Literal text (UTF-8)
};

/// The kind of rendering a section needs.
enum class SectionKind : std::uint8_t { Number, Scientific, Fraction, DateTime, Text, Empty };

enum class Comparison : std::uint8_t { None, Less, LessEqual, Greater, GreaterEqual, Equal, NotEqual };

struct Section {
  std::vector<Part> parts;
  SectionKind kind = SectionKind::Number;

  Comparison comparison = Comparison::None;
  double operand = 0.0;
  bool autoMinus = false;  // a negative number chosen for this section shows a minus sign

  // Number, Scientific and Fraction sections.
  int integerDigits = 0;     // placeholders before the decimal point (or the numerator)
  int fractionDigits = 0;    // placeholders after the decimal point
  int exponentDigits = 0;    // placeholders after E+/E-
  int exponentMinDigits = 0; // the '0' among them
  int numeratorDigits = 0;
  int denominatorDigits = 0;
  int fixedDenominator = 0;  // ?/16: the written denominator, 0 when it is to be found
  int powerOfTen = 0;        // 2 per percent sign, -3 per scaling comma
  bool grouping = false;     // thousands separators
  bool hasGeneral = false;
  bool hasText = false;      // contains @

  // DateTime sections.
  bool twelveHour = false;      // an AM/PM or A/P marker is present
  int secondDecimals = 0;       // the longest .0/.00/.000 after seconds
  bool hasDateParts = false;    // a year, month or day is shown
  bool hasTimeParts = false;    // an hour, minute, second, AM/PM or duration is shown
  bool elapsedOnly = false;     // only [h] [m] [s] (and their fractions): negatives show a minus
  const LocaleNames* names = nullptr;  // the locale tag's names and AM/PM; nullptr: the locale's
  SystemFormat system = SystemFormat::None;  // [$-F800] / [$-F400]
  bool invalid = false;         // the application refuses a code with this section

  bool matches(double v) const {
    switch (comparison) {
      case Comparison::None: return true;
      case Comparison::Less: return v < operand;
      case Comparison::LessEqual: return v <= operand;
      case Comparison::Greater: return v > operand;
      case Comparison::GreaterEqual: return v >= operand;
      case Comparison::Equal: return v == operand;
      case Comparison::NotEqual: return v != operand;
    }
    return true;
  }
};

/// The parsed sections of a code; `refused` when the application would not accept the code.
struct ParsedCode {
  std::vector<Section> sections;
  bool refused = false;
};

/// Splits and parses a whole code into sections (at most four kept; more refuse the code).
ParsedCode parseFormatCode(std::string_view code);

/// Renders a number with a Number, Scientific or Fraction section; `value` may be negative and
/// `showMinus` says whether a minus sign belongs in front.
void renderNumber(const Section& s, double value, bool showMinus, const Locale& locale, std::string& out);
/// Renders a date/time section; false when the value is no valid date (the caller shows '#').
bool renderDateTime(const Section& s, double value, bool date1904, const Locale& locale, std::string& out);
/// Renders the text section (or any section) with `text` in place of @.
void renderText(const Section& s, std::string_view text, std::string& out);
/// Appends General for |value| (no sign), with the locale's decimal separator.
void appendGeneral(double absValue, const Locale& locale, std::string& out);

}  // namespace lomandra::numfmt
