#pragma once

// Conversions between the value types as the spreadsheet application makes them, and the
// calendar of its serial day numbers.

#include <optional>
#include <string>
#include <string_view>

#include "sheet/formula/Value.h"

namespace lomandra::formula {

/// A number as a formula turns it into text: up to 15 significant digits, no grouping,
/// scientific ("1E+20") for very large and very small magnitudes.
std::string numberToText(double value);

/// A text read as a number the way arithmetic reads it: " 12 ", "1,234.5", "-1.5E3", "50%",
/// "$12", "(5)", dates ("2024-01-31", "1/31/2024", "31-Jan-2024") and times ("13:30",
/// "1:30 PM") as serial numbers of the given date system. nullopt when it is none of these.
std::optional<double> textToNumber(std::string_view text, bool date1904);

/// `value` rounded to 15 significant digits, as results are kept.
double round15(double value);

/// A civil date.
struct CivilDate {
  int year = 1900, month = 1, day = 1;
};

/// The serial number of a date; months and days out of range roll over (DATE's rule).
/// nullopt below the first day or past 9999-12-31.
std::optional<double> serialFromDate(int year, int month, int day, bool date1904);
/// The date of a serial number's whole days; serial 60 of the 1900 system is 1900-02-29.
CivilDate dateFromSerial(double serial, bool date1904);
/// The largest serial a date may have (9999-12-31).
double maxSerial(bool date1904);

/// Orders two values as comparisons do: numbers < texts < booleans, texts without regard to
/// case, empty as 0, "" or FALSE by what it meets. Negative, zero or positive.
int compareValues(const Value& a, const Value& b);

/// Case-insensitive equality of UTF-8 texts.
bool equalsIgnoringCase(std::string_view a, std::string_view b);
/// UTF-8 text in upper case (every script Qt knows).
std::string upperText(std::string_view text);

}  // namespace lomandra::formula
