// The reading path from a file to its cells: what a file is, decided once; the answers for
// files that are odd or hostile; rows out of order; a cell given twice.

#include <gtest/gtest.h>

#include <algorithm>

#include "sheet/Failure.h"
#include "sheet/engine/BuiltinWorkbook.h"
#include "sheet/engine/WorkbookSniffer.h"
#include "tests/sheet/container/TestPackage.h"
#include "tests/support/FailureOf.h"

namespace lomandra::engine {
namespace {

using testing::TempDir;
using testsupport::failureOf;

constexpr const char* kRelationships =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

std::vector<std::string> walk(const SheetData& sheet, const Area& area) {
  std::vector<std::string> out;
  sheet.forEachText(area, [&](std::string_view text) {
    out.emplace_back(text);
    return true;
  });
  return out;
}

// What a reference gives, or its failure as "! description".
std::vector<std::string> merge(BuiltinWorkbook& book, std::string_view reference) {
  try {
    const auto resolved = book.resolve(reference);
    std::vector<std::string> out;
    const SheetData& sheet = book.sheet(resolved.sheet, boundsOf(resolved.areas));
    for (const Area& area : resolved.areas) {
      const auto texts = walk(sheet, area);
      out.insert(out.end(), texts.begin(), texts.end());
    }
    return out;
  } catch (const Failure& failure) {
    return {std::string("! ") + failure.what()};
  }
}

// ------------------------------------------------------------------ sheets without their part

TEST(ReadingPathTest, ASheetWhosePartIsMissingFailsItsReferenceAloneAndSaysWhy) {
  struct Row {
    const char* name;
    std::string relationship;  // the first sheet's relationship, replacing the written one
    std::string sheetId;       // the first sheet's r:id
    const char* says;
  };
  const std::string type = std::string(kRelationships) + "/worksheet";
  const Row rows[] = {
      {"a part not in the package",
       "<Relationship Id=\"rId1\" Type=\"" + type + "\" Target=\"worksheets/gone.xml\"/>", "rId1",
       "has its cells in the part \"worksheets/gone.xml\", which the package does not hold"},
      {"a target climbing out of the package",
       "<Relationship Id=\"rId1\" Type=\"" + type + "\" Target=\"../..\"/>", "rId1",
       "has its cells outside the package (\"../..\")"},
      {"an absolute path", "<Relationship Id=\"rId1\" Type=\"" + type + "\" Target=\"/etc/passwd\"/>",
       "rId1", "has its cells in the part \"/etc/passwd\", which the package does not hold"},
      {"a URL", "<Relationship Id=\"rId1\" Type=\"" + type +
                    "\" Target=\"http://example.com/sheet1.xml\" TargetMode=\"External\"/>",
       "rId1", "has its cells outside the package (\"http://example.com/sheet1.xml\")"},
      {"a URL without the external mode",
       "<Relationship Id=\"rId1\" Type=\"" + type + "\" Target=\"http://example.com/s.xml\"/>",
       "rId1", "which the package does not hold"},
      {"an r:id naming no relationship", "", "rId9",
       "names a relationship (\"rId9\") the workbook does not have"},
  };
  TempDir dir;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto parts = testing::xlsxParts(
        {testing::worksheet("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"),
         testing::worksheet("<row r=\"1\"><c r=\"A1\"><v>2</v></c></row>")});
    for (auto& part : parts) {
      if (part.name == "xl/_rels/workbook.xml.rels") {
        const std::size_t from = part.data.find("<Relationship Id=\"rId1\"");
        part.data.replace(from, part.data.find("/>", from) + 2 - from, row.relationship);
      }
      if (part.name == "xl/workbook.xml") {
        const std::size_t at = part.data.find("r:id=\"rId1\"");
        part.data.replace(at, 11, "r:id=\"" + row.sheetId + "\"");
      }
    }
    testing::writeZip(dir.file("missing.xlsx"), parts);
    auto book = BuiltinWorkbook::open(dir.file("missing.xlsx"));
    const auto failed = merge(*book, "'Sheet1'!$A$1:$A$2");
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_TRUE(failed[0].starts_with("! The workbook is damaged: its sheet \"Sheet1\" ")) << failed[0];
    EXPECT_NE(failed[0].find(row.says), std::string::npos) << failed[0];
    EXPECT_EQ(merge(*book, "'Sheet2'!$A$1:$A$2"), (std::vector<std::string>{"2", ""}));
  }
}

// A chart sheet has no cells: it reads empty, without a failure.
TEST(ReadingPathTest, AChartSheetReadsEmpty) {
  auto parts = testing::xlsxParts({testing::worksheet("")});
  for (auto& part : parts)
    if (part.name == "xl/_rels/workbook.xml.rels") {
      const std::size_t at = part.data.find("/worksheet\"");
      part.data.replace(at, 11, "/chartsheet\"");
    }
  TempDir dir;
  testing::writeZip(dir.file("chart.xlsx"), parts);
  auto book = BuiltinWorkbook::open(dir.file("chart.xlsx"));
  EXPECT_EQ(merge(*book, "'Sheet1'!$A$1"), (std::vector<std::string>{""}));
}

// ------------------------------------------------------------------ flat OpenDocument files

std::string utf16(std::string_view utf8, bool little, bool mark) {
  // The tests' texts are ASCII with one two-byte character (U+00E9).
  std::string out = mark ? (little ? std::string("\xFF\xFE") : std::string("\xFE\xFF")) : std::string();
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    std::uint16_t unit = static_cast<unsigned char>(utf8[i]);
    if (unit == 0xC3) unit = static_cast<std::uint16_t>(0xC0 | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
    const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
    out += little ? std::string{low, high} : std::string{high, low};
  }
  return out;
}

std::string flatDocument(const std::string& office, const std::string& table, const std::string& text,
                         const std::string& declaration) {
  const std::string o = office.empty() ? "" : office + ":";
  const std::string t = table + ":", x = text + ":";
  return declaration + "<" + o + "document xmlns" + (office.empty() ? "" : ":" + office) +
         "=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" xmlns:" + table +
         "=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" xmlns:" + text +
         "=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" " + o +
         "mimetype=\"application/vnd.oasis.opendocument.spreadsheet\"><" + o + "body><" + o +
         "spreadsheet><" + t + "table " + t + "name=\"Blatt\"><" + t + "table-row><" + t +
         "table-cell " + o + "value-type=\"string\"><" + x + "p>caf\xC3\xA9</" + x + "p></" + t +
         "table-cell></" + t + "table-row></" + t + "table></" + o + "spreadsheet></" + o +
         "body></" + o + "document>";
}

TEST(ReadingPathTest, FlatDocumentsInAnyEncodingAndWithAnyPrefixesAreRead) {
  const std::string utf8Declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  const std::string utf16Declaration = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n";
  const std::string usual = flatDocument("office", "table", "text", utf8Declaration);
  struct Row {
    const char* name;
    std::string bytes;
  };
  const Row rows[] = {
      {"UTF-8", usual},
      {"UTF-16 LE with a byte order mark",
       utf16(flatDocument("office", "table", "text", utf16Declaration), true, true)},
      {"UTF-16 BE with a byte order mark",
       utf16(flatDocument("office", "table", "text", utf16Declaration), false, true)},
      {"UTF-16 LE without a byte order mark",
       utf16(flatDocument("office", "table", "text", utf16Declaration), true, false)},
      {"UTF-8 with a byte order mark", "\xEF\xBB\xBF" + usual},
      {"other prefixes", flatDocument("o", "t", "x", utf8Declaration)},
      {"the office namespace as the default one", flatDocument("", "t", "x", "")},
      {"other prefixes in UTF-16", utf16(flatDocument("o", "t", "x", utf16Declaration), true, true)},
  };
  TempDir dir;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::writeFile(dir.file("flat.fods"), row.bytes);
    EXPECT_EQ(sniffWorkbook(dir.file("flat.fods")), WorkbookFormat::Ods);
    auto book = BuiltinWorkbook::open(dir.file("flat.fods"));
    ASSERT_EQ(book->sheets().size(), 1u);
    EXPECT_EQ(book->sheets()[0].name, "Blatt");
    EXPECT_EQ(merge(*book, "$A$1:$B$1"), (std::vector<std::string>{"caf\xC3\xA9", ""}));
    EXPECT_EQ(merge(*book, "'Blatt'!$A$1"), (std::vector<std::string>{"caf\xC3\xA9"}));
  }
  // A document of another namespace under the usual prefixes is not one.
  std::string other = usual;
  other.replace(other.find("urn:oasis:names:tc:opendocument:xmlns:office:1.0"), 48, "urn:example:other");
  testing::writeFile(dir.file("other.xml"), other);
  EXPECT_EQ(sniffWorkbook(dir.file("other.xml")), WorkbookFormat::Ods)
      << "the usual office: prefix is taken as it always was";
  std::string foreign = flatDocument("o", "t", "x", utf8Declaration);
  foreign.replace(foreign.find("urn:oasis:names:tc:opendocument:xmlns:office:1.0"), 48, "urn:example:other");
  testing::writeFile(dir.file("foreign.xml"), foreign);
  EXPECT_EQ(sniffWorkbook(dir.file("foreign.xml")), WorkbookFormat::Csv);
}

