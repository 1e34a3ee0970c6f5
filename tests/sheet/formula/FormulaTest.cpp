// Formulas computed through the whole engine: workbooks written part by part, opened by the
// built-in engine, their cells' displayed texts compared with what the spreadsheet
// application shows.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "sheet/engine/BuiltinWorkbook.h"
#include "sheet/engine/SheetReading.h"
#include "sheet/formula/Conversions.h"
#include "sheet/formula/Criteria.h"
#include "tests/sheet/container/TestPackage.h"

namespace lomandra::formula {
namespace {

using engine::BuiltinWorkbook;
using testing::TempDir;

std::string escaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else if (c == '"') out += "&quot;";
    else out += c;
  }
  return out;
}

// One cell's XML: a number, a text (inline), a boolean ("TRUE"/"FALSE") or a formula ("=...",
// saved without a value). `extra` goes into the <c> element's attributes.
std::string cell(const std::string& ref, const std::string& content, const std::string& saved = {},
                 const std::string& attributes = {}) {
  if (!content.empty() && content[0] == '=') {
    std::string xml = "<c r=\"" + ref + "\"" + attributes + "><f>" + escaped(content.substr(1)) + "</f>";
    if (!saved.empty()) xml += "<v>" + saved + "</v>";
    return xml + "</c>";
  }
  if (content == "TRUE" || content == "FALSE")
    return "<c r=\"" + ref + "\" t=\"b\"><v>" + (content == "TRUE" ? "1" : "0") + "</v></c>";
  char* end = nullptr;
  std::strtod(content.c_str(), &end);
  if (!content.empty() && end && *end == '\0')
    return "<c r=\"" + ref + "\"><v>" + content + "</v></c>";
  return "<c r=\"" + ref + "\" t=\"inlineStr\"><is><t>" + escaped(content) + "</t></is></c>";
}

std::string row(int number, const std::string& cells) {
  return "<row r=\"" + std::to_string(number) + "\">" + cells + "</row>";
}

// The data every table formula reads: Sheet2.
//      A        B      C
//  1   10       Red    1
//  2   20       Blue   2
//  3   30       red    3
//  4   apple
//  5   TRUE
std::string dataSheet() {
  return testing::worksheet(row(1, cell("A1", "10") + cell("B1", "Red") + cell("C1", "1")) +
                            row(2, cell("A2", "20") + cell("B2", "Blue") + cell("C2", "2")) +
                            row(3, cell("A3", "30") + cell("B3", "red") + cell("C3", "3")) +
                            row(4, cell("A4", "apple")) + row(5, cell("A5", "TRUE")));
}

const char* const kNames =
    "<definedNames><definedName name=\"Rate\">0.5</definedName>"
    "<definedName name=\"Vals\">Sheet2!$A$1:$A$3</definedName>"
    "<definedName name=\"Local\" localSheetId=\"0\">2</definedName>"
    "<definedName name=\"Local\">3</definedName></definedNames>";

// Opens a workbook of the given sheets (Sheet1, Sheet2, ...).
struct Opened {
  TempDir dir;
  std::unique_ptr<BuiltinWorkbook> workbook;
  Opened(const std::vector<std::string>& sheets, const std::string& workbookExtra = {},
         const std::string& styles = {}) {
    const std::string path = dir.file("formulas.xlsx");
    testing::writeZip(path, testing::xlsxParts(sheets, {}, styles, workbookExtra));
    workbook = BuiltinWorkbook::open(path);
  }
  std::string text(int sheet, std::uint32_t r, std::uint32_t c) {
    return workbook->sheet(sheet).text(r, c);
  }
};

struct Case {
  const char* formula;
  const char* shown;  // as the spreadsheet application shows it in a General cell
};

