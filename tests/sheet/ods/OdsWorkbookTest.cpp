// Opening packages and flat documents: the sheet list, the active sheet, and damaged files.
#include <gtest/gtest.h>

#include <functional>

#include "sheet/Failure.h"
#include "sheet/ods/OdsWorkbook.h"
#include "tests/sheet/ods/OdsTestFiles.h"
#include "tests/support/FailureOf.h"

namespace lomandra::ods {
namespace {

using test::contentXml;
using test::RecordingVisitor;
using test::TempFolder;

const std::string kTwoSheets =
    R"(<table:table table:name="First"><table:table-row><table:table-cell><text:p>1st</text:p></table:table-cell></table:table-row></table:table>)"
    R"(<table:table table:name="Second sheet"><table:table-row><table:table-cell/><table:table-cell><text:p>2nd</text:p></table:table-cell></table:table-row></table:table>)";

using testsupport::failureOf;

TEST(OdsWorkbook, OpensAPackageAndReadsItsSheets) {
  TempFolder folder;
  const auto book = openOds(folder.writeOds("two.ods", contentXml(kTwoSheets)));
  ASSERT_EQ(book->sheets().size(), 2u);
  EXPECT_EQ(book->sheets()[1].name, "Second sheet");
  EXPECT_EQ(book->activeSheet(), 0);
  EXPECT_FALSE(book->date1904());
  EXPECT_EQ(book->formatCode(0), "General");
  RecordingVisitor second;
  book->readSheet(1, second);
  EXPECT_EQ(second.cells.size(), 1u);
  EXPECT_EQ(second.text(0, 1), "2nd");
  RecordingVisitor first;  // sheets can be read again, in any order
  book->readSheet(0, first);
  EXPECT_EQ(first.text(0, 0), "1st");
}

TEST(OdsWorkbook, ActiveSheetComesFromTheSettings) {
  struct Case {
    std::string active;
    int expected;
  };
  for (const Case& c : {Case{"Second sheet", 1}, Case{"First", 0}, Case{"No such sheet", 0},
                        Case{"second sheet", 0}}) {
    TempFolder folder;
    const auto book =
        openOds(folder.writeOds("a.ods", contentXml(kTwoSheets), test::settingsXml(c.active)));
    EXPECT_EQ(book->activeSheet(), c.expected) << c.active;
  }
}

TEST(OdsWorkbook, DamagedSettingsOpenOnTheFirstSheet) {
  TempFolder folder;
  const auto book = openOds(folder.writeOds("a.ods", contentXml(kTwoSheets), "<broken"));
  EXPECT_EQ(book->activeSheet(), 0);
}

TEST(OdsWorkbook, FailuresAreWordedForTheUser) {
  TempFolder folder;
  const std::string mime = "application/vnd.oasis.opendocument.spreadsheet";
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> entries;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"NoContent",
       {{"mimetype", mime}, {"styles.xml", "<x/>"}},
       "is damaged: it has no content part (content.xml)."},
      {"MalformedContent",
       {{"mimetype", mime},
        {"content.xml", contentXml("<table:table table:name=\"S\"><oops></table:table>")}},
       "The workbook is damaged: its part \"content.xml\" is not well-formed XML (mismatched tag "
       "at line 1)."},
      {"NotASpreadsheet",
       {{"mimetype", "application/vnd.oasis.opendocument.text"}, {"content.xml", contentXml("")}},
       "is not a spreadsheet (it is a document of type "
       "\"application/vnd.oasis.opendocument.text\")."},
      {"TextBody",
       {{"content.xml",
         "<office:document-content "
         "xmlns:office=\"o\"><office:body><office:text/></office:body></office:document-content>"}},
       "is an OpenDocument file but not a spreadsheet."},
      {"NoSheets", {{"mimetype", mime}, {"content.xml", contentXml("")}}, "has no sheets."},
      {"Encrypted",
       {{"mimetype", mime},
        {"content.xml", "\x01\x02garbage"},
        {"META-INF/manifest.xml",
         "<manifest:manifest><manifest:file-entry manifest:full-path=\"content.xml\">"
         "<manifest:encryption-data/></manifest:file-entry></manifest:manifest>"}},
       "The workbook is protected by a password and cannot be read."},
      {"DocumentType",
       {{"mimetype", mime}, {"content.xml", "<!DOCTYPE x [<!ENTITY a \"aaaa\">]><x>&a;</x>"}},
       "which workbooks never do"},
  };
  for (const Case& c : cases) {
    const std::string path = folder.writeZip(std::string(c.name) + ".ods", c.entries);
    // Opening scans for the sheets; damage inside a sheet shows when that sheet is read.
    const std::string message = failureOf([&] {
      const auto book = openOds(path);
      RecordingVisitor visitor;
      for (std::size_t i = 0; i < book->sheets().size(); ++i)
        book->readSheet(static_cast<int>(i), visitor);
    });
    EXPECT_NE(message.find(c.expected), std::string::npos) << c.name << ": " << message;
  }
}