TEST(ReadingPathTest, AContentPartInUtf16IsRead) {
  const std::string content =
      "<?xml version=\"1.0\" encoding=\"UTF-16\"?><office:document-content "
      "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
      "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
      "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body>"
      "<office:spreadsheet><table:table table:name=\"Eins\"><table:table-row><table:table-cell "
      "office:value-type=\"string\"><text:p>caf\xC3\xA9</text:p></table:table-cell>"
      "</table:table-row></table:table><table:table table:name=\"Zwei\"/></office:spreadsheet>"
      "</office:body></office:document-content>";
  TempDir dir;
  for (const bool little : {true, false}) {
    SCOPED_TRACE(little ? "little-endian" : "big-endian");
    testing::writeZip(dir.file("u16.ods"),
                      {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet", false},
                       {"content.xml", utf16(content, little, true), true}});
    auto book = BuiltinWorkbook::open(dir.file("u16.ods"));
    ASSERT_EQ(book->sheets().size(), 2u);
    EXPECT_EQ(book->sheets()[1].name, "Zwei");
    EXPECT_EQ(merge(*book, "'Eins'!$A$1"), (std::vector<std::string>{"caf\xC3\xA9"}));
  }
}

// ------------------------------------------------------------------ values without their text

// A cell a writer saved with a value and a data style but no text shows what the style shows,
// by the application's rules; with its text, the text it saved.
TEST(ReadingPathTest, AnOdsValueWithoutTextShowsWhatItsDataStyleShows) {
  struct Row {
    const char* name;
    std::string dataStyle;  // the data style N1's element
    std::string cell;       // the cell's attributes
    const char* shown;
  };
  const std::string number = "number:number-style style:name=\"N1\"";
  const Row rows[] = {
      {"three decimals", "<" + number + "><number:number number:decimal-places=\"3\" number:min-integer-digits=\"1\"/></number:number-style>",
       "office:value-type=\"float\" office:value=\"1.5\"", "1.500"},
      {"thousands", "<" + number + "><number:number number:decimal-places=\"2\" number:min-integer-digits=\"1\" number:grouping=\"true\"/></number:number-style>",
       "office:value-type=\"float\" office:value=\"1234567.891\"", "1,234,567.89"},
      {"a unit after the number", "<" + number + "><number:number number:decimal-places=\"1\" number:min-integer-digits=\"1\"/><number:text> kg</number:text></number:number-style>",
       "office:value-type=\"float\" office:value=\"2.25\"", "2.3 kg"},
      {"percent", "<number:percentage-style style:name=\"N1\"><number:number number:decimal-places=\"2\" number:min-integer-digits=\"1\"/><number:text>%</number:text></number:percentage-style>",
       "office:value-type=\"percentage\" office:value=\"0.1234\"", "12.34%"},
      {"scientific", "<" + number + "><number:scientific-number number:decimal-places=\"2\" number:min-integer-digits=\"1\" number:min-exponent-digits=\"2\"/></number:number-style>",
       "office:value-type=\"float\" office:value=\"12345\"", "1.23E+04"},
      {"a fraction", "<" + number + "><number:fraction number:min-integer-digits=\"0\" number:min-numerator-digits=\"1\" number:min-denominator-digits=\"1\"/></number:number-style>",
       "office:value-type=\"float\" office:value=\"1.5\"", "1 1/2"},
      {"a currency", "<number:currency-style style:name=\"N1\"><number:currency-symbol>\xE2\x82\xAC</number:currency-symbol><number:number number:decimal-places=\"2\" number:min-integer-digits=\"1\" number:grouping=\"true\"/></number:currency-style>",
       "office:value-type=\"currency\" office:value=\"1234.5\"", "\xE2\x82\xAC" "1,234.50"},
      {"a date", "<number:date-style style:name=\"N1\"><number:year number:style=\"long\"/><number:text>-</number:text><number:month number:style=\"long\"/><number:text>-</number:text><number:day number:style=\"long\"/></number:date-style>",
       "office:value-type=\"date\" office:date-value=\"2024-01-31T12:00:00\"", "2024-01-31"},
      {"a month by name", "<number:date-style style:name=\"N1\"><number:day/><number:text> </number:text><number:month number:textual=\"true\"/></number:date-style>",
       "office:value-type=\"date\" office:date-value=\"2024-03-05\"", "5 Mar"},
      {"a time past a day", "<number:time-style style:name=\"N1\" number:truncate-on-overflow=\"false\"><number:hours/><number:text>:</number:text><number:minutes number:style=\"long\"/></number:time-style>",
       "office:value-type=\"time\" office:time-value=\"PT27H05M00S\"", "27:05"},
      {"a negative section by a map",
       "<number:number-style style:name=\"N1P0\"><number:number number:decimal-places=\"1\" number:min-integer-digits=\"1\"/></number:number-style>"
       "<" + number + "><number:text>(</number:text><number:number number:decimal-places=\"1\" number:min-integer-digits=\"1\"/><number:text>)</number:text><style:map style:condition=\"value()&gt;=0\" style:apply-style-name=\"N1P0\"/></number:number-style>",
       "office:value-type=\"float\" office:value=\"-2\"", "(2.0)"},
      {"the text the writer saved wins", "<" + number + "><number:number number:decimal-places=\"3\"/></number:number-style>",
       "office:value-type=\"float\" office:value=\"1.5\"><text:p>one and a half</text:p></table:table-cell><table:table-cell", "one and a half"},
      {"no data style: General", "",
       "office:value-type=\"float\" office:value=\"1.5\"", "1.5"},
  };
  TempDir dir;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string& style = row.dataStyle;
    const std::string content =
        "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
        "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
        "xmlns:number=\"urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0\"><office:automatic-styles>" +
        style +
        "<style:style style:name=\"ce1\" style:family=\"table-cell\" style:data-style-name=\"N1\"/>"
        "</office:automatic-styles><office:body><office:spreadsheet><table:table table:name=\"S\">"
        "<table:table-row><table:table-cell table:style-name=\"ce1\" " + row.cell +
        "/></table:table-row></table:table></office:spreadsheet></office:body></office:document-content>";
    testing::writeZip(dir.file("styled.ods"),
                      {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet", false},
                       {"content.xml", content, true}});
    auto book = BuiltinWorkbook::open(dir.file("styled.ods"));
    EXPECT_EQ(merge(*book, "$A$1"), (std::vector<std::string>{row.shown}));
  }
}