// Each formula stands in Sheet1 column A, one a row, without a saved value.
void expectTable(const std::vector<Case>& cases) {
  std::string rows;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const int r = static_cast<int>(i) + 1;
    rows += row(r, cell("A" + std::to_string(r), std::string("=") + cases[i].formula));
  }
  Opened opened({testing::worksheet(rows), dataSheet()}, kNames);
  for (std::size_t i = 0; i < cases.size(); ++i)
    EXPECT_EQ(opened.text(0, static_cast<std::uint32_t>(i), 0), cases[i].shown) << cases[i].formula;
  EXPECT_EQ(opened.workbook->uncomputedFormulas().cells, 0u);
}

TEST(FormulaTest, OperatorsAndConversions) {
  expectTable({
      {"1+2*3", "7"}, {"-2^2", "4"}, {"2^-1", "0.5"}, {"50%", "0.5"}, {"(-8)^(1/3)", "-2"},
      {"\"3\"+4", "7"}, {"\"a\"+1", "#VALUE!"}, {"TRUE+1", "2"}, {"Sheet2!Z99+1", "1"},
      {"Sheet2!Z99&\"x\"", "x"}, {"1/3", "0.333333333"}, {"1/0", "#DIV/0!"}, {"0.1+0.2-0.3", "0"},
      {"\"abc\"<\"abd\"", "TRUE"}, {"\"B\"=\"b\"", "TRUE"}, {"1<\"a\"", "TRUE"},
      {"\"a\"<TRUE", "TRUE"}, {"Sheet2!Z99=\"\"", "TRUE"}, {"Sheet2!Z99=0", "TRUE"},
      {"#REF!+1", "#REF!"}, {"NA()+1/0", "#N/A"}, {"\"x\"&1/3", "x0.333333333333333"},
      {"\"x\"&1E+20", "x1E+20"}, {"\"x\"&0.00001", "x0.00001"}, {"\"x\"&-1.5", "x-1.5"},
      {"1E+300*1E+300", "#NUM!"}, {"0^0", "#NUM!"}, {"\"1/15/2024\"+0", "45306"},
      {"\"$1,000\"*1", "1000"}, {"'No Such'!A1", "#REF!"}, {"Sheet2!A4", "apple"},
      {"Sheet2!A5", "TRUE"}, {"Sheet2!B9", "0"},
  });
}

TEST(FormulaTest, ReferencesNamesAndArrays) {
  expectTable({
      {"SUM((Sheet2!A1,Sheet2!A3))", "40"}, {"SUM(Sheet2!A1:A3 Sheet2!A2:C2)", "20"},
      {"SUM(Sheet2!A1 Sheet2!C3)", "#NULL!"}, {"SUM(Sheet2!1:1)", "11"}, {"COUNT(Sheet2!C:C)", "3"},
      {"SUM(Sheet2!$A$1:A3)", "60"}, {"SUM(Sheet2!A1:INDEX(Sheet2!A1:A5,3))", "60"},
      {"Rate*10", "5"}, {"SUM(Vals)", "60"}, {"Local", "2"}, {"Unknown+1", "#NAME?"},
      {"SUM({1,2;3,4})", "10"}, {"INDEX({1,2;3,4},2,1)", "3"}, {"SUM({1,2}*2)", "6"},
      {"SUMPRODUCT(Sheet2!A1:A3,Sheet2!C1:C3)", "140"},
      {"SUMPRODUCT((Sheet2!B1:B3=\"red\")*Sheet2!A1:A3)", "40"},
      {"SUMPRODUCT(Sheet2!A1:A3,Sheet2!C1:C2)", "#VALUE!"},
  });
}

