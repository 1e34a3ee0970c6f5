// Excel 2.x-4.0 files (BIFF2, BIFF3, BIFF4): bare record streams of one sheet, and BIFF4
// workbooks. The files are written here record by record (old:: in XlsTestFiles).

#include <gtest/gtest.h>

#include "sheet/Failure.h"
#include "sheet/engine/BuiltinWorkbook.h"
#include "sheet/xls/XlsWorkbook.h"
#include "tests/sheet/xls/XlsTestFiles.h"

namespace lomandra::xls {
namespace {

using model::CellKind;
using namespace testing;

std::string taggedResult(std::uint8_t tag, std::uint8_t value) {
  return std::string(1, static_cast<char>(tag)) + '\0' + std::string(1, static_cast<char>(value)) +
         std::string(3, '\0') + le16(0xFFFF);
}

struct Expected {
  std::uint32_t row, column;
  CellKind kind;
  double number;
  std::string text;
  std::string code;
};

class OldGeneration : public ::testing::TestWithParam<int> {};

// Every cell record of the generation, each with its value and, through its XF record, the
// FORMAT record of its number format; the one sheet takes the file's name.
TEST_P(OldGeneration, ReadsEveryCellRecordWithItsFormat) {
  const int biff = GetParam();
  const std::string globals = old::formats(biff, {"General", "0.00", "m/d/yy"}) +
                              old::xfs(biff, {0, 1, 2});
  std::string records = old::number(biff, 0, 0, 1234.5678, 1) +
                        old::label(biff, 0, 1, "caf\xE9") +
                        old::boolErr(biff, 1, 0, 1, false) + old::boolErr(biff, 1, 1, 0x07, true) +
                        old::formula(biff, 2, 0, le64Double(42.25), {}, 1) +
                        old::formula(biff, 2, 1, taggedResult(0, 0), "computed") +
                        old::formula(biff, 2, 2, taggedResult(1, 0)) +
                        old::formula(biff, 2, 3, taggedResult(2, 0x1D)) +
                        old::blank(biff, 3, 0, 2) + old::number(biff, 3, 1, 43528, 2);
  std::vector<Expected> expected = {
      {0, 0, CellKind::Number, 1234.5678, "", "0.00"},
      {0, 1, CellKind::Text, 0, "caf\xC3\xA9", "General"},
      {1, 0, CellKind::Boolean, 1, "", "General"},
      {1, 1, CellKind::Error, 0, "#DIV/0!", "General"},
      {2, 0, CellKind::Number, 42.25, "", "0.00"},
      {2, 1, CellKind::Text, 0, "computed", "General"},
      {2, 2, CellKind::Boolean, 0, "", "General"},
      {2, 3, CellKind::Error, 0, "#NAME?", "General"},
      {3, 0, CellKind::Empty, 0, "", "m/d/yy"},
      {3, 1, CellKind::Number, 43528, "", "m/d/yy"},
  };
  if (biff == 2) {  // INTEGER: an unsigned 16-bit number
    records += rec(0x0002, old::cellHead(2, 4, 0, 1) + le16(65535));
    expected.push_back({4, 0, CellKind::Number, 65535, "", "0.00"});
  } else {  // RK: an integer times 100
    records += rec(0x027E, old::cellHead(biff, 4, 0, 1) + le32((1234u << 2) | 3));
    expected.push_back({4, 0, CellKind::Number, 12.34, "", "0.00"});
  }
  auto book = openXls(writeTempFile("Quarterly " + std::to_string(biff) + ".xls",
                                    old::worksheet(biff, globals + records)));
  ASSERT_EQ(book->sheets().size(), 1u);
  // The file is "<pid>-Quarterly N.xls": its name without the extension.
  EXPECT_TRUE(book->sheets()[0].name.ends_with("-Quarterly " + std::to_string(biff)))
      << book->sheets()[0].name;
  EXPECT_EQ(book->grid(), model::kXlsGrid);
  CollectingVisitor visitor;
  book->readSheet(0, visitor);
  ASSERT_EQ(visitor.cells.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const SeenCell& cell = visitor.cells[i];
    const Expected& want = expected[i];
    SCOPED_TRACE(::testing::Message() << "BIFF" << biff << " cell " << i);
    EXPECT_EQ(cell.row, want.row);
    EXPECT_EQ(cell.column, want.column);
    EXPECT_EQ(cell.kind, want.kind);
    EXPECT_DOUBLE_EQ(cell.number, want.number);
    EXPECT_EQ(cell.text, want.text);
    EXPECT_EQ(book->formatCode(cell.format), want.code);
  }
}

INSTANTIATE_TEST_SUITE_P(Biff, OldGeneration, ::testing::Values(2, 3, 4),
                         [](const auto& p) { return "Biff" + std::to_string(p.param); });

// BIFF2 cells find their format three ways: the XF index in their attributes, the IXFE record
// before them when that index is 63, or (a file without XF records) the FORMAT index itself.
TEST(OldGenerationFormats, Biff2CellsFindTheirFormat) {
  const std::string formats = old::formats(2, {"General", "0.0", "0.000", "0%"});
  std::string manyXfs = old::xfs(2, {0, 1});
  for (int i = 2; i < 70; ++i) manyXfs += old::xfs(2, {static_cast<std::uint8_t>(i == 66 ? 3 : 2)});
  const struct {
    const char* name;
    std::string stream;
    std::string code;
  } rows[] = {
      {"XfIndex", old::worksheet(2, formats + manyXfs + old::number(2, 0, 0, 1, 1, 3)), "0.0"},
      {"Ixfe", old::worksheet(2, formats + manyXfs + rec(0x0044, le16(66)) +
                                     old::number(2, 0, 0, 1, 63, 1)),
       "0%"},
      {"NoXfRecords", old::worksheet(2, formats + old::number(2, 0, 0, 1, 0, 2)), "0.000"},
      {"NoXfRecordsPastTheFormats", old::worksheet(2, formats + old::number(2, 0, 0, 1, 0, 9)),
       "General"},
      {"XfPastTheList", old::worksheet(2, formats + old::xfs(2, {1}) + old::number(2, 0, 0, 1, 5, 1)),
       "General"},
  };
  for (const auto& row : rows) {
    auto book = openXls(writeTempFile(std::string(row.name) + ".xls", row.stream));
    CollectingVisitor visitor;
    book->readSheet(0, visitor);
    ASSERT_EQ(visitor.cells.size(), 1u) << row.name;
    EXPECT_EQ(book->formatCode(visitor.cells[0].format), row.code) << row.name;
  }
}

// A BIFF4 workbook: sheets named in the workbook's code page, each with FORMAT and XF records of
// its own, or the workbook's when it has none; the date system of the workbook.
TEST(OldGenerationWorkbook, Biff4WorkbookSheetsWithTheirOwnFormats) {
  const std::string globals = rec(0x0042, le16(1252)) + rec(0x0022, le16(1)) +
                              old::formats(4, {"General", "0.0%"}) + old::xfs(4, {0, 1});
  const std::string first = old::formats(4, {"General", "#,##0.00", "yyyy-mm-dd"}) +
                            old::xfs(4, {0, 1, 2}) + old::number(4, 0, 0, 1.5, 1) +
                            old::number(4, 1, 0, 2.5, 2) + old::number(4, 2, 0, 3.5, 7);
  const std::string second = old::number(4, 0, 0, 0.25, 1) + old::label(4, 0, 1, "\xDC");
  auto book = openXls(writeTempFile(
      "bundle.xlw", old::workbook4(globals, {{"\xDC" "bersicht", 0, first}, {"Daten", 0, second}})));
  ASSERT_EQ(book->sheets().size(), 2u);
  EXPECT_EQ(book->sheets()[0].name, "\xC3\x9C" "bersicht");
  EXPECT_EQ(book->sheets()[1].name, "Daten");
  EXPECT_TRUE(book->date1904());
  const struct {
    int sheet;
    std::uint32_t row, column;
    const char* code;
  } rows[] = {{0, 0, 0, "#,##0.00"}, {0, 1, 0, "yyyy-mm-dd"}, {0, 2, 0, "General"},
              {1, 0, 0, "0.0%"},     {1, 0, 1, "General"}};
  for (const auto& row : rows) {
    CollectingVisitor visitor;
    book->readSheet(row.sheet, visitor);
    const SeenCell* found = nullptr;
    for (const SeenCell& cell : visitor.cells)
      if (cell.row == row.row && cell.column == row.column) found = &cell;
    ASSERT_NE(found, nullptr) << row.sheet << ":" << row.row << "," << row.column;
    EXPECT_EQ(book->formatCode(found->format), row.code) << row.sheet << ":" << row.row;
  }
}

std::string failureOf(const std::string& bytes) {
  try {
    auto book = openXls(writeTempFile("damaged.xls", bytes));
    for (int i = 0; i < static_cast<int>(book->sheets().size()); ++i) {
      CollectingVisitor visitor;
      book->readSheet(i, visitor);
    }
  } catch (const Failure& failure) {
    return failure.what();
  }
  return "";
}

TEST(OldGenerationDamage, DamagedFilesFailWithAClearDescription) {
  const std::string good = old::worksheet(3, old::number(3, 0, 0, 1) + old::label(3, 0, 1, "text"));
  const struct {
    const char* name;
    std::string bytes;
    const char* expected;
  } rows[] = {
      {"CutInARecord", good.substr(0, good.size() - 9),
       "The workbook is damaged: its last record runs past the end of the file."},
      {"TextLongerThanItsRecord",
       old::worksheet(3, rec(0x0204, old::cellHead(3, 0, 0, 0) + le16(60000) + "abc")),
       "The workbook is damaged: a record is shorter than its contents."},
      {"ShortNumber", old::worksheet(2, rec(0x0003, old::cellHead(2, 0, 0, 0) + "abc")),
       "The workbook is damaged: a number record is too short."},
      {"ShortCell", old::worksheet(2, rec(0x0004, "ab")),
       "The workbook is damaged: a cell record is too short."},
      {"FormatLongerThanItsRecord", old::worksheet(2, rec(0x001E, "\x50" "0.00")),
       "The workbook is damaged: a record is shorter than its contents."},
      {"Encrypted", old::worksheet(4, rec(0x002F, le32(0))),
       "The workbook is protected by a password and cannot be read."},
      {"WorkbookWithoutSheets", old::workbook4("", {}),
       "The workbook is damaged: the workbook lists no sheets."},
      {"SheetHeaderCutShort", old::workbook4("", {}) + rec(0x008F, le32(10) + "\x09Sh"),
       "The workbook is damaged: a record is shorter than its contents."},
  };
  for (const auto& row : rows) EXPECT_EQ(failureOf(row.bytes), row.expected) << row.name;
  // Every prefix of a workbook reads or fails with a description: never a crash or a hang.
  const std::string bundle =
      old::workbook4(old::formats(4, {"0.00"}) + old::xfs(4, {0}),
                     {{"A", 0, good.substr(10, good.size() - 14)}, {"B", 0, old::number(4, 3, 3, 9)}});
  for (std::size_t size = 8; size < bundle.size(); ++size) failureOf(bundle.substr(0, size));
}

// The displayed text of each generation's number formats and dates, through the engine, which
// recognises the bare stream by its content whatever the file is called.
TEST(OldGenerationDisplay, NumberFormatsAndDatesShowAsTheApplicationShowsThem) {
  const struct {
    int biff;
    const char* code;
    double value;
    const char* shown;
    bool date1904;
  } rows[] = {
      {2, "0.00", 1234.5678, "1234.57", false},
      {2, "m/d/yy", 43528, "3/4/19", false},
      {2, "$#,##0_);($#,##0)", -5, "($5)", false},
      {2, "h:mm AM/PM", 0.75, "6:00 PM", false},
      {3, "#,##0.00", -1234.5, "-1,234.50", false},
      {3, "0%", 0.256, "26%", false},
      {3, "d-mmm-yy", 43528, "4-Mar-19", false},
      {3, "mmm-yy", 0, "Jan-04", true},
      {4, "h:mm:ss AM/PM", 0.75, "6:00:00 PM", false},
      {4, "m/d/yy h:mm", 43528.5, "3/4/19 12:00", false},
      {4, "0.00E+00", 123456, "1.23E+05", false},
      {4, "yyyy-mm-dd", 1, "1904-01-02", true},
  };
  for (const auto& row : rows) {
    const std::string records = (row.date1904 ? rec(0x0022, le16(1)) : std::string()) +
                                old::formats(row.biff, {"General", row.code}) +
                                old::xfs(row.biff, {0, 1}) +
                                old::number(row.biff, 0, 0, row.value, 1);
    const std::string path = writeTempFile("shown.dat", old::worksheet(row.biff, records));
    auto book = engine::BuiltinWorkbook::open(path);
    EXPECT_EQ(book->sheet(0).text(0, 0), row.shown) << "BIFF" << row.biff << " " << row.code;
  }
}

// 8-bit text in the code page the file names (or Windows-1252 without one).
TEST(OldGenerationDisplay, TextInTheFilesCodePage) {
  const struct {
    int biff;
    std::uint16_t codePage;
    const char* bytes;
    const char* shown;
  } rows[] = {
      {2, 0, "Stra\xDF" "e", "Stra\xC3\x9F" "e"},
      {2, 0x8001, "\x80 5", "\xE2\x82\xAC 5"},                        // Windows-1252 (BIFF2-3)
      {3, 0x8000, "\x8A\x9A", "\xC3\xA4\xC3\xB6"},                    // Mac Roman
      {4, 1251, "\xCF\xF0\xE8", "\xD0\x9F\xD1\x80\xD0\xB8"},          // Cyrillic
  };
  for (const auto& row : rows) {
    const std::string records = (row.codePage ? rec(0x0042, le16(row.codePage)) : std::string()) +
                                old::label(row.biff, 0, 0, row.bytes);
    auto book = engine::BuiltinWorkbook::open(
        writeTempFile("text.xls", old::worksheet(row.biff, records)));
    EXPECT_EQ(book->sheet(0).text(0, 0), row.shown) << "BIFF" << row.biff << " " << row.codePage;
  }
}

}  // namespace
}  // namespace lomandra::xls
