#include <gtest/gtest.h>
#include <xlsxwriter.h>

#include <map>
#include <optional>

#include "sheet/Failure.h"
#include "sheet/container/ZipArchive.h"
#include "sheet/xlsx/PackageParts.h"
#include "sheet/container/XmlReader.h"
#include "sheet/xlsx/BuiltinFormats.h"
#include "sheet/xlsx/SharedStringTable.h"
#include "sheet/xlsx/StylesPart.h"
#include "sheet/xlsx/WorkbookPart.h"
#include "sheet/xlsx/WorksheetReader.h"
#include "sheet/xlsx/XlsxValues.h"
#include "sheet/xlsx/XlsxWorkbook.h"
#include "tests/sheet/container/TestPackage.h"
#include "tests/support/FailureOf.h"

namespace lomandra::xlsx {
namespace {

using model::CellKind;
using testing::TempDir;
using testing::worksheet;
using testing::xlsxParts;

std::string cellName(std::uint32_t row, std::uint32_t column) {
  std::string letters;
  for (std::uint32_t n = column + 1; n > 0; n = (n - 1) / 26)
    letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
  return letters + std::to_string(row + 1);
}

// Records what a reader reports, one readable line per cell.
class Collector : public model::SheetVisitor {
 public:
  std::map<std::string, std::string> cells;
  std::vector<std::uint32_t> hiddenRows;
  std::vector<std::string> columnLog;
  double defaultWidth = -1;
  std::uint32_t maxRow = 0;
  std::size_t count = 0;
  std::vector<std::string> log;  // every cell reported, in order
  std::size_t stopAfter = SIZE_MAX;