TEST(FormulaTest, MathAndCounting) {
  expectTable({
      {"SUM(1,2,\"3\",TRUE)", "7"}, {"SUM(Sheet2!A1:A5)", "60"}, {"SUM(\"a\")", "#VALUE!"},
      {"AVERAGE(Sheet2!A1:A5)", "20"}, {"AVERAGE(Sheet2!D1:D3)", "#DIV/0!"},
      {"COUNT(Sheet2!A1:A5)", "3"}, {"COUNTA(Sheet2!A1:B5)", "8"}, {"COUNTBLANK(Sheet2!A1:B5)", "2"},
      {"MIN(Sheet2!B1:B3)", "0"}, {"MAX(Sheet2!A1:A5,-1)", "30"}, {"PRODUCT(Sheet2!C1:C3,2)", "12"},
      {"SQRT(-1)", "#NUM!"}, {"MOD(-1,3)", "2"}, {"MOD(1,0)", "#DIV/0!"}, {"ROUND(2.5,0)", "3"},
      {"ROUND(-2.5,0)", "-3"}, {"ROUND(1.005,2)", "1.01"}, {"ROUNDUP(-1.21,1)", "-1.3"},
      {"ROUNDDOWN(-1.29,1)", "-1.2"}, {"CEILING(2.5,-1)", "#NUM!"}, {"CEILING(-2.5,1)", "-2"},
      {"FLOOR(5,0)", "#DIV/0!"}, {"FLOOR(-2.5,1)", "-3"}, {"INT(-0.5)", "-1"},
      {"POWER(-8,0.5)", "#NUM!"}, {"ABS(\"-3\")", "3"},
  });
}

TEST(FormulaTest, LogicalAndInformation) {
  expectTable({
      {"IF(1,,2)", "0"}, {"IF(\"x\",1,2)", "#VALUE!"}, {"IF(0,1)", "FALSE"},
      {"IF(1/0,1,2)", "#DIV/0!"}, {"_xlfn.IFS(FALSE,1)", "#N/A"}, {"IFS(TRUE,1)", "#NAME?"},
      {"_xlfn.IFS(1,\"one\",TRUE,\"two\")", "one"}, {"IFERROR(Sheet2!Z1,1)", "0"},
      {"_xlfn.IFNA(NA(),\"n\")", "n"}, {"AND(Sheet2!B1:B3)", "#VALUE!"}, {"AND(1,\"x\")", "#VALUE!"},
      {"OR(Sheet2!A5,FALSE)", "TRUE"}, {"_xlfn.XOR(TRUE,FALSE)", "TRUE"}, {"NOT(0)", "TRUE"},
      {"ISBLANK(Sheet2!B5)", "TRUE"}, {"ISNUMBER(\"1\")", "FALSE"}, {"ISERR(NA())", "FALSE"},
      {"ISERR(1/0)", "TRUE"}, {"ISLOGICAL(Sheet2!A5)", "TRUE"}, {"ISNA(#N/A)", "TRUE"},
      {"ISTEXT(Sheet2!A4)", "TRUE"}, {"ISERROR(Sheet2!A1)", "FALSE"},
  });
}

TEST(FormulaTest, ConditionalAggregates) {
  expectTable({
      {"COUNTIF(Sheet2!B1:B3,\"red\")", "2"}, {"COUNTIF(Sheet2!A1:A5,\">15\")", "2"},
      {"COUNTIF(Sheet2!A1:A5,\"<>10\")", "4"}, {"COUNTIF(Sheet2!B1:B5,\"\")", "2"},
      {"COUNTIF(Sheet2!B1:B5,\"<>\")", "3"}, {"COUNTIF(Sheet2!B1:B3,\"?ed\")", "2"},
      {"COUNTIF(Sheet2!B1:B3,\"*~*\")", "0"}, {"COUNTIF(Sheet2!A1:A5,TRUE)", "1"},
      {"COUNTIF(Sheet2!A1:A5,\"20\")", "1"}, {"COUNTIF(Sheet2!A:A,\"<>10\")", "1048575"},
      {"SUMIF(Sheet2!B1:B3,\"Blue\",Sheet2!A1)", "20"}, {"SUMIF(Sheet2!A:A,\">=20\")", "50"},
      {"SUMIFS(Sheet2!A1:A3,Sheet2!B1:B3,\"red\",Sheet2!C1:C3,\">1\")", "30"},
      {"SUMIFS(Sheet2!A1:A3,Sheet2!B1:B2,\"red\")", "#VALUE!"},
      {"COUNTIFS(Sheet2!B1:B3,\"r*\",Sheet2!A1:A3,\"<25\")", "1"},
      {"_xlfn.MAXIFS(Sheet2!A1:A3,Sheet2!B1:B3,\"red\")", "30"},
      {"_xlfn.MINIFS(Sheet2!A1:A3,Sheet2!B1:B3,\"red\")", "10"},
      {"AVERAGEIF(Sheet2!A1:A3,\">100\")", "#DIV/0!"}, {"AVERAGEIFS(Sheet2!A1:A3,Sheet2!C1:C3,\"<3\")", "15"},
  });
}