// A named cell style of styles.xml, as a column's default style, gives its data style too.
TEST(ReadingPathTest, AnOdsDataStyleOfTheStylesPartServesAColumnsDefaultStyle) {
  const std::string ns =
      "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
      "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
      "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
      "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
      "xmlns:number=\"urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0\"";
  const std::string styles =
      "<office:document-styles " + ns + "><office:styles><number:number-style style:name=\"N9\">"
      "<number:number number:decimal-places=\"4\" number:min-integer-digits=\"1\"/></number:number-style>"
      "<style:style style:name=\"Fixed\" style:family=\"table-cell\" style:data-style-name=\"N9\"/>"
      "</office:styles></office:document-styles>";
  const std::string content =
      "<office:document-content " + ns + "><office:body><office:spreadsheet><table:table table:name=\"S\">"
      "<table:table-column table:default-cell-style-name=\"Default\"/>"
      "<table:table-column table:default-cell-style-name=\"Fixed\"/>"
      "<table:table-row><table:table-cell office:value-type=\"float\" office:value=\"2\"/>"
      "<table:table-cell office:value-type=\"float\" office:value=\"2\"/></table:table-row>"
      "</table:table></office:spreadsheet></office:body></office:document-content>";
  TempDir dir;
  testing::writeZip(dir.file("named.ods"),
                    {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet", false},
                     {"styles.xml", styles, true},
                     {"content.xml", content, true}});
  auto book = BuiltinWorkbook::open(dir.file("named.ods"));
  EXPECT_EQ(merge(*book, "$A$1:$B$1"), (std::vector<std::string>{"2", "2.0000"}));
}

