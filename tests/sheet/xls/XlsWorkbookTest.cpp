#include <gtest/gtest.h>

#include "sheet/Failure.h"
#include "sheet/xls/XlsWorkbook.h"
#include "tests/sheet/xls/XlsTestFiles.h"

namespace lomandra::xls {
namespace {

using model::CellKind;
using namespace testing;

// Record ids written by the tests.
constexpr std::uint16_t kNumber = 0x0203, kRk = 0x027E, kMulRk = 0x00BD, kBoolErr = 0x0205,
                        kLabel = 0x0204, kRString = 0x00D6, kLabelSst = 0x00FD, kFormula = 0x0006,
                        kString = 0x0207, kBlank = 0x0201, kMulBlank = 0x00BE, kSst = 0x00FC,
                        kContinue = 0x003C, kFormat = 0x041E, kColInfo = 0x007D, kRow = 0x0208,
                        kDefColWidth = 0x0055, kWindow1 = 0x003D, kDateMode = 0x0022,
                        kCodePage = 0x0042, kFilePass = 0x002F, kShrFmla = 0x04BC;

std::string cellHead(std::uint32_t row, std::uint32_t column, std::uint32_t xf) {
  return le16(row) + le16(column) + le16(xf);
}
std::string number(std::uint32_t row, std::uint32_t column, double value, std::uint32_t xf = 0) {
  return rec(kNumber, cellHead(row, column, xf) + le64Double(value));
}
std::string label(std::uint32_t row, std::uint32_t column, const std::string& text) {
  return rec(kLabel, cellHead(row, column, 0) + narrowString(text));
}
std::string formula(std::uint32_t row, std::uint32_t column, const std::string& result) {
  return rec(kFormula, cellHead(row, column, 0) + result + le16(0) + le32(0) + le16(3) +
                           std::string("\x1E\x01\x00", 3));
}
std::string taggedResult(std::uint8_t tag, std::uint8_t value) {
  return std::string(1, static_cast<char>(tag)) + '\0' + std::string(1, static_cast<char>(value)) +
         std::string(3, '\0') + le16(0xFFFF);
}

std::unique_ptr<model::WorkbookFile> open(const std::string& stream, const std::string& file,
                                          const std::u16string& streamName = u"Workbook") {
  return openXls(writeTempFile(file, compoundFile({{streamName, stream}})));
}

std::vector<SeenCell> cellsOf(model::WorkbookFile& book, int sheet = 0,
                              std::uint32_t lastRow = model::kAllRows) {
  CollectingVisitor visitor;
  book.readSheet(sheet, visitor, lastRow);
  return visitor.cells;
}

std::string failureOf(const std::string& stream) {
  try {
    auto book = open(stream, "failure.xls");
    for (int i = 0; i < static_cast<int>(book->sheets().size()); ++i) cellsOf(*book, i);
  } catch (const Failure& failure) {
    return failure.what();
  }
  return "";
}

struct CellCase {
  const char* name;
  std::string records;
  CellKind kind;
  double number;
  std::string text;
};

void PrintTo(const CellCase& c, std::ostream* os) { *os << c.name; }

class XlsCellRecord : public ::testing::TestWithParam<CellCase> {};

TEST_P(XlsCellRecord, GivesTheCellsValue) {
  const CellCase& c = GetParam();
  const std::string sst =
      rec(kSst, le32(2) + le32(2) + narrowString("first") + narrowString("zweite"));
  auto book = open(biff8Workbook(sst, {{"Data", 0, c.records}}), "cell.xls");
  const auto cells = cellsOf(*book);
  ASSERT_EQ(cells.size(), 1u);
  EXPECT_EQ(cells[0].row, 4u);
  EXPECT_EQ(cells[0].column, 2u);
  EXPECT_EQ(cells[0].kind, c.kind);
  EXPECT_EQ(cells[0].number, c.number);
  EXPECT_EQ(cells[0].text, c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Records, XlsCellRecord,
    ::testing::Values(
        CellCase{"Number", number(4, 2, -1234.5678), CellKind::Number, -1234.5678, ""},
        CellCase{"RkInteger", rec(kRk, cellHead(4, 2, 0) + le32((12345u << 2) | 2)),
                 CellKind::Number, 12345, ""},
        CellCase{"RkNegativeInteger",
                 rec(kRk, cellHead(4, 2, 0) + le32((static_cast<std::uint32_t>(-7) << 2) | 2)),
                 CellKind::Number, -7, ""},
        CellCase{"RkIntegerHundredths", rec(kRk, cellHead(4, 2, 0) + le32((1234u << 2) | 3)),
                 CellKind::Number, 12.34, ""},
        CellCase{"RkDouble", rec(kRk, cellHead(4, 2, 0) + le32(0x3FF80000u)), CellKind::Number, 1.5,
                 ""},
        CellCase{"RkDoubleHundredths", rec(kRk, cellHead(4, 2, 0) + le32(0x40590000u | 1)),
                 CellKind::Number, 1.0, ""},
        CellCase{"BooleanTrue", rec(kBoolErr, cellHead(4, 2, 0) + std::string("\x01\x00", 2)),
                 CellKind::Boolean, 1, ""},
        CellCase{"ErrorDivZero", rec(kBoolErr, cellHead(4, 2, 0) + std::string("\x07\x01", 2)),
                 CellKind::Error, 0, "#DIV/0!"},
        CellCase{"ErrorNotAvailable", rec(kBoolErr, cellHead(4, 2, 0) + std::string("\x2A\x01", 2)),
                 CellKind::Error, 0, "#N/A"},
        CellCase{"LabelCompressed", label(4, 2, "caf\xE9"), CellKind::Text, 0, "caf\xC3\xA9"},
        CellCase{"LabelUtf16",
                 rec(kLabel, cellHead(4, 2, 0) + wideString(u"\u65E5\u672C \U0001F363")),
                 CellKind::Text, 0, "\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8D\xA3"},
        CellCase{"RichString",
                 rec(kRString, cellHead(4, 2, 0) + narrowString("bold") + le16(1) + le32(0)),
                 CellKind::Text, 0, "bold"},
        CellCase{"SharedString", rec(kLabelSst, cellHead(4, 2, 0) + le32(1)), CellKind::Text, 0,
                 "zweite"},
        CellCase{"FormulaNumber", formula(4, 2, le64Double(42.25)), CellKind::Number, 42.25, ""},
        CellCase{"FormulaText",
                 formula(4, 2, taggedResult(0, 0)) + rec(kShrFmla, std::string(10, '\0')) +
                     rec(kString, narrowString("computed")),
                 CellKind::Text, 0, "computed"},
        CellCase{"FormulaBoolean", formula(4, 2, taggedResult(1, 1)), CellKind::Boolean, 1, ""},
        CellCase{"FormulaError", formula(4, 2, taggedResult(2, 0x17)), CellKind::Error, 0, "#REF!"},
        CellCase{"FormulaEmptyText", formula(4, 2, taggedResult(3, 0)), CellKind::Text, 0, ""},
        CellCase{"FormulaTextWithoutString", formula(4, 2, taggedResult(0, 0)), CellKind::Text, 0,
                 ""},
        CellCase{"Blank", rec(kBlank, cellHead(4, 2, 0)), CellKind::Empty, 0, ""}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(XlsWorkbook, MultipleCellRecordsGiveEachCellWithItsFormat) {
  const std::string records =
      rec(kMulRk, le16(1) + le16(3) + le16(2) + le32((5u << 2) | 2) + le16(3) + le32(0x3FF00000u) +
                      le16(4)) +
      rec(kMulBlank, le16(2) + le16(0) + le16(1) + le16(2) + le16(3) + le16(2));
  auto book = open(
      biff8Workbook(xfRecords({0, 10, 164, 14}) + rec(kFormat, le16(164) + narrowString("0.000")),
                    {{"Data", 0, records}}),
      "multi.xls");
  const auto cells = cellsOf(*book);
  ASSERT_EQ(cells.size(), 5u);
  EXPECT_EQ(cells[0].column, 3u);
  EXPECT_EQ(cells[0].number, 5);
  EXPECT_EQ(book->formatCode(cells[0].format), "0.000");
  EXPECT_EQ(cells[1].column, 4u);
  EXPECT_EQ(cells[1].number, 1);
  EXPECT_EQ(book->formatCode(cells[1].format), "m/d/yyyy");
  EXPECT_EQ(cells[2].row, 2u);
  EXPECT_EQ(cells[4].column, 2u);
  EXPECT_EQ(cells[4].kind, CellKind::Empty);
  EXPECT_EQ(book->formatCode(cells[2].format), "0.00%");
  EXPECT_EQ(book->formatCode(99), "General");
}

TEST(XlsWorkbook, FormatCodesOfBuiltinIds) {
  const struct {
    std::uint16_t id;
    const char* code;
  } rows[] = {{0, "General"},
              {3, "#,##0"},
              {5, "\"$\"#,##0_);\\(\"$\"#,##0\\)"},
              {9, "0%"},
              {14, "m/d/yyyy"},
              {22, "m/d/yyyy h:mm"},
              {30, "m/d/yyyy"},
              {38, "#,##0_);[Red](#,##0)"},
              {44, "_(\"$\"* #,##0.00_);_(\"$\"* \\(#,##0.00\\);_(\"$\"* \"-\"??_);_(@_)"},
              {49, "@"},
              {50, "General"}};
  std::vector<std::uint16_t> ids;
  for (const auto& row : rows) ids.push_back(row.id);
  auto book = open(biff8Workbook(xfRecords(ids), {{"S", 0, ""}}), "builtin.xls");
  for (std::uint32_t i = 0; i < std::size(rows); ++i)
    EXPECT_EQ(book->formatCode(i), rows[i].code) << "format id " << rows[i].id;
}

TEST(XlsWorkbook, SharedStringsSplitAcrossContinueRecords) {
  // String 1 starts compressed and goes on as UTF-16 after the boundary (a new option byte);
  // string 2 has rich-text runs and a phonetic block that both cross the next boundary.
  const std::string part1 = le32(3) + le32(3) + le16(6) + std::string(1, '\0') + "abc";
  const std::string part2 = std::string(1, '\x01') + le16(u'd') + le16(0x00E9) + le16(0x0416) +
                            le16(4) + std::string(1, '\x0C') + le16(2) + le32(6) + "wxyz" +
                            le32(0) + le16(1);
  const std::string part3 = le16(2) + std::string(6, 'P') + narrowString("last");
  const std::string globals = rec(kSst, part1) + rec(kContinue, part2) + rec(kContinue, part3);
  const std::string records = rec(kLabelSst, cellHead(0, 0, 0) + le32(0)) +
                              rec(kLabelSst, cellHead(0, 1, 0) + le32(1)) +
                              rec(kLabelSst, cellHead(0, 2, 0) + le32(2));
  auto book = open(biff8Workbook(globals, {{"S", 0, records}}), "sst.xls");
  const auto cells = cellsOf(*book);
  ASSERT_EQ(cells.size(), 3u);
  EXPECT_EQ(cells[0].text, "abcd\xC3\xA9\xD0\x96");
  EXPECT_EQ(cells[1].text, "wxyz");
  EXPECT_EQ(cells[2].text, "last");
}

TEST(XlsWorkbook, SheetsStateActiveSheetAndDateSystem) {
  const std::string globals =
      rec(kWindow1, std::string(10, '\0') + le16(2) + std::string(6, '\0')) +
      rec(kDateMode, le16(1));
  auto book = open(biff8Workbook(globals, {{"Staff List", 0, label(0, 0, "one")},
                                           {"Hidden one", 1, ""},
                                           {"Very hidden", 2, label(5, 5, "three")}}),
                   "sheets.xls");
  ASSERT_EQ(book->sheets().size(), 3u);
  EXPECT_EQ(book->sheets()[0].name, "Staff List");
  EXPECT_TRUE(book->sheets()[0].visible);
  EXPECT_FALSE(book->sheets()[1].visible);
  EXPECT_FALSE(book->sheets()[2].visible);
  EXPECT_EQ(book->activeSheet(), 2);
  EXPECT_TRUE(book->date1904());
  EXPECT_EQ(cellsOf(*book, 2).at(0).text, "three");
  EXPECT_TRUE(cellsOf(*book, 1).empty());
  EXPECT_THROW(cellsOf(*book, 3), Failure);
}

TEST(XlsWorkbook, ColumnWidthsHiddenColumnsAndRows) {
  const std::string records =
      rec(kDefColWidth, le16(9)) +
      rec(kColInfo, le16(1) + le16(3) + le16(20 * 256) + le16(0) + le16(1) + le16(0)) +
      rec(kColInfo, le16(4) + le16(300) + le16(2560) + le16(0) + le16(0) + le16(0)) +
      rec(kRow, le16(2) + le16(0) + le16(1) + le16(0) + le32(0) + le16(0x20) + le16(0)) +
      rec(kRow, le16(3) + le16(0) + le16(1) + le16(0) + le32(0) + le16(0) + le16(0)) +
      number(2, 0, 1);
  auto book = open(biff8Workbook("", {{"S", 0, records}}), "layout.xls");
  CollectingVisitor visitor;
  book->readSheet(0, visitor);
  EXPECT_DOUBLE_EQ(visitor.defaultWidth, 9 + 5.0 / 7.0);
  ASSERT_EQ(visitor.columnRuns.size(), 2u);
  EXPECT_EQ(visitor.columnRuns[0].first, 1u);
  EXPECT_EQ(visitor.columnRuns[0].last, 3u);
  EXPECT_EQ(visitor.columnRuns[0].width, 20);
  EXPECT_TRUE(visitor.columnRuns[0].hidden);
  EXPECT_EQ(visitor.columnRuns[1].last, 255u);
  EXPECT_FALSE(visitor.columnRuns[1].hidden);
  EXPECT_EQ(visitor.hiddenRows, std::vector<std::uint32_t>{2});
}

TEST(XlsWorkbook, StandardWidthOutranksDefaultColumnWidth) {
  const std::string records = rec(0x0099, le16(2560)) + rec(kDefColWidth, le16(8));
  auto book = open(biff8Workbook("", {{"S", 0, records}}), "standard.xls");
  CollectingVisitor visitor;
  book->readSheet(0, visitor);
  EXPECT_EQ(visitor.defaultWidth, 10);
}

TEST(XlsWorkbook, StopsAtTheLastRowAskedForOrWhenTheVisitorSaysSo) {
  std::string records;
  for (std::uint32_t row = 0; row < 100; ++row)
    records += number(row, 0, row) + number(row, 1, -1.0 * row);
  auto book = open(biff8Workbook("", {{"S", 0, records}}), "rows.xls");
  const auto first = cellsOf(*book, 0, 9);
  ASSERT_EQ(first.size(), 20u);
  EXPECT_EQ(first.back().row, 9u);
  CollectingVisitor visitor;
  visitor.stopAfter = 3;
  book->readSheet(0, visitor);
  EXPECT_EQ(visitor.cells.size(), 3u);
  EXPECT_EQ(cellsOf(*book).size(), 200u);
}

// Both records of one cell go on, the later after the earlier: the sheet's store shows the
// later one and fails a range holding the cell, the rule of every reader.
TEST(XlsWorkbook, CellsOutOfOrderAreSortedAndBothRecordsOfACellGoOnInFileOrder) {
  const std::string records =
      number(5, 0, 1) + number(1, 3, 2) + number(1, 1, 3) + number(5, 0, 4) + number(9, 9, 5);
  auto book = open(biff8Workbook("", {{"S", 0, records}}), "order.xls");
  const auto cells = cellsOf(*book, 0, 5);
  ASSERT_EQ(cells.size(), 4u);
  EXPECT_EQ(cells[0].number, 3);
  EXPECT_EQ(cells[1].number, 2);
  EXPECT_EQ(cells[2].number, 1);
  EXPECT_EQ(cells[3].number, 4);
}

TEST(XlsWorkbook, SkipsChartsEmbeddedInASheet) {
  const std::string chart = rec(0x0809, le16(0x0600) + le16(0x0020) + std::string(12, '\0')) +
                            number(50, 50, 99) + rec(0x000A, "");
  auto book =
      open(biff8Workbook("", {{"S", 0, number(0, 0, 1) + chart + number(1, 0, 2)}}), "chart.xls");
  const auto cells = cellsOf(*book);
  ASSERT_EQ(cells.size(), 2u);
  EXPECT_EQ(cells[1].number, 2);
}

TEST(XlsWorkbook, Biff5TextInTheWorkbooksCodePage) {
  // Windows-1251: "Лист" as a sheet name, "Привет" in a cell, "0.00 р." as a format.
  const std::string list = "\xCB\xE8\xF1\xF2";
  const std::string hello = "\xCF\xF0\xE8\xE2\xE5\xF2";
  const std::string rubles = "0.00 \xF0.";
  const std::string globals =
      rec(kCodePage, le16(1251)) +
      rec(kFormat, le16(170) + std::string(1, static_cast<char>(rubles.size())) + rubles) +
      xfRecords({0, 170});
  const std::string records =
      rec(kLabel, cellHead(0, 0, 0) + le16(static_cast<std::uint32_t>(hello.size())) + hello) +
      number(0, 1, 2.5, 1);
  auto book = open(biff5Workbook(globals, {{list, 0, records}}), "biff5.xls", u"Book");
  ASSERT_EQ(book->sheets().size(), 1u);
  EXPECT_EQ(book->sheets()[0].name, "\xD0\x9B\xD0\xB8\xD1\x81\xD1\x82");
  const auto cells = cellsOf(*book);
  ASSERT_EQ(cells.size(), 2u);
  EXPECT_EQ(cells[0].text, "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82");
  EXPECT_EQ(book->formatCode(cells[1].format), "0.00 \xD1\x80.");
}

// An Excel 5.0/95 workbook lists its Visual Basic modules among its sheets; they have no tab.
TEST(XlsWorkbook, Biff5ModuleSheetsAreNoSheets) {
  std::string stream = biff5Workbook("", {{"Data", 0, number(0, 0, 1)},
                                          {"Module1", 0, ""},
                                          {"Chart1", 0, ""},
                                          {"Last", 0, number(0, 0, 4)}});
  // The second sheet becomes a module (type 6), the third a chart (type 2).
  std::size_t at = 0;
  for (const std::uint8_t type : {0, 6, 2}) {
    at = stream.find(std::string("\x85\x00", 2), at) + 4;
    stream[at + 5] = static_cast<char>(type);
  }
  auto book = open(stream, "modules.xls", u"Book");
  ASSERT_EQ(book->sheets().size(), 3u);
  EXPECT_EQ(book->sheets()[0].name, "Data");
  EXPECT_EQ(book->sheets()[1].name, "Chart1");
  EXPECT_EQ(book->sheets()[2].name, "Last");
  ASSERT_EQ(cellsOf(*book, 2).size(), 1u);
  EXPECT_EQ(cellsOf(*book, 2)[0].number, 4);
}

TEST(XlsWorkbook, Biff4BareStreamIsOneSheetNamedAfterTheFile) {
  std::string stream = rec(0x0409, le16(0) + le16(0x0010) + le16(0)) +
                       rec(kFormat, le16(0) + std::string(1, '\x07') + "General") +
                       rec(kFormat, le16(0) + std::string(1, '\x04') + "0.0%") +
                       rec(0x0443, std::string("\x00\x01", 2) + std::string(10, '\0')) +
                       number(0, 0, 0.25) + rec(0x000A, "");
  auto book = openXls(writeTempFile("Old Report.xls", stream));
  ASSERT_EQ(book->sheets().size(), 1u);
  EXPECT_NE(book->sheets()[0].name.find("Old Report"), std::string::npos);
  const auto cells = cellsOf(*book);
  ASSERT_EQ(cells.size(), 1u);
  EXPECT_EQ(book->formatCode(cells[0].format), "0.0%");
}

struct BadCase {
  const char* name;
  std::string stream;
  const char* expected;
};

void PrintTo(const BadCase& c, std::ostream* os) { *os << c.name; }

class XlsBadStream : public ::testing::TestWithParam<BadCase> {};

TEST_P(XlsBadStream, FailsWithAClearDescription) {
  EXPECT_EQ(failureOf(GetParam().stream), GetParam().expected);
}

const std::string kSheetWithLabel = rec(kLabelSst, cellHead(0, 0, 0) + le32(7));

INSTANTIATE_TEST_SUITE_P(
    Streams, XlsBadStream,
    ::testing::Values(
        BadCase{"Encrypted", biff8Workbook(rec(kFilePass, le16(0) + le32(0)), {{"S", 0, ""}}),
                "The workbook is protected by a password and cannot be read."},
        BadCase{"NoBeginning", rec(kNumber, std::string(14, '\0')),
                "The file is not an Excel workbook: its workbook stream does not begin with a "
                "beginning-of-file record."},
        BadCase{"SharedStringMissing",
                biff8Workbook(rec(kSst, le32(1000) + le32(1000) + narrowString("only")),
                              {{"S", 0, kSheetWithLabel}}),
                "The workbook is damaged: a cell refers to a shared text that does not exist."},
        BadCase{"SharedStringCountTooHigh",
                biff8Workbook(rec(kSst, le32(1000) + le32(1000) + narrowString("only")),
                              {{"S", 0, rec(kLabelSst, cellHead(0, 0, 0) + le32(0))}}),
                ""},
        BadCase{"StringCutShortAtContinue",
                biff8Workbook(rec(kSst, le32(1) + le32(1) + le16(100) + std::string(1, '\0') + "abc") +
                                  rec(kContinue, std::string(1, '\0') + "defg"),
                              {{"S", 0, ""}}),
                "The workbook is damaged: a record is shorter than its contents."},
        BadCase{"JunkAfterTheLastSheet", biff8Workbook("", {{"S", 0, ""}}) + le16(kNumber) + le16(500) + "xx",
                ""},  // after the last EOF nothing is read
        BadCase{"CellRecordPastEnd",
                biff8Workbook("", {{"S", 0, ""}}).substr(0, biff8Workbook("", {{"S", 0, ""}}).size() - 4) +
                    le16(kNumber) + le16(500) + "xx",
                "The workbook is damaged: its last record runs past the end of the file."},
        BadCase{"ShortNumber", biff8Workbook("", {{"S", 0, rec(kNumber, cellHead(0, 0, 0) + "abc")}}),
                "The workbook is damaged: a number record is too short."},
        BadCase{"SheetOffsetBeyondStream",
                [] {
                  std::string s = biff8Workbook("", {{"S", 0, ""}});
                  const std::size_t at = s.find(std::string("\x85\x00", 2));
                  s.replace(at + 4, 4, le32(0x7FFFFFFF));
                  return s;
                }(),
                "The workbook is damaged: a sheet lies beyond the end of the workbook stream."}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(XlsWorkbook, CellsPastColumnIVAreDropped) {
  std::string cells;
  for (std::uint32_t k = 0; k < 10; ++k) cells += le16(0) + le32((k << 2) | 2);
  auto book =
      open(biff8Workbook("", {{"S", 0, rec(kMulRk, le16(0) + le16(250) + cells + le16(259))}}),
           "wide.xls");
  const auto seen = cellsOf(*book);
  ASSERT_EQ(seen.size(), 6u);
  EXPECT_EQ(seen.back().column, 255u);
}

// Every prefix of a workbook, and copies with bytes overwritten, either read or fail with a
// Failure: never a crash, a hang or an unbounded allocation (the sanitizer build checks more).
TEST(XlsWorkbook, TruncatedAndScrambledFilesFailCleanly) {
  std::string records;
  for (std::uint32_t row = 0; row < 40; ++row)
    records += number(row, 0, row) + rec(kLabelSst, cellHead(row, 1, 0) + le32(row % 2)) +
               formula(row, 2, taggedResult(0, 0)) + rec(kString, narrowString("f"));
  const std::string sst =
      rec(kSst, le32(2) + le32(2) + narrowString("even") + narrowString("odd")) +
      rec(kContinue, std::string(1, '\0'));
  const std::string whole =
      compoundFile({{u"Workbook", biff8Workbook(sst + xfRecords({0, 14}),
                                                {{"A", 0, records}, {"B", 1, records}})}});
  auto attempt = [](const std::string& bytes) {
    try {
      auto book = openXls(writeTempFile("scrambled.xls", bytes));
      for (int i = 0; i < static_cast<int>(book->sheets().size()); ++i) cellsOf(*book, i);
    } catch (const Failure&) {
    }
  };
  for (std::size_t size = 0; size < whole.size(); size += 97) attempt(whole.substr(0, size));
  std::uint32_t seed = 12345;
  for (int round = 0; round < 400; ++round) {
    std::string bytes = whole;
    for (int k = 0; k < 4; ++k) {
      seed = seed * 1664525u + 1013904223u;
      bytes[seed % bytes.size()] = static_cast<char>(seed >> 24);
    }
    attempt(bytes);
  }
  SUCCEED();
}

TEST(XlsWorkbook, FilesThatAreNoWorkbook) {
  const struct {
    const char* name;
    std::string bytes;
    const char* expectedStart;
  } rows[] = {
      {"text.xls", "Attachment not found!\n", "The file \""},
      {"empty.xls", "", "The file \""},
      {"nostream.xls", compoundFile({{u"Other", "data"}}), "The file \""},
      {"encrypted.xlsx", compoundFile({{u"EncryptionInfo", "x"}, {u"EncryptedPackage", "y"}}),
       "The workbook is protected by a password and cannot be read."},
  };
  for (const auto& row : rows) {
    try {
      openXls(writeTempFile(row.name, row.bytes));
      ADD_FAILURE() << row.name << " opened";
    } catch (const Failure& failure) {
      EXPECT_EQ(std::string(failure.what()).rfind(row.expectedStart, 0), 0u) << failure.what();
    }
  }
  EXPECT_THROW(openXls("/nonexistent/folder/book.xls"), Failure);
}

}  // namespace
}  // namespace lomandra::xls