TEST(FormulaTest, Lookups) {
  expectTable({
      {"VLOOKUP(20,Sheet2!A1:C3,3,FALSE)", "2"}, {"VLOOKUP(25,Sheet2!A1:C3,3)", "2"},
      {"VLOOKUP(5,Sheet2!A1:C3,3)", "#N/A"}, {"VLOOKUP(10,Sheet2!A1:C3,4,FALSE)", "#REF!"},
      {"VLOOKUP(10,Sheet2!A1:C3,0,FALSE)", "#VALUE!"}, {"VLOOKUP(\"b*\",Sheet2!B1:C3,2,FALSE)", "2"},
      {"HLOOKUP(\"Red\",Sheet2!B1:C2,2,FALSE)", "Blue"}, {"INDEX(Sheet2!A1:C3,2,3)", "2"},
      {"INDEX(Sheet2!A1:C3,4,1)", "#REF!"}, {"SUM(INDEX(Sheet2!A1:C3,0,1))", "60"},
      {"INDEX(Sheet2!A1:A5,5)", "TRUE"}, {"MATCH(\"RED\",Sheet2!B1:B3,0)", "1"},
      {"MATCH(35,Sheet2!A1:A3,1)", "3"}, {"MATCH(5,Sheet2!A1:A3)", "#N/A"}, {"CHOOSE(3,1,2)", "#VALUE!"},
      {"_xlfn.XLOOKUP(30,Sheet2!A1:A3,Sheet2!B1:B3)", "red"},
      {"_xlfn.XLOOKUP(99,Sheet2!A1:A3,Sheet2!B1:B3)", "#N/A"},
      {"_xlfn.XLOOKUP(\"r*\",Sheet2!B1:B3,Sheet2!A1:A3,,2,-1)", "30"},
      {"_xlfn.XLOOKUP(\"Blue\",Sheet2!B1:C1,Sheet2!A1:A3)", "#N/A"},
  });
}

TEST(FormulaTest, Texts) {
  expectTable({
      {"LEN(\"\xF0\x9F\x98\x80\")", "2"}, {"MID(\"abc\",0,1)", "#VALUE!"}, {"LEFT(\"abc\",-1)", "#VALUE!"},
      {"RIGHT(\"abc\",9)", "abc"}, {"SUBSTITUTE(\"aaa\",\"a\",\"b\",2)", "aba"},
      {"PROPER(\"\xC3\xA9lan vital\")", "\xC3\x89lan Vital"}, {"TRIM(\" a  b \")", "a b"},
      {"SEARCH(\"~*\",\"a*b\")", "2"}, {"SEARCH(\"b*d\",\"abcd\")", "2"}, {"FIND(\"x\",\"abc\")", "#VALUE!"},
      {"VALUE(\"abc\")", "#VALUE!"}, {"VALUE(\"(5)\")", "-5"}, {"TEXT(0.5,\"0.0%\")", "50.0%"},
      {"TEXT(44927,\"yyyy-mm-dd\")", "2023-01-01"}, {"TEXT(TRUE,\"0\")", "TRUE"}, {"REPT(\"-\",0)", ""},
      {"CONCATENATE(TRUE,1.5)", "TRUE1.5"}, {"_xlfn.TEXTJOIN(\"-\",TRUE,Sheet2!B1:B5)", "Red-Blue-red"},
      {"_xlfn.CONCAT(Sheet2!C1:C3)", "123"}, {"REPLACE(\"abc\",5,1,\"x\")", "abcx"}, {"UPPER(1)", "1"},
      {"EXACT(\"\xC3\xA9\",\"\xC3\x89\")", "FALSE"}, {"CHAR(65)", "A"},
  });
}

