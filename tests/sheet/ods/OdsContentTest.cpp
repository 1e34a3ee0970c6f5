// The content handlers on content.xml text: cell text, repeats, layout and bounds.
#include <gtest/gtest.h>

#include "sheet/Failure.h"
#include "sheet/container/XmlReader.h"
#include "sheet/ods/OdsContentReader.h"
#include "tests/sheet/ods/OdsTestFiles.h"

namespace lomandra::ods {
namespace {

using model::CellKind;
using test::contentXml;
using test::RecordingVisitor;

std::string table(const std::string& name, const std::string& rows,
                  const std::string& attributes = "") {
  return R"(<table:table table:name=")" + name + "\"" + attributes + ">" + rows + "</table:table>";
}
std::string row(const std::string& cells, const std::string& attributes = "") {
  return "<table:table-row" + attributes + ">" + cells + "</table:table-row>";
}
std::string textCell(const std::string& text, const std::string& attributes = "") {
  return R"(<table:table-cell office:value-type="string")" + attributes + "><text:p>" + text +
         "</text:p></table:table-cell>";
}

RecordingVisitor readTable(const std::string& content, int index = 0,
                           std::uint32_t lastRow = model::kAllRows,
                           std::uint64_t stopAfter = UINT64_MAX) {
  RecordingVisitor visitor;
  visitor.stopAfter = stopAfter;
  OdsSheetHandler handler(index, "Sheet1", visitor, lastRow);
  container::parseXmlText(content, "content.xml", handler);
  EXPECT_TRUE(handler.found());
  return visitor;
}

struct CellCase {
  const char* name;
  std::string cellXml;
  CellKind kind;  // of A1; Empty: no cell reported
  std::string text;
  double number = 0;
};

void PrintTo(const CellCase& c, std::ostream* os) { *os << c.name; }

class OdsCellText : public ::testing::TestWithParam<CellCase> {};

TEST_P(OdsCellText, GivesTheDisplayedText) {
  const CellCase& c = GetParam();
  const RecordingVisitor seen = readTable(contentXml(table("S", row(c.cellXml))));
  if (c.kind == CellKind::Empty) {
    EXPECT_TRUE(seen.cells.empty());
    return;
  }
  ASSERT_EQ(seen.cells.size(), 1u);
  const auto& cell = seen.cells.at({0, 0});
  EXPECT_EQ(cell.kind, c.kind);
  EXPECT_EQ(cell.text, c.text);
  EXPECT_EQ(cell.number, c.number);
}

INSTANTIATE_TEST_SUITE_P(
    Cells, OdsCellText,
    ::testing::Values(
        CellCase{"Plain", textCell("abc"), CellKind::Text, "abc"},
        CellCase{
            "NumberShowsItsText",
            R"(<table:table-cell office:value-type="float" office:value="1234.5"><text:p>1,234.50</text:p></table:table-cell>)",
            CellKind::Text, "1,234.50"},
        CellCase{"ParagraphsJoinedByLineFeed",
                 "<table:table-cell><text:p>Split</text:p><text:p>Line</text:p></table:table-cell>",
                 CellKind::Text, "Split\nLine"},
        CellCase{
            "EmptyParagraphBetween",
            "<table:table-cell><text:p>a</text:p><text:p/><text:p>b</text:p></table:table-cell>",
            CellKind::Text, "a\n\nb"},
        CellCase{"SpaceElements", textCell("<text:s/>a <text:s text:c=\"2\"/>b<text:s/>"),
                 CellKind::Text, " a   b "},
        CellCase{"TabAndLineBreak", textCell("a<text:tab/>b<text:line-break/>c"), CellKind::Text,
                 "a\tb\nc"},
        CellCase{
            "SpansAndLinks",
            textCell(
                R"(x<text:span text:style-name="T1">y<text:span>z</text:span></text:span><text:a xlink:href="http://example.org/">link</text:a>)"),
            CellKind::Text, "xyzlink"},
        CellCase{"WhiteSpaceCollapses", textCell("\n   a \n\t b  "), CellKind::Text, "a b "},
        CellCase{"EntitiesDecoded", textCell("&lt;a&amp;b&gt; &#x20AC;"), CellKind::Text,
                 "<a&b> \xE2\x82\xAC"},
        CellCase{"AnnotationLeftOut",
                 "<table:table-cell><office:annotation><dc:creator>Ann</"
                 "dc:creator><text:p>comment</text:p>"
                 "</office:annotation><text:p>value</text:p></table:table-cell>",
                 CellKind::Text, "value"},
        CellCase{"NoteLeftOut",
                 textCell("a<text:note><text:note-citation>1</text:note-citation><text:note-body>"
                          "<text:p>foot</text:p></text:note-body></text:note>b"),
                 CellKind::Text, "ab"},
        CellCase{
            "DrawingLeftOut",
            "<table:table-cell><draw:frame><draw:text-box><text:p>shape</text:p></draw:text-box>"
            "</draw:frame><text:p>cell</text:p></table:table-cell>",
            CellKind::Text, "cell"},
        CellCase{"EmptyParagraphIsEmpty",
                 "<table:table-cell office:value-type=\"string\"><text:p/></table:table-cell>",
                 CellKind::Empty, ""},
        CellCase{"FormattingOnlyIsEmpty", R"(<table:table-cell table:style-name="ce1"/>)",
                 CellKind::Empty, ""},
        CellCase{"CoveredCellIsEmpty",
                 "<table:covered-table-cell><text:p>under</text:p></table:covered-table-cell>",
                 CellKind::Empty, ""},
        CellCase{"NumberWithoutParagraph",
                 R"(<table:table-cell office:value-type="float" office:value="2.5"/>)",
                 CellKind::Number, "", 2.5},
        CellCase{"BooleanWithoutParagraph",
                 R"(<table:table-cell office:value-type="boolean" office:boolean-value="true"/>)",
                 CellKind::Boolean, "", 1},
        CellCase{"DateWithoutParagraph",
                 R"(<table:table-cell office:value-type="date" office:date-value="2024-01-02"/>)",
                 CellKind::Text, "2024-01-02"},
        CellCase{"StringValueWithoutParagraph",
                 R"(<table:table-cell office:value-type="string" office:string-value="sv"/>)",
                 CellKind::Text, "sv"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(OdsSheetHandler, RepeatedCellsAndRowsAreEachReported) {
  const std::string rows = row(textCell("x", R"( table:number-columns-repeated="2")") +
                                   "<table:table-cell/>" + textCell("y"),
                               R"( table:number-rows-repeated="3")") +
                           row(textCell("z"));
  const RecordingVisitor seen = readTable(contentXml(table("S", rows)));
  EXPECT_EQ(seen.cells.size(), 10u);
  for (std::uint32_t r = 0; r < 3; ++r) {
    EXPECT_EQ(seen.text(r, 0), "x");
    EXPECT_EQ(seen.text(r, 1), "x");
    EXPECT_EQ(seen.text(r, 2), "");
    EXPECT_EQ(seen.text(r, 3), "y");
  }
  EXPECT_EQ(seen.text(3, 0), "z");
}

TEST(OdsSheetHandler, HugeEmptyRepeatsCostNothing) {
  // What spreadsheet applications write: the rest of a row and the rest of the sheet as repeats.
  const std::string rows =
      row(textCell("a") + R"(<table:table-cell table:number-columns-repeated="16000"/>)" +
          textCell("b") + R"(<table:table-cell table:number-columns-repeated="16383"/>)") +
      row(R"(<table:table-cell table:number-columns-repeated="16384"/>)",
          R"( table:number-rows-repeated="1048000")") +
      row(textCell("c")) +
      row(R"(<table:table-cell table:number-columns-repeated="16384"/>)",
          R"( table:number-rows-repeated="999999999")");
  const RecordingVisitor seen = readTable(contentXml(table("S", rows)));
  EXPECT_EQ(seen.calls, 3u);
  EXPECT_EQ(seen.text(0, 0), "a");
  EXPECT_EQ(seen.text(0, 16001), "b");
  EXPECT_EQ(seen.text(1048001, 0), "c");
}

TEST(OdsSheetHandler, CellsBeyondTheSheetLimitsArePassedOver) {
  const std::string rows = row(R"(<table:table-cell table:number-columns-repeated="16384"/>)" +
                               textCell("beyond column")) +
                           row("", R"( table:number-rows-repeated="2000000")") +
                           row(textCell("beyond row"));
  const RecordingVisitor seen = readTable(contentXml(table("S", rows)));
  EXPECT_TRUE(seen.cells.empty());
}

TEST(OdsSheetHandler, RepeatedTextCellsAreClippedToTheLastColumn) {
  const std::string rows = row(R"(<table:table-cell table:number-columns-repeated="16380"/>)" +
                               textCell("t", R"( table:number-columns-repeated="100")"));
  const RecordingVisitor seen = readTable(contentXml(table("S", rows)));
  EXPECT_EQ(seen.cells.size(), 4u);
  EXPECT_EQ(seen.text(0, 16383), "t");
}

TEST(OdsSheetHandler, StopsAfterTheLastRowAskedFor) {
  std::string rows;
  for (int i = 0; i < 10; ++i) rows += row(textCell(std::to_string(i)));
  rows += "<this is not well-formed";  // never reached
  const RecordingVisitor seen = readTable(contentXml(table("S", rows)), 0, 3);
  EXPECT_EQ(seen.cells.size(), 4u);
  EXPECT_EQ(seen.text(3, 0), "3");
}

TEST(OdsSheetHandler, RepeatedRowStopsAtTheLastRowAskedFor) {
  const std::string rows = row(textCell("r"), R"( table:number-rows-repeated="1000000")");
  const RecordingVisitor seen = readTable(contentXml(table("S", rows)), 0, 9);
  EXPECT_EQ(seen.cells.size(), 10u);
}

TEST(OdsSheetHandler, VisitorCanStopTheRead) {
  const std::string rows = row(textCell("r", R"( table:number-columns-repeated="50")"),
                               R"( table:number-rows-repeated="50")");
  const RecordingVisitor seen = readTable(contentXml(table("S", rows)), 0, model::kAllRows, 7);
  EXPECT_EQ(seen.calls, 7u);
}

TEST(OdsSheetHandler, RepeatsOfTextAcrossTheWholeSheetFail) {
  const std::string rows = row(textCell("x", R"( table:number-columns-repeated="16384")"),
                               R"( table:number-rows-repeated="1048576")");
  struct Counting : model::SheetVisitor {
    bool cell(std::uint32_t, std::uint32_t, const model::CellRef&) override {
      return ++calls, true;
    }
    std::uint64_t calls = 0;
  } visitor;
  OdsSheetHandler handler(0, "Big", visitor, model::kAllRows);
  try {
    container::parseXmlText(contentXml(table("Big", rows)), "content.xml", handler);
    FAIL() << "no failure";
  } catch (const Failure& failure) {
    EXPECT_STREQ(
        failure.what(),
        "The sheet \"Big\" repeats more cells than this program reads; the file may be damaged.");
  }
  EXPECT_LE(visitor.calls, OdsSheetHandler::kMaxRepeatedCells + 1);
}

TEST(OdsSheetHandler, HugeSpaceCountIsBounded) {
  const RecordingVisitor seen =
      readTable(contentXml(table("S", row(textCell(R"(a<text:s text:c="4000000000"/>b)")))));
  const std::string& text = seen.cells.at({0, 0}).text;
  EXPECT_EQ(text.size(), OdsSheetHandler::kMaxCellBytes);
  EXPECT_EQ(text.front(), 'a');
}

TEST(OdsSheetHandler, HiddenRowsAreReported) {
  const std::string rows =
      row(textCell("a")) + row("", R"( table:visibility="collapse")") +
      row(textCell("c"), R"( table:visibility="filter")") +
      row("", R"( table:visibility="collapse" table:number-rows-repeated="5000")") +
      row(textCell("d")) +
      row("", R"( table:visibility="collapse" table:number-rows-repeated="1000000")");
  const RecordingVisitor seen = readTable(contentXml(table("S", rows)));
  // Rows 1 and 2 as they come; the large block 3..5002 once cells follow it; the trailing block of
  // a million hidden empty rows is not reported.
  ASSERT_EQ(seen.hiddenRows.size(), 2u + 5000u);
  EXPECT_EQ(seen.hiddenRows[0], 1u);
  EXPECT_EQ(seen.hiddenRows[1], 2u);
  EXPECT_EQ(seen.hiddenRows[2], 3u);
  EXPECT_EQ(seen.hiddenRows.back(), 5002u);
  EXPECT_EQ(seen.text(5003, 0), "d");
}

TEST(OdsSheetHandler, ColumnsCarryWidthAndHiddenState) {
  const std::string styles =
      R"(<style:style style:name="co1" style:family="table-column"><style:table-column-properties style:column-width="1in"/></style:style>)"
      R"(<style:style style:name="co2" style:family="table-column"><style:table-column-properties style:column-width="2.54cm"/></style:style>)";
  const std::string columns =
      R"(<table:table-column table:style-name="co1" table:number-columns-repeated="2"/>)"
      R"(<table:table-column table:style-name="co2" table:visibility="collapse"/>)"
      R"(<table:table-column table:style-name="co1" table:number-columns-repeated="100000"/>)";
  const RecordingVisitor seen =
      readTable(contentXml(table("S", columns + row(textCell("a"))), styles));
  ASSERT_EQ(seen.columnRuns.size(), 3u);
  EXPECT_EQ(seen.columnRuns[0].first, 0u);
  EXPECT_EQ(seen.columnRuns[0].last, 1u);
  EXPECT_DOUBLE_EQ(seen.columnRuns[0].width, 13.0);  // 96 px: (96 - 5) / 7 characters
  EXPECT_FALSE(seen.columnRuns[0].hidden);
  EXPECT_EQ(seen.columnRuns[1].first, 2u);
  EXPECT_TRUE(seen.columnRuns[1].hidden);
  EXPECT_EQ(seen.columnRuns[2].first, 3u);
  EXPECT_EQ(seen.columnRuns[2].last, model::kMaxColumns - 1);
  EXPECT_EQ(seen.text(0, 0), "a");
}

TEST(OdsSheetHandler, ReadsTheTableAskedForAndNotTablesInCells) {
  const std::string inner =
      "<table:table-cell><table:table table:name=\"inner\"><table:table-row>" + textCell("nested") +
      "</table:table-row></table:table></table:table-cell>";
  const std::string body =
      table("One", row(inner + textCell("one"))) + table("Two", row(textCell("two")));
  const RecordingVisitor second = readTable(contentXml(body), 1);
  EXPECT_EQ(second.cells.size(), 1u);
  EXPECT_EQ(second.text(0, 0), "two");
  const RecordingVisitor first = readTable(contentXml(body), 0);
  EXPECT_EQ(first.text(0, 1), "one");
}

// Names are matched by namespace: an element of another namespace inside a table passes by
// with everything it holds, whatever its local name, and the table namespace is read under
// any prefix. Both readers alike.
TEST(OdsSheetHandler, ForeignElementsInATablePassBy) {
  struct Row {
    const char* name;
    std::string body;
    const char* cells;  // "row,column=text;..."
  };
  const std::string foreign = R"( xmlns:f="urn:example:foreign")";
  const Row rows[] = {
      {"a foreign cell in a row",
       row("<f:table-cell" + foreign + R"( office:value-type="string"><text:p>no</text:p></f:table-cell>)" +
           textCell("yes")),
       "0,0=yes;"},
      {"a foreign row in a table",
       "<f:table-row" + foreign + ">" + textCell("no") + "</f:table-row>" + row(textCell("yes")),
       "0,0=yes;"},
      {"the table prefix bound to another namespace below",
       row(textCell("a") + R"(<table:table-cell xmlns:table="urn:example:foreign"><text:p>no</text:p></table:table-cell>)" +
           textCell("b")),
       "0,0=a;0,1=b;"},
      {"the table namespace under another prefix",
       R"(<t:table-row xmlns:t="urn:oasis:names:tc:opendocument:xmlns:table:1.0"><t:table-cell office:value-type="string"><text:p>t</text:p></t:table-cell></t:table-row>)",
       "0,0=t;"},
      {"a foreign paragraph in a cell",
       row(R"(<table:table-cell office:value-type="string"><f:p)" + foreign +
           R"(>no</f:p><text:p>yes</text:p></table:table-cell>)"),
       "0,0=yes;"},
      {"foreign attributes left out",
       row(R"(<table:table-cell f:number-columns-repeated="3")" + foreign +
           R"( office:value-type="string"><text:p>x</text:p></table:table-cell>)" + textCell("y")),
       "0,0=x;0,1=y;"},
  };
  for (const Row& r : rows) {
    for (const auto parse : {&container::parseXmlText, &container::scanXmlText}) {
      RecordingVisitor visitor;
      OdsSheetHandler handler(0, "Sheet1", visitor, model::kAllRows);
      parse(contentXml(table("S", r.body)), "content.xml", handler);
      std::string cells;
      for (const auto& [at, cell] : visitor.cells)
        cells += std::to_string(at.first) + "," + std::to_string(at.second) + "=" + cell.text + ";";
      EXPECT_EQ(cells, r.cells) << r.name;
    }
  }
}

// A foreign element named like a table is no sheet; the table prefix is found under any name.
TEST(OdsIndexHandler, ForeignTablesAreNoSheets) {
  const std::string body = R"(<f:table xmlns:f="urn:example:foreign" table:name="Not a sheet"/>)" +
                           table("Sheet", "");
  OdsIndexHandler index;
  container::parseXmlText(contentXml(body), "content.xml", index);
  ASSERT_EQ(index.sheets.size(), 1u);
  EXPECT_EQ(index.sheets[0].name, "Sheet");
  EXPECT_EQ(index.tablePrefix, "table");
}

TEST(OdsIndexHandler, ListsSheetsWithVisibility) {
  const std::string styles =
      R"(<style:style style:name="ta1" style:family="table"><style:table-properties table:display="true"/></style:style>)"
      R"(<style:style style:name="ta2" style:family="table"><style:table-properties table:display="false"/></style:style>)";
  const std::string body = table("Shown", "", R"( table:style-name="ta1")") +
                           table("Hidden sheet", "", R"( table:style-name="ta2")") +
                           table("Ünïcode &amp; more", "");
  OdsIndexHandler index;
  container::parseXmlText(contentXml(body, styles), "content.xml", index);
  EXPECT_TRUE(index.sawSpreadsheet);
  ASSERT_EQ(index.sheets.size(), 3u);
  EXPECT_EQ(index.sheets[0].name, "Shown");
  EXPECT_TRUE(index.sheets[0].visible);
  EXPECT_EQ(index.sheets[1].name, "Hidden sheet");
  EXPECT_FALSE(index.sheets[1].visible);
  EXPECT_EQ(index.sheets[2].name, "Ünïcode & more");
}

TEST(OdsIndexHandler, RepeatCountParsing) {
  struct Case {
    const char* text;
    std::uint32_t expected;
  };
  for (const Case& c : {Case{nullptr, 1}, Case{"1", 1}, Case{"7", 7}, Case{"0", 1}, Case{"", 1},
                        Case{"-3", 1}, Case{"12x", 1}, Case{"16384", 16384}, Case{"16385", 16384},
                        Case{"99999999999999999999999", 16384}})
    EXPECT_EQ(repeatCount(c.text, 16384), c.expected) << (c.text ? c.text : "(none)");
}

TEST(OdsIndexHandler, ColumnWidthUnits) {
  struct Case {
    const char* length;
    double expected;
  };
  for (const Case& c :
       {Case{"1in", 13}, Case{"2.54cm", 13}, Case{"25.4mm", 13}, Case{"72pt", 13}, Case{"6pc", 13},
        Case{"96px", 13}, Case{"0in", 0}, Case{"1furlong", -1}, Case{"", -1}, Case{"-1in", -1}})
    EXPECT_DOUBLE_EQ(columnWidthInCharacters(c.length), c.expected) << c.length;
}

}  // namespace
}  // namespace lomandra::ods
