// Excel 2.x-4.0 files (BIFF2, BIFF3, BIFF4): bare record streams of one sheet, and BIFF4
// workbooks, written here record by record (old:: in XlsTestFiles).

#include <gtest/gtest.h>

#include "sheet/Failure.h"
#include "sheet/engine/BuiltinWorkbook.h"
#include "sheet/xls/XlsWorkbook.h"
#include "tests/sheet/xls/XlsTestFiles.h"

namespace lomandra::xls {
namespace {

using model::CellKind;
using namespace testing;

std::string tagged(std::uint8_t tag, std::uint8_t value) {
  return std::string(1, static_cast<char>(tag)) + '\0' + std::string(1, static_cast<char>(value)) +
         std::string(3, '\0') + le16(0xFFFF);
}

std::vector<SeenCell> cellsOf(model::WorkbookFile& book, int sheet) {
  CollectingVisitor visitor;
  book.readSheet(sheet, visitor);
  return visitor.cells;
}

class OldGeneration : public ::testing::TestWithParam<int> {};

// Every cell record of the generation with its value and, through its XF record, the FORMAT
// record of its number format; the one sheet takes the file's name.
TEST_P(OldGeneration, ReadsEveryCellRecordWithItsFormat) {
  const int b = GetParam();
  const std::string records =
      old::formats(b, {"General", "0.00", "m/d/yy"}) + old::xfs(b, {0, 1, 2}) +
      old::number(b, 0, 0, 1234.5678, 1) + old::label(b, 0, 1, "caf\xE9") +
      old::boolErr(b, 1, 0, 1, false) + old::boolErr(b, 1, 1, 0x07, true) +
      old::formula(b, 2, 0, le64Double(42.25), {}, 1) +
      old::formula(b, 2, 1, tagged(0, 0), "calc") +
      old::formula(b, 2, 2, tagged(1, 0)) + old::formula(b, 2, 3, tagged(2, 0x1D)) +
      old::blank(b, 3, 0, 2) + old::number(b, 3, 1, 43528, 2) +
      (b == 2 ? rec(0x0002, old::cellHead(2, 4, 0, 1) + le16(65535))  // INTEGER, unsigned
              : rec(0x027E, old::cellHead(b, 4, 0, 1) + le32((1234u << 2) | 3)));  // RK
  const struct {
    std::uint32_t row, column;
    CellKind kind;
    double number;
    const char* text;
    const char* code;
  } expected[] = {
      {0, 0, CellKind::Number, 1234.5678, "", "0.00"},
      {0, 1, CellKind::Text, 0, "caf\xC3\xA9", "General"},
      {1, 0, CellKind::Boolean, 1, "", "General"},
      {1, 1, CellKind::Error, 0, "#DIV/0!", "General"},
      {2, 0, CellKind::Number, 42.25, "", "0.00"},
      {2, 1, CellKind::Text, 0, "calc", "General"},
      {2, 2, CellKind::Boolean, 0, "", "General"},
      {2, 3, CellKind::Error, 0, "#NAME?", "General"},
      {3, 0, CellKind::Empty, 0, "", "m/d/yy"},
      {3, 1, CellKind::Number, 43528, "", "m/d/yy"},
      {4, 0, CellKind::Number, b == 2 ? 65535 : 12.34, "", "0.00"},
  };
  auto book =
      openXls(writeTempFile("Sales " + std::to_string(b) + ".xls", old::worksheet(b, records)));
  ASSERT_EQ(book->sheets().size(), 1u);
  EXPECT_TRUE(book->sheets()[0].name.ends_with("Sales " + std::to_string(b)));  // "<pid>-Sales N"
  EXPECT_EQ(book->grid(), model::kXlsGrid);
  const auto cells = cellsOf(*book, 0);
  ASSERT_EQ(cells.size(), std::size(expected));
  for (std::size_t i = 0; i < cells.size(); ++i) {
    EXPECT_EQ(cells[i].row, expected[i].row) << "BIFF" << b << " cell " << i;
    EXPECT_EQ(cells[i].column, expected[i].column) << "BIFF" << b << " cell " << i;
    EXPECT_EQ(cells[i].kind, expected[i].kind) << "BIFF" << b << " cell " << i;
    EXPECT_DOUBLE_EQ(cells[i].number, expected[i].number) << "BIFF" << b << " cell " << i;
    EXPECT_EQ(cells[i].text, expected[i].text) << "BIFF" << b << " cell " << i;
    EXPECT_EQ(book->formatCode(cells[i].format), expected[i].code) << "BIFF" << b << " cell " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Biff, OldGeneration, ::testing::Values(2, 3, 4),
                         [](const auto& p) { return "Biff" + std::to_string(p.param); });

// BIFF2 cells find their format through the XF index in their attributes, the IXFE record before
// them when that index is 63, or (a file without XF records) the FORMAT index itself; an index
// past the list is General.
TEST(OldGenerationFormats, Biff2CellsFindTheirFormat) {
  const std::string formats = old::formats(2, {"General", "0.0", "0.000", "0%"});
  std::string xfs = old::xfs(2, {0, 1});
  for (int i = 2; i < 70; ++i) xfs += old::xfs(2, {static_cast<std::uint8_t>(i == 66 ? 3 : 2)});
  const std::pair<std::string, const char*> rows[] = {
      {formats + xfs + old::number(2, 0, 0, 1, 1, 3), "0.0"},
      {formats + xfs + rec(0x0044, le16(66)) + old::number(2, 0, 0, 1, 63, 1), "0%"},
      {formats + old::number(2, 0, 0, 1, 0, 2), "0.000"},
      {formats + old::number(2, 0, 0, 1, 0, 9), "General"},
      {formats + old::xfs(2, {1}) + old::number(2, 0, 0, 1, 5, 1), "General"},
  };
  for (const auto& [records, code] : rows) {
    auto book = openXls(writeTempFile("formats.xls", old::worksheet(2, records)));
    const auto cells = cellsOf(*book, 0);
    ASSERT_EQ(cells.size(), 1u);
    EXPECT_EQ(book->formatCode(cells[0].format), code);
  }
}

// A BIFF4 workbook: sheets named in the workbook's code page, each with FORMAT and XF records of
// its own, or the workbook's when it has none; the workbook's date system.
TEST(OldGenerationWorkbook, Biff4WorkbookSheetsWithTheirOwnFormats) {
  const std::string globals = rec(0x0022, le16(1)) + old::formats(4, {"General", "0.0%"}) +
                              old::xfs(4, {0, 1});
  const std::string first = old::formats(4, {"General", "#,##0.00", "yyyy-mm-dd"}) +
                            old::xfs(4, {0, 1, 2}) + old::number(4, 0, 0, 1.5, 1) +
                            old::number(4, 1, 0, 2.5, 2) + old::number(4, 2, 0, 3.5, 7);
  const std::string second = old::number(4, 0, 0, 0.25, 1) + old::label(4, 0, 1, "x");
  auto book = openXls(writeTempFile(
      "bundle.xlw", old::workbook4(globals, {{"\xDC" "bersicht", 0, first}, {"Daten", 0, second}})));
  ASSERT_EQ(book->sheets().size(), 2u);
  EXPECT_EQ(book->sheets()[0].name, "\xC3\x9C" "bersicht");
  EXPECT_EQ(book->sheets()[1].name, "Daten");
  EXPECT_TRUE(book->date1904());
  const std::pair<int, std::vector<std::string>> rows[] = {
      {0, {"#,##0.00", "yyyy-mm-dd", "General"}}, {1, {"0.0%", "General"}}};
  for (const auto& [sheet, codes] : rows) {
    const auto cells = cellsOf(*book, sheet);
    ASSERT_EQ(cells.size(), codes.size());
    for (std::size_t i = 0; i < cells.size(); ++i)
      EXPECT_EQ(book->formatCode(cells[i].format), codes[i]) << sheet << ":" << i;
  }
}

std::string failureOf(const std::string& bytes) {
  try {
    auto book = openXls(writeTempFile("damaged.xls", bytes));
    for (int i = 0; i < static_cast<int>(book->sheets().size()); ++i) cellsOf(*book, i);
  } catch (const Failure& failure) {
    return failure.what();
  }
  return "";
}

TEST(OldGenerationDamage, DamagedFilesFailWithAClearDescription) {
  const std::string good = old::worksheet(3, old::number(3, 0, 0, 1) + old::label(3, 0, 1, "text"));
  const std::pair<std::string, const char*> rows[] = {
      {good.substr(0, good.size() - 9), "its last record runs past the end of the file."},
      {old::worksheet(3, rec(0x0204, old::cellHead(3, 0, 0, 0) + le16(60000) + "abc")),
       "a record is shorter than its contents."},
      {old::worksheet(2, rec(0x0003, old::cellHead(2, 0, 0, 0) + "abc")),
       "a number record is too short."},
      {old::worksheet(2, rec(0x0004, "ab")), "a cell record is too short."},
      {old::worksheet(2, rec(0x001E, "\x50" "0.00")), "a record is shorter than its contents."},
      {old::workbook4("", {}), "the workbook lists no sheets."},
  };
  for (const auto& [bytes, expected] : rows)
    EXPECT_EQ(failureOf(bytes), std::string("The workbook is damaged: ") + expected);
  EXPECT_EQ(failureOf(old::worksheet(4, rec(0x002F, le32(0)))),
            "The workbook is protected by a password and cannot be read.");
  // Every prefix of a workbook reads or fails with a description: never a crash or a hang.
  const std::string bundle = old::workbook4(old::formats(4, {"0.00"}) + old::xfs(4, {0}),
                                            {{"A", 0, good.substr(10, good.size() - 14)},
                                             {"B", 0, old::number(4, 3, 3, 9)}});
  for (std::size_t size = 8; size < bundle.size(); ++size) failureOf(bundle.substr(0, size));
}

// What each generation's number formats, dates and 8-bit texts show, through the engine, which
// recognises the bare stream by its content whatever the file is called.
TEST(OldGenerationDisplay, FormatsDatesAndTextShowAsTheApplicationShowsThem) {
  const struct {
    int biff;
    const char* code;  // null: a text cell of `bytes` in code page `value`
    double value;
    const char* bytes;  // with a code: the 1904 date system when not null
    const char* shown;
  } rows[] = {
      {2, "0.00", 1234.5678, nullptr, "1234.57"},
      {2, "m/d/yy", 43528, nullptr, "3/4/19"},
      {2, "$#,##0_);($#,##0)", -5, nullptr, "($5)"},
      {3, "#,##0.00", -1234.5, nullptr, "-1,234.50"},
      {3, "d-mmm-yy", 43528, nullptr, "4-Mar-19"},
      {3, "mmm-yy", 0, "1904", "Jan-04"},  // in the 1904 date system
      {4, "h:mm:ss AM/PM", 0.75, nullptr, "6:00:00 PM"},
      {4, "m/d/yy h:mm", 43528.5, nullptr, "3/4/19 12:00"},
      {4, "0.00E+00", 123456, nullptr, "1.23E+05"},
      {2, nullptr, 0, "Stra\xDF" "e", "Stra\xC3\x9F" "e"},              // no code page: 1252
      {3, nullptr, 0x8000, "\x8A\x9A", "\xC3\xA4\xC3\xB6"},               // Mac Roman
      {4, nullptr, 1251, "\xCF\xF0\xE8", "\xD0\x9F\xD1\x80\xD0\xB8"},     // Cyrillic
  };
  for (const auto& row : rows) {
    std::string records;
    if (!row.code) {
      if (row.value > 0) records += rec(0x0042, le16(static_cast<std::uint32_t>(row.value)));
      records += old::label(row.biff, 0, 0, row.bytes);
    } else {
      if (row.bytes) records += rec(0x0022, le16(1));
      records += old::formats(row.biff, {"General", row.code}) + old::xfs(row.biff, {0, 1}) +
                 old::number(row.biff, 0, 0, row.value, 1);
    }
    auto book = engine::BuiltinWorkbook::open(
        writeTempFile("shown.dat", old::worksheet(row.biff, records)));
    EXPECT_EQ(book->sheet(0).text(0, 0), row.shown) << "BIFF" << row.biff << " " << row.shown;
  }
}

// The rule for a cell given twice, as for every reader: a range holding it fails, naming it;
// the rest of the sheet reads, and the sheet shows the value given last.
TEST(XlsCellGivenTwice, FailsOnlyTheRangesHoldingIt) {
  const std::pair<const char*, std::string> rows[] = {
      {"records in order", old::number(2, 0, 0, 1) + old::number(2, 1, 0, 2) +
                               old::number(2, 8, 0, 8) + old::number(2, 8, 0, 9)},
      {"records out of order", old::number(2, 8, 0, 8) + old::number(2, 0, 0, 1) +
                                   old::number(2, 1, 0, 2) + old::number(2, 8, 0, 9)},
  };
  for (const auto& [name, records] : rows) {
    SCOPED_TRACE(name);
    auto book = engine::BuiltinWorkbook::open(writeTempFile("twice.xls", old::worksheet(2, records)));
    const auto walk = [&](const engine::Area& area) {
      std::vector<std::string> texts;
      book->sheet(0, engine::boundsOf({area})).forEachText(area, [&](std::string_view text) {
        texts.emplace_back(text);
        return true;
      });
      return texts;
    };
    try {
      walk({0, 0, 8, 0});
      ADD_FAILURE() << "A1:A9 was read";
    } catch (const Failure& failure) {
      EXPECT_STREQ(failure.what(), "The sheet is damaged: it gives cell A9 twice.");
    }
    EXPECT_EQ(walk({0, 0, 1, 0}), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(book->sheet(0).text(8, 0), "9");
  }
}

}  // namespace
}  // namespace lomandra::xls