TEST(FormulaTest, DatesAndTimes) {
  expectTable({
      {"DATE(2024,1,1)", "45292"}, {"DATE(1900,2,29)", "60"}, {"DATE(1900,3,1)", "61"}, {"DAY(60)", "29"},
      {"MONTH(60)", "2"}, {"YEAR(0)", "1900"}, {"DAY(0)", "0"}, {"WEEKDAY(1)", "1"}, {"WEEKDAY(0)", "7"},
      {"WEEKDAY(45292,17)", "2"}, {"WEEKDAY(45292,4)", "#NUM!"}, {"DATE(-1,1,1)", "#NUM!"},
      {"DATE(10000,1,1)", "#NUM!"}, {"DATEDIF(2,1,\"D\")", "#NUM!"}, {"DATEDIF(1,2,\"X\")", "#NUM!"},
      // MD counts from the start's day in the end's previous month, rolled over: as documented,
      // it can come out negative.
      {"DATEDIF(DATE(2024,1,31),DATE(2024,3,1),\"MD\")", "-1"}, {"DATE(1900,3,0)", "60"}, {"EDATE(DATE(2024,1,31),1)", "45351"},
      {"EOMONTH(-1,0)", "#NUM!"}, {"TIME(0,0,-1)", "#NUM!"}, {"HOUR(\"6:30 PM\")", "18"},
      {"DATEVALUE(\"2024-01-01\")", "45292"}, {"VALUE(\"15-Jan-2024\")", "45306"},
      {"NETWORKDAYS(DATE(2024,1,6),DATE(2024,1,7))", "0"}, {"_xlfn.DAYS(\"2024-03-01\",\"2024-02-01\")", "29"},
      {"SECOND(TIME(1,2,3))", "3"}, {"TODAY()=INT(NOW())", "TRUE"},
      {"VALUE(\"3/15\")=DATE(YEAR(TODAY()),3,15)", "TRUE"},
  });
}

TEST(FormulaTest, SharedFormulasMoveTheirRelativeParts) {
  const std::string sheet = testing::worksheet(
      row(1, cell("A1", "1") + "<c r=\"B1\"><f t=\"shared\" ref=\"B1:C3\" si=\"0\">A1*10+$A$1</f></c>") +
      row(2, cell("A2", "2") + "<c r=\"B2\"><f t=\"shared\" si=\"0\"/></c>" +
             "<c r=\"C2\"><f t=\"shared\" si=\"0\"/></c>") +
      row(3, cell("A3", "3") + "<c r=\"B3\"><f t=\"shared\" si=\"0\"/></c>"));
  Opened opened({sheet});
  EXPECT_EQ(opened.text(0, 0, 1), "11");
  EXPECT_EQ(opened.text(0, 1, 1), "21");
  EXPECT_EQ(opened.text(0, 2, 1), "31");
  EXPECT_EQ(opened.text(0, 1, 2), "211");  // B2*10 + $A$1
}