TEST(OdsWorkbook, FilesThatAreNoSpreadsheet) {
  TempFolder folder;
  EXPECT_EQ(failureOf([&] { openOds(folder.path("missing.ods")); }),
            "The file \"" + folder.path("missing.ods") + "\" does not exist.");
  const std::string junk = folder.writeFile("junk.ods", std::string("\x00\x01junk\xff", 7));
  EXPECT_EQ(failureOf([&] { openOds(junk); }),
            "The file \"" + junk + "\" is not an OpenDocument spreadsheet.");
  const std::string truncated = folder.writeFile("cut.ods", "PK\x03\x04\x14\x00\x00\x00");
  EXPECT_NE(failureOf([&] { openOds(truncated); }).find("is incomplete or still being written"),
            std::string::npos);
  EXPECT_EQ(failureOf([&] { openOds(folder.path("")); }),
            "\"" + folder.path("") + "\" is a folder, not a workbook file.");
}

TEST(OdsWorkbook, SheetIndexOutOfRangeFails) {
  TempFolder folder;
  const auto book = openOds(folder.writeOds("two.ods", contentXml(kTwoSheets)));
  RecordingVisitor visitor;
  EXPECT_EQ(failureOf([&] { book->readSheet(2, visitor); }), "The workbook has no sheet number 3.");
  EXPECT_EQ(failureOf([&] { book->readSheet(-1, visitor); }),
            "The workbook has no sheet number 0.");
}

std::string flatDocument(const std::string& body, const std::string& active) {
  return std::string(
             "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- flat "
             "-->\n<office:document") +
         test::kNamespaces +
         R"( office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">)"
         R"(<office:settings><config:config-item-set config:name="ooo:view-settings">)"
         R"(<config:config-item config:name="ActiveTable" config:type="string">)" +
         active +
         R"(</config:config-item></config:config-item-set></office:settings>)"
         R"(<office:automatic-styles><style:style style:name="ta2" style:family="table">)"
         R"(<style:table-properties table:display="false"/></style:style></office:automatic-styles>)"
         "<office:body><office:spreadsheet>" +
         body + "</office:spreadsheet></office:body></office:document>";
}

TEST(OdsWorkbook, OpensAFlatDocument) {
  TempFolder folder;
  const std::string body =
      kTwoSheets + R"(<table:table table:name="Gone" table:style-name="ta2"/>)";
  const auto book = openOds(folder.writeFile("flat.fods", flatDocument(body, "Second sheet")));
  ASSERT_EQ(book->sheets().size(), 3u);
  EXPECT_FALSE(book->sheets()[2].visible);
  EXPECT_EQ(book->activeSheet(), 1);
  RecordingVisitor visitor;
  book->readSheet(1, visitor);
  EXPECT_EQ(visitor.text(0, 1), "2nd");
}

TEST(OdsWorkbook, RecognisesFlatDocuments) {
  struct Case {
    const char* name;
    std::string bytes;
    bool expected;
  };
  const std::vector<Case> cases = {
      {"Flat", flatDocument("", "").substr(0, 4096), true},
      {"NoMimetype", "<office:document xmlns:office=\"o\">", true},
      {"PrologAndComments", "<?xml version='1.0'?>\r\n<?pi x?><!-- c --> <office:document>", true},
      {"FlatText", "<office:document office:mimetype=\"application/vnd.oasis.opendocument.text\">",
       false},
      {"ContentPart", "<office:document-content xmlns:office=\"o\">", false},
      {"OtherXml", "<?xml version=\"1.0\"?><worksheet/>", false},
      {"CutInProlog", "<?xml version=\"1.0\"", false},
      {"Empty", "", false},
      {"Zip", "PK\x03\x04", false},
  };
  for (const Case& c : cases) EXPECT_EQ(looksLikeFlatOds(c.bytes), c.expected) << c.name;
}

}  // namespace
}  // namespace lomandra::ods
