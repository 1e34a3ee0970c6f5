// The reference workbooks' golden rows, the built-in formats, the cache, and robustness against
// hostile format codes and values.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "sheet/numfmt/DecimalDigits.h"
#include "sheet/numfmt/NumberFormat.h"

namespace lomandra::numfmt {
namespace {

const char* const kHashes = "###############################################################################################"
                            "###############################################################################################"
                            "#################################################################";

struct CorpusRow {
  const char* code;  // nullptr: the built-in format `builtinId`
  int builtinId;
  double value;
  bool date1904;
  const char* expected;
  const char* source;
  const char* cell;
};

const CorpusRow kCorpusRows[] = {
#include "tests/sheet/numfmt/CorpusGoldenRows.inc"
};

TEST(NumberFormatCorpus, HashRunHasTheDocumentedLength) { EXPECT_EQ(std::string(kHashes).size(), kInvalidDateHashCount); }

TEST(NumberFormatCorpus, ReferenceWorkbookCells) {
  int excelRows = 0;
  for (const CorpusRow& row : kCorpusRows) {
    const std::string code = row.code ? std::string(row.code) : std::string(builtinFormatCode(row.builtinId));
    const std::string got = formatValue(row.value, code, row.date1904);
    char value[40];
    std::snprintf(value, sizeof value, "%.17g", row.value);
    EXPECT_EQ(got, row.expected) << row.cell << " code [" << code << "] value " << value << "\n  got      [" << got
                                 << "]\n  expected [" << row.expected << "] (" << row.source << ")";
    excelRows += std::string(row.source) == "excel";
  }
  EXPECT_GT(excelRows, 1000);
}

TEST(BuiltinFormats, EnUsCodes) {
  struct Row {
    int id;
    const char* code;
  };
  const Row rows[] = {
      {0, "General"}, {1, "0"}, {4, "#,##0.00"}, {9, "0%"}, {11, "0.00E+00"}, {12, "# ?/?"},
      {14, "m/d/yyyy"}, {15, "d-mmm-yy"}, {18, "h:mm AM/PM"}, {22, "m/d/yyyy h:mm"}, {45, "mm:ss"},
      {46, "[h]:mm:ss"}, {47, "mm:ss.0"}, {48, "##0.0E+0"}, {49, "@"},
      {5, "\"$\"#,##0_);\\(\"$\"#,##0\\)"}, {37, "#,##0_);(#,##0)"},
      {27, "m/d/yyyy"}, {59, "0"}, {81, "mm:ss.0"},
  };
  for (const Row& r : rows) EXPECT_EQ(builtinFormatCode(r.id), r.code) << "id " << r.id;
  for (int id : {-1, 82, 163, 164, 1000}) EXPECT_TRUE(builtinFormatCode(id).empty()) << "id " << id;
  for (int id = 0; id <= 49; ++id) {
    if (id >= 23 && id <= 36) continue;
    EXPECT_FALSE(builtinFormatCode(id).empty()) << "id " << id;
  }
}

TEST(BuiltinFormats, RenderAsTheApplicationShowsThem) {
  struct Row {
    int id;
    double value;
    const char* expected;
  };
  const Row rows[] = {
      {5, -1234.5, "($1,235)"},       {7, 1234.5, "$1,234.50 "},       {8, -0.5, "($0.50)"},
      {37, -12, "(12)"},              {38, 12, "12 "},                 {39, -1.5, "(1.50)"},
      {41, 0, " - "},                 {43, -1.5, " (1.50)"},           {44, 0, " $-   "},
      {13, 0.3125, "  5/16"},          {10, -0.0005, "-0.05%"},         {16, 45000, "15-Mar"},
      {17, 45000, "Mar-23"},          {19, 0.5, "12:00:00 PM"},        {20, 1.75, "18:00"},
      {14, 43528, "3/4/2019"},        {22, 43528.25, "3/4/2019 6:00"}, {47, 0, "00:00.0"},
      {47, 0.0123456, "17:46.7"},
  };
  for (const Row& r : rows) EXPECT_EQ(formatValue(r.value, builtinFormatCode(r.id), false), r.expected) << "id " << r.id;
}

TEST(NumberFormat, IsDateTime) {
  struct Row {
    const char* code;
    bool dateTime;
  };
  const Row rows[] = {{"General", false},   {"0.00", false},         {"m/d/yy", true},     {"[h]:mm:ss", true},
                      {"h:mm AM/PM", true}, {"\"d\"0", false},      {"0 \\d", false},      {"[$-F800]dddd", true},
                      {"@", false},         {"mmss.0;0", true},      {"[Red]0;yyyy", false}, {"", false}};
  for (const Row& r : rows) EXPECT_EQ(NumberFormat::compile(r.code)->isDateTime(), r.dateTime) << r.code;
}

TEST(NumberFormat, TextWithoutTextSectionShowsAsIs) {
  for (const char* code : {"General", "0.00", "yyyy-mm-dd", "0;-0;0", "[>5]0;0"}) {
    EXPECT_EQ(NumberFormat::compile(code)->formatText("a b\tc"), "a b\tc") << code;
  }
}

TEST(NumberFormat, NonFiniteValuesShowAnError) {
  const auto f = NumberFormat::compile("#,##0.00");
  EXPECT_EQ(f->formatNumber(std::numeric_limits<double>::quiet_NaN(), false), "#NUM!");
  EXPECT_EQ(f->formatNumber(std::numeric_limits<double>::infinity(), false), "#NUM!");
  EXPECT_EQ(formatGeneral(-std::numeric_limits<double>::infinity()), "-#NUM!");
}

TEST(FormatValue, CacheIsSharedAcrossThreads) {
  const std::vector<std::string> codes = {"0.00", "#,##0", "yyyy-mm-dd", "# ?/?", "0.0E+0", "[h]:mm", "General"};
  std::vector<std::string> expected;
  for (const auto& c : codes) expected.push_back(NumberFormat::compile(c)->formatNumber(12345.678, false));
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 2000; ++i) {
        const std::size_t k = static_cast<std::size_t>(i + t) % codes.size();
        if (formatValue(12345.678, codes[k], false) != expected[k]) ++failures[static_cast<std::size_t>(t)];
        // Distinct codes push the cache through its bound and clear it under the readers.
        formatValue(1.0, "0" + std::string(static_cast<std::size_t>(i % 50), '0') + "\"" + std::to_string(i * 4 + t) + "\"", false);
      }
    });
  }
  for (auto& th : threads) th.join();
  for (int f : failures) EXPECT_EQ(f, 0);
}