TEST(FormulaTest, SavedValuesStandUnlessTheWorkbookCallsThemStale) {
  const std::string sheet = testing::worksheet(
      row(1, cell("A1", "4") + cell("B1", "=A1*2", "0") + cell("C1", "=A1+1")));
  {
    Opened opened({sheet});
    EXPECT_EQ(opened.text(0, 0, 1), "0");  // the application's own saved result stands
    EXPECT_EQ(opened.text(0, 0, 2), "5");  // no saved value: computed
  }
  Opened stale({sheet}, "<calcPr calcId=\"124519\" fullCalcOnLoad=\"1\"/>");
  EXPECT_EQ(stale.text(0, 0, 1), "8");
  EXPECT_EQ(stale.text(0, 0, 2), "5");
}

TEST(FormulaTest, AnEmptyTextResultIsASavedValue) {
  // The application saves a formula giving "" as an empty text; openpyxl saves no value at all.
  const std::string sheet = testing::worksheet(row(
      1, "<c r=\"A1\" t=\"str\"><f>FOO(B1)</f><v></v></c><c r=\"B1\"><f>1+1</f><v></v></c>"));
  Opened opened({sheet});
  EXPECT_EQ(opened.text(0, 0, 0), "");
  EXPECT_EQ(opened.text(0, 0, 1), "2");
  EXPECT_EQ(opened.workbook->uncomputedFormulas().cells, 0u);
}

TEST(FormulaTest, WhatCannotBeComputedKeepsItsSavedValueAndIsCounted) {
  const std::string sheet = testing::worksheet(
      row(1, cell("A1", "=FOO(1)+BAR()", "7") + cell("B1", "=[1]Sheet1!A1", "8") +
                 "<c r=\"C1\" cm=\"1\"><f t=\"array\" ref=\"C1:C3\">A1:A3*2</f><v>14</v></c>" +
                 cell("D1", "=FOO(2)") + cell("E1", "=A1+1")));
  Opened opened({sheet}, "<calcPr fullCalcOnLoad=\"1\"/>");
  EXPECT_EQ(opened.text(0, 0, 0), "7");
  EXPECT_EQ(opened.text(0, 0, 1), "8");
  EXPECT_EQ(opened.text(0, 0, 2), "14");
  EXPECT_EQ(opened.text(0, 0, 3), "");
  EXPECT_EQ(opened.text(0, 0, 4), "8");  // computed from the saved value of A1
  const engine::UncomputedFormulas report = opened.workbook->uncomputedFormulas();
  EXPECT_EQ(report.cells, 4u);
  EXPECT_EQ(report.functions, (std::vector<std::string>{"BAR", "FOO"}));
  EXPECT_EQ(report.reasons.size(), 2u);
}

TEST(FormulaTest, OnlyTheCellsReadAreComputed) {
  const std::string sheet = testing::worksheet(row(1, cell("A1", "=1+1") + cell("B1", "=FOO()")) +
                                               row(2, cell("A2", "=A1*3")));
  Opened opened({sheet});
  EXPECT_EQ(opened.workbook->sheet(0, {1, 0, 1, 0}).text(1, 0), "6");
  EXPECT_EQ(opened.workbook->uncomputedFormulas().cells, 0u);  // B1 was never needed
  EXPECT_EQ(opened.text(0, 0, 1), "");
  EXPECT_EQ(opened.workbook->uncomputedFormulas().cells, 1u);
}

TEST(FormulaTest, CircularReferencesShowZero) {
  const std::string sheet = testing::worksheet(
      row(1, cell("A1", "=B1+1") + cell("B1", "=A1+1") + cell("C1", "=C1*2") + cell("D1", "=A1+5") +
                 cell("E1", "=SUM(E2:E3)")) +
      row(2, cell("E2", "=E1")));
  Opened opened({sheet});
  EXPECT_EQ(opened.text(0, 0, 0), "0");
  EXPECT_EQ(opened.text(0, 0, 1), "0");
  EXPECT_EQ(opened.text(0, 0, 2), "0");
  EXPECT_EQ(opened.text(0, 0, 3), "5");
  EXPECT_EQ(opened.text(0, 0, 4), "0");
  EXPECT_EQ(opened.text(0, 1, 4), "0");
}

