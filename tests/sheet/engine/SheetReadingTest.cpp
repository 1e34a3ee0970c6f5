// Reading a sheet in the background gives the window the same texts, layout and failures as
// the synchronous reading the merge uses, however the rows are cut into published blocks.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "sheet/engine/BuiltinWorkbook.h"
#include "sheet/engine/CellFormatter.h"
#include "sheet/engine/SheetReading.h"
#include "sheet/xlsx/XlsxWorkbook.h"
#include "tests/sheet/container/TestPackage.h"
#include "tests/support/FailureOf.h"

namespace lomandra::engine {
namespace {

using testing::TempDir;

std::string cellXml(const char* ref, const std::string& value, const char* type = nullptr) {
  std::string xml = std::string("<c r=\"") + ref + "\"";
  if (type) xml += std::string(" t=\"") + type + "\"";
  return xml + "><v>" + value + "</v></c>";
}

std::string rowXml(int row, const std::string& cells, const std::string& attributes = {}) {
  return "<row r=\"" + std::to_string(row) + "\"" + attributes + ">" + cells + "</row>";
}

// Forty rows of numbers and shared texts, so that two-cell blocks make many of them.
std::string longSheet() {
  std::string rows;
  for (int r = 1; r <= 40; ++r) {
    const std::string n = std::to_string(r);
    rows += rowXml(r, cellXml(("A" + n).c_str(), n + ".25") +
                          cellXml(("C" + n).c_str(), std::to_string(r % 2), "s"),
                   r == 7 ? " hidden=\"1\"" : "");
  }
  return rows;
}

const std::string kStrings =
    "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<si><t>even</t></si><si><t>odd</t></si></sst>";

struct ReadingCase {
  const char* name;
  std::string sheetData;
  std::string beforeData;
  const char* failure;  ///< a part of the failure both readings report, or null
};

const ReadingCase kReadings[] = {
    {"RowsInOrder", longSheet(), "<cols><col min=\"2\" max=\"2\" width=\"30\" customWidth=\"1\"/>"
                                 "<col min=\"4\" max=\"4\" width=\"9\" hidden=\"1\"/></cols>",
     nullptr},
    // Rows written out of order, one row in two pieces.
    {"RowsOutOfOrder",
     rowXml(5, cellXml("A5", "5")) + rowXml(6, cellXml("B6", "6")) + rowXml(2, cellXml("A2", "2")) +
         rowXml(9, cellXml("A9", "9")) + rowXml(2, cellXml("B2", "1", "s")) +
         rowXml(1, cellXml("C1", "0", "s")),
     {}, nullptr},
    // A cell naming a shared text the workbook does not hold, after some good rows.
    {"FailureMidway",
     rowXml(1, cellXml("A1", "1")) + rowXml(2, cellXml("A2", "2")) + rowXml(3, cellXml("A3", "3")) +
         rowXml(4, cellXml("A4", "77", "s")) + rowXml(5, cellXml("A5", "5")),
     {}, "shared"},
};

class BackgroundReading : public ::testing::TestWithParam<ReadingCase> {};

ReadProgress waitUntilFinished(const SheetReading& reading) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!reading.progress().finished && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return reading.progress();
}

TEST_P(BackgroundReading, GivesWhatTheSynchronousReadingGives) {
  const ReadingCase& c = GetParam();
  TempDir dir;
  const std::string path = dir.file("book.xlsx");
  testing::writeZip(path, testing::xlsxParts({testing::worksheet(c.sheetData, c.beforeData)},
                                             kStrings));
  auto book = BuiltinWorkbook::open(path);
  const std::string syncFailure = testsupport::failureOf([&] { book->sheet(0); });

  auto file = xlsx::openXlsx(path);
  CellFormatter formatter(*file);
  std::mutex fileLock;
  std::atomic<int> notices{0};
  auto reading = startReading(*file, fileLock, formatter, 0, [&] { ++notices; }, {2, 0});
  const ReadProgress done = waitUntilFinished(*reading);
  ASSERT_TRUE(done.finished);
  EXPECT_EQ(done.percent, 100);
  EXPECT_GE(notices.load(), 2) << "rows arrive in blocks, then the end";

  const SheetData& shown = reading->data();
  if (c.failure) {
    EXPECT_NE(syncFailure.find(c.failure), std::string::npos) << syncFailure;
    EXPECT_EQ(done.failure, syncFailure);
    // The rows read before the failure stay readable.
    EXPECT_EQ(shown.text(2, 0), "3");
    EXPECT_EQ(shown.text(4, 0), "");
    return;
  }
  EXPECT_EQ(done.failure, "");
  const SheetData& expected = book->sheet(0);
  ASSERT_EQ(shown.usedRows(), expected.usedRows());
  ASSERT_EQ(shown.usedColumns(), expected.usedColumns());
  EXPECT_EQ(done.rows, expected.usedRows());
  for (std::uint32_t r = 0; r <= expected.usedRows(); ++r) {
    EXPECT_EQ(shown.rowHidden(r), expected.rowHidden(r)) << r;
    for (std::uint32_t col = 0; col <= expected.usedColumns(); ++col)
      EXPECT_EQ(shown.text(r, col), expected.text(r, col)) << r << "," << col;
  }
  // The hidden rows of a stretch, as the window takes them at once, are those hidden one by one.
  std::vector<std::uint32_t> oneByOne;
  for (std::uint32_t r = 0; r <= expected.usedRows(); ++r)
    if (expected.rowHidden(r)) oneByOne.push_back(r);
  const std::uint32_t used = expected.usedRows();
  for (const auto& [first, last] : {std::pair{0u, used}, {1u, 1u}, {2u, used}, {used, 0u}}) {
    std::vector<std::uint32_t> within;
    for (const std::uint32_t r : oneByOne)
      if (r >= first && r <= last) within.push_back(r);
    EXPECT_EQ(shown.hiddenRows(first, last), within) << first << "-" << last;
    EXPECT_EQ(expected.hiddenRows(first, last), within) << first << "-" << last;
  }
  for (std::uint32_t col = 0; col < 6; ++col) {
    EXPECT_EQ(shown.columnWidth(col), expected.columnWidth(col)) << col;
    EXPECT_EQ(shown.columnHidden(col), expected.columnHidden(col)) << col;
  }
}

INSTANTIATE_TEST_SUITE_P(Table, BackgroundReading, ::testing::ValuesIn(kReadings),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(BackgroundReadingTest, StopsWhenDroppedAndLetsTheFileServeOthers) {
  TempDir dir;
  const std::string path = dir.file("long.xlsx");
  std::string rows;
  for (int r = 1; r <= 20000; ++r) rows += rowXml(r, cellXml(("A" + std::to_string(r)).c_str(), "1"));
  testing::writeZip(path, testing::xlsxParts({testing::worksheet(rows)}));
  auto book = BuiltinWorkbook::open(path);
  for (int i = 0; i < 5; ++i) book->readInBackground(0, [] {});  // started and dropped at once
  auto reading = book->readInBackground(0, [] {});
  EXPECT_EQ(book->sheet(0).usedRows(), 20000u) << "the synchronous reading waits for the file";
  EXPECT_EQ(waitUntilFinished(*reading).rows, 20000u);
  EXPECT_EQ(reading->data().text(19999, 0), "1");
}

}  // namespace
}  // namespace lomandra::engine
