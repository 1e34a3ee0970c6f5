// The table scanner against the full parse: the same sheets in any chunking.
#include <gtest/gtest.h>

#include "sheet/container/XmlReader.h"
#include "sheet/ods/OdsContentReader.h"
#include "sheet/ods/OdsTableScanner.h"
#include "sheet/ods/OdsWorkbook.h"
#include "tests/sheet/ods/OdsTestFiles.h"

namespace lomandra::ods {
namespace {

using test::contentXml;

std::vector<std::string> scannedNames(std::string_view xml, std::size_t chunk,
                                      const std::string& prefix = "table") {
  OdsTableScanner scanner(prefix);
  for (std::size_t i = 0; i < xml.size(); i += chunk)
    EXPECT_TRUE(scanner.feed(xml.substr(i, chunk)));
  std::vector<std::string> names;
  for (const auto& table : scanner.tables()) names.push_back(table.name + "|" + table.styleName);
  return names;
}

std::vector<std::string> parsedNames(const std::string& xml) {
  OdsIndexHandler index;
  container::parseXmlText(xml, "content.xml", index);
  std::vector<std::string> names;
  for (const auto& sheet : index.sheets)
    names.push_back(sheet.name + "|" + (sheet.visible ? "" : "ta2"));
  return names;
}

struct ScanCase {
  const char* name;
  std::string body;
  std::vector<std::string> expected;  // name|style-name
};

void PrintTo(const ScanCase& c, std::ostream* os) { *os << c.name; }

class OdsTableScanning : public ::testing::TestWithParam<ScanCase> {};

TEST_P(OdsTableScanning, FindsTheTopLevelTablesInAnyChunking) {
  const ScanCase& c = GetParam();
  const std::string xml = contentXml(c.body);
  for (std::size_t chunk :
       {std::size_t{1}, std::size_t{2}, std::size_t{5}, std::size_t{13}, xml.size()})
    EXPECT_EQ(scannedNames(xml, chunk), c.expected) << "chunks of " << chunk;
}

const std::string kRow =
    "<table:table-row><table:table-cell><text:p>x &lt; "
    "y</text:p></table:table-cell></table:table-row>";

INSTANTIATE_TEST_SUITE_P(
    Documents, OdsTableScanning,
    ::testing::Values(
        ScanCase{"TwoTables",
                 R"(<table:table table:name="A" table:style-name="ta1">)" + kRow +
                     R"(</table:table><table:table table:name="B">)" + kRow + "</table:table>",
                 {"A|ta1", "B|"}},
        ScanCase{"SelfClosing",
                 R"(<table:table table:name="E"/><table:table table:name="F" />)",
                 {"E|", "F|"}},
        ScanCase{
            "NestedTableIsCellContent",
            R"(<table:table table:name="Outer"><table:table-row><table:table-cell><table:table table:name="Inner"><table:table-row/></table:table></table:table-cell></table:table-row></table:table><table:table table:name="Next"/>)",
            {"Outer|", "Next|"}},
        ScanCase{
            "MarkupInCommentsAndSections",
            R"(<!-- <table:table table:name="c1"> --><table:table table:name="Real"><table:table-row><table:table-cell><text:p><![CDATA[<table:table table:name="c2">]]></text:p></table:table-cell></table:table-row><?pi <table:table table:name="c3"> ?></table:table>)",
            {"Real|"}},
        ScanCase{
            "QuotedGreaterThanAndApostrophes",
            R"(<table:table table:print-ranges="a>b" table:name='It"s' table:style-name = "s>1"/>)",
            {"It\"s|s>1"}},
        ScanCase{"EntitiesAndWhiteSpace",
                 "<table:table table:name=\"A&amp;B &#x41;&#66;&lt;&gt;&apos;&quot;\tc\"/>",
                 {"A&B AB<>'\" c|"}},
        ScanCase{
            "SimilarNamesAreNotTables",
            R"(<table:table-source/><table:tables/><table:table table:name="T"><table:table-column/></table:table>)",
            {"T|"}},
        ScanCase{"OtherAttributesWithTheName",
                 R"(<table:table foo:name="no" table:name="yes"/>)",
                 {"yes|"}}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(OdsTableScanner, AgreesWithTheFullParse) {
  const std::string styles =
      R"(<style:style style:name="ta2" style:family="table"><style:table-properties table:display="false"/></style:style>)";
  const std::string body =
      R"(<table:table table:name="One &amp; only">)" + kRow +
      R"(</table:table><table:table table:name="Hidden" table:style-name="ta2"/>)";
  const std::string xml = contentXml(body, styles);
  EXPECT_EQ(scannedNames(xml, 7), (std::vector<std::string>{"One & only|", "Hidden|ta2"}));
  EXPECT_EQ(parsedNames(xml), (std::vector<std::string>{"One & only|", "Hidden|ta2"}));
}

TEST(OdsTableScanner, OtherPrefixes) {
  const std::string xml =
      R"(<d xmlns:t="urn:oasis:names:tc:opendocument:xmlns:table:1.0"><t:table t:name="P"/><table:table table:name="not"/></d>)";
  EXPECT_EQ(scannedNames(xml, 3, "t"), (std::vector<std::string>{"P|"}));
}

TEST(OdsTableScanner, GivesUpOnAnEnormousTag) {
  OdsTableScanner scanner("table");
  EXPECT_TRUE(scanner.feed("<table:table table:name=\""));
  const std::string block(1 << 16, 'n');
  bool going = true;
  for (int i = 0; i < 20 && going; ++i) going = scanner.feed(block);
  EXPECT_FALSE(going);
  EXPECT_FALSE(scanner.feed("\"/>"));
}

TEST(OdsTableScanner, WorkbooksOpenWhicheverWayTheirSheetsAreFound) {
  test::TempFolder folder;
  const std::string uri = "urn:oasis:names:tc:opendocument:xmlns:";
  struct Case {
    const char* name;
    std::string content;
    std::vector<std::string> sheets;
  };
  const std::vector<Case> cases = {
      {"UsualPrefix",
       contentXml(R"(<table:table table:name="A"/><table:table table:name="B"/>)"),
       {"A", "B"}},
      {"OtherPrefix",
       "<o:document-content xmlns:o=\"" + uri + "office:1.0\" xmlns:t=\"" + uri +
           "table:1.0\"><o:body><o:spreadsheet><t:table "
           "t:name=\"X\"/></o:spreadsheet></o:body></o:document-content>",
       {"X"}},
      {"DefaultNamespaceFallsBackToTheParser",
       "<o:document-content xmlns:o=\"" + uri +
           "office:1.0\"><o:body><o:spreadsheet><table xmlns=\"" + uri +
           "table:1.0\" name=\"D\"/></o:spreadsheet></o:body></o:document-content>",
       {"D"}},
      {"EnormousTagFallsBackToTheParser",
       contentXml(R"(<table:table table:name="Big" table:print-ranges=")" +
                  std::string(1100000, 'r') + "\"/>"),
       {"Big"}},
  };
  for (const Case& c : cases) {
    const auto book = openOds(folder.writeOds(std::string(c.name) + ".ods", c.content));
    std::vector<std::string> names;
    for (const auto& sheet : book->sheets()) names.push_back(sheet.name);
    EXPECT_EQ(names, c.sheets) << c.name;
  }
}

TEST(OdsTableScanner, AttributeValueDecoding) {
  struct Case {
    const char* raw;
    const char* expected;
  };
  for (const Case& c :
       {Case{"plain", "plain"}, Case{"a&amp;b", "a&b"}, Case{"&#233;", "é"}, Case{"&#x1F363;", "🍣"},
        Case{"&#xD800;", "\xEF\xBF\xBD"}, Case{"&#0;", "\xEF\xBF\xBD"},
        Case{"&#x110000;", "\xEF\xBF\xBD"}, Case{"&bogus;", "&bogus;"}, Case{"a&b", "a&b"},
        Case{"a\nb\r\tc", "a b  c"}})
    EXPECT_EQ(decodeAttributeValue(c.raw), c.expected) << c.raw;
}

}  // namespace
}  // namespace lomandra::ods
