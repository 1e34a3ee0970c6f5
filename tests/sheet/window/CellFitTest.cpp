#include "sheet/window/CellFit.h"

#include <gtest/gtest.h>

namespace lomandra::window {
namespace {

// Every character 7 pixels wide: a cell of 4 + 7n pixels holds n characters.
int sevenEach(const QString& text) { return 7 * static_cast<int>(text.size()); }
constexpr int holding(int characters) { return 2 * kCellPadding + 7 * characters; }

struct FitCase {
  const char* name;
  const char* shown;
  FitKind kind;
  double number;
  int width;
  const char* drawn;
};

class CellFitWidths : public ::testing::TestWithParam<FitCase> {};

TEST_P(CellFitWidths, DrawWhatTheApplicationDraws) {
  const FitCase& c = GetParam();
  EXPECT_EQ(fitText(QString::fromUtf8(c.shown), c.kind, c.number, c.width, sevenEach).toStdString(),
            c.drawn);
}

const FitCase kFits[] = {
    {"GeneralFits", "13436.42", FitKind::GeneralNumber, 13436.42, holding(8), "13436.42"},
    {"GeneralGivesUpADecimal", "13436.42", FitKind::GeneralNumber, 13436.42, holding(7), "13436.4"},
    {"GeneralGivesUpAllDecimals", "13436.42", FitKind::GeneralNumber, 13436.42, holding(6), "13436"},
    {"GeneralRoundsUp", "99.96", FitKind::GeneralNumber, 99.96, holding(4), "100"},
    {"GeneralNegative", "-13436.42", FitKind::GeneralNumber, -13436.42, holding(6), "-13436"},
    {"GeneralIntegerTooWideGoesScientific", "123456", FitKind::GeneralNumber, 123456, holding(5), "1E+05"},
    {"GeneralScientificShortened", "1.23457E+11", FitKind::GeneralNumber, 123456789012.0, holding(7), "1.2E+11"},
    {"GeneralSmallKeepsASignificantDigit", "0.000123456", FitKind::GeneralNumber, 0.000123456, holding(6), "0.0001"},
    {"GeneralSmallGoesScientific", "0.000123456", FitKind::GeneralNumber, 0.000123456, holding(5), "1E-04"},
    {"GeneralNothingFitsFillsWithHash", "13436.42", FitKind::GeneralNumber, 13436.42, holding(4), "####"},
    {"FormattedNumberFillsWithHash", "13,436.42", FitKind::Number, 13436.42, holding(7), "#######"},
    {"PercentageFillsWithHash", "7746.2%", FitKind::Number, 77.462, holding(6), "######"},
    {"DateFillsWithHash", "2023-01-23", FitKind::Number, 44949, holding(9) + 6, "#########"},
    {"FormattedNumberThatFits", "12.5%", FitKind::Number, 0.125, holding(5), "12.5%"},
    {"NoRoomForAHash", "12", FitKind::Number, 12, 2 * kCellPadding + 6, ""},
    {"TextIsNeverShortened", "A long text", FitKind::Text, 0, holding(2), "A long text"},
    {"TextThatReadsAsANumberStaysText", "0012345678", FitKind::Text, 0, holding(2), "0012345678"},
    {"BooleansAreCut", "FALSE", FitKind::Clipped, 0, holding(2), "FALSE"},
};

INSTANTIATE_TEST_SUITE_P(Table, CellFitWidths, ::testing::ValuesIn(kFits),
                         [](const auto& row) { return std::string(row.param.name); });

struct SpanCase {
  const char* name;
  const char* row;  ///< one slot of 20 pixels per character: 'x' holds something, '.' is empty
  int at;
  int textWidth;
  Qt::Alignment align;
  SlotSpan span;
};

class OverflowSpans : public ::testing::TestWithParam<SpanCase> {};

TEST_P(OverflowSpans, FlowOverEmptyNeighboursOnly) {
  const SpanCase& c = GetParam();
  std::vector<RowSlot> row;
  for (const char* p = c.row; *p; ++p) row.push_back({20, *p == 'x'});
  const SlotSpan span = overflowSpan(row, c.at, c.textWidth, c.align);
  EXPECT_EQ(span.first, c.span.first);
  EXPECT_EQ(span.last, c.span.last);
}

const SpanCase kSpans[] = {
    {"FitsItsCell", "x...", 0, 16, Qt::AlignLeft, {0, 0}},
    {"LeftFlowsRight", "x....", 0, 50, Qt::AlignLeft, {0, 2}},
    {"StopsAtTheFirstFilledCell", "x.x..", 0, 50, Qt::AlignLeft, {0, 1}},
    {"StopsAtTheEdge", ".x", 1, 100, Qt::AlignLeft, {1, 1}},
    {"RightFlowsLeft", "...x", 3, 50, Qt::AlignRight, {1, 3}},
    {"RightStopsAtFilled", ".x.x", 3, 50, Qt::AlignRight, {2, 3}},
    {"CentredFlowsBothWays", "..x..", 2, 50, Qt::AlignHCenter, {1, 3}},
    {"CentredBlockedOnOneSide", ".xx..", 2, 50, Qt::AlignHCenter, {2, 3}},
};

INSTANTIATE_TEST_SUITE_P(Table, OverflowSpans, ::testing::ValuesIn(kSpans),
                         [](const auto& row) { return std::string(row.param.name); });

struct LookCase {
  const char* name;
  engine::CellLook look;
  Qt::Alignment align;
  FitKind kind;
};

engine::CellLook typed(model::CellKind kind, bool general = false, bool numericText = false,
                       model::HorizontalAlign align = model::HorizontalAlign::General) {
  engine::CellLook look;
  look.typed = true;
  look.kind = kind;
  look.generalNumber = general;
  look.numericText = numericText;
  look.align = align;
  return look;
}

class CellLooks : public ::testing::TestWithParam<LookCase> {};

TEST_P(CellLooks, AlignAndFitByTypeUnlessTheFileSays) {
  const LookCase& c = GetParam();
  EXPECT_EQ(alignmentOf(c.look) & Qt::AlignHorizontal_Mask, c.align);
  EXPECT_EQ(fitKindOf(c.look, false), c.kind);
}

using model::CellKind;
using model::HorizontalAlign;
const LookCase kLooks[] = {
    {"GeneralNumberRight", typed(CellKind::Number, true), Qt::AlignRight, FitKind::GeneralNumber},
    {"DateRight", typed(CellKind::Number), Qt::AlignRight, FitKind::Number},
    {"TextLeft", typed(CellKind::Text), Qt::AlignLeft, FitKind::Text},
    {"BooleanCentred", typed(CellKind::Boolean), Qt::AlignHCenter, FitKind::Clipped},
    {"ErrorCentred", typed(CellKind::Error), Qt::AlignHCenter, FitKind::Clipped},
    {"SavedNumberTextRight", typed(CellKind::Text, false, true), Qt::AlignRight, FitKind::Number},
    {"StoredLeftNumber", typed(CellKind::Number, true, false, HorizontalAlign::Left), Qt::AlignLeft, FitKind::GeneralNumber},
    {"StoredCentreText", typed(CellKind::Text, false, false, HorizontalAlign::Center), Qt::AlignHCenter, FitKind::Text},
    {"StoredRightText", typed(CellKind::Text, false, false, HorizontalAlign::Right), Qt::AlignRight, FitKind::Text},
};

INSTANTIATE_TEST_SUITE_P(Table, CellLooks, ::testing::ValuesIn(kLooks),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace lomandra::window
