#include "sheet/numfmt/WrittenNumber.h"

#include <QString>
#include <gtest/gtest.h>
#include <optional>

namespace lomandra::numfmt {
namespace {

// A text goes into the new workbook as a number only when General shows that number as the
// same text; every other row must stay text, or the cell would show something else.
struct WrittenCase {
  const char* text;  // UTF-8
  std::optional<double> number;
};

TEST(NumberWrittenAs, OnlyTextsThatGeneralShowsUnchangedBecomeNumbers) {
  const WrittenCase cases[] = {
      // General shows these exactly as written.
      {"0", 0.0}, {"123", 123.0}, {"-4.5", -4.5}, {"0.5", 0.5}, {"-0.5", -0.5},
      {"0.00001", 1e-5}, {"0.123456789", 0.123456789}, {"12345678901", 12345678901.0},
      {"-12345678901", -12345678901.0}, {"1E+20", 1e20}, {"-1E+20", -1e20},
      {"1.23457E+11", 1.23457e11}, {"1E-10", 1e-10}, {"3E-308", 3e-308}, {"1E+307", 1e307},
      // Zeros, signs and points General would not show.
      {"00123", {}}, {"0123.5", {}}, {".5", {}}, {"5.", {}}, {"1.50", {}}, {"0.0", {}},
      {"-0", {}}, {"-0.0", {}}, {"+1", {}}, {"--1", {}}, {"1.2.3", {}},
      // Scientific forms General writes otherwise, or not at all.
      {"1E5", {}}, {"1E20", {}}, {"1e+20", {}}, {"1E-05", {}}, {"1.0E+20", {}}, {"1E+020", {}},
      // More digits than General shows: the number would read differently.
      {"123456789012", {}}, {"123456789012345", {}}, {"1234567890123456", {}},
      {"0.1234567891", {}}, {"1.000000000000001", {}},
      // Beyond what a sheet holds, or nothing a number can be.
      {"1E+308", {}}, {"1E+400", {}}, {"2.22507E-308", {}}, {"1E-400", {}},
      {"inf", {}}, {"nan", {}}, {"0x10", {}}, {"", {}}, {"-", {}}, {".", {}}, {"E", {}}, {"1E", {}},
      // Formats, formulas, dates, spacing, other scripts' digits.
      {"1/2", {}}, {"12%", {}}, {"1,234", {}}, {"$5", {}}, {"=A1", {}}, {"=12", {}},
      {"2021-08-31", {}}, {"12:30", {}}, {"(12)", {}}, {" 12", {}}, {"12 ", {}}, {"1 2", {}},
      {"\t12", {}}, {"12\n", {}}, {"TRUE", {}},
      {"\xd9\xa1\xd9\xa2\xd9\xa3", {}},      // Arabic-Indic 123
      {"\xef\xbc\x91\xef\xbc\x92", {}},      // full-width 12
      {"\xe0\xa5\xa7", {}},                  // Devanagari 1
      {"1\xe2\x80\x8b", {}},                 // a zero-width space after the digit
      {"12345678901234567890123", {}},       // long texts end the check at once
  };
  for (const auto& c : cases) {
    const std::optional<double> got = numberWrittenAs(QString::fromUtf8(c.text));
    EXPECT_EQ(got.has_value(), c.number.has_value()) << '"' << c.text << '"';
    if (got && c.number) {
      EXPECT_EQ(*got, *c.number) << '"' << c.text << '"';
    }
  }
}

}  // namespace
}  // namespace lomandra::numfmt