TEST(FormulaTest, LongChainsOfFormulasNeedNoDeepStack) {
  constexpr int kCells = 50000;
  std::string rows = row(1, cell("A1", "1"));
  for (int r = 2; r <= kCells; ++r)
    rows += row(r, cell("A" + std::to_string(r), "=A" + std::to_string(r - 1) + "+1"));
  Opened opened({testing::worksheet(rows)});
  EXPECT_EQ(opened.text(0, kCells - 1, 0), std::to_string(kCells));
}

TEST(FormulaTest, ImplicitIntersectionTakesTheFormulasRow) {
  const std::string sheet = testing::worksheet(row(2, cell("A2", "=Sheet2!A1:A3*2")) +
                                               row(7, cell("A7", "=Sheet2!A1:A3")));
  Opened opened({sheet, dataSheet()});
  EXPECT_EQ(opened.text(0, 1, 0), "40");
  EXPECT_EQ(opened.text(0, 6, 0), "#VALUE!");
}

TEST(FormulaTest, ResultsShowThroughTheCellsFormatAndDateSystem) {
  const std::string styles =
      "<styleSheet><numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"yyyy-mm-dd\"/></numFmts>"
      "<cellXfs count=\"3\"><xf numFmtId=\"0\"/><xf numFmtId=\"2\"/><xf numFmtId=\"164\"/></cellXfs></styleSheet>";
  const std::string sheet = testing::worksheet(
      row(1, cell("A1", "=7/2", "", " s=\"1\"") + cell("B1", "=DATE(2024,1,1)", "", " s=\"2\"") +
                 cell("C1", "=DATE(2024,1,1)") + cell("D1", "=YEAR(0)")));
  Opened opened({sheet}, "<workbookPr date1904=\"1\"/>", styles);
  EXPECT_EQ(opened.text(0, 0, 0), "3.50");
  EXPECT_EQ(opened.text(0, 0, 1), "2024-01-01");
  EXPECT_EQ(opened.text(0, 0, 2), "43830");
  EXPECT_EQ(opened.text(0, 0, 3), "1904");
}

