// The pieces of the delimited-text reader: encodings, separator detection and field parsing.
#include <gtest/gtest.h>

#include <map>

#include "sheet/csv/CsvParser.h"

namespace lomandra::csv {
namespace {

using Fields = std::map<std::pair<std::uint32_t, std::uint32_t>, std::string>;

Fields parse(std::string_view text, char separator = ',', std::size_t chunk = 0,
             std::uint32_t maxRows = 1048576, std::uint32_t maxColumns = 16384) {
  Fields fields;
  CsvParser parser(separator, maxRows, maxColumns,
                   [&](std::uint32_t row, std::uint32_t column, std::string_view field) {
                     EXPECT_FALSE(fields.count({row, column})) << "reported twice";
                     fields[{row, column}] = std::string(field);
                     return true;
                   });
  if (chunk == 0) chunk = text.size() + 1;
  for (std::size_t i = 0; i < text.size(); i += chunk)
    if (!parser.feed(text.substr(i, chunk))) break;
  parser.finish();
  return fields;
}

struct ParseCase {
  const char* name;
  std::string text;
  Fields expected;
  char separator = ',';
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.name; }

class CsvParsing : public ::testing::TestWithParam<ParseCase> {};

TEST_P(CsvParsing, GivesTheFields) {
  const ParseCase& c = GetParam();
  EXPECT_EQ(parse(c.text, c.separator), c.expected);
  // Any chunking gives the same fields.
  EXPECT_EQ(parse(c.text, c.separator, 1), c.expected);
  EXPECT_EQ(parse(c.text, c.separator, 2), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, CsvParsing,
    ::testing::Values(
        ParseCase{
            "Simple", "a,b\nc,d\n", {{{0, 0}, "a"}, {{0, 1}, "b"}, {{1, 0}, "c"}, {{1, 1}, "d"}}},
        ParseCase{"NoFinalLineEnd", "a,b\nc", {{{0, 0}, "a"}, {{0, 1}, "b"}, {{1, 0}, "c"}}},
        ParseCase{"CrLfAndCr", "a\r\nb\rc\r\n", {{{0, 0}, "a"}, {{1, 0}, "b"}, {{2, 0}, "c"}}},
        ParseCase{"BlankLinesAreEmptyRows", "a\n\n\nb\n", {{{0, 0}, "a"}, {{3, 0}, "b"}}},
        ParseCase{"EmptyFieldsLeaveGaps", ",,c\n,b", {{{0, 2}, "c"}, {{1, 1}, "b"}}},
        ParseCase{"KeepsTextAsWritten",
                  " 1.50 ,007,1e3",
                  {{{0, 0}, " 1.50 "}, {{0, 1}, "007"}, {{0, 2}, "1e3"}}},
        ParseCase{"QuotedSeparator", "\"a,b\",c", {{{0, 0}, "a,b"}, {{0, 1}, "c"}}},
        ParseCase{"DoubledQuote", "\"say \"\"hi\"\"\",x", {{{0, 0}, "say \"hi\""}, {{0, 1}, "x"}}},
        ParseCase{"QuotedLineBreaks",
                  "\"one\r\ntwo\rthree\nfour\",x\ny",
                  {{{0, 0}, "one\ntwo\nthree\nfour"}, {{0, 1}, "x"}, {{1, 0}, "y"}}},
        ParseCase{"EmptyQuoted", "\"\",b", {{{0, 1}, "b"}}},
        ParseCase{"OnlyQuotes", "\"\"\"\"", {{{0, 0}, "\""}}},
        ParseCase{"TextAfterClosingQuote", "\"ab\"cd,e", {{{0, 0}, "abcd"}, {{0, 1}, "e"}}},
        ParseCase{"QuoteInsideUnquoted", "ab\"c\"d,e", {{{0, 0}, "ab\"c\"d"}, {{0, 1}, "e"}}},
        ParseCase{"UnterminatedQuoteRunsToTheEnd",
                  "a,\"bc\nd,e\n",
                  {{{0, 0}, "a"}, {{0, 1}, "bc\nd,e\n"}}},
        ParseCase{"SemicolonSeparator", "1,5;2,5\n", {{{0, 0}, "1,5"}, {{0, 1}, "2,5"}}, ';'},
        ParseCase{"TabSeparator",
                  "a\tb c\t\"d\te\"",
                  {{{0, 0}, "a"}, {{0, 1}, "b c"}, {{0, 2}, "d\te"}},
                  '\t'},
        ParseCase{"Utf8Text", "é,日本\n", {{{0, 0}, "é"}, {{0, 1}, "日本"}}}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(CsvParser, StopsAtMaxRows) {
  EXPECT_EQ(parse("a\nb\nc\nd\n", ',', 0, 2), (Fields{{{0, 0}, "a"}, {{1, 0}, "b"}}));
}

TEST(CsvParser, PassesOverColumnsBeyondTheLimit) {
  EXPECT_EQ(parse("a,b,c,d\ne", ',', 0, 100, 2),
            (Fields{{{0, 0}, "a"}, {{0, 1}, "b"}, {{1, 0}, "e"}}));
}

TEST(CsvParser, SinkCanStopTheParse) {
  int calls = 0;
  CsvParser parser(',', 100, 100,
                   [&](std::uint32_t, std::uint32_t, std::string_view) { return ++calls < 3; });
  EXPECT_FALSE(parser.feed("a,b,c,d,e\nf\n"));
  parser.finish();
  EXPECT_EQ(calls, 3);
}

TEST(CsvParser, LongFieldsAreCutToWhatACellHolds) {
  std::string wide;
  for (int i = 0; i < 40000; ++i) wide += "é";
  const Fields fields = parse("\"" + std::string(40000, 'x') + "\",y\n" + wide + ",z");
  EXPECT_EQ(fields.at({0, 0}).size(), CsvParser::kMaxFieldCharacters);
  EXPECT_EQ(fields.at({0, 1}), "y");
  EXPECT_EQ(fields.at({1, 0}).size(), 2 * CsvParser::kMaxFieldCharacters);  // characters, not bytes
  EXPECT_EQ(fields.at({1, 1}), "z");
}

TEST(TextEncoding, IsDetectedFromTheFirstBytes) {
  struct Case {
    const char* name;
    std::string head;
    TextEncoding expected;
  };
  for (const Case& c :
       {Case{"Ascii", "a,b", TextEncoding::Utf8}, Case{"Utf8", "caf\xC3\xA9", TextEncoding::Utf8},
        Case{"Utf8CutAtTheEnd", "caf\xE2\x82", TextEncoding::Utf8},
        Case{"Utf8Bom",
             "\xEF\xBB\xBF"
             "a",
             TextEncoding::Utf8Bom},
        Case{"Utf16LE",
             "\xFF\xFE"
             "a\0",
             TextEncoding::Utf16LE},
        Case{"Utf16BE", "\xFE\xFF\0a", TextEncoding::Utf16BE},
        Case{"Latin1", "caf\xE9,x", TextEncoding::Windows1252},
        Case{"Overlong", "\xC0\xAF", TextEncoding::Windows1252},
        Case{"Surrogate", "\xED\xA0\x80", TextEncoding::Windows1252},
        Case{"Empty", "", TextEncoding::Utf8}})
    EXPECT_EQ(detectEncoding(c.head), c.expected) << c.name;
}

std::string decodeAll(TextEncoding encoding, std::string_view bytes, std::size_t chunk) {
  TextDecoder decoder(encoding);
  std::string out;
  if (bytes.empty()) decoder.decode("", true, out);
  for (std::size_t i = 0; i < bytes.size(); i += chunk)
    decoder.decode(bytes.substr(i, chunk), i + chunk >= bytes.size(), out);
  return out;
}

TEST(TextDecoder, DecodesEveryEncodingInAnyChunking) {
  struct Case {
    const char* name;
    TextEncoding encoding;
    std::string bytes;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"Utf8", TextEncoding::Utf8, "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8D\xA3", "aé€🍣"},
      {"Utf8StrayBytesAreWindows1252", TextEncoding::Utf8, "a\xE9 \x80\xC3", "aé €Ã"},
      {"Utf8CutSequence", TextEncoding::Utf8, "\xE2\x82z", "â‚z"},
      {"NulDropped", TextEncoding::Utf8, std::string("a\0b", 3), "ab"},
      {"Windows1252", TextEncoding::Windows1252, "\x80\x93\xE9\x81\xFF", "€“é\xC2\x81ÿ"},
      {"Utf16LE", TextEncoding::Utf16LE, std::string("a\0\xE9\0\xAC\x20\x3C\xD8\x63\xDF", 10),
       "aé€🍣"},
      {"Utf16BE", TextEncoding::Utf16BE, std::string("\0a\0\xE9\x20\xAC\xD8\x3C\xDF\x63", 10),
       "aé€🍣"},
      {"Utf16LoneSurrogates", TextEncoding::Utf16LE,
       std::string("\x00\xDC"
                   "a\0\x00\xD8",
                   6),
       "\xEF\xBF\xBD"
       "a\xEF\xBF\xBD"},
      {"Utf16OddLength", TextEncoding::Utf16LE, std::string("a\0b", 3), "a\xEF\xBF\xBD"},
  };
  for (const Case& c : cases)
    for (std::size_t chunk : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{1000}})
      EXPECT_EQ(decodeAll(c.encoding, c.bytes, chunk), c.expected)
          << c.name << " in chunks of " << chunk;
}

TEST(Separator, IsDetectedOutsideQuotes) {
  struct Case {
    const char* name;
    std::string text;
    bool preferTab;
    char expected;
  };
  const std::vector<Case> cases = {
      {"Comma", "a,b,c\n1,2,3\n", false, ','},
      {"Semicolon", "a;b;c\n1;2;3\n", false, ';'},
      {"Tab", "a\tb\n1\t2\n", false, '\t'},
      {"SemicolonWithDecimalCommas", "name;price;qty\nx;1,50;2\ny;10,25;3\n", false, ';'},
      {"CommasInsideQuotes", "\"a,b,c\";d\n\"e,f\";g\n", false, ';'},
      {"QuotedLineBreak", "\"a\n,,,\";b;c\nd;e;f\n", false, ';'},
      {"SingleColumn", "alpha\nbeta\n", false, ','},
      {"SingleColumnText", "alpha\nbeta\n", true, '\t'},
      {"TieGoesToComma", "a,b;c\n", false, ','},
      {"TieInTextFileGoesToTab", "a,b\tc\n", true, '\t'},
      {"ConsistentBeatsFrequent", "a;b,c,d\ne;f\ng;h,i\n", false, ';'},
      {"LastLineWithoutEnd", "a;b", false, ';'},
  };
  for (const Case& c : cases)
    EXPECT_EQ(detectSeparator(c.text, true, c.preferTab), c.expected) << c.name;
}

}  // namespace
}  // namespace lomandra::csv
