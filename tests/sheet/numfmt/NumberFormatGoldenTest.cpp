// Golden tables for the number-format engine: format code, value, the text the spreadsheet
// application shows. Rows were checked against the application's own CSV exports where the
// reference workbooks have them, and otherwise against the npm package numfmt (whose tables
// were checked against the application); a note says where a row follows a rule of its own.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "sheet/numfmt/NumberFormat.h"

namespace lomandra::numfmt {
namespace {

const std::string kHashes(kInvalidDateHashCount, '#');

struct NumberRow {
  const char* code;
  double value;
  std::string expected;
  const char* note = "";
};

struct TextRow {
  const char* code;
  const char* text;
  const char* expected;
  const char* note = "";
};

std::string describe(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

template <std::size_t N>
void checkNumbers(const NumberRow (&rows)[N], bool date1904 = false) {
  for (const NumberRow& row : rows) {
    const std::string got = NumberFormat::compile(row.code)->formatNumber(row.value, date1904);
    EXPECT_EQ(got, row.expected) << "code [" << row.code << "] value " << describe(row.value) << (date1904 ? " (1904)" : "")
                                 << "\n  got      [" << got << "]\n  expected [" << row.expected << "] " << row.note;
  }
}

template <std::size_t N>
void checkTexts(const TextRow (&rows)[N]) {
  for (const TextRow& row : rows) {
    const std::string got = NumberFormat::compile(row.code)->formatText(row.text);
    EXPECT_EQ(got, row.expected) << "code [" << row.code << "] text [" << row.text << "]\n  got      [" << got
                                 << "]\n  expected [" << row.expected << "] " << row.note;
  }
}

const NumberRow kGeneralRows[] = {
    {"General", 0.0, "0"},
    {"General", 1.0, "1"},
    {"General", -1.0, "-1"},
    {"General", 0.1, "0.1"},
    {"General", -0.5, "-0.5"},
    {"General", 1e-05, "0.00001"},
    {"General", 1.23456789e-05, "1.23457E-05"},
    {"General", 0.000123456789, "0.000123457"},
    {"General", 1e-09, "0.000000001"},
    {"General", 1e-10, "1E-10"},
    {"General", 1.5e-10, "1.5E-10"},
    {"General", 123456789012.0, "1.23457E+11"},
    {"General", 12345678901.0, "12345678901"},
    {"General", 99999999999.0, "99999999999"},
    {"General", 99999999999.5, "1E+11"},
    {"General", 1234567890.12, "1234567890"},
    {"General", -1234567890.12, "-1234567890"},
    {"General", 0.30000000000000004, "0.3"},
    {"General", 0.3333333333333333, "0.333333333"},
    {"General", -0.6666666666666666, "-0.666666667"},
    {"General", 1000000000000000.0, "1E+15"},
    {"General", 1e+100, "1E+100"},
    {"General", 1.7976931348623157e+308, "1.79769E+308"},
    {"General", 5e-324, "4.94066E-324"},
    {"General", 100000000000.0, "1E+11"},
    {"General", -1.234e-05, "-0.00001234"},
    {"General", 1234567.891234, "1234567.891"},
    {"General", 1.2345e-05, "0.000012345"},
    {"General", 123456.7890123, "123456.789"},
    {"General", 4018.99999998843, "4019"},
    {"General", -1.12778376512206, "-1.127783765"},
    {"General", 2147483647.0, "2147483647"},
    {"General", 2147483648.0, "2147483648"},
    {"General", 12345678901.5, "12345678902"},
    {"General", 0.999999999999, "1"},
    {"General", 9.99999999999e-05, "0.0001"},
    {"General", 3.14159265358979, "3.141592654"},
    {"General", 10000000000.0, "10000000000"},
    {"General", -100000000000.0, "-1E+11"},
    {"General", 1.5e+300, "1.5E+300"},
    {"General", 1e-300, "1E-300"},
};

const NumberRow kNumberRows[] = {
    {"0", 0.0, "0"},
    {"0", 1.5, "2"},
    {"0", 2.5, "3"},
    {"0", -1.5, "-2"},
    {"0", -0.4, "0", "a minus sign needs a non-zero result"},
    {"0", -0.6, "-1"},
    {"0", 1000000000000000.0, "1000000000000000"},
    {"0", 1.2345678901234568e+17, "123456789012346000", "15 significant digits"},
    {"0.00", 1.005, "1.01", "rounded on the 15-digit decimal"},
    {"0.00", 2.675, "2.68"},
    {"0.00", -1.005, "-1.01"},
    {"0.00", 0.0, "0.00"},
    {"0.00", -0.004, "0.00"},
    {"0.00", -0.005, "-0.01"},
    {"0.00", 1234.5, "1234.50"},
    {"0.00", 0.125, "0.13"},
    {"0.00", 1e-20, "0.00"},
    {"#,##0", 0.0, "0"},
    {"#,##0", 999.0, "999"},
    {"#,##0", 1000.0, "1,000"},
    {"#,##0", -1234567.0, "-1,234,567"},
    {"#,##0", 1234567.5, "1,234,568"},
    {"#,##0", 0.4, "0"},
    {"#,##0.00", 1234.5, "1,234.50"},
    {"#,##0.00", -1234.567, "-1,234.57"},
    {"#,##0.00", 0.5, "0.50"},
    {"#,##0.00", 1000000000.0, "1,000,000,000.00"},
    {"#,###", 0.0, ""},
    {"#,###", 1234.0, "1,234"},
    {"#", 0.0, ""},
    {"#", 5.0, "5"},
    {"#", 0.4, ""},
    {"#.##", 1.0, "1."},
    {"#.##", 1.5, "1.5"},
    {"#.##", 0.25, ".25"},
    {"#.##", 0.0, "."},
    {".00", 0.5, ".50"},
    {".00", 12.5, "12.50"},
    {"0.0#", 1.0, "1.0"},
    {"0.0#", 1.25, "1.25"},
    {"0.0#", 1.256, "1.26"},
    {"\?.\?\?", 1.5, "1.5 "},
    {"\?.\?\?", 0.25, " .25"},
    {"\?.\?\?", 12.0, "12.  "},
    {"00000", 123.0, "00123"},
    {"00000", -12.0, "-00012"},
    {"00000", 1234567.0, "1234567"},
    {"000-00-0000", 123456789.0, "123-45-6789"},
    {"000-00-0000", 12.0, "000-00-0012"},
    {"(###) ###-####", 5551234567.0, "(555) 123-4567"},
    {"(###) ###-####", 1234567.0, "() 123-4567"},
    {"\?,\?\?\?", 5.0, "    5"},
    {"\?,\?\?\?", 12345.0, "12,345"},
    {"0,000", 5.0, "0,005"},
    {"0.,", 12345.0, "12.", "a comma after the point still scales"},
    {"0.0,", 1234567.0, "1234.6", "a trailing comma scales by a thousand"},
    {"0.0,", 999.0, "1.0", "a trailing comma scales by a thousand"},
    {"#,##0,,\"M\"", 123456789.0, "123M"},
    {"#,##0,,\"M\"", -5000000.0, "-5M"},
    {"0.0,,\"M\"", 123456789.0, "123.5M"},
    {"#,##0.00,", 1234567.0, "1,234.57"},
    {"0%", 0.5, "50%"},
    {"0%", -0.125, "-13%"},
    {"0%", 1.0, "100%"},
    {"0%", 0.0001, "0%"},
    {"0.00%", 0.12345, "12.35%"},
    {"0.00%", 12345.6789, "1234567.89%"},
    {"\"Total: \"0.00", 3.0, "Total: 3.00"},
    {"\"Total: \"0.00", -3.0, "-Total: 3.00", "the minus sign goes in front of everything"},
    {"\\$0.00\\!", 3.5, "$3.50!"},
    {"$#,##0.00", -1234.5, "-$1,234.50"},
    {"0.00_);(0.00)", 1.5, "1.50 "},
    {"0.00_);(0.00)", -1.5, "(1.50)"},
    {"0*-", 12.0, "12", "a fill shows nothing: the column is taken as wide enough, no width is left over"},
    {"**0", 12.0, "12"},
    {"_(* #,##0_)", 1234.0, " 1,234 "},
    {"[Blue]0.00;[Red]-0.00", 1.0, "1.00"},
    {"[Blue]0.00;[Red]-0.00", -1.0, "-1.00"},
    {"[Color10]0", 7.0, "7"},
    {"[$€-407]#,##0.00", 1234.5, "€1,234.50", "a locale tag changes no separator in an en-US session"},
    {"#,##0.00\\ [$€-407]", -12.3, "-12.30 €"},
    {"[$USD] #,##0", 1500.0, "USD 1,500"},
    {"#,##0.00\\ [$EUR]", 1234.5, "1,234.50 EUR"},
    {"[$-409]0.0", 2.25, "2.3"},
    {"0 \"days\"", 3.0, "3 days"},
    {"0 \\h", 3.0, "3 h"},
    {"\"a\"\"b\"0", 1.0, "ab1"},
    {"0.0 \"%\"", 0.5, "0.5 %", "a quoted percent sign does not scale"},
    {"-0", 5.0, "-5"},
    {"-0", -5.0, "--5"},
    {"+0;-0;0", 5.0, "+5"},
    {"+0;-0;0", -5.0, "-5"},
    {"+0;-0;0", 0.0, "0"},
    {"0.00\\ ", 1.0, "1.00 "},
    {"00.00E+00", 12345.0, "01.23E+04"},
};

const NumberRow kScientificRows[] = {
    {"0.00E+00", 0.0, "0.00E+00"},
    {"0.00E+00", 12345.0, "1.23E+04"},
    {"0.00E+00", 0.000123, "1.23E-04"},
    {"0.00E+00", -12345.0, "-1.23E+04"},
    {"0.00E+00", 999900.0, "1.00E+06"},
    {"0.00E+00", 1e+100, "1.00E+100"},
    {"0.00E+00", 1.5e-300, "1.50E-300"},
    {"0.00E-00", 12345.0, "1.23E04"},
    {"0.00E-00", 0.000123, "1.23E-04"},
    {"0.0e+0", 12345.0, "1.2e+4"},
    {"##0.0E+0", 12345.0, "12.3E+3"},
    {"##0.0E+0", 0.000123, "123.0E-6"},
    {"##0.0E+0", 999999.0, "1.0E+6"},
    {"##0.0E+0", 1234567.0, "1.2E+6"},
    {"##0.0E+0", 0.0, "000.0E+0"},
    {"#.##E+0", 12345.0, "1.23E+4"},
    {".00E+00", 12345.0, ".12E+05"},
    {"0E+0", 5.0, "5E+0"},
    {"0E+0", 15.0, "2E+1"},
};

const NumberRow kFractionRows[] = {
    {"# \?/\?", 12.3, "12 1/3", "the binary fraction lies just above 0.3: [0; 3, 3, ...]"},
    {"# \?/\?", 0.5, " 1/2"},
    {"# \?/\?", -0.5, "- 1/2"},
    {"# \?/\?", 1.5, "1 1/2"},
    {"# \?/\?", 3.0, "3    "},
    {"# \?/\?", 0.0, "0    "},
    {"# \?/\?", 0.04, "0    "},
    {"# \?/\?", -1.2, "-1 1/5"},
    {"# \?/\?", 12345.6789, "12345 2/3"},
    {"# \?/\?", 2.96, "3    ", "the fraction rounds up to a whole and carries"},
    {"# \?\?/\?\?", -12.34, "-12 17/50"},
    {"# \?\?/\?\?", 1234.567, "1234 55/97"},
    {"# \?\?/\?\?", 12345.6789, "12345 55/81"},
    {"# \?\?/\?\?", 1.0, "1      "},
    {"# \?\?\?/\?\?\?", -12345.67891, "-12345 573/844"},
    {"# \?\?\?/\?\?\?", 123.456, "123  57/125"},
    {"\?/\?", 0.0, "0/1"},
    {"\?/\?", 3.0, "3/1"},
    {"\?/\?", 0.75, "3/4"},
    {"\?/\?", 2.5, "5/2"},
    {"# \?/2", 12.3, "12 1/2"},
    {"# \?/2", 1.0, "1    "},
    {"# \?/4", 1.2, "1 1/4"},
    {"# \?/4", 123.456, "123 2/4"},
    {"# \?\?/16", 3.0, "3      "},
    {"# \?\?/16", 0.5, "  8/16"},
    {"# \?\?/16", 12.3, "12  5/16"},
    {"# \?/10", 1.2, "1 2/10"},
    {"# \?\?/100", 36.305, "36 30/100", "a written denominator rounds the binary fraction"},
    {"# \?\?/100", -1.2, "-1 20/100"},
    {"0/0", 0.3, "2/7", "0.3 lies just below 3/10 in binary: [0; 3, 2, 1, ...]"},
    // The last convergent whose denominator fits, the partial quotients taken in floating point.
    {"# \?/\?", 0.9, " 8/9", "1/0.9 - 1 inverts to 8.99..., so 8/9 is a convergent"},
    {"# \?/\?", 1.1, "1 1/9"},
    {"# \?/\?", -0.3, "- 2/7"},
    {"# \?/\?", -123.456, "-123 1/2", "convergents only: 4/9 is nearer but is no convergent"},
    {"# \?\?/\?\?", -0.91, "- 81/89"},
    {"# \?\?/\?\?", 0.03, "  2/67"},
    {"# \?\?/\?\?", -1.01, "-1  1/99"},
    {"\?\?\?/\?\?\?", 0.999, "998/999"},
    {"\?\?\?/\?\?\?", 0.5, "  1/2  "},
    {"\?/\?", 58.094, "58/1", "the first convergent is the last that fits"},
    {"# \?\?/\?\?", 0.999, "1      ", "no convergent but 1/1 fits: it carries into the whole number"},
    {"# \?/\?", 1e15 + 0.5, "1000000000000000 1/2"},
    {"#,##0 \?/\?", 12345.5, "12,345 1/2"},
    {"#,##0 \?/\?", 0.25, "0 1/4"},
};

const NumberRow kSectionsRows[] = {
    {"0;-0;\"zero\"", 5.0, "5"},
    {"0;-0;\"zero\"", -5.0, "-5"},
    {"0;-0;\"zero\"", 0.0, "zero"},
    {"0;(0)", -5.0, "(5)"},
    {"0;(0)", -0.1, "(0)", "the sign picks the section before rounding"},
    {"0;(0)", 0.0, "0"},
    {"0;;", 5.0, "5"},
    {"0;;", -5.0, ""},
    {"0;;", 0.0, ""},
    {";;;", 5.0, ""},
    {";;;", -5.0, ""},
    {";;;", 0.0, ""},
    {"\"pos \"0;\"neg \"0;\"zero\";\"text \"@", 1.0, "pos 1"},
    {"\"pos \"0;\"neg \"0;\"zero\";\"text \"@", -1.0, "neg 1"},
    {"\"pos \"0;\"neg \"0;\"zero\";\"text \"@", 0.0, "zero"},
    {"0.00;@", -1.5, "-1.50"},
    {"@", 1.5, "1.5"},
    {"General;General", -3.0, "3"},
    {"General;-General", -3.0, "-3"},
    {"[Red]", 12.5, "12.5", "a colour alone shows General"},
    {"[Red]", -12.5, "-12.5", "a colour alone shows General"},
    {"_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"_);_(@_)", 1234.0, " 1,234 "},
    {"_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"_);_(@_)", -1234.0, " (1,234)"},
    {"_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"_);_(@_)", 0.0, " - "},
    {"_(\"$\"* #,##0.00_);_(\"$\"* \\(#,##0.00\\);_(\"$\"* \"-\"\?\?_);_(@_)", 1337.0, " $1,337.00 "},
    {"_(\"$\"* #,##0.00_);_(\"$\"* \\(#,##0.00\\);_(\"$\"* \"-\"\?\?_);_(@_)", -1.2, " $(1.20)"},
    {"_(\"$\"* #,##0.00_);_(\"$\"* \\(#,##0.00\\);_(\"$\"* \"-\"\?\?_);_(@_)", 0.0, " $-   "},
};
const TextRow kSectionsTextRows[] = {
    {";;;", "abc", ""},
    {"\"pos \"0;\"neg \"0;\"zero\";\"text \"@", "abc", "text abc"},
    {"0.00;@", "x", "x"},
    {"0;0;0;\"fixed\"", "anything", "fixed"},
    {"@", "abc", "abc"},
    {"\"[\" @ \"]\"", "abc", "[ abc ]"},
    {"0", "text stays", "text stays"},
    {"_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"_);_(@_)", "abc", " abc "},
};

const NumberRow kConditionsRows[] = {
    {"[>100]\"big\";[<-5]\"small\";\"mid\"", 101.0, "big"},
    {"[>100]\"big\";[<-5]\"small\";\"mid\"", -6.0, "small"},
    {"[>100]\"big\";[<-5]\"small\";\"mid\"", 0.0, "mid"},
    {"[>100]\"big\";[<-5]\"small\";\"mid\"", -5.0, "-mid"},
    {"[<=100]0.0;0", 5.0, "5.0"},
    {"[<=100]0.0;0", 150.0, "150"},
    {"[<=100]0.0;0", -5.0, "-5.0"},
    {"[=1]\"one\";0", 1.0, "one"},
    {"[=1]\"one\";0", 2.0, "2"},
    {"[=1]\"one\";0", -2.0, "-2"},
    {"[Red][<-25]General;[Blue][>25]General;[Green]General;[Yellow]General\\ ", -26.0, "26"},
    {"[Red][<-25]General;[Blue][>25]General;[Green]General;[Yellow]General\\ ", -25.0, "-25"},
    {"[Red][<-25]General;[Blue][>25]General;[Green]General;[Yellow]General\\ ", 26.0, "26"},
    {"[Red][<-25]General;[Blue][>25]General;[Green]General;[Yellow]General\\ ", 0.0, "0"},
    {"[Red][<=-25]General;[Blue][>=25]General;[Green]General;[Yellow]General", -25.0, "25"},
    {"[Red][<=-25]General;[Blue][>=25]General;[Green]General;[Yellow]General", 25.0, "25"},
    {"[Red][<=-25]General;[Blue][>=25]General;[Green]General;[Yellow]General", -1.0, "-1"},
    {"[Red][=50]General;[Blue]000", 50.0, "50"},
    {"[Red][=50]General;[Blue]000", 51.0, "051"},
    {"[Red][=50]General;[Blue]000", 49.0, "049"},
    {"[Red][<>50]General;[Blue]000", 50.0, "050"},
    {"[Red][<>50]General;[Blue]000", 51.0, "51"},
    {"[<=9999999]###-####;(###) ###-####", 5551234.0, "555-1234"},
    {"[<=9999999]###-####;(###) ###-####", 5551234567.0, "(555) 123-4567"},
    {"[<=9999999]###-####;(###) ###-####", 1.0, "-1"},
    {"[<=9999999]###-####;(###) ###-####", -1.2, "--1"},
    {"[>=100]0;[<0]\"neg\"", 5.0, kHashes, "no section takes the value: the cell fills with #"},
    {"[>=100]0;[<0]\"neg\"", 150.0, "150"},
    {"[>=100]0;[<0]\"neg\"", -1.0, "neg"},
    {"[<0]\"neg\";0", -4.0, "neg"},
    {"[<0]\"neg\";0", 4.0, "4"},
    {"[<0]\"neg\";0", 0.0, "0"},
    {"[>0]0;0", -4.0, "-4", "after [>0] the second section shows the minus sign"},
    {"[>-1]0;0", -4.0, "4", "the second section takes the negatives without a minus sign"},
    {"[>=0]0;0", -4.0, "-4", "after [>=0] the second section shows the minus sign"},
};
const TextRow kConditionsTextRows[] = {
    {"[Red][<-25]General;[Blue][>25]General;[Green]General;[Yellow]General\\ ", "foo", "foo "},
};

const NumberRow kDateRows[] = {
    {"m/d/yy", 41923.0, "10/11/14"},
    {"m/d/yy", 0.0, "1/0/00"},
    {"m/d/yy", 1.0, "1/1/00"},
    {"m/d/yy", 60.0, "2/29/00", "the fictitious 29 February 1900"},
    {"m/d/yy", 61.0, "3/1/00"},
    {"m/d/yy", 59.0, "2/28/00"},
    {"m/d/yy", 2958465.0, "12/31/99"},
    {"m/d/yy", 2958466.0, kHashes, "past 31 December 9999"},
    {"m/d/yy", -1.0, kHashes, "negative"},
    {"d-mmm-yy", 0.0, "0-Jan-00"},
    {"d-mmm-yy", 12345.6789, "18-Oct-33"},
    {"d-mmm-yy", 43831.0, "1-Jan-20"},
    {"yyyy-mm-dd", 45000.0, "2023-03-15"},
    {"yyyy-mm-dd", 1.0, "1900-01-01"},
    {"yyyy-mm-dd", 2958465.99999, "9999-12-31"},
    {"yyyy-mm-dd", 36526.0, "2000-01-01"},
    {"dddd, mmmm d, yyyy", 0.0, "Saturday, January 0, 1900"},
    {"dddd, mmmm d, yyyy", 1.0, "Sunday, January 1, 1900"},
    {"dddd, mmmm d, yyyy", 61.0, "Thursday, March 1, 1900"},
    {"dddd, mmmm d, yyyy", 45000.0, "Wednesday, March 15, 2023"},
    {"ddd dd mmm yy", 45001.0, "Thu 16 Mar 23"},
    {"mmmmm", 45000.0, "M"},
    {"mmmmm", 45300.0, "J"},
    {"mmm-yyyy", 45000.0, "Mar-2023"},
    {"yyy", 45000.0, "2023"},
    {"y", 45000.0, "23"},
    {"DD/MM/YYYY", 45000.0, "15/03/2023", "date letters in upper case"},
    {"[$-409]mmmm d, yyyy", 45000.0, "March 15, 2023"},
    {"[$-F800]dddd\\,\\ mmmm\\ dd\\,\\ yyyy", 1.3333, "Sunday, January 1, 1900", "the system long date replaces the written code"},
    {"d \"of\" mmmm", 45000.0, "15 of March"},
    {"bbbb-mm-dd", 45000.0, "2566-03-15"},
    {"B1yyyy", 45000.0, "2023", "B1 names the Gregorian calendar"},
    {"e", 45000.0, "2023"},
    {"dd/mm/yyyy;@", 45000.0, "15/03/2023"},
    {"m/d/yy h:mm", 12345.6789, "10/18/33 16:17"},
    {"m/d/yy h:mm", 0.99999, "1/0/00 23:59"},
    {"m/d/yy h:mm", 0.999999, "1/1/00 0:00", "rounding to the second reaches the next day"},
    {"yyyy-mm-dd hh:mm:ss", 45000.5, "2023-03-15 12:00:00"},
    {"yyyy-mm-dd hh:mm:ss", 45000.99999999, "2023-03-16 00:00:00"},
    {"yyyy-mm-dd", 45000.9999999, "2023-03-15", "without a time part the day is not rounded up"},
    {"yyyy-mm-dd AM/PM", 45000.9999999, "2023-03-16 AM"},
    {"mm/dd/yyyy", 1462.0, "01/01/1904"},
    {"mm/dd/yyyy", 1461.0, "12/31/1903"},
};

const NumberRow kDates1904Rows[] = {
    {"yyyy-mm-dd", 0.0, "1904-01-01", "the 1904 date system"},
    {"yyyy-mm-dd", 1.0, "1904-01-02", "the 1904 date system"},
    {"yyyy-mm-dd", 366.0, "1905-01-01", "the 1904 date system"},
    {"yyyy-mm-dd", 2957003.0, "9999-12-31", "the 1904 date system"},
    {"yyyy-mm-dd", 2957004.0, kHashes, "the 1904 date system"},
    {"yyyy-mm-dd", -1.0, kHashes, "the 1904 date system"},
    {"dddd", 0.0, "Friday", "1904-01-01 was a Friday"},
};

const NumberRow kTimeRows[] = {
    {"h:mm:ss AM/PM", 12345.6789, "4:17:37 PM"},
    {"h:mm:ss AM/PM", 0.0, "12:00:00 AM"},
    {"h:mm:ss AM/PM", 0.5, "12:00:00 PM"},
    {"h:mm:ss AM/PM", 0.75, "6:00:00 PM"},
    {"h:mm AM/PM", 0.04166666666666666, "1:00 AM"},
    {"h AM/PM", 0.6, "2 PM"},
    {"h:mm am/pm", 0.6, "2:24 PM", "am/pm shows in capitals"},
    {"h A/P", 0.25, "6 A"},
    {"h A/P", 0.8, "7 P"},
    {"hh:mm A/P", 0.8, "07:12 P"},
    {"h:mm", 0.4375, "10:30"},
    {"h:mm", 0.43749, "10:29"},
    {"h:mm", 0.4374999, "10:30", "10:29:59.99 rounds to the second first"},
    {"h:mm", 1.5, "12:00"},
    {"h:mm:ss", 12345.6789, "16:17:37"},
    {"h:mm:ss", 0.99998842592, "23:59:59"},
    {"h:mm:ss", 0.999994212962963, "0:00:00", "86399.5 seconds round up"},
    {"h:mm:ss", 0.99999999, "0:00:00"},
    {"hh:mm:ss", 0.0416666666666667, "01:00:00"},
    {"mm:ss", 12345.6789, "17:37"},
    {"mm:ss.0", 12345.6789, "17:37.0"},
    {"mm:ss.0", 1.1574e-05, "00:01.0"},
    {"mmss.0", 12345.6789, "1737.0"},
    // Minutes before seconds with a fraction keep their colon; m beside a fraction of a second.
    {"mm:ss.0", 0.0, "00:00.0", "built-in 47"},
    {"m:ss.0", 0.0123456, "17:46.7"},
    {"mm:ss.00", 0.99999999, "00:00.00", "rounding to the hundredth reaches the next minute"},
    {"[mm]:ss.0", 0.1234567, "177:46.7"},
    {"[h]:mm:ss.000", 1.2345678, "29:37:46.658"},
    {"h:mm:ss.0 AM/PM", 0.75, "6:00:00.0 PM"},
    {"hh:mm.0", 0.5123456, "12:17.7", "mm after hh is the minute"},
    {"ss.0 mm", 0.0123456, "46.7 17", "mm after ss is the minute"},
    {"mm.0", 0.0123456, "01.7", "mm beside no hour or second is the month"},
    {"[$-F400]h:mm:ss AM/PM", 0.9461111, "10:42:24 PM", "the system time of Windows en-US"},
    {"[$-x-systime]hh:mm", 0.25, "6:00:00 AM"},
    {"hh:mm:ss.000", 0.5000001, "12:00:00.009"},
    {"hh:mm:ss.000", 0.123456789, "02:57:46.667"},
    {"ss.00", 1.736111111111111e-05, "01.50"},
    {"ss.00", 0.0006944328703703704, "00.00"},
    {"h:mm:ss.0", 0.99999999, "0:00:00.0"},
    {"m", 45000.0, "3", "m alone is the month"},
    {"h m", 0.5048611111111111, "12 7", "m after h is the minute"},
    {"m:ss", 0.5049189814814815, "7:05", "m before ss is the minute"},
    {"hh \"h\" mm \"min\"", 0.25069444444444444, "06 h 01 min"},
};

const NumberRow kElapsedRows[] = {
    {"[h]:mm:ss", 12345.6789, "296296:17:37"},
    {"[h]:mm:ss", 1.5, "36:00:00"},
    {"[h]:mm:ss", 0.0, "0:00:00"},
    {"[h]:mm:ss", -1.0, kHashes, "a duration with a clock part cannot be negative"},
    {"[hh]:mm", 0.25, "06:00"},
    {"[hh]:mm", 2.0, "48:00"},
    {"[mm]:ss", 0.5, "720:00"},
    {"[mm]:ss", 0.0007060185185185185, "01:01"},
    {"[m]", 1.0, "1440"},
    {"[ss]", 1.0, "86400"},
    {"[s].00", 1.736111111111111e-05, "1.50"},
    {"[HH]", -1.2, "-28", "a duration alone may be negative"},
    {"[HH]", 12.3, "295"},
    {"[S]", -1.2, "-103680"},
    {"HH[M]", 1.0, "1", "refused by the application: General"},
    {"HH[M]", 12.3, "12.3"},
};

// Locale tags: the names and AM/PM markers of the tagged language, as the application shows
// them (abbreviations from Windows' data, not CLDR's where the two differ); separators stay en-US.
const NumberRow kLocaleRows[] = {
    {"[$-407]dddd, d. mmmm yyyy", 0.0, "Samstag, 0. Januar 1900"},
    {"[$-40C]d mmmm yyyy", 59.0, "28 février 1900"},
    {"[$-407]mmmm|mmm|mmmmm|dddd|ddd|AM/PM", 45000.75, "März|Mrz|M|Mittwoch|Mi|PM"},
    {"[$-807]mmmm|mmm|mmmmm|dddd|ddd|AM/PM", 45000.75, "März|Mär|M|Mittwoch|Mi|PM"},
    {"[$-40C]mmmm|mmm|mmmmm|dddd|ddd|AM/PM", 45000.75, "mars|mars|m|mercredi|mer.|PM"},
    {"[$-410]mmmm|mmm|mmmmm|dddd|ddd|AM/PM", 45000.75, "marzo|mar|m|mercoledì|mer|PM"},
    {"[$-C0A]mmmm|mmm|mmmmm|dddd|ddd|AM/PM", 45000.75, "marzo|mar.|m|miércoles|mi.|PM"},
    {"[$-80A]mmmm|mmm|mmmmm|dddd|ddd|AM/PM", 45000.75, "marzo|mar.|m|miércoles|mié.|p. m."},
    {"[$-416]mmmm|mmm|mmmmm|dddd|ddd|AM/PM", 45000.75, "março|mar|m|quarta-feira|qua|PM"},
    {"[$-816]mmmm|mmm|mmmmm|dddd|ddd|AM/PM", 45000.75, "março|mar|m|quarta-feira|qua|PM"},
    {"[$-413]mmmm|mmm|mmmmm|dddd|ddd|AM/PM", 45000.75, "maart|mrt|m|woensdag|wo|PM"},
    {"[$-41D]mmmm|mmm|mmmmm|dddd|ddd|AM/PM", 45000.75, "mars|mar|m|onsdag|ons|em"},
    {"[$-406]mmmm|mmm|mmmmm|dddd|ddd|AM/PM", 45000.75, "marts|mar|m|onsdag|on|PM"},
    {"[$-414]mmmm|mmm|mmmmm|dddd|ddd|AM/PM", 45000.75, "mars|mar|m|onsdag|ons|p.m."},
    {"[$-40B]mmmm|mmm|mmmmm|dddd|ddd|AM/PM", 45000.75, "maaliskuu|maalis|m|keskiviikko|ke|ip."},
    {"[$-415]mmmm|mmm|mmmmm|dddd|ddd|AM/PM", 45000.75, "marzec|mar|m|środa|śr.|PM"},
    {"[$-405]mmmm|mmm|mmmmm|dddd|ddd|AM/PM", 45000.75, "březen|III|b|středa|st|odp."},
    {"[$-40E]mmmm|mmm|mmmmm|dddd|ddd|AM/PM", 45000.75, "március|márc.|m|szerda|Sze|du."},
    {"[$-419]mmmm|mmm|mmmmm|dddd|ddd|AM/PM", 45000.75, "Март|мар|М|среда|Ср|PM"},
    {"[$-FC19]mmmm|mmm|mmmmm|dddd|ddd|AM/PM", 45000.75, "марта|мар|м|среда|Ср|PM"},
    {"[$-41F]mmmm|mmm|mmmmm|dddd|ddd|AM/PM", 45000.75, "Mart|Mar|M|Çarşamba|Çar|ÖS"},
    {"[$-408]mmmm|mmm|mmmmm|dddd|ddd|AM/PM", 45000.75, "Μαρτίου|Μαρ|Μ|Τετάρτη|Τετ|μμ"},
    {"[$-411]mmmm|mmm|mmmmm|dddd|ddd|AM/PM", 45000.75, "3月|3|3|水曜日|水|午後"},
    {"[$-804]mmmm|mmm|mmmmm|dddd|ddd|AM/PM", 45000.75, "三月|3月|三|星期三|周三|下午"},
    {"[$-404]mmmm|mmm|mmmmm|dddd|ddd|AM/PM", 45000.75, "三月|三月|三|星期三|週三|下午"},
    {"[$-412]mmmm|mmm|mmmmm|dddd|ddd|AM/PM", 45000.75, "3월|3|3|수요일|수|오후"},
    {"[$-409]mmmm|mmm|mmmmm|dddd|ddd|AM/PM", 45000.75, "March|Mar|M|Wednesday|Wed|PM"},
    {"[$-9999]mmmm|mmm|mmmmm|dddd|ddd|AM/PM", 45000.75, "March|Mar|M|Wednesday|Wed|PM", "an unknown language shows en-US"},
    {"[$-419]ddd dddd", 1.0, "Вс воскресенье", "the week starts on Sunday in every table"},
    {"[$-411]dddd", 7.0, "土曜日"},
    {"[$-40B]ddd dddd", 7.0, "la lauantai", "nominative, not CLDR's essive lauantaina"},
    {"[$-40C]mmm yyyy", 45275.0, "déc. 2023"},
    {"[$-405]mmm mmmmm", 45275.0, "XII p", "mmmmm is the first letter of the full name"},
    {"[$-de-DE]mmmm", 45000.0, "März", "a language tag in place of the hex id"},
    {"[$-ru-RU-x-genlower]d mmmm", 45000.0, "15 марта"},
    {"[$€-407]d mmmm", 45000.0, "€15 März", "the symbol as today, the names of the language"},
    {"[$-411]h A/P", 0.75, "6 P", "A/P is written as it stands"},
    {"[$-407]#,##0.00", 1234.5, "1,234.50", "separators stay those of the en-US session"},
    {"[$-F800]dddd, mmmm dd, yyyy", 45000.0, "Wednesday, March 15, 2023"},
};

const NumberRow kRefusedRows[] = {
    {"0\"abc", 1.5, "1.5", "an unterminated quote"},
    {"[Red0", 1.5, "1.5", "an unterminated bracket"},
    {"0;0;0;0;0", 1.5, "1.5", "five sections"},
    {"[>1]0;[>2]0;[>3]0", 1.5, "1.5", "three conditions"},
    {"0;0;0;0.00", -2.0, "-2", "a number in the text section"},
    {"", 1.5, "1.5", "an empty code is General"},
    {"", -2.0, "-2", "an empty code is General"},
};

const NumberRow kEntitiesRows[] = {
    {"[>=100000]0.000\\ \\\";[Red]0.000\\ \\<\\ \\>\\ \\\"\\ \\&\\ \\'\\ ", 12345.6789, "12345.679 < > \" & ' "},
};

TEST(NumberFormatGolden, General) {
  checkNumbers(kGeneralRows);
  for (const NumberRow& row : kGeneralRows) {
    EXPECT_EQ(formatGeneral(row.value), row.expected) << "formatGeneral(" << describe(row.value) << ")";
  }
}
TEST(NumberFormatGolden, Numbers) { checkNumbers(kNumberRows); }
TEST(NumberFormatGolden, Scientific) { checkNumbers(kScientificRows); }
TEST(NumberFormatGolden, Fractions) { checkNumbers(kFractionRows); }
TEST(NumberFormatGolden, Sections) {
  checkNumbers(kSectionsRows);
  checkTexts(kSectionsTextRows);
}
TEST(NumberFormatGolden, Conditions) {
  checkNumbers(kConditionsRows);
  checkTexts(kConditionsTextRows);
}
TEST(NumberFormatGolden, Dates) { checkNumbers(kDateRows); }
TEST(NumberFormatGolden, Dates1904) { checkNumbers(kDates1904Rows, true); }
TEST(NumberFormatGolden, Times) { checkNumbers(kTimeRows); }
TEST(NumberFormatGolden, Elapsed) { checkNumbers(kElapsedRows); }
TEST(NumberFormatGolden, RefusedCodesShowGeneral) {
  checkNumbers(kRefusedRows);
  for (const NumberRow& row : kRefusedRows) {
    if (*row.code != '\0') {
      EXPECT_TRUE(NumberFormat::compile(row.code)->isFallback()) << row.code;
    }
  }
  EXPECT_FALSE(NumberFormat::compile("0.00")->isFallback());
}
TEST(NumberFormatGolden, EscapedEntities) { checkNumbers(kEntitiesRows); }
TEST(NumberFormatGolden, LocaleTags) { checkNumbers(kLocaleRows); }

}  // namespace
}  // namespace lomandra::numfmt
