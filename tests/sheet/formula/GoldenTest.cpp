// The generated workbooks of data/ (written by xlsxwriter and by openpyxl, see
// make_workbooks.py) against the texts LibreOffice Calc shows after recalculating them.

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "sheet/engine/BuiltinWorkbook.h"

namespace lomandra::formula {
namespace {

// Where the spreadsheet application shows something other than LibreOffice, the application
// is followed: formula -> (the application's text, why they differ).
const std::map<std::string, std::pair<std::string, std::string>> kDifferences = {
    {"SQRT(-1)", {"#NUM!", "LibreOffice shows an invalid argument as Err:502"}},
    {"SUM(1,2,\"3\",TRUE)",
     {"7", "the application counts a numeric text and a boolean typed into SUM's arguments; "
           "LibreOffice gives #VALUE!"}},
};

// The rows of a CSV file (quoted fields with doubled quotes, one record a line).
std::vector<std::vector<std::string>> readCsv(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  const std::string text = buffer.str();
  std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        rows.back().back() += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        rows.back().back() += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      rows.back().emplace_back();
    } else if (c == '\n') {
      rows.emplace_back(1);
    } else {
      rows.back().back() += c;
    }
  }
  if (rows.back().size() == 1 && rows.back()[0].empty()) rows.pop_back();
  return rows;
}

class GoldenTest : public ::testing::TestWithParam<const char*> {};

TEST_P(GoldenTest, AgreesWithLibreOfficeWhereTheApplicationDoes) {
  const std::string data = LOMANDRA_FORMULA_DATA;
  const std::string writer = GetParam();
  const auto expected = readCsv(data + "/expected_" + writer + ".csv");
  ASSERT_GT(expected.size(), 200u);
  auto workbook = engine::BuiltinWorkbook::open(data + "/formulas_" + writer + ".xlsx");
  const auto resolved = workbook->resolve("'Calc'!A1");
  const engine::SheetData& calc = workbook->sheet(resolved.sheet);

  std::size_t equal = 0, compared = 0;
  std::set<std::string> differencesSeen;
  for (std::size_t r = 0; r < expected.size(); ++r) {
    ASSERT_GE(expected[r].size(), 2u) << "row " << r + 1;
    const std::string& formula = expected[r][0];
    ASSERT_EQ(calc.text(static_cast<std::uint32_t>(r), 0), formula) << "row " << r + 1;
    const std::string shown = calc.text(static_cast<std::uint32_t>(r), 1);
    if (expected[r].size() > 2) {
      // A function LibreOffice 7.4 lacks: the application's text, written by hand.
      EXPECT_EQ(shown, expected[r][1]) << "=" << formula;
      continue;
    }
    ++compared;
    if (shown == expected[r][1]) {
      ++equal;
      continue;
    }
    const auto known = kDifferences.find(formula);
    if (known == kDifferences.end()) {
      ADD_FAILURE() << "=" << formula << ": shows \"" << shown << "\", LibreOffice \"" << expected[r][1] << "\"";
      continue;
    }
    differencesSeen.insert(formula);
    EXPECT_EQ(shown, known->second.first) << "=" << formula << " (" << known->second.second << ")";
  }
  const double agreement = static_cast<double>(equal) / static_cast<double>(compared);
  EXPECT_GE(agreement, 0.99) << equal << " of " << compared;
  // Every difference listed still occurs: the list explains exactly what differs.
  EXPECT_EQ(differencesSeen.size(), kDifferences.size());
  const engine::UncomputedFormulas uncomputed = workbook->uncomputedFormulas();
  EXPECT_EQ(uncomputed.cells, 0u);
  for (const std::string& f : uncomputed.functions) ADD_FAILURE() << "not computed: " << f;
  for (const std::string& f : uncomputed.reasons) ADD_FAILURE() << "not computed: " << f;
  RecordProperty("agreement", std::to_string(equal) + "/" + std::to_string(compared));
}

INSTANTIATE_TEST_SUITE_P(Writers, GoldenTest, ::testing::Values("xlsxwriter", "openpyxl"));

}  // namespace
}  // namespace lomandra::formula