// ------------------------------------------------------------------ names by namespace

TEST(ReadingPathTest, ElementsOfAnotherNamespaceAreNotReadAsCells) {
  const std::string ns = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
  struct Row {
    const char* name;
    std::string sheet;
    std::vector<std::string> texts;  // A1:A3
  };
  const Row rows[] = {
      {"a foreign row in sheetData",
       "<worksheet xmlns=\"" + ns + "\" xmlns:f=\"urn:example:foreign\"><sheetData>"
       "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"
       "<f:row r=\"2\"><f:c r=\"A2\"><f:v>99</f:v></f:c></f:row>"
       "<row r=\"3\"><c r=\"A3\"><v>3</v></c></row></sheetData></worksheet>",
       {"1", "", "3"}},
      {"a foreign cell and value inside a row",
       "<worksheet xmlns=\"" + ns + "\" xmlns:f=\"urn:example:foreign\"><sheetData>"
       "<row r=\"1\"><c r=\"A1\"><v>1</v><f:v>7</f:v></c><f:c r=\"A2\"><v>8</v></f:c></row>"
       "</sheetData></worksheet>",
       {"1", "", ""}},
      {"the default namespace changed below the sheet",
       "<x:worksheet xmlns:x=\"" + ns + "\"><x:sheetData><x:row r=\"1\"><x:c r=\"A1\"><x:v>1</x:v>"
       "</x:c></x:row><row xmlns=\"urn:example:foreign\" r=\"2\"><c r=\"A2\"><v>5</v></c></row>"
       "</x:sheetData></x:worksheet>",
       {"1", "", ""}},
      {"the main namespace under another prefix",
       "<s:worksheet xmlns:s=\"" + ns + "\"><s:sheetData><s:row r=\"2\"><s:c r=\"A2\"><s:v>2</s:v>"
       "</s:c></s:row></s:sheetData></s:worksheet>",
       {"", "2", ""}},
      {"a foreign attribute named like the cell's",
       "<worksheet xmlns=\"" + ns + "\" xmlns:f=\"urn:example:foreign\"><sheetData><row r=\"1\">"
       "<c f:r=\"C9\" r=\"A1\" f:t=\"s\"><v>4</v></c></row></sheetData></worksheet>",
       {"4", "", ""}},
  };
  TempDir dir;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::writeZip(dir.file("ns.xlsx"), testing::xlsxParts({row.sheet}));
    auto book = BuiltinWorkbook::open(dir.file("ns.xlsx"));
    EXPECT_EQ(merge(*book, "$A$1:$A$3"), row.texts);
  }
}

