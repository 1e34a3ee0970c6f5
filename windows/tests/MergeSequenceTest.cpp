// The merge run's sequence through the COM core, per Range Reference: Create, Open, Resolve,
// Walk and Cell text, Quit, against the fake serving the cells of the sample workbook. The
// cases file (made by scripts/wine-tests from lomandra-merge's output) names the fake's
// workbook file and gives, per reference, the texts lomandra-merge reads for it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "FakeServer.h"
#include "FakeWorkbook.h"
#include "sheet/com/ComAutomation.h"

namespace {

using namespace lomandra::com;

struct Case {
  std::wstring reference;
  std::vector<std::wstring> texts;
};

TEST(MergeSequence, GivesTheTextsOfTheBuiltInEngineForEachReference) {
  const char* casesPath = std::getenv("LOMANDRA_MERGE_CASES");
  ASSERT_NE(casesPath, nullptr) << "LOMANDRA_MERGE_CASES names no cases file";
  std::ifstream file(casesPath, std::ios::binary);
  ASSERT_TRUE(file) << casesPath;
  std::wstring book;
  std::vector<Case> cases;
  std::string line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t tab = line.find('\t');
    if (line.rfind("book\t", 0) == 0) book = fake::widen(line.substr(tab + 1));
    if (line.rfind("ref\t", 0) != 0) continue;
    const std::size_t second = line.find('\t', tab + 1);
    cases.push_back({fake::widen(line.substr(tab + 1, second - tab - 1)), fake::parseJsonStrings(line.substr(second + 1))});
  }
  ASSERT_FALSE(book.empty());
  ASSERT_GE(cases.size(), 2u);

  for (const Case& c : cases) {
    SCOPED_TRACE(toUtf8(c.reference));
    ComApplication app = createApplication();
    app.open(book);
    ComRange range = app.resolve(c.reference);
    const std::vector<std::wstring> texts = fake_test::walkTexts(range);
    const std::vector<std::wstring> eachCell = fake_test::walkTexts(range, true);
    app.quit();
    EXPECT_EQ(texts, c.texts);
    EXPECT_EQ(eachCell, c.texts);
    EXPECT_FALSE(c.texts.empty());
  }
}

}  // namespace