// ---- Robustness: hostile codes and values never crash, hang, or grow without bound.

const double kHostileValues[] = {0.0, -0.0, 1.0, -1.0, 0.5, 1e-320, -1e-320, 1e308, -1e308, 1.7976931348623157e308,
                                 2958465.999999, 2958466.0, 1e15 + 0.5, 123456789.123456789,
                                 std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                                 -std::numeric_limits<double>::infinity()};

void expectBounded(const std::string& code) {
  const auto f = NumberFormat::compile(code);
  for (double v : kHostileValues) {
    for (bool d1904 : {false, true}) {
      const std::string out = f->formatNumber(v, d1904);
      ASSERT_LE(out.size(), kMaxDisplayedLength) << "code of " << code.size() << " bytes";
    }
  }
  const std::string text = f->formatText("text");
  ASSERT_LE(text.size(), kMaxDisplayedLength + 4);
}

TEST(NumberFormatRobustness, HostileCodes) {
  const std::vector<std::string> codes = {
      std::string(5000, '0'),
      std::string(4000, '#') + "." + std::string(4000, '0'),
      "0." + std::string(300, '0'),
      std::string(300, '0') + ".0",
      "0" + std::string(3000, ','),
      std::string(300, '%') + "0",
      "0.0E+" + std::string(500, '0'),
      "#" + std::string(200, '?') + "/" + std::string(200, '?'),
      "# ?/" + std::string(40, '9'),
      "?/1" + std::string(30, '0'),
      "[" + std::string(3000, 'h') + "]:" + std::string(3000, 'm'),
      std::string(2000, 'y') + std::string(2000, 'd'),
      "ss." + std::string(200, '0'),
      "\"unterminated",
      "[Red",
      "]]]]",
      "\\",
      "_",
      "*",
      "@@@@@@@@@@@@@@@@@@@@",
      "\"" + std::string(3000, 'x') + "\"0",
      "[>1e400]0;[<-1e400]0",
      "[>]0",
      "[=abc]0",
      "[<=1][>=2]0",
      "E+E+E+0E+",
      "0/0/0/0",
      "/?",
      "?/",
      "[h][m][s][hh]",
      "AM/PM A/P am/pm",
      "General General General 0.0",
      "\xff\xfe\xc3",
      std::string("0\0\"x\"", 5),
      "[$-FFFFFFFF]mmmm dddd AM/PM",
      "[$-]mmm ddd",
      "[$-" + std::string(300, 'F') + "]mmmmm",
      "[$-ru-RU-x-genlower][$-zz]mmmm",
      "[$\xe2\x82\xac-FC19]mmmmm ddd",
      "[$-411]" + std::string(200, 'm') + std::string(200, 'd'),
  };
  for (const auto& c : codes) expectBounded(c);
  std::string sections;
  for (int i = 0; i < 1000; ++i) sections += "0;";
  expectBounded(sections);
  EXPECT_TRUE(NumberFormat::compile(sections)->isFallback());
}