// ------------------------------------------------------------------ binary content

TEST(ReadingPathTest, BinaryContentIsNeverGivenAsText) {
  TempDir dir;
  const std::string workbook = testing::zipBytes(
      testing::xlsxParts({testing::worksheet("<row r=\"1\"><c r=\"A1\"><v>42</v></c></row>")}));
  std::string programStub = "MZ\x90";
  programStub.resize(1u << 20, '\0');
  const std::string scriptStub = "#!/bin/sh\n" + std::string(1u << 20, 'x') + "\nexit 0\n";
  std::string textThenBinary = "a,b,c\n" + std::string(64u << 10, 'y') + "\n";
  textThenBinary += std::string("\x7F" "ELF\x02\x01\x01\0\0\0", 10);
  struct Row {
    const char* name;
    std::string bytes;
    bool zip;  // recognised as a zip, so never as text
  };
  const Row rows[] = {
      {"a workbook behind a program stub", programStub + workbook, true},
      {"a workbook behind a text stub", scriptStub + workbook, true},
      {"text, then binary past the first bytes", textThenBinary, false},
      {"a zip of no workbook behind a text stub",
       scriptStub + testing::zipBytes({{"readme.txt", "hello", true}}), true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::writeFile(dir.file("odd.csv"), row.bytes);
    std::vector<std::string> texts;
    try {
      auto book = BuiltinWorkbook::open(dir.file("odd.csv"));
      // Past the first rows: where the text stops and the binary begins.
      texts = merge(*book, row.zip ? "$A$1:$C$1" : "$A$1:$C$5");
    } catch (const Failure& failure) {
      texts = {std::string("! ") + failure.what()};
    }
    // Either the workbook inside (its own cells) or a failure: never the stub's bytes.
    const bool workbookRead = texts == std::vector<std::string>{"42", "", ""};
    const bool refused = texts.size() == 1 && texts[0].starts_with("! ");
    EXPECT_TRUE(workbookRead || refused) << texts[0];
    if (row.zip) {
      EXPECT_NE(sniffWorkbook(dir.file("odd.csv")), WorkbookFormat::Csv);
    }
    if (refused) {
      EXPECT_EQ(texts[0].find('\n'), std::string::npos);
    }
  }
}

// ------------------------------------------------------------------ one-line messages

TEST(ReadingPathTest, ControlCharactersInAPathOrReferenceAreShownEscapedOnOneLine) {
  TempDir dir;
  const std::string path = dir.file("two\nlines\r\x1B.xlsx");
  const std::string missing = failureOf([&] { BuiltinWorkbook::open(path); });
  EXPECT_EQ(missing.find_first_of("\n\r\x1B"), std::string::npos) << missing;
  EXPECT_NE(missing.find("two\\nlines\\r\\x1B.xlsx"), std::string::npos) << missing;

  testing::writeZip(dir.file("book.xlsx"), testing::xlsxParts({testing::worksheet("")}));
  auto book = BuiltinWorkbook::open(dir.file("book.xlsx"));
  const std::string noSheet = failureOf([&] { book->resolve("'Sheet\n1\t\xC2\x85\xE2\x80\xA8'!A1"); });
  EXPECT_EQ(noSheet, "The workbook has no sheet named \"Sheet\\n1\\t\\u0085\\u2028\".");
  EXPECT_EQ(Failure("a\\b").what(), std::string("a\\b")) << "a backslash stays";
}

// ------------------------------------------------------------------ rows out of order

// Whatever the number of rows between, a row a reference needs that comes after others
// further down is read.
TEST(ReadingPathTest, ALateRowIsReadWhateverTheDistance) {
  TempDir dir;
  for (const int between : {1, 300, 5000, 200000}) {
    SCOPED_TRACE(between);
    std::string rows;
    for (int r = 3; r < 3 + between; ++r)
      rows += "<row r=\"" + std::to_string(r) + "\"><c r=\"B" + std::to_string(r) + "\"><v>" +
              std::to_string(r) + "</v></c></row>";
    rows += "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row><row r=\"2\"><c r=\"A2\"><v>2</v></c></row>";
    testing::writeZip(dir.file("late.xlsx"), testing::xlsxParts({testing::worksheet(rows)}));
    auto book = BuiltinWorkbook::open(dir.file("late.xlsx"));
    EXPECT_EQ(merge(*book, "$A$1:$A$2"), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(merge(*book, "$A$1:$B$3"), (std::vector<std::string>{"1", "", "2", "", "", "3"}));
  }
}

// Rows alternating between two halves of a sheet are sorted in time proportional to the sheet.
TEST(ReadingPathTest, RowsAlternatingOutOfOrderAllArrive) {
  std::string rows;
  constexpr int kHalf = 20000;
  for (int i = 1; i <= kHalf; ++i) {
    const int high = kHalf + i, low = i;
    rows += "<row r=\"" + std::to_string(high) + "\"><c r=\"A" + std::to_string(high) + "\"><v>" +
            std::to_string(high) + "</v></c></row>";
    rows += "<row r=\"" + std::to_string(low) + "\"><c r=\"A" + std::to_string(low) + "\"><v>" +
            std::to_string(low) + "</v></c></row>";
  }
  TempDir dir;
  testing::writeZip(dir.file("alternate.xlsx"), testing::xlsxParts({testing::worksheet(rows)}));
  auto book = BuiltinWorkbook::open(dir.file("alternate.xlsx"));
  const auto texts = merge(*book, "$A$1:$A$40000");
  ASSERT_EQ(texts.size(), 40000u);
  for (int r = 0; r < 40000; ++r) ASSERT_EQ(texts[static_cast<std::size_t>(r)], std::to_string(r + 1));
}

// ------------------------------------------------------------------ a cell given twice

// The rule for every reader: a reference that holds a cell the file gives twice fails, naming
// it; a reference without it reads; the sheet itself shows the value given last.
TEST(ReadingPathTest, ACellGivenTwiceFailsOnlyTheReferencesHoldingIt) {
  struct Row {
    const char* name;
    std::string rows;
  };
  const Row rows[] = {
      {"next to itself",
       "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row><row r=\"2\"><c r=\"A2\"><v>2</v></c></row>"
       "<row r=\"9\"><c r=\"A9\"><v>8</v></c><c r=\"A9\"><v>9</v></c></row>"},
      {"in a later row element",
       "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row><row r=\"9\"><c r=\"A9\"><v>8</v></c></row>"
       "<row r=\"2\"><c r=\"A2\"><v>2</v></c></row><row r=\"9\"><c r=\"A9\"><v>9</v></c></row>"},
      {"the row given again, in order",
       "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row><row r=\"2\"><c r=\"A2\"><v>2</v></c></row>"
       "<row r=\"9\"><c r=\"A9\"><v>8</v></c></row><row r=\"9\"><c r=\"A9\"><v>9</v></c></row>"},
  };
  TempDir dir;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::writeZip(dir.file("twice.xlsx"), testing::xlsxParts({testing::worksheet(row.rows)}));
    auto book = BuiltinWorkbook::open(dir.file("twice.xlsx"));
    EXPECT_EQ(merge(*book, "$A$1:$A$9"),
              (std::vector<std::string>{"! The sheet is damaged: it gives cell A9 twice."}));
    EXPECT_EQ(merge(*book, "$A$1:$A$2"), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(merge(*book, "$A$1:$A$2,$B$9"), (std::vector<std::string>{"1", "2", ""}));
    EXPECT_EQ(book->sheet(0).text(8, 0), "9") << "the window shows the value given last";
  }
}

// A file giving one cell ten million times (about 400 MB of XML inflated) fails a reference
// holding it without keeping the repeats.
TEST(ReadingPathTest, ACellRepeatedOverAndOverIsKeptOnce) {
  std::string rows = "<row r=\"2\"/>";
  for (int i = 0; i < 100000; ++i) rows += "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>";
  TempDir dir;
  testing::writeZip(dir.file("repeats.xlsx"), testing::xlsxParts({testing::worksheet(rows)}));
  auto book = BuiltinWorkbook::open(dir.file("repeats.xlsx"));
  EXPECT_EQ(merge(*book, "$A$1:$Z$100"),
            (std::vector<std::string>{"! The sheet is damaged: it gives cell A1 twice."}));
  EXPECT_EQ(merge(*book, "$B$1:$B$2"), (std::vector<std::string>{"", ""}));
}

}  // namespace
}  // namespace lomandra::engine
