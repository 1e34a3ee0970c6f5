#include <gtest/gtest.h>

#include "sheet/Failure.h"
#include "sheet/container/XmlReader.h"
#include "sheet/container/ZipArchive.h"
#include "tests/sheet/container/TestPackage.h"
#include "tests/support/FailureOf.h"

namespace lomandra::container {
namespace {

using testing::TempDir;
using testing::ZipPart;

using testsupport::failureOf;

TEST(ZipArchiveTest, ReadsStoredAndDeflatedEntries) {
  TempDir dir;
  testing::writeZip(dir.file("a.zip"), {{"one.txt", "hello", false}, {"Dir/Two.xml", "<a/>", true}});
  const auto zip = ZipArchive::open(dir.file("a.zip"));
  EXPECT_EQ(zip->read("one.txt"), "hello");
  EXPECT_EQ(zip->read("dir/two.xml"), "<a/>");  // names compare without regard to case
  EXPECT_TRUE(zip->contains("DIR/TWO.XML"));
  EXPECT_FALSE(zip->contains("three"));
  EXPECT_EQ(zip->names(), (std::vector<std::string>{"one.txt", "Dir/Two.xml"}));
}

TEST(ZipArchiveTest, FailuresNameWhatIsWrong) {
  TempDir dir;
  testing::writeFile(dir.file("text.zip"), "this is no zip at all, just some words");
  const std::string full = testing::zipBytes({{"part.xml", std::string(5000, 'x'), true}});
  testing::writeFile(dir.file("truncated.zip"), full.substr(0, full.size() / 2));
  // Zip records further in, behind other bytes, do not make a file a cut-short archive.
  testing::writeFile(dir.file("inside.zip"), "text first, then " + full.substr(0, full.size() / 2));
  testing::writeZip(dir.file("ok.zip"), {{"part.xml", std::string(5000, 'x'), true}});

  struct Row {
    const char* name;
    std::function<void()> action;
    const char* expected;
  };
  const std::vector<Row> rows = {
      {"missing file", [&] { ZipArchive::open(dir.file("none.zip")); }, "does not exist"},
      {"not a zip", [&] { ZipArchive::open(dir.file("text.zip")); }, "is not a readable workbook"},
      {"truncated", [&] { ZipArchive::open(dir.file("truncated.zip")); }, "is incomplete or still being written"},
      {"zip records in a text", [&] { ZipArchive::open(dir.file("inside.zip")); }, "is not a readable workbook"},
      {"missing part", [&] { ZipArchive::open(dir.file("ok.zip"))->read("nope.xml"); },
       "its part \"nope.xml\" is missing"},
      {"read limit", [&] { ZipArchive::open(dir.file("ok.zip"))->read("part.xml", 100); },
       "larger than this program reads"},
  };
  for (const Row& row : rows)
    EXPECT_NE(failureOf(row.action).find(row.expected), std::string::npos)
        << row.name << ": " << failureOf(row.action);
}

TEST(ZipArchiveTest, DecompressionBombStopsAtTheLimit) {
  TempDir dir;
  // 256 MiB of spaces in a file of a few hundred KB.
  testing::writeZip(dir.file("bomb.zip"), {testing::bombPart("bomb.xml", "<a>", ' ', 256u << 20, "</a>")});
  const auto zip = ZipArchive::open(dir.file("bomb.zip"));
  std::uint64_t seen = 0;
  EXPECT_NE(failureOf([&] {
              zip->stream("bomb.xml", [&](const char*, std::size_t n) {
                seen += n;
                return true;
              }, 16u << 20);
            }).find("larger than this program reads"),
            std::string::npos);
  EXPECT_LE(seen, 16u << 20);
}

TEST(ZipArchiveTest, BombInflatesCorrectlyUnderAGenerousLimit) {
  // The helper itself must write a valid stream, or the bomb tests prove nothing.
  TempDir dir;
  testing::writeZip(dir.file("b.zip"), {testing::bombPart("b", "[", 'z', 3u << 20, "]")});
  const std::string text = ZipArchive::open(dir.file("b.zip"))->read("b");
  ASSERT_EQ(text.size(), (3u << 20) + 2);
  EXPECT_EQ(text.front(), '[');
  EXPECT_EQ(text.back(), ']');
  EXPECT_EQ(text.find_first_not_of('z', 1), text.size() - 1);
}

class Recorder : public XmlHandler {
 public:
  std::string log;
  int stopAfterStarts = -1;
  bool throwOnText = false;
  void startElement(std::string_view name, const char** attributes) override {
    log += "<" + std::string(name);
    for (const char** a = attributes; *a; a += 2) log += " " + std::string(a[0]) + "=" + a[1];
    log += ">";
    if (--stopAfterStarts == 0) stopRequested = true;
  }
  void endElement(std::string_view name) override { log += "</" + std::string(name) + ">"; }
  void characters(std::string_view text) override {
    if (throwOnText) throw Failure("handler refused");
    log += text;
  }
};

// Both readers (expat, and the lighter scanner for large parts) must give the same events.
using TextParser = void (*)(std::string_view, std::string_view, XmlHandler&);
class XmlReaderTest : public ::testing::TestWithParam<TextParser> {};
INSTANTIATE_TEST_SUITE_P(Readers, XmlReaderTest, ::testing::Values(&parseXmlText, &scanXmlText));

TEST_P(XmlReaderTest, StripsPrefixesFromElementsAndAttributes) {
  Recorder r;
  GetParam()("<x:a xmlns:x='u' xmlns:r='v' r:id='7'><x:b>t</x:b></x:a>", "p", r);
  EXPECT_EQ(r.log, "<a x=u r=v id=7><b>t</b></a>");
  EXPECT_STREQ(xmlAttribute(std::vector<const char*>{"id", "7", nullptr}.data(), "id"), "7");
}

TEST_P(XmlReaderTest, DecodesEntitiesCdataAndSkipsComments) {
  Recorder r;
  GetParam()(
      "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
      "<a f=\"[&gt;=100]0&quot;x&quot;\" g='1>2' h=\"a&#10;b\"><!-- note --><b>&lt;&amp;&#233;&#x1F363;&apos;</b>"
      "<c><![CDATA[<raw & text>]]></c><d/></a>\n",
      "p", r);
  std::string log;
  for (const char c : r.log) log += c == '\n' ? '|' : c;
  EXPECT_EQ(log, "<a f=[>=100]0\"x\" g=1>2 h=a|b><b><&\xC3\xA9\xF0\x9F\x8D\xA3'</b><c><raw & text></c><d></d></a>");
}

TEST_P(XmlReaderTest, StopsWhenTheHandlerAsks) {
  Recorder r;
  r.stopAfterStarts = 2;
  GetParam()("<a><b/><c/><d/></a>", "p", r);
  // Expat may still report the end of the empty element it was in; nothing after it.
  EXPECT_TRUE(r.log == "<a><b>" || r.log == "<a><b></b>") << r.log;
}

TEST_P(XmlReaderTest, RejectsDamagedXml) {
  struct Row {
    const char* xml;
    const char* expected;
  };
  const Row rows[] = {
      {"<a><b></a>", "is not well-formed XML"},
      {"<a>", "is not well-formed XML"},
      {"<!DOCTYPE a [<!ENTITY x 'y'>]><a>&x;</a>", "declares a document type"},
      {"", "is not well-formed XML"},
      {"<a>&bogus;</a>", "is not well-formed XML"},
      {"<a>&#0;</a>", "is not well-formed XML"},
      {"<a b=c/>", "is not well-formed XML"},
      {"<a b='<'/>", "is not well-formed XML"},
      {"<a/><b/>", "is not well-formed XML"},
      {"text<a/>", "is not well-formed XML"},
      {"<a></a>tail", "is not well-formed XML"},
      {"<a><b attr='x></a>", "is not well-formed XML"},
      {"<a b='1' ='2'/>", "is not well-formed XML"},
      {"<a b/>", "is not well-formed XML"},
      {"<a/b>", "is not well-formed XML"},
      {"<a b='1' <c/></a>", "is not well-formed XML"},
      {"<a b=\"&nope;\"/>", "is not well-formed XML"},
      {"<a b='&#xD800;'/>", "is not well-formed XML"},
  };
  for (const Row& row : rows) {
    Recorder r;
    const std::string what = failureOf([&] { GetParam()(row.xml, "xl/part.xml", r); });
    EXPECT_NE(what.find(row.expected), std::string::npos) << row.xml << " -> " << what;
    EXPECT_NE(what.find("xl/part.xml"), std::string::npos) << what;
  }
}

TEST_P(XmlReaderTest, HandlerFailurePassesThroughTheParser) {
  Recorder r;
  r.throwOnText = true;
  EXPECT_EQ(failureOf([&] { GetParam()("<a>text</a>", "p", r); }), "handler refused");
}

TEST(XmlScannerTest, GivesTheSameEventsAsExpatAcrossChunkBoundaries) {
  // Long enough that tags, entities and texts fall across the scanner's 64 KiB chunks.
  std::string xml = "<root>";
  for (int i = 0; i < 20000; ++i)
    xml += "<c r=\"A" + std::to_string(i) + "\" t='s'><v>" + std::to_string(i) + "&amp;&#x41;</v></c>\n";
  // Attribute values decoded where they stand, cut anywhere by the chunks: entities, tabs and
  // line breaks (spaces in a value), a namespaced attribute.
  for (int i = 0; i < 3000; ++i)
    xml += "<d xmlns:p='u' p:k=\"" + std::string(i % 50, 'w') + "&lt;&#x9;\t\n&#233;&quot;\" x = '" +
           std::to_string(i) + "&amp;'/>";
  // Markup longer than a chunk: an attribute holding '>' and quotes, a comment, CDATA, a PI.
  const std::string longText(200000, 'q');
  xml += "<long a=\"" + longText + ">'\" b='\"'/><!-- " + longText + " --><![CDATA[" + longText +
         "]]><?pi " + longText + "?>";
  xml += "</root>";
  Recorder expat, scanner;
  parseXmlText(xml, "p", expat);
  scanXmlText(xml, "p", scanner);
  EXPECT_EQ(scanner.log, expat.log);
}

TEST(XmlScannerTest, OtherEncodingsGoToExpat) {
  Recorder r;
  scanXmlText("<?xml version='1.0' encoding='ISO-8859-1'?><a>\xE9</a>", "p", r);
  EXPECT_EQ(r.log, "<a>\xC3\xA9</a>");
}

TEST(XmlReaderTest, PartLimitStopsABomb) {
  TempDir dir;
  testing::writeZip(dir.file("b.zip"), {testing::bombPart("b.xml", "<a>", ' ', 64u << 20, "</a>")});
  const auto zip = ZipArchive::open(dir.file("b.zip"));
  Recorder r;
  EXPECT_NE(failureOf([&] { parseXmlPart(*zip, "b.xml", r, 8u << 20); }).find("larger"),
            std::string::npos);
  EXPECT_NE(failureOf([&] { scanXmlPart(*zip, "b.xml", r, 8u << 20); }).find("larger"),
            std::string::npos);
}

// ------------------------------------------------------------------ inflating on a second thread

// A large entry inflated on a second thread gives the very bytes, in order, that inflating on
// the reader's own thread gives; stopping early, a failure on either side and another entry
// streamed from inside the callback all behave alike.
TEST(ZipArchiveTest, InflatingOnASecondThreadGivesTheSameBytes) {
  std::string big;
  for (int i = 0; big.size() < (6u << 20); ++i) big += "<c r=\"A" + std::to_string(i) + "\"><v>" + std::to_string(i * 7) + "</v></c>";
  TempDir dir;
  testing::writeZip(dir.file("big.zip"), {{"big.xml", big, true}, {"small.xml", "<s>small</s>", true},
                                          {"second.xml", big.substr(0, 3u << 20), true}});
  const auto zip = ZipArchive::open(dir.file("big.zip"));
  struct Mode {
    const char* name;
    bool parallel;
  };
  for (const Mode mode : {Mode{"one thread", false}, Mode{"two threads", true}}) {
    SCOPED_TRACE(mode.name);
    ZipArchive::setParallelInflate(mode.parallel);
    EXPECT_EQ(zip->read("big.xml"), big);

    // Another entry, small and large, streamed from inside the callback.
    std::string outer, nested;
    int chunks = 0;
    zip->stream("big.xml", [&](const char* data, std::size_t size) {
      outer.append(data, size);
      if (++chunks == 2) nested = zip->read("small.xml") + zip->read("second.xml");
      return true;
    });
    EXPECT_EQ(outer, big);
    EXPECT_EQ(nested, "<s>small</s>" + big.substr(0, 3u << 20));

    // Stopping early, and a failure thrown by the callback.
    std::size_t seen = 0;
    zip->stream("big.xml", [&](const char*, std::size_t size) {
      seen += size;
      return seen < (1u << 20);
    });
    EXPECT_GE(seen, 1u << 20);
    EXPECT_LT(seen, big.size());
    EXPECT_EQ(failureOf([&] {
                zip->stream("big.xml", [&](const char*, std::size_t) -> bool { throw Failure("reader refused"); });
              }),
              "reader refused");
    // A failure of the inflating side: the bound on the inflated size.
    EXPECT_NE(failureOf([&] { zip->stream("big.xml", [](const char*, std::size_t) { return true; }, 2u << 20); })
                  .find("larger than this program reads"),
              std::string::npos);
    EXPECT_EQ(zip->read("big.xml"), big) << "the archive reads on after all of it";
  }
  ZipArchive::setParallelInflate(true);
}

// ------------------------------------------------------------------ names by namespace

// A handler naming its namespaces gets their elements whatever the prefix, and nothing of
// other namespaces; both readers alike.
TEST_P(XmlReaderTest, MatchesNamesByNamespaceWhenTheHandlerNamesItsNamespaces) {
  struct Row {
    const char* name;
    const char* xml;
    const char* log;
  };
  const Row rows[] = {
      {"the default namespace", "<a xmlns='urn:m'><b x='1'>t</b></a>", "<a><b x=1>t</b></a>"},
      {"another prefix", "<p:a xmlns:p='urn:m'><p:b>t</p:b></p:a>", "<a><b>t</b></a>"},
      {"a foreign element and all it holds",
       "<a xmlns='urn:m' xmlns:f='urn:f'><f:b><c>no</c></f:b><c>yes</c><f:d/></a>", "<a><c>yes</c></a>"},
      {"a foreign default namespace below",
       "<m:a xmlns:m='urn:m'><b xmlns='urn:f'><m:c/>x</b><m:d/></m:a>", "<a><d></d></a>"},
      {"back to no namespace", "<a xmlns='urn:m'><b xmlns=''><c/></b></a>", "<a><b><c></c></b></a>"},
      {"attributes of other namespaces left out",
       "<a xmlns='urn:m' xmlns:f='urn:f' xmlns:r='urn:r'><b f:id='9' id='1' r:id='2'/></a>",
       "<a><b id=1 id=2></b></a>"},
      {"a prefix rebound below, then restored",
       "<p:a xmlns:p='urn:m'><p:b xmlns:p='urn:f'><p:c/></p:b><p:c/></p:a>", "<a><c></c></a>"},
      {"no namespace and unbound prefixes are taken", "<a><u:b/></a>", "<a><b></b></a>"},
  };
  for (const Row& row : rows) {
    Recorder r;
    r.namespaces = {"urn:m", "urn:r"};
    GetParam()(row.xml, "p", r);
    EXPECT_EQ(r.log, row.log) << row.name;
  }
}

// ------------------------------------------------------------------ XML text in UTF-16

TEST(XmlTextAsUtf8Test, ConvertsUtf16AndSaysSoInTheDeclaration) {
  const auto u16 = [](std::u16string_view text, bool little, bool mark) {
    std::string out = mark ? (little ? std::string("\xFF\xFE") : std::string("\xFE\xFF")) : std::string();
    for (const char16_t unit : text) {
      const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
      out += little ? std::string{low, high} : std::string{high, low};
    }
    return out;
  };
  const std::u16string xml = u"<?xml version='1.0' encoding='UTF-16'?><a>\u00E9\U0001F363</a>";
  const std::string utf8 = "<?xml version='1.0' encoding='UTF-8'?><a>\xC3\xA9\xF0\x9F\x8D\xA3</a>";
  EXPECT_EQ(xmlTextAsUtf8(u16(xml, true, true)), utf8);
  EXPECT_EQ(xmlTextAsUtf8(u16(xml, false, true)), utf8);
  EXPECT_EQ(xmlTextAsUtf8(u16(xml, true, false)), utf8);
  EXPECT_EQ(xmlTextAsUtf8(u16(xml, true, true) + "\x3C"), utf8) << "a cut last unit is dropped";
  EXPECT_EQ(xmlTextAsUtf8("<a>plain</a>"), "<a>plain</a>");
  Recorder r;
  parseXmlText(xmlTextAsUtf8(u16(xml, false, true)), "p", r);
  EXPECT_EQ(r.log, "<a>\xC3\xA9\xF0\x9F\x8D\xA3</a>");
  EXPECT_FALSE(xmlEncodingKeepsAscii(u16(u"<a", true, true)));
  EXPECT_FALSE(xmlEncodingKeepsAscii(u16(u"<a", false, false)));
  EXPECT_TRUE(xmlEncodingKeepsAscii("<?xm"));
}

}  // namespace
}  // namespace lomandra::container