// The colour a cell is drawn in comes from the colour tag of the section that shows its value.
TEST(NumberFormatColor, TheChosenSectionsTagGivesTheColour) {
  const struct {
    const char* code;
    double value;
    std::uint32_t color;
  } rows[] = {{"0;[Red]-0", -5, 0xFF0000}, {"0;[Red]-0", 5, kNoColor},
              {"[Blue]0;[RED]0;[Green]0", 0, 0x00FF00}, {"[Color10]#,##0", 1, 0x008000},
              {"[color56]0", 1, 0x333333}, {"[Magenta]", 1, 0xFF00FF},
              {"[Red][<0]0;[Blue]0", 2, 0x0000FF}, {"[Color57]0", 1, kNoColor}, {"[Purple]0", 1, kNoColor}};
  for (const auto& row : rows)
    EXPECT_EQ(NumberFormat::compile(row.code)->numberColor(row.value), row.color) << row.code << " " << row.value;
  EXPECT_EQ(NumberFormat::compile("0;[Red]-0.00")->formatNumber(-5, false), "-5.00") << "the text stays";
  EXPECT_EQ(NumberFormat::compile("0;0;0;[Cyan]@")->textColor(), 0x00FFFFu);
  EXPECT_EQ(NumberFormat::compile("[Red]0")->textColor(), kNoColor);
}

TEST(NumberFormatRobustness, RandomCodes) {
  const std::string alphabet = "0#?.,%E+-e/ \"\\_*@;[]$<>=hHmMsSdDyYAaPp:Gneral1234567890bgB!()";
  std::mt19937 rng(20240607);
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<int> length(0, 60);
  for (int i = 0; i < 2500; ++i) {
    std::string code;
    const int n = length(rng);
    for (int k = 0; k < n; ++k) code += alphabet[pick(rng)];
    expectBounded(code);
  }
}

// The fast 15-digit form (shortest digits, rounded) against the exact conversion: whole
// numbers, values whose shortest form has 15, 16 or 17 digits, 16-digit midpoints that only
// the exact conversion decides, carries into a new power of ten, and random doubles of every
// magnitude.
TEST(DecimalDigitsTest, FastFormMatchesTheExactConversion) {
  const auto same = [](double value) {
    const DecimalDigits fast = toDecimal15(value), exact = toDecimal15Exact(value);
    return std::string(fast.digit, fast.count) == std::string(exact.digit, exact.count) &&
           fast.pointPos == exact.pointPos;
  };
  const double rows[] = {0.3, 0.1 + 0.2, 1.0 / 3, 2.0 / 3, 9.898892857142856, 36528, 1e15 - 1,
                         999999999999999.4, 999999999999999.6, 9.999999999999995, 9.9999999999999953,
                         0.1234567890123455, 0.12345678901234549, 0.12345678901234551,
                         1.0000000000000005, 1.0000000000000004, 123456789012345.6, 5e-324,
                         2.2250738585072014e-308, 1.7976931348623157e308, 1e22, 1e23, 0.5, 4.35,
                         1.005, 2.675, 1234.5678e-10, 9007199254740993.0, 4503599627370495.5};
  for (const double value : rows) EXPECT_TRUE(same(value)) << value;

  std::mt19937_64 random(15);
  for (int i = 0; i < 300000; ++i) {
    // Every bit pattern of a positive finite double, and decimals of 15 to 17 digits.
    double value = 0;
    if (i % 2 == 0) {
      const std::uint64_t bits = random() & 0x7FFFFFFFFFFFFFFFull;
      std::memcpy(&value, &bits, sizeof value);
      if (!std::isfinite(value)) continue;
    } else {
      char text[64];
      std::snprintf(text, sizeof text, "%llu5e%d", static_cast<unsigned long long>(random() % 1000000000000000ull),
                    static_cast<int>(random() % 40) - 30);
      value = std::strtod(text, nullptr);
    }
    ASSERT_TRUE(same(value)) << std::hexfloat << value;
  }
}

}  // namespace
}  // namespace lomandra::numfmt
