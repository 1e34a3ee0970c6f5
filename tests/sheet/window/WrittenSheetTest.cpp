#include "sheet/window/WrittenSheet.h"

#include <gtest/gtest.h>

#include "sheet/Failure.h"

namespace lomandra::window {
namespace {

// What a written text becomes. A number only when General shows that number as the very same
// text; anything else stays exactly the text it was, so the cell shows what was merged.
struct RuleCase {
  const char* name;
  const char* written;
  bool number;
  double value;
  const char* shown;  ///< the cell's displayed text
};

class NumberOrText : public ::testing::TestWithParam<RuleCase> {};

TEST_P(NumberOrText, FollowsTheRule) {
  const RuleCase& c = GetParam();
  WrittenSheet sheet;
  sheet.write(0, 0, QString::fromUtf8(c.written));
  const WrittenCell* cell = sheet.cell(0, 0);
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(cell->isNumber, c.number) << c.written;
  if (c.number) {
    EXPECT_DOUBLE_EQ(cell->number, c.value) << c.written;
  }
  EXPECT_EQ(sheet.text(0, 0), c.shown) << c.written;
}

const RuleCase kRules[] = {
    {"Integer", "12", true, 12, "12"},
    {"Negative", "-12", true, -12, "-12"},
    {"ExplicitPlusStaysText", "+12", false, 0, "+12"},
    {"TrailingZeroDecimalStaysText", "1.50", false, 0, "1.50"},
    {"LeadingPointStaysText", ".5", false, 0, ".5"},
    {"TrailingPointStaysText", "5.", false, 0, "5."},
    {"LeadingZerosKept", "00123", false, 0, "00123"},
    {"ExponentStaysText", "1e3", false, 0, "1e3"},
    {"ExponentUpperStaysText", "2.5E-3", false, 0, "2.5E-3"},
    {"LargeAsGeneralShowsIt", "1E+20", true, 1e20, "1E+20"},
    {"NegativeZeroStaysText", "-0", false, 0, "-0"},
    {"FifteenDigitsStayText", "123456789012345", false, 0, "123456789012345"},
    {"ElevenDigits", "12345678901", true, 12345678901.0, "12345678901"},
    {"Fraction", "0.5", true, 0.5, "0.5"},
    {"SixteenDigitsStayText", "1234567890123456", false, 0, "1234567890123456"},
    {"FractionWithSlashStaysText", "1/2", false, 0, "1/2"},
    {"FormulaStaysText", "=1+1", false, 0, "=1+1"},
    {"FormulaOfNumberStaysText", "=12", false, 0, "=12"},
    {"ThousandsSeparatorStaysText", "1,234", false, 0, "1,234"},
    {"LeadingSpaceStaysText", " 12", false, 0, " 12"},
    {"TrailingSpaceStaysText", "12 ", false, 0, "12 "},
    {"PercentStaysText", "12%", false, 0, "12%"},
    {"CurrencyStaysText", "$5", false, 0, "$5"},
    {"DateStaysText", "2021-08-31", false, 0, "2021-08-31"},
    {"SlashDateStaysText", "8/31/2021", false, 0, "8/31/2021"},
    {"TimeStaysText", "12:30", false, 0, "12:30"},
    {"BracketNegativeStaysText", "(12)", false, 0, "(12)"},
    {"CommaDecimalStaysText", "1,5", false, 0, "1,5"},
    {"BareSignStaysText", "-", false, 0, "-"},
    {"BarePointStaysText", ".", false, 0, "."},
    {"ExponentWithoutDigitsStaysText", "1e", false, 0, "1e"},
    {"TwoPointsStaysText", "1.2.3", false, 0, "1.2.3"},
    {"OverflowStaysText", "1e400", false, 0, "1e400"},
    {"InfinityStaysText", "inf", false, 0, "inf"},
    {"HexStaysText", "0x10", false, 0, "0x10"},
    {"FullWidthDigitsStayText", "\xef\xbc\x91\xef\xbc\x92", false, 0, "\xef\xbc\x91\xef\xbc\x92"},
    {"SpacesOnlyStayText", "   ", false, 0, "   "},
    {"BooleanWordStaysText", "TRUE", false, 0, "TRUE"},
};

INSTANTIATE_TEST_SUITE_P(Table, NumberOrText, ::testing::ValuesIn(kRules),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(WrittenSheet, TracksUsedRowsAndColumnsAndOrder) {
  WrittenSheet sheet;
  sheet.write(4, 2, QStringLiteral("x"));
  sheet.write(0, 5, QStringLiteral("y"));
  sheet.write(4, 0, QStringLiteral("z"));
  EXPECT_EQ(sheet.usedRows(), 5u);
  EXPECT_EQ(sheet.usedColumns(), 6u);
  using P = std::pair<std::uint32_t, std::uint32_t>;
  EXPECT_EQ(sheet.cellsInOrder(), (std::vector<P>{{0, 5}, {4, 0}, {4, 2}}));
  EXPECT_EQ(sheet.text(1, 1), "");
}

TEST(WrittenSheet, OverwriteAndEmptyText) {
  WrittenSheet sheet;
  sheet.write(0, 0, QStringLiteral("12"));
  sheet.write(0, 0, QStringLiteral("twelve"));
  EXPECT_FALSE(sheet.cell(0, 0)->isNumber);
  EXPECT_EQ(sheet.text(0, 0), "twelve");
  sheet.write(0, 0, QString());
  EXPECT_EQ(sheet.cell(0, 0), nullptr);
  EXPECT_EQ(sheet.cellCount(), 0u);
}

TEST(WrittenSheet, RefusesCellsOutsideTheSheetAndOverlongTexts) {
  WrittenSheet sheet;
  EXPECT_THROW(sheet.write(1048576, 0, QStringLiteral("x")), Failure);
  EXPECT_THROW(sheet.write(0, 16384, QStringLiteral("x")), Failure);
  EXPECT_NO_THROW(sheet.write(1048575, 16383, QStringLiteral("corner")));
  EXPECT_EQ(sheet.text(1048575, 16383), "corner");
  EXPECT_NO_THROW(sheet.write(0, 0, QString(32767, u'a')));
  EXPECT_THROW(sheet.write(0, 1, QString(32768, u'a')), Failure);
}

TEST(WrittenSheet, KeepsUnicodeTextExactly) {
  WrittenSheet sheet;
  const QString text = QStringLiteral("Zoë — 東京 \U0001F600\ttab");
  sheet.write(0, 0, text);
  EXPECT_EQ(QString::fromStdString(sheet.text(0, 0)), text);
}

TEST(WrittenSheet, FitSizesEachColumnToItsWidestText) {
  WrittenSheet sheet;
  sheet.write(0, 0, QStringLiteral("ab"));
  sheet.write(1, 0, QStringLiteral("abcdefghij"));
  sheet.write(0, 2, QStringLiteral("1.5"));
  sheet.write(0, 3, QString(300, u'w'));
  sheet.fit([](const QString& text) { return static_cast<double>(text.size()); });
  EXPECT_DOUBLE_EQ(sheet.columnWidth(0), 10);
  EXPECT_FALSE(sheet.hasWidth(1));
  EXPECT_DOUBLE_EQ(sheet.columnWidth(1), WrittenSheet::kDefaultWidth);
  EXPECT_DOUBLE_EQ(sheet.columnWidth(2), 3);
  EXPECT_DOUBLE_EQ(sheet.columnWidth(3), 255);  // the widest a column gets
}

TEST(WrittenSheet, ForEachTextVisitsEmptyCellsInOrder) {
  WrittenSheet sheet;
  sheet.write(0, 1, QStringLiteral("b"));
  sheet.write(1, 0, QStringLiteral("c"));
  std::vector<std::string> seen;
  sheet.forEachText({0, 0, 1, 1}, [&](std::string_view t) {
    seen.emplace_back(t);
    return true;
  });
  EXPECT_EQ(seen, (std::vector<std::string>{"", "b", "c", ""}));
}

TEST(WrittenSheet, ANumberShowsTheTextItWasWrittenAs) {
  WrittenSheet sheet;
  const char* texts[] = {"0.3", "-1234.5", "1E-10"};
  for (std::uint32_t row = 0; row < 3; ++row) {
    sheet.write(row, 0, QString::fromLatin1(texts[row]));
    ASSERT_TRUE(sheet.cell(row, 0)->isNumber) << texts[row];
    EXPECT_EQ(sheet.text(row, 0), texts[row]);
  }
  EXPECT_DOUBLE_EQ(sheet.cell(0, 0)->number, 0.3);
}

}  // namespace
}  // namespace lomandra::window