  void columns(std::uint32_t first, std::uint32_t last, double width, bool hidden) override {
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%u-%u:%.2f%s", first, last, width, hidden ? ":hidden" : "");
    columnLog.emplace_back(buffer);
  }
  void defaultColumnWidth(double width) override { defaultWidth = width; }
  void hiddenRow(std::uint32_t row) override { hiddenRows.push_back(row); }
  std::vector<std::string> merges;
  std::optional<model::SheetView> saved;
  void mergedCells(std::uint32_t r1, std::uint32_t c1, std::uint32_t r2, std::uint32_t c2) override {
    merges.push_back(cellName(r1, c1) + ":" + cellName(r2, c2));
  }
  void view(const model::SheetView& v) override { saved = v; }
  bool cell(std::uint32_t row, std::uint32_t column, const model::CellRef& v) override {
    ++count;
    maxRow = std::max(maxRow, row);
    std::string text;
    char buffer[64];
    switch (v.kind) {
      case CellKind::Empty: text = "empty"; break;
      case CellKind::Number:
        std::snprintf(buffer, sizeof buffer, "n:%.17g", v.number);
        text = buffer;
        break;
      case CellKind::Text: text = "s:" + std::string(v.text); break;
      case CellKind::Boolean: text = v.number != 0 ? "b:1" : "b:0"; break;
      case CellKind::Error: text = "e:" + std::string(v.text); break;
    }
    if (v.format != 0) text += " f" + std::to_string(v.format);
    cells[cellName(row, column)] = text;
    log.push_back(cellName(row, column) + "=" + text);
    return count < stopAfter;
  }
};

using testsupport::failureOf;

Collector readFirstSheet(const std::string& path, const XlsxLimits& limits = XlsxLimits{},
                         std::uint32_t lastRow = model::kAllRows) {
  auto book = openXlsx(path, limits);
  Collector c;
  book->readSheet(0, c, lastRow);
  return c;
}

// ---------------------------------------------------------------- value decoders

TEST(XlsxValuesTest, Unescapes) {
  struct Row {
    const char* in;
    const char* out;
  };
  const Row rows[] = {
      {"plain", "plain"},
      {"a_x000D_b", "a\rb"},
      {"_x005F_x000D_", "_x000D_"},  // an escaped escape stays literal
      {"_x00e9_", "\xC3\xA9"},
      {"_xD83C__xDF63_", "\xF0\x9F\x8D\xA3"},  // a surrogate pair joins into one character
      {"_xD83C_", "\xEF\xBF\xBD"},             // a lone surrogate becomes U+FFFD
      {"_x12_", "_x12_"},
      {"_xZZZZ_ and _x0041_", "_xZZZZ_ and A"},
      {"snake_case_x", "snake_case_x"},
  };
  for (const Row& row : rows) {
    std::string out;
    appendUnescaped(out, row.in);
    EXPECT_EQ(out, row.out) << row.in;
  }
}

TEST(XlsxValuesTest, TruncatesOnCharacterBoundaries) {
  std::string s = "ab\xC3\xA9";
  truncateUtf8(s, 3);
  EXPECT_EQ(s, "ab");
}

TEST(XlsxValuesTest, CellPositions) {
  struct Row {
    const char* text;
    bool valid;
    std::uint32_t row, column;
  };
  const Row rows[] = {
      {"A1", true, 0, 0},         {"Z9", true, 8, 25},        {"AA10", true, 9, 26},
      {"XFD1048576", true, 1048575, 16383},                   {"xfd1", true, 0, 16383},
      {"XFE1", false, 0, 0},      {"A0", false, 0, 0},        {"A1048577", false, 0, 0},
      {"1A", false, 0, 0},        {"A", false, 0, 0},         {"", false, 0, 0},
      {"AAAAA1", false, 0, 0},    {"A1B", false, 0, 0},       {"A99999999999", false, 0, 0},
  };
  for (const Row& row : rows) {
    const auto p = parseCellPosition(row.text);
    ASSERT_EQ(p.has_value(), row.valid) << row.text;
    if (p) {
      EXPECT_EQ(p->row, row.row) << row.text;
      EXPECT_EQ(p->column, row.column) << row.text;
    }
  }
}

TEST(XlsxValuesTest, IsoDates) {
  struct Row {
    const char* text;
    bool date1904;
    double serial;  // negative: not a date
  };
  const Row rows[] = {
      {"1900-01-01", false, 1},
      {"1900-02-28", false, 59},
      {"1900-02-29", false, 60},  // the 1900 system's fictitious day
      {"1900-03-01", false, 61},
      {"2024-01-31", false, 45322},
      {"2024-01-31T12:00:00", false, 45322.5},
      {"2024-01-31T06:00:00Z", false, 45322.25},
      {"2024-01-31T00:00:00.5", false, 45322 + 0.5 / 86400},
      {"12:00:00", false, 0.5},
      {"1904-01-01", true, 0},
      {"1904-01-02T18:00:00", true, 1.75},
      {"1900-02-29", true, -1},  // no such day in the 1904 system
      {"2023-02-29", false, -1},
      {"2024-13-01", false, -1},
      {"yesterday", false, -1},
      {"2024-01-31X", false, -1},
  };
  for (const Row& row : rows) {
    const auto serial = isoDateToSerial(row.text, row.date1904);
    if (row.serial < 0) {
      EXPECT_FALSE(serial.has_value()) << row.text;
    } else {
      ASSERT_TRUE(serial.has_value()) << row.text;
      EXPECT_NEAR(*serial, row.serial, 1e-9) << row.text;
    }
  }
}

TEST(PackagePartsTest, ResolvesTargets) {
  struct Row {
    const char* source;
    const char* target;
    const char* resolved;
  };
  const Row rows[] = {
      {"xl/workbook.xml", "worksheets/sheet1.xml", "xl/worksheets/sheet1.xml"},
      {"xl/workbook.xml", "/xl/worksheets/sheet1.xml", "xl/worksheets/sheet1.xml"},
      {"xl/workbook.xml", "../xl/./styles.xml", "xl/styles.xml"},
      {"xl/workbook.xml", "../../../../etc/passwd", "etc/passwd"},
      {"", "xl/workbook.xml", "xl/workbook.xml"},
  };
  for (const Row& row : rows) EXPECT_EQ(resolveTarget(row.source, row.target), row.resolved);
  EXPECT_EQ(relationshipsPartOf("xl/workbook.xml"), "xl/_rels/workbook.xml.rels");
  EXPECT_EQ(relationshipsPartOf(""), "_rels/.rels");
}

// ---------------------------------------------------------------- workbooks written by libxlsxwriter

TEST(XlsxReaderTest, ReadsAWorkbookWrittenByLibxlsxwriter) {
  TempDir dir;
  const std::string path = dir.file("written.xlsx");
  {
    lxw_workbook* wb = workbook_new(path.c_str());
    lxw_worksheet* first = workbook_add_worksheet(wb, "Data");
    lxw_worksheet* hidden = workbook_add_worksheet(wb, "Hidden one");
    lxw_worksheet* third = workbook_add_worksheet(wb, "Dörfer 'q' x");
    lxw_format* money = workbook_add_format(wb);
    format_set_num_format(money, "#,##0.00 \"EUR\"");
    lxw_format* date = workbook_add_format(wb);
    format_set_num_format_index(date, 14);
    worksheet_write_number(first, 0, 0, 1.5, nullptr);
    worksheet_write_string(first, 0, 1, "text", nullptr);
    worksheet_write_string(first, 1, 0, "text", nullptr);  // shared twice
    worksheet_write_number(first, 1, 1, 1234.5, money);
    worksheet_write_number(first, 2, 0, 45322, date);
    worksheet_write_boolean(first, 2, 1, 1, nullptr);
    worksheet_write_formula_num(first, 3, 0, "=A1*2", nullptr, 3);
    worksheet_write_formula_str(first, 3, 1, "=B1&\"!\"", nullptr, "text!");
    worksheet_write_blank(first, 4, 0, money);
    worksheet_set_column(first, 2, 3, 20, nullptr);
    lxw_row_col_options hide = {1, 0, 0};
    worksheet_set_column_opt(first, 5, 5, 8, nullptr, &hide);
    worksheet_set_row_opt(first, 6, 15, nullptr, &hide);
    worksheet_write_string(first, 6, 0, "in a hidden row", nullptr);
    worksheet_hide(hidden);
    worksheet_activate(third);
    worksheet_write_string(third, 0, 0, "third", nullptr);
    ASSERT_EQ(workbook_close(wb), LXW_NO_ERROR);
  }
  auto book = openXlsx(path);
  ASSERT_EQ(book->sheets().size(), 3u);
  EXPECT_EQ(book->sheets()[0].name, "Data");
  EXPECT_TRUE(book->sheets()[0].visible);
  EXPECT_FALSE(book->sheets()[1].visible);
  EXPECT_EQ(book->sheets()[2].name, "Dörfer 'q' x");
  EXPECT_EQ(book->activeSheet(), 2);
  EXPECT_FALSE(book->date1904());

  Collector c;
  book->readSheet(0, c);
  const std::map<std::string, std::string> expected = {
      {"A1", "n:1.5"},     {"B1", "s:text"},     {"A2", "s:text"},       {"B2", "n:1234.5 f1"},
      {"A3", "n:45322 f2"}, {"B3", "b:1"},       {"A4", "n:3"},          {"B4", "s:text!"},
      {"A5", "empty f1"},  {"A7", "s:in a hidden row"},
  };
  EXPECT_EQ(c.cells, expected);
  EXPECT_EQ(book->formatCode(0), "General");
  EXPECT_EQ(book->formatCode(1), "#,##0.00 \"EUR\"");
  EXPECT_EQ(book->formatCode(2), "m/d/yyyy");
  EXPECT_EQ(book->formatCode(999), "General");
  EXPECT_EQ(c.hiddenRows, std::vector<std::uint32_t>{6});
  ASSERT_EQ(c.columnLog.size(), 2u);
  EXPECT_EQ(c.columnLog[0].substr(0, 4), "2-3:");
  EXPECT_NE(c.columnLog[1].find(":hidden"), std::string::npos);

  Collector empty;
  book->readSheet(1, empty);
  EXPECT_TRUE(empty.cells.empty());
  EXPECT_NE(failureOf([&] { book->readSheet(3, empty); }).find("no sheet number 4"),
            std::string::npos);
}

// ---------------------------------------------------------------- packages written by hand

TEST(XlsxReaderTest, EveryCellKind) {
  TempDir dir;
  const std::string sst =
      "<sst xmlns='http://schemas.openxmlformats.org/spreadsheetml/2006/main'>"
      "<si><t>plain</t></si>"
      "<si><r><rPr><b/></rPr><t>rich </t></r><r><t xml:space='preserve'>runs</t></r></si>"
      "<si><t>\xE6\xBC\xA2</t><rPh sb='0' eb='1'><t>\xE3\x81\x8B\xE3\x82\x93</t></rPh><phoneticPr fontId='1'/></si>"
      "<si><t>line_x000D_&#10;break</t></si>"
      "</sst>";
  const std::string data =
      "<row r='1'><c r='A1' t='s'><v>0</v></c><c r='B1' t='s'><v>1</v></c><c r='C1' t='s'><v>2</v></c>"
      "<c r='D1' t='s'><v>3</v></c></row>"
      "<row r='2'><c r='A2' t='inlineStr'><is><t>inline</t><rPh><t>skip</t></rPh></is></c>"
      "<c r='B2' t='str'><f>A1</f><v>formula text</v></c>"
      "<c r='C2' t='b'><v>0</v></c><c r='D2' t='e'><f>1/0</f><v>#DIV/0!</v></c>"
      "<c r='E2' t='d'><v>2024-01-31T12:00:00</v></c><c r='F2' t='n' s='3'><v>-1.25E-3</v></c>"
      "<c r='G2'><f>SUM(1,2)</f><v>3</v></c><c r='H2' s='2'/><c r='I2' t='s'/></row>";
  testing::writeZip(dir.file("kinds.xlsx"), xlsxParts({worksheet(data)}, sst));
  const Collector c = readFirstSheet(dir.file("kinds.xlsx"));
  const std::map<std::string, std::string> expected = {
      {"A1", "s:plain"},          {"B1", "s:rich runs"},  {"C1", "s:\xE6\xBC\xA2"},
      {"D1", "s:line\r\nbreak"},  {"A2", "s:inline"},     {"B2", "s:formula text"},
      {"C2", "b:0"},              {"D2", "e:#DIV/0!"},    {"E2", "n:45322.5"},
      {"F2", "n:-0.00125 f3"},    {"G2", "n:3"},          {"H2", "empty f2"},
      {"I2", "empty"},
  };
  EXPECT_EQ(c.cells, expected);
}

TEST(XlsxReaderTest, CellsWithoutReferencesFollowThePreviousCell) {
  TempDir dir;
  const std::string data =
      "<row><c><v>1</v></c><c><v>2</v></c></row>"
      "<row r='4'><c r='C4'><v>3</v></c><c><v>4</v></c></row>"
      "<row><c><v>5</v></c></row>";
  testing::writeZip(dir.file("nor.xlsx"), xlsxParts({worksheet(data)}));
  const Collector c = readFirstSheet(dir.file("nor.xlsx"));
  const std::map<std::string, std::string> expected = {
      {"A1", "n:1"}, {"B1", "n:2"}, {"C4", "n:3"}, {"D4", "n:4"}, {"A5", "n:5"}};
  EXPECT_EQ(c.cells, expected);
}

TEST(XlsxReaderTest, LayoutOfColumnsAndRows) {
  TempDir dir;
  const std::string before =
      "<sheetFormatPr baseColWidth='10' defaultRowHeight='15'/>"
      "<cols><col min='1' max='2' width='30.5' customWidth='1'/><col min='4' max='4' width='9' hidden='1'/>"
      "<col min='16000' max='99999' width='3'/><col min='0' max='5' width='1'/></cols>";
  testing::writeZip(dir.file("layout.xlsx"),
                    xlsxParts({worksheet("<row r='3' hidden='1'/><row r='5' hidden='true'><c r='A5'><v>1</v></c></row>", before)}));
  const Collector c = readFirstSheet(dir.file("layout.xlsx"));
  EXPECT_EQ(c.columnLog, (std::vector<std::string>{"0-1:30.50", "3-3:9.00:hidden", "15999-16383:3.00"}));
  EXPECT_NEAR(c.defaultWidth, 10 + 5.0 / 7.0, 1e-9);
  EXPECT_EQ(c.hiddenRows, (std::vector<std::uint32_t>{2, 4}));
}

TEST(XlsxReaderTest, FindsTheWorkbookPartByContentWhateverItsName) {
  TempDir dir;
  auto parts = xlsxParts({worksheet("<row r='1'><c r='A1'><v>7</v></c></row>")});
  // Rename the workbook part and point the content types and package relationship at it.
  for (auto& p : parts) {
    if (p.name == "xl/workbook.xml") p.name = "book/main.xml";
    if (p.name == "xl/_rels/workbook.xml.rels") {
      p.name = "book/_rels/main.xml.rels";
      const std::string from = "worksheets/sheet1.xml";
      p.data.replace(p.data.find(from), from.size(), "/xl/worksheets/sheet1.xml");
    }
    for (std::string* text : {&p.data}) {
      for (const std::string from : {"/xl/workbook.xml\"", "\"xl/workbook.xml\""}) {
        const auto at = text->find(from);
        if (at != std::string::npos)
          text->replace(at, from.size(), from[0] == '/' ? "/book/main.xml\"" : "\"book/main.xml\"");
      }
    }
  }
  testing::writeZip(dir.file("renamed.data"), parts);
  EXPECT_TRUE(isXlsxPackage(dir.file("renamed.data")));
  EXPECT_EQ(readFirstSheet(dir.file("renamed.data")).cells.at("A1"), "n:7");
}

TEST(XlsxReaderTest, WorkbookAttributes) {
  TempDir dir;
  testing::writeZip(dir.file("wb.xlsx"),
                    xlsxParts({worksheet(""), worksheet(""), worksheet("")}, {}, {},
                              "<workbookPr date1904='true'/><bookViews><workbookView activeTab='1'/>"
                              "<workbookView activeTab='2'/></bookViews>"));
  auto book = openXlsx(dir.file("wb.xlsx"));
  EXPECT_TRUE(book->date1904());
  EXPECT_EQ(book->activeSheet(), 1);
  ASSERT_EQ(book->sheets().size(), 3u);
}

TEST(XlsxReaderTest, StylesGiveTheFormatCodeOfEachCellFormat) {
  TempDir dir;
  const std::string styles =
      "<styleSheet><numFmts count='2'><numFmt numFmtId='164' formatCode='0.000&quot;kg&quot;'/>"
      "<numFmt numFmtId='14' formatCode='yyyy-mm-dd'/></numFmts>"
      "<cellStyleXfs><xf numFmtId='10'/></cellStyleXfs>"
      "<cellXfs><xf numFmtId='0'/><xf numFmtId='164'/><xf numFmtId='14'/><xf numFmtId='10'/><xf/>"
      "<xf numFmtId='4000'/></cellXfs></styleSheet>";
  testing::writeZip(dir.file("st.xlsx"), xlsxParts({worksheet("")}, {}, styles));
  auto book = openXlsx(dir.file("st.xlsx"));
  const char* expected[] = {"General", "0.000\"kg\"", "yyyy-mm-dd", "0.00%", "General", "General"};
  for (std::uint32_t i = 0; i < 6; ++i) EXPECT_EQ(book->formatCode(i), expected[i]) << i;
}

TEST(XlsxReaderTest, MergedCellsFrozenPaneActiveCellAndAlignment) {
  TempDir dir;
  const std::string view =
      "<sheetViews><sheetView workbookViewId='0'><pane xSplit='1' ySplit='2' topLeftCell='B3' "
      "activePane='bottomRight' state='frozen'/><selection pane='topRight' activeCell='B1'/>"
      "<selection pane='bottomRight' activeCell='C7' sqref='C7'/></sheetView>"
      "<sheetView workbookViewId='1'><selection activeCell='Z9'/></sheetView></sheetViews>";
  const std::string merges =
      "<mergeCells count='2'><mergeCell ref='B2:D3'/><mergeCell ref='F9:E8'/></mergeCells>"
      "<pageMargins left='0.7'/><mergeCells><mergeCell ref='A20:A21'/></mergeCells>";
  const std::string styles =
      "<styleSheet><cellXfs><xf numFmtId='0'/><xf numFmtId='0'><alignment horizontal='center'/></xf>"
      "<xf numFmtId='0'><alignment horizontal='right'/></xf><xf numFmtId='0'><alignment "
      "vertical='top'/></xf><xf><alignment horizontal='fill'/></xf></cellXfs></styleSheet>";
  testing::writeZip(dir.file("m.xlsx"),
                    xlsxParts({worksheet("<row r='1'><c r='A1'><v>1</v></c></row>", view, merges)},
                              {}, styles));
  const Collector whole = readFirstSheet(dir.file("m.xlsx"));
  EXPECT_EQ(whole.merges, (std::vector<std::string>{"B2:D3", "E8:F9"}));
  ASSERT_TRUE(whole.saved.has_value());
  EXPECT_EQ(whole.saved->activeRow, 6u);
  EXPECT_EQ(whole.saved->activeColumn, 2u);
  EXPECT_EQ(whole.saved->frozenRows, 2u);
  EXPECT_EQ(whole.saved->frozenColumns, 1u);
  // A read of the top rows only ends at them.
  EXPECT_TRUE(readFirstSheet(dir.file("m.xlsx"), XlsxLimits{}, 0).merges.empty());
  auto book = openXlsx(dir.file("m.xlsx"));
  using model::HorizontalAlign;
  const HorizontalAlign aligns[] = {HorizontalAlign::General, HorizontalAlign::Center,
                                    HorizontalAlign::Right, HorizontalAlign::General,
                                    HorizontalAlign::Left, HorizontalAlign::General};
  for (std::uint32_t i = 0; i < 6; ++i) EXPECT_EQ(book->cellStyle(i).align, aligns[i]) << i;
}

// Only the rows asked for are handed over, but the cells are read to their end: a row asked
// for may come last (see ReadsRowsInAnyOrder), and a part damaged past the rows asked for is
// damaged for them too.
TEST(XlsxReaderTest, HandsOverTheRowsAskedAndReadsTheCellsToTheirEnd) {
  TempDir dir;
  std::string data;
  for (int r = 1; r <= 1000; ++r)
    data += "<row r='" + std::to_string(r) + "'><c r='A" + std::to_string(r) + "'><v>" +
            std::to_string(r) + "</v></c></row>";
  testing::writeZip(dir.file("rows.xlsx"), xlsxParts({worksheet(data)}));
  const Collector c = readFirstSheet(dir.file("rows.xlsx"), XlsxLimits{}, 9);
  EXPECT_EQ(c.count, 10u);
  EXPECT_EQ(c.maxRow, 9u);
  data += "<row r='1001'><c r='A1001'><v>broken";
  testing::writeZip(dir.file("rows.xlsx"), xlsxParts({worksheet(data)}));
  for (const std::uint32_t last : {9u, model::kAllRows})
    EXPECT_NE(failureOf([&] { readFirstSheet(dir.file("rows.xlsx"), XlsxLimits{}, last); }).find("not well-formed"),
              std::string::npos);
}

// Rows may stand in any order (the application repairs such a file rather than dropping rows);
// a row numbered past the sheet is left out without moving the rows after it.
TEST(XlsxReaderTest, ReadsRowsInAnyOrder) {
  struct Row {
    const char* name;
    std::string data;
    std::uint32_t lastRow;
    std::map<std::string, std::string> cells;
  };
  const std::string fiveTwoOne = "<row r='5'><c r='A5'><v>5</v></c></row>"
                                 "<row r='2'><c r='A2'><v>2</v></c></row>"
                                 "<row r='1'><c r='A1'><v>1</v></c></row>";
  std::string pastTheLast = "<row r='1'><c r='A1'><v>1</v></c></row>";
  for (int r = 3; r <= 200; ++r) pastTheLast += "<row r='" + std::to_string(r) + "'/>";
  pastTheLast += "<row r='2'><c r='B2'><v>2</v></c></row>";
  const Row rows[] = {
      {"5, 2, 1, all rows", fiveTwoOne, model::kAllRows,
       {{"A1", "n:1"}, {"A2", "n:2"}, {"A5", "n:5"}}},
      {"5, 2, 1 through row 4", fiveTwoOne, 3, {{"A1", "n:1"}, {"A2", "n:2"}}},
      {"5, 2, 1 through row 1", fiveTwoOne, 0, {{"A1", "n:1"}}},
      {"a row asked for after 198 rows past the last", pastTheLast, 1,
       {{"A1", "n:1"}, {"B2", "n:2"}}},
      {"cells naming rows out of order inside one row",
       "<row r='3'><c r='A3'><v>3</v></c><c r='A1'><v>1</v></c></row>", 0, {{"A1", "n:1"}}},
      {"row 4294967297 then row 2",
       "<row r='1'><c r='A1'><v>1</v></c></row><row r='4294967297'><c><v>9</v></c></row>"
       "<row r='2'><c r='A2'><v>2</v></c></row>",
       model::kAllRows, {{"A1", "n:1"}, {"A2", "n:2"}}},
      {"unnumbered rows after an outside row stay outside",
       "<row r='1048577'><c><v>9</v></c></row><row><c><v>8</v></c></row>"
       "<row r='x'><c><v>7</v></c></row><row r='1'><c><v>1</v></c></row>",
       model::kAllRows, {{"A1", "n:1"}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    testing::writeZip(dir.file("order.xlsx"), xlsxParts({worksheet(row.data)}));
    EXPECT_EQ(readFirstSheet(dir.file("order.xlsx"), XlsxLimits{}, row.lastRow).cells, row.cells);
  }
}

// The usual cells are read straight from the part's bytes, every other form through the XML
// events. Each case is read both ways, whole, through row 3 and through row 2, and stopping after
// one and after two cells: the cells reported, in order, and any failure must be the same.
TEST(XlsxReaderTest, CellsReadStraightFromTheBytesAreTheCellsTheEventsGive) {
  const std::string main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
  const auto sheet = [&](const std::string& row3) {
    return "<worksheet xmlns='" + main + "'><sheetData><row r='2'><c r='A2'><v>0</v></c></row><row r='3'>" +
           row3 + "</row><row r='4'><c r='A4' t='s'><v>1</v></c></row></sheetData></worksheet>";
  };
  std::string many;  // a row longer than the scanner's chunks, so that cells are cut between them
  for (int c = 0; c < 6000; ++c) {
    const std::string ref = " r='" + cellName(2, static_cast<std::uint32_t>(c % 16384)) + "'";
    const std::string forms[] = {"<c" + ref + " s='1'><v>" + std::to_string(c * 0.37) + "</v></c>",
                                 "<c" + ref + " t='inlineStr'><is><t>text " + std::to_string(c) + "</t></is></c>",
                                 "<c" + ref + " t='s'><v>" + std::to_string(c % 2) + "</v></c>",
                                 "\n  <c" + ref + " s='2'/>",
                                 "<c" + ref + "><f>1+1</f><v>2</v></c>",
                                 "<c" + ref + "><v>a &amp; b</v></c>"};
    many += forms[c % 6];
  }
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"a number", sheet("<c r='A3'><v>1.5</v></c>")},
      {"double quotes, a style and shared text", sheet("<c r=\"B3\" s=\"2\" t=\"s\"><v>1</v></c>")},
      {"inline text", sheet("<c r='C3' t='inlineStr'><is><t>inline</t></is></c>")},
      {"inline text kept with its spaces", sheet("<c r='D3' t='inlineStr'><is><t xml:space='preserve'> sp </t></is></c>")},
      {"inline text with escapes", sheet("<c r='D3' t='inlineStr'><is><t>_x0041__x000D_</t></is></c>")},
      {"an empty cell with a style, one without", sheet("<c r='E3' s='1'/><c r='F3'/><c r='G3' s='1' />")},
      {"an error, a boolean, a formula's text, a date",
       sheet("<c r='G3' t='e'><v>#N/A</v></c><c r='H3' t='b'><v>1</v></c><c r='I3' t='str'><v>x</v></c>"
             "<c r='J3' t='d'><v>2024-01-31</v></c><c r='K3' t='d'><v>2024-02-30</v></c>")},
      {"white space around the value", sheet("<c r='L3'>\n  <v> 7 </v>\n</c>\n<c r='M3'>\t<v>8</v> </c>")},
      {"an empty value, an empty element", sheet("<c r='M3' t='s'><v></v></c><c r='N3'><v/></c><c r='O3' t='str'><v></v></c>")},
      {"an entity in the value", sheet("<c r='K3'><v>a &amp; b</v></c><c r='L3'><v>&#49;</v></c>")},
      {"spaces around the equals sign", sheet("<c  r = 'O3' ><v>2</v></c>")},
      {"an attribute of another namespace", sheet("<c r='P3' x14ac:dy='1' xmlns:x14ac='urn:x'><v>3</v></c>")},
      {"attributes with the xml prefix", sheet("<c xml:r='P3' xml:space='preserve'><v>3</v></c><c r='Q3' xml:t='s'><v>1</v></c>")},
      {"a cell of another namespace", sheet("<c r='Q3' xmlns='urn:foreign'><v>4</v></c><c r='R3'><v>5</v></c>")},
      {"a formula, a dynamic array", sheet("<c r='R3'><f>1+1</f><v>2</v></c><c r='S3' cm='1'><f t='array' ref='S3'>1</f><v>1</v></c>")},
      {"cells without references", sheet("<c><v>5</v></c><c s='1'><v>6</v></c><c r='D3'/><c><v>7</v></c>")},
      {"a cell past the last column", sheet("<c r='ZZZZ3'><v>1</v></c><c r='XFE3'><v>1</v></c><c r='A3'><v>2</v></c>")},
      {"a cell given twice", sheet("<c r='A3'><v>1</v></c><c r='A3'><v>2</v></c>")},
      {"rich and phonetic inline text",
       sheet("<c r='T3' t='inlineStr'><is><r><t>rich</t></r></is></c><c r='U3' t='inlineStr'><is><t>a</t><rPh><t>b</t></rPh></is></c>")},
      {"two values in a cell", sheet("<c r='V3'><v>1</v><v>2</v></c>")},
      {"shared text the workbook lacks", sheet("<c r='W3' t='s'><v>9</v></c>")},
      {"shared text that is no number", sheet("<c r='W3' t='s'><v>x</v></c>")},
      {"an element whose name begins with c", sheet("<cx r='X3'><v>1</v></cx><c r='Y3'><v>1</v></c >")},
      {"a comment and CDATA in a cell", sheet("<c r='AC3'><!-- note --><v>1</v></c><c r='AD3'><v><![CDATA[2]]></v></c>")},
      {"a tab in a value", sheet("<c r='AE3' s='1\t'><v>1</v></c><c r='AF3' t='inlineStr'><is><t a='\n'>x</t></is></c>")},
      {"a NUL in a reference", sheet(std::string("<c r='AG3\0'><v>1</v></c><c r='AH3'><v>\0</v></c>", 47))},
      {"a stray slash", sheet("<c r='AG3' s='1'/ >")},
      {"a cell left open", sheet("<c r='AH3'><v>1</v>")},
      {"markup inside a value", sheet("<c r='AI3'><v>1<2</v></c>")},
      {"a quote left open", sheet("<c r='AJ3 s='1'><v>1</v></c>")},
      {"an unquoted attribute", sheet("<c r=AK3><v>1</v></c>")},
      {"an undefined entity", sheet("<c r='AL3'><v>&nbsp;</v></c>")},
      {"many cells", sheet(many)},
      {"prefixed names, a foreign default namespace",
       "<x:worksheet xmlns:x='" + main + "' xmlns='urn:foreign'><x:sheetData><x:row r='3'>"
       "<c r='A3'><v>1</v></c><x:c r='B3'><x:v>2</x:v></x:c><c r='C3' xmlns='" + main + "'><v>3</v></c>"
       "</x:row></x:sheetData></x:worksheet>"},
  };
  SharedStringTable strings("<sst><si><t>x</t></si><si><t>y</t></si></sst>", 100, 10);
  const auto read = [&](const std::string& xml, CellReading reading, std::uint32_t lastRow, std::size_t stopAfter) {
    Collector c;
    c.stopAfter = stopAfter;
    const std::string failure = failureOf([&] {
      readWorksheetText(xml, "sheet.xml", strings, false, XlsxLimits{}, c, lastRow, false, reading);
    });
    std::string cells;
    for (const std::string& line : c.log) cells += line + "; ";
    return cells + "| " + failure;
  };
  for (const auto& [name, xml] : cases) {
    SCOPED_TRACE(name);
    for (const std::uint32_t lastRow : {model::kAllRows, 2u, 1u})
      for (const std::size_t stopAfter : {SIZE_MAX, std::size_t{1}, std::size_t{2}})
        EXPECT_EQ(read(xml, CellReading::Direct, lastRow, stopAfter),
                  read(xml, CellReading::ThroughEvents, lastRow, stopAfter));
  }
  // The events are the reference; these show what they give for the usual cells.
  EXPECT_EQ(read(cases[1].second, CellReading::Direct, model::kAllRows, SIZE_MAX),
            "A2=n:0; B3=s:y f2; A4=s:y; | (no failure)");
  EXPECT_EQ(read(cases[7].second, CellReading::Direct, model::kAllRows, SIZE_MAX),
            "A2=n:0; L3=n:7; M3=n:8; A4=s:y; | (no failure)");
}

// The parts read straight from memory, as the fuzz targets feed them, give what the package gives.
TEST(XlsxPartsTest, PartsReadFromMemory) {
  const auto parse = [](std::string_view xml) {
    return [xml](container::XmlHandler& h) { container::parseXmlText(xml, "part.xml", h); };
  };
  const WorkbookDescription workbook = readWorkbookPart(parse(
      "<workbook><workbookPr date1904='1'/><bookViews><workbookView activeTab='1'/></bookViews>"
      "<sheets><sheet name='A' r:id='rId1'/><sheet name='B' state='hidden' r:id='rId2'/></sheets>"
      "</workbook>"));
  ASSERT_EQ(workbook.sheets.size(), 2u);
  EXPECT_EQ(workbook.sheets[1].info.name, "B");
  EXPECT_FALSE(workbook.sheets[1].info.visible);
  EXPECT_EQ(workbook.sheets[1].relationshipId, "rId2");
  EXPECT_EQ(workbook.activeTab, 1);
  EXPECT_TRUE(workbook.date1904);

  const NumberFormats formats = readStylesPart(
      parse("<styleSheet><numFmts><numFmt numFmtId='164' formatCode='0.0%'/></numFmts>"
            "<cellXfs><xf numFmtId='0'/><xf numFmtId='164'/><xf numFmtId='14'/></cellXfs></styleSheet>"));
  EXPECT_EQ(formats.code(1), "0.0%");
  EXPECT_EQ(formats.code(2), builtinFormat(14));
  EXPECT_EQ(formats.code(3), "General");

  const auto rels = parseRelationships(
      "xl/workbook.xml", "<Relationships><Relationship Id='r' Type='t/worksheet' "
                         "Target='../../sheet.xml'/></Relationships>");
  ASSERT_EQ(rels.size(), 1u);
  EXPECT_EQ(rels[0].target, "sheet.xml");

  SharedStringTable strings("<sst><si><t>x</t></si><si><t>y</t></si></sst>", 100, 10);
  EXPECT_EQ(strings.at(1), "y");
  Collector c;
  readWorksheetText("<worksheet><sheetData><row r='2'><c r='B2' t='s'><v>0</v></c></row>"
                    "</sheetData></worksheet>",
                    "sheet.xml", strings, false, XlsxLimits{}, c, model::kAllRows);
  EXPECT_EQ(c.cells, (std::map<std::string, std::string>{{"B2", "s:x"}}));
}

TEST(SharedStringTableTest, ReadsNoFurtherThanNeeded) {
  TempDir dir;
  std::string sst = "<sst>";
  for (int i = 0; i < 20000; ++i) sst += "<si><t>s" + std::to_string(i) + "</t></si>";
  sst += "</sst>";
  testing::writeZip(dir.file("s.zip"), {{"sst.xml", sst, true}});
  const auto zip = container::ZipArchive::open(dir.file("s.zip"));
  SharedStringTable table(*zip, "sst.xml", 1u << 30, 1000, 1u << 20);
  EXPECT_EQ(table.at(3), "s3");
  EXPECT_LT(table.loaded(), 20000u);
  EXPECT_FALSE(table.complete());
  EXPECT_EQ(table.at(19999), "s19999");
  EXPECT_EQ(table.at(5000), "s5000");
  EXPECT_NE(failureOf([&] { table.at(20000); }).find("holds only 20000"), std::string::npos);
  EXPECT_TRUE(table.complete());
}

// ---------------------------------------------------------------- hostile packages

TEST(XlsxHostileTest, DamagedPackagesFailClearly) {
  TempDir dir;
  const auto good = xlsxParts({worksheet("<row r='1'><c r='A1' t='s'><v>0</v></c></row>")},
                              "<sst><si><t>x</t></si></sst>");
  auto without = [&](const std::string& name) {
    auto parts = good;
    std::erase_if(parts, [&](const testing::ZipPart& p) { return p.name == name; });
    return parts;
  };
  auto replaced = [&](const std::string& name, const std::string& data) {
    auto parts = good;
    for (auto& p : parts)
      if (p.name == name) p.data = data;
    return parts;
  };
  struct Row {
    const char* name;
    std::vector<testing::ZipPart> parts;
    const char* expected;  // "" = opens and reads without failure
  };
  const std::vector<Row> rows = {
      {"no workbook part", without("xl/workbook.xml"), "holds no spreadsheet workbook"},
      {"no content types or rels", without("[Content_Types].xml"), ""},
      {"no shared strings", without("xl/sharedStrings.xml"), "shared text number 0"},
      {"no sheet part", without("xl/worksheets/sheet1.xml"), "which the package does not hold"},
      {"malformed workbook", replaced("xl/workbook.xml", "<workbook><sheets>"), "not well-formed XML"},
      {"no sheets", replaced("xl/workbook.xml", "<workbook><sheets/></workbook>"), "holds no sheets"},
      {"malformed sheet", replaced("xl/worksheets/sheet1.xml", "<worksheet><sheetData><row>"), "not well-formed"},
      {"index past the strings",
       replaced("xl/worksheets/sheet1.xml", worksheet("<row><c t='s'><v>5</v></c></row>")),
       "shared text number 5, but the workbook holds only 1"},
      {"index not a number",
       replaced("xl/worksheets/sheet1.xml", worksheet("<row><c t='s'><v>x</v></c></row>")),
       "which is no number"},
      {"entity expansion",
       replaced("xl/sharedStrings.xml", "<!DOCTYPE s [<!ENTITY a 'aaaaaaaa'>]><sst><si><t>&a;</t></si></sst>"),
       "declares a document type"},
  };
  for (const Row& row : rows) {
    const std::string path = dir.file("damaged.xlsx");
    testing::writeZip(path, row.parts);
    const std::string what = failureOf([&] { readFirstSheet(path); });
    if (*row.expected)
      EXPECT_NE(what.find(row.expected), std::string::npos) << row.name << ": " << what;
    else
      EXPECT_EQ(what, "(no failure)") << row.name;
  }
  const std::string bytes = testing::zipBytes(good);
  testing::writeFile(dir.file("truncated.xlsx"), bytes.substr(0, bytes.size() - 30));
  EXPECT_NE(failureOf([&] { openXlsx(dir.file("truncated.xlsx")); }).find("is incomplete or still being written"),
            std::string::npos);
}

TEST(XlsxHostileTest, CellsBeyondTheSheetAreLeftOut) {
  TempDir dir;
  const std::string data =
      "<dimension ref='A1:XFD10000000'/>"
      "<row r='1'><c r='XFE1'><v>1</v></c><c r='XFD1'><v>2</v></c></row>"
      "<row r='1048576'><c r='A1048576'><v>3</v></c></row>"
      "<row r='10000000'><c r='A10000000'><v>4</v></c><c><v>5</v></c></row>"
      "<row r='99999999999999999999'><c><v>6</v></c></row>";
  testing::writeZip(dir.file("big.xlsx"), xlsxParts({worksheet(data)}));
  const Collector c = readFirstSheet(dir.file("big.xlsx"));
  const std::map<std::string, std::string> expected = {{"XFD1", "n:2"}, {"A1048576", "n:3"}};
  EXPECT_EQ(c.cells, expected);
}

TEST(XlsxHostileTest, EnormousTextsAreCut) {
  TempDir dir;
  const std::string huge(300000, 'a');
  const std::string data = "<row r='1'><c r='A1' t='inlineStr'><is><t>" + huge +
                           "</t></is></c><c r='B1' t='s'><v>0</v></c><c r='C1' t='e'><v>" + huge +
                           "</v></c></row>";
  testing::writeZip(dir.file("huge.xlsx"),
                    xlsxParts({worksheet(data)}, "<sst><si><t>" + huge + "</t></si></sst>"));
  XlsxLimits limits;
  limits.cellTextBytes = 1000;
  const Collector c = readFirstSheet(dir.file("huge.xlsx"), limits);
  EXPECT_EQ(c.cells.at("A1").size(), 2 + 1000u);
  EXPECT_EQ(c.cells.at("B1").size(), 2 + 1000u);
  EXPECT_LE(c.cells.at("C1").size(), 2 + 64u);
}

TEST(XlsxHostileTest, DecompressionBombsStopAtTheLimits) {
  TempDir dir;
  XlsxLimits limits;
  limits.sheetPartBytes = 32u << 20;
  limits.sharedStringBytes = 32u << 20;
  // A sheet that inflates to 512 MiB of spaces between its rows.
  auto parts = xlsxParts({worksheet("")}, "<sst><si><t>x</t></si></sst>");
  for (auto& p : parts)
    if (p.name == "xl/worksheets/sheet1.xml")
      p = testing::bombPart(p.name, "<worksheet><sheetData><row r='1'><c r='A1' t='s'><v>0</v></c></row>",
                            ' ', 512u << 20, "</sheetData></worksheet>");
  testing::writeZip(dir.file("sheetbomb.xlsx"), parts);
  EXPECT_NE(failureOf([&] { readFirstSheet(dir.file("sheetbomb.xlsx"), limits); }).find("larger than this program reads"),
            std::string::npos);
  // Reading only the first row reads the cells to their end too, and stops at the same bound.
  EXPECT_NE(failureOf([&] { readFirstSheet(dir.file("sheetbomb.xlsx"), limits, 0); }).find("larger than this program reads"),
            std::string::npos);

  // One shared string of 512 MiB: cut to the text limit, then stopped at the part limit.
  parts = xlsxParts({worksheet("<row r='1'><c r='A1' t='s'><v>0</v></c></row>")}, "<sst/>");
  for (auto& p : parts)
    if (p.name == "xl/sharedStrings.xml")
      p = testing::bombPart(p.name, "<sst><si><t>", 'a', 512u << 20, "</t></si></sst>");
  testing::writeZip(dir.file("sstbomb.xlsx"), parts);
  // A tag that never closes: 96 MiB of one attribute value, under a generous part limit.
  parts = xlsxParts({worksheet("")});
  for (auto& p : parts)
    if (p.name == "xl/worksheets/sheet1.xml")
      p = testing::bombPart(p.name, "<worksheet><sheetData><row r='1' x='", 'a', 96u << 20, "'/></sheetData></worksheet>");
  testing::writeZip(dir.file("tagbomb.xlsx"), parts);
  limits.sheetPartBytes = 1u << 30;
  // Whichever bound comes first stops it: the tag's length, or the part's inflation ratio.
  const std::string tagBomb = failureOf([&] { readFirstSheet(dir.file("tagbomb.xlsx"), limits); });
  EXPECT_TRUE(tagBomb.find("a tag is too long") != std::string::npos ||
              tagBomb.find("times its size in the file") != std::string::npos)
      << tagBomb;
  limits.sheetPartBytes = 32u << 20;
  EXPECT_NE(failureOf([&] { readFirstSheet(dir.file("sstbomb.xlsx"), limits); }).find("larger than this program reads"),
            std::string::npos);
}

}  // namespace
}  // namespace lomandra::xlsx