TEST(FormulaTest, SheetsReadInTheBackgroundGetTheirValues) {
  const std::string sheet = testing::worksheet(row(1, cell("A1", "=Sheet2!A2*2") + cell("B1", "=\"x\"&A1")));
  Opened opened({sheet, dataSheet()});
  auto reading = opened.workbook->readInBackground(0, [] {});
  for (int i = 0; i < 500 && !reading->progress().finished; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(reading->progress().finished);
  EXPECT_EQ(reading->data().text(0, 0), "40");
  EXPECT_EQ(reading->data().text(0, 1), "x40");
}

TEST(FormulaTest, HostileFormulasEndInAnErrorOrTheSavedValue) {
  std::string deep = "1";
  for (int i = 0; i < 5000; ++i) deep = "(" + deep + ")";
  const std::string sheet = testing::worksheet(
      row(1, cell("A1", "=" + deep, "3") + cell("B1", "=SUM(", "4") + cell("C1", "=\"abc", "5") +
                 cell("D1", "=REPT(\"ab\",100000)") + cell("E1", "={1,2;3}", "6") +
                 cell("F1", "=SUMPRODUCT(A:XFD)")));
  Opened opened({sheet}, "<calcPr fullCalcOnLoad=\"1\"/>");
  EXPECT_EQ(opened.text(0, 0, 0), "3");
  EXPECT_EQ(opened.text(0, 0, 1), "4");
  EXPECT_EQ(opened.text(0, 0, 2), "5");
  EXPECT_EQ(opened.text(0, 0, 3), "#VALUE!");
  EXPECT_EQ(opened.text(0, 0, 4), "6");
  EXPECT_EQ(opened.text(0, 0, 5), "0");  // every cell of the sheet, cut to the cells in use: a circle
}

TEST(FormulaTest, WorkPastTheBudgetStopsWithTheSavedValues) {
  // Two cells at opposite corners make every criteria range span the whole sheet.
  const std::string formulas = testing::worksheet(
      row(1, cell("A1", "=COUNTIF(Sheet2!A:XFD,\"x\")", "7") + cell("B1", "=1+1", "0")));
  const std::string corners =
      testing::worksheet(row(1, cell("A1", "1")) + row(1048576, cell("XFD1048576", "1")));
  Opened opened({formulas, corners}, "<calcPr fullCalcOnLoad=\"1\"/>");
  EXPECT_EQ(opened.text(0, 0, 0), "7");
  EXPECT_EQ(opened.text(0, 0, 1), "0");  // computing has stopped for this workbook
  EXPECT_EQ(opened.workbook->uncomputedFormulas().reasons,
            std::vector<std::string>{"formulas that take too long to compute"});
}

TEST(ConversionsTest, NumbersAsFormulasWriteThem) {
  const std::pair<double, const char*> rows[] = {
      {0, "0"}, {1, "1"}, {-1.5, "-1.5"}, {1.0 / 3, "0.333333333333333"}, {1e15, "1E+15"},
      {123456789012345.0, "123456789012345"}, {1e-5, "0.00001"}, {1.5e-12, "1.5E-12"}, {2e100, "2E+100"}};
  for (const auto& [value, text] : rows) EXPECT_EQ(numberToText(value), text) << value;
}

TEST(ConversionsTest, TextsAsArithmeticReadsThem) {
  const std::pair<const char*, double> rows[] = {
      {" 12 ", 12}, {"1,234.5", 1234.5}, {"-1.5E3", -1500}, {"50%", 0.5}, {"$12", 12}, {"(5)", -5},
      {"2024-01-31", 45322}, {"1/31/2024", 45322}, {"31-Jan-2024", 45322}, {"January 31, 2024", 45322},
      {"12:00", 0.5}, {"6:00 PM", 0.75}, {"2024-01-31 12:00", 45322.5}};
  for (const auto& [text, value] : rows) {
    const auto n = textToNumber(text, false);
    ASSERT_TRUE(n.has_value()) << text;
    EXPECT_DOUBLE_EQ(*n, value) << text;
  }
  for (const char* text : {"", "abc", "1,23", "1.2.3", "2024-02-30", "25:61", "--1", "1e"})
    EXPECT_FALSE(textToNumber(text, false).has_value()) << text;
}

TEST(CriteriaTest, WildcardsAndComparisons) {
  struct Row {
    Value criterion;
    Value cell;
    bool matches;
  };
  const Row rows[] = {
      {Value::fromText(">10"), Value::fromNumber(11), true},
      {Value::fromText(">10"), Value::fromText("11"), false},
      {Value::fromText("<>Red"), Value::fromText("red"), false},
      {Value::fromText("<>Red"), Value(), true},
      {Value::fromText("a*c"), Value::fromText("ABBC"), true},
      {Value::fromText("a?c"), Value::fromText("abbc"), false},
      {Value::fromText("~?"), Value::fromText("?"), true},
      {Value::fromText("~?"), Value::fromText("a"), false},
      {Value::fromText("="), Value(), true},
      {Value::fromText("="), Value::fromText("x"), false},
      {Value::fromText(""), Value::fromText(""), true},
      {Value::fromNumber(3), Value::fromNumber(3), true},
      {Value::fromText("TRUE"), Value::fromBoolean(true), true},
      {Value::fromText("#N/A"), Value::fromError(Error::NA), true},
      {Value::fromText(">=b"), Value::fromText("C"), true},
      {Value::fromText(">=b"), Value::fromNumber(5), false},
  };
  for (const Row& r : rows)
    EXPECT_EQ(Criterion(r.criterion, false).matches(r.cell), r.matches)
        << r.criterion.text << " / " << r.cell.text << r.cell.number;
}

}  // namespace
}  // namespace lomandra::formula
